#!/usr/bin/env bash
# Default and smooth frames side by side, in turn in one run (on demand, not
# in CI): frames per second and CPU per frame of the program and of the X
# server, for the usage text flying in a 640 x 480 window and on a
# 1920 x 1080 root and for a listing flying 20,000 lines deep, at the
# display's rate (bench/paced_rate.cpp), and for unpaced frames 20,000 lines
# deep, in blur and noblur (bench/frame_rate.cpp). Markdown on standard output.
#
#   bench/smooth.sh [SECONDS]     (default 10 per paced run)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
seconds=${1:-10}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUMADRIFT_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target paced_rate frame_rate >/dev/null
unset DISPLAY
work=$(mktemp -d /tmp/lumadrift-smooth-XXXXXX)
trap 'rm -rf "$work"' EXIT
{ ls -lR /usr 2>/dev/null || true; } | head -n 20000 >"$work/listing.txt"

field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p" <<<"$2"; }
per_frame() { awk -v c="$1" -v f="$2" 'BEGIN {printf "%.3f", 10 * c / f}'; }

echo "| Run | Frames | Frames/s | Program CPU ms/frame | X server CPU ms/frame | Together, % of a core |"
echo "|---|---|---|---|---|---|"
paced() {  # label, screen, options...
  local label=$1 screen=$2 line fps
  shift 2
  for smooth in false true; do
    line=$(PACED_SCREEN=$screen "$build/bench/paced_rate" "$seconds" "$@" -xrm "*smooth: $smooth" \
      </dev/null | tail -n 1)
    fps=$(field fps "$line")
    echo "| $label | $([ $smooth = true ] && echo smooth || echo default) | $fps |" \
      "$(per_frame "$(field client_cpu_percent "$line")" "$fps") |" \
      "$(per_frame "$(field server_cpu_percent "$line")" "$fps") | $(field total_cpu_percent "$line") |"
  done
}
paced "640 x 480 window, usage text" 640x480
paced "1920 x 1080 root, usage text" 1920x1080 -root
paced "640 x 480 window, 20,000 lines from row 339,600" 640x480 -start 339600 "$work/listing.txt"
for mode in blur noblur; do
  for smooth in false true; do
    line=$("$build/bench/frame_rate" "$mode" 339600 300 "$work/listing.txt" -xrm "*smooth: $smooth" \
      </dev/null | tail -n 1)
    echo "| 20,000 lines, row 339,600, $mode, unpaced | $([ $smooth = true ] && echo smooth || echo default) |" \
      "$(field fps "$line") | $(field client_ms_per_frame "$line") | $(field server_ms_per_frame "$line") | |"
  done
done
