#!/usr/bin/env bash
# Builds Lumadrift and runs it with the given arguments.
# With a DISPLAY it opens the window and flies what you pass (or its usage
# text). Without one it starts a private Xvfb, draws one frame on its root
# window (-root -quit) at a start position where the material fills the
# lower half of the picture, saves it as a PNG, then records a few seconds
# of the material flying on from there at its real pace, saves that as a
# GIF, and prints both paths.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target lumadrift >&2

if [ -n "${DISPLAY:-}" ]; then
  exec build/lumadrift "$@"
fi

# The start position: where the end of the material stands at the bottom
# edge, for material of fewer than 400 source rows, else 400, where its
# first lines fill the lower half. The rows are counted as the program lays
# the material out with the default font and width: 17 to a line of text (16
# and the line space), a line longer than 40 letters wrapped, a picture as
# tall as its XPM header says; the usage text, or options, which may change
# all of that, count as long.
rows=0
lines() { rows=$((rows + 17 * (${#1} > 40 ? (${#1} + 39) / 40 : 1))); }
material_rows() {
  local text line height
  for text in "$@"; do
    case $text in
      -) ;;  # standard input, which is empty here
      -*) rows=400 ;;
      *)
        if [ ! -f "$text" ] || [ ! -r "$text" ]; then
          lines "$text"
        elif [ "$(head -c 9 "$text")" = "/* XPM */" ]; then
          height=$(sed -n 's/^[^"]*"[[:space:]]*[0-9]\{1,\}[[:space:]]\{1,\}\([0-9]\{1,\}\).*/\1/p' "$text" |
            head -n 1)
          rows=$((rows + ${height:-0}))
        else
          while [ $rows -lt 400 ] && { IFS= read -r line || [ -n "$line" ]; }; do lines "$line"; done <"$text"
        fi
        ;;
    esac
    [ $rows -lt 400 ] || break
  done
  [ $rows -gt 0 ] && [ $rows -lt 400 ] && echo $rows || echo 400
}
start=${LUMADRIFT_START:-$(material_rows "$@")}

out=${LUMADRIFT_SHOT:-$PWD/out/lumadrift.png}
mkdir -p "$(dirname "$out")"
exec 3< <(exec Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp -noreset 2>/dev/null)
read -r -t 30 number <&3
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
export DISPLAY=:$number
build/lumadrift -root -quit -start "$start" "$@" </dev/null
import -window root "$out"
echo "$out"

# The animation from the same start: screenshots as fast as they come, each
# shown in the GIF for as long as it was on the screen, from the program's
# first frame on. In root mode the program names each frame it shows in the
# root's _XROOTPMAP_ID, which names the PNG's frame until then: xprop reports
# the property as it is, then each change.
gif=${out%.png}.gif
frames=$(mktemp -d /tmp/lumadrift-frames-XXXXXX)
exec 4< <(exec xprop -root -spy _XROOTPMAP_ID)
spy_pid=$!
trap 'kill $spy_pid $xvfb_pid 2>/dev/null || true; rm -rf "$frames"' EXIT
read -r -t 30 -u 4 _
build/lumadrift -root -start "$start" "$@" </dev/null &
program_pid=$!
read -r -t 60 -u 4 _ || echo "no frame from the program" >&2
seconds=${LUMADRIFT_SECONDS:-6}
began=$(date +%s%N)
count=0
while [ $(($(date +%s%N) - began)) -lt $((seconds * 1000000000)) ]; do
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
