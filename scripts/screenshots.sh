#!/usr/bin/env bash
# Regenerates the pictures of the README under a private Xvfb: one frame of
# the program flying its usage text, drawn with -root -quit and saved from
# the root window. Needs a built program (scripts/run.sh or scripts/test.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

program=${PROGRAM:-build/lumadrift}
out=docs/images
mkdir -p "$out"

exec 3< <(exec Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp -noreset 2>/dev/null)
read -r -t 30 number <&3
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
export DISPLAY=:$number

"$program" -root -quit -start 420 </dev/null
import -window root "$out/usage-text.png"
echo "$out/usage-text.png"
