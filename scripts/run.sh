#!/usr/bin/env bash
# Builds Lumadrift and runs it with the given arguments.
# With a DISPLAY it opens the window and flies what you pass (or its usage
# text). Without one it starts a private Xvfb, draws one frame on its root
# window (-root -quit) at a start position where the picture is under way,
# saves it as a PNG and prints the PNG's path.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target lumadrift >&2

if [ -n "${DISPLAY:-}" ]; then
  exec build/lumadrift "$@"
fi

out=${LUMADRIFT_SHOT:-$PWD/out/lumadrift.png}
mkdir -p "$(dirname "$out")"
exec 3< <(exec Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp -noreset 2>/dev/null)
read -r -t 30 number <&3
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
DISPLAY=:$number build/lumadrift -root -quit -start "${LUMADRIFT_START:-400}" "$@" </dev/null
DISPLAY=:$number import -window root "$out"
echo "$out"
