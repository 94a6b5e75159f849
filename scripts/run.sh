#!/usr/bin/env bash
# Builds Lumadrift and runs it with the given arguments.
# With a DISPLAY it opens the window and flies what you pass (or its usage
# text). Without one it starts a private Xvfb, draws one frame on its root
# window (-root -quit) at a start position where the picture is under way,
# saves it as a PNG, then records a few seconds of the material flying at
# its real pace from where it has just come in, saves that as a GIF, and
# prints both paths.
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
export DISPLAY=:$number
build/lumadrift -root -quit -start "${LUMADRIFT_START:-400}" "$@" </dev/null
import -window root "$out"
echo "$out"

# The animation: screenshots as fast as they come, each shown in the GIF for
# as long as it was on the screen. Row 16 is where a line of the default
# font has just come in at the bottom edge.
gif=${out%.png}.gif
frames=$(mktemp -d /tmp/lumadrift-frames-XXXXXX)
trap 'kill $xvfb_pid 2>/dev/null || true; rm -rf "$frames"' EXIT
xsetroot -solid black
blank=$(xwd -root -silent | md5sum)
build/lumadrift -root -start 16 "$@" </dev/null &
program_pid=$!
# Until the first frame is up: the screen has changed, and the progress
# messages at the top left are gone.
for _ in $(seq 300); do
  xwd -root -silent >"$frames/probe.xwd"
  if [ "$(md5sum <"$frames/probe.xwd")" != "$blank" ] &&
    [ "$(convert "$frames/probe.xwd" -crop 320x80+0+0 +repage -format %k info:)" = 1 ]; then
    break
  fi
  sleep 0.05
done
seconds=${LUMADRIFT_SECONDS:-6}
start=$(date +%s%N)
count=0
while [ $(($(date +%s%N) - start)) -lt $((seconds * 1000000000)) ]; do
  date +%s%N >>"$frames/times"
  xwd -root -silent >"$frames/$(printf %05d $count).xwd"
  count=$((count + 1))
  sleep 0.03
done
date +%s%N >>"$frames/times"
kill $program_pid 2>/dev/null || true
wait $program_pid 2>/dev/null || true
mapfile -t times <"$frames/times"
layers=()
for ((i = 0; i < count; i++)); do
  delay=$(((times[i + 1] - times[i]) / 10000000))  # centiseconds
  layers+=(-delay "$((delay > 0 ? delay : 1))" "$frames/$(printf %05d $i).xwd")
done
convert "${layers[@]}" -loop 0 -layers Optimize "$gif"
echo "$gif"
