#!/usr/bin/env bash
# The cost of a frame deep in long texts (on demand, not in CI), measured
# with bench/frame_rate.cpp: CPU milliseconds per frame of the program and
# of the X server for noblur and fill at rows 300, 170,000 and 339,600 of
# the 20,000-line listing of bench/whole_program.sh and at the end of the
# 100,000-line one, as a Markdown table on standard output; and the cost of
# a frame, program and server together, against the position in the
# 20,000-line listing for every mode, drawn by gnuplot into
# docs/images/frame-cost.png.
#
#   bench/far_rows.sh [BASE_BUILD]
#
# BASE_BUILD is a build directory of another version with bench/frame_rate
# (built with -DLUMADRIFT_BENCHMARKS=ON); its figures appear beside this
# version's as "before".
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
base=${1:-}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUMADRIFT_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target frame_rate >/dev/null
unset DISPLAY
work=$(mktemp -d /tmp/lumadrift-far-XXXXXX)
trap 'rm -rf "$work"' EXIT
# The listings of bench/whole_program.sh, which hands over its own.
listings=${LISTINGS:-$work}
if [ ! -s "$listings/listing-20000.txt" ]; then
  { ls -lR /usr 2>/dev/null || true; } | head -n 100000 >"$listings/listing-100000.txt"
  head -n 20000 "$listings/listing-100000.txt" >"$listings/listing-20000.txt"
fi

field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p" <<<"$2"; }
measure() {  # build mode start frames material
  local line
  line=$("$1/bench/frame_rate" "$2" "$3" "$4" "$5" </dev/null | tail -n 1)
  echo "$1 $2 $3: $line" >&2
  echo "$line"
}
# Frames enough for the server's CPU clock, few where a frame is slow:
# noblur and fill before, deep in the text.
frames_for() {  # build mode start
  if [ "$1" = "$build" ] || [ "$2" = blur ] || [ "$3" -lt 20000 ]; then
    echo 300
  elif [ "$3" -lt 100000 ]; then
    echo 30
  else
    echo 8
  fi
}
builds=("$build")
[ -n "$base" ] && builds=("$base" "$build")
label() { if [ "$1" = "$build" ]; then echo after; else echo before; fi; }

end_100000=$(field rows "$(measure "$build" blur 0 1 "$listings/listing-100000.txt")")
echo "| Material | Mode | Version | Program CPU ms/frame | X server CPU ms/frame | Together |"
echo "|---|---|---|---|---|---|"
for mode in noblur fill; do
  for place in "20,000 lines, row 300:300:20000" "20,000 lines, row 170,000:170000:20000" \
    "20,000 lines, row 339,600:339600:20000" "100,000 lines, end (row $end_100000):$end_100000:100000"; do
    IFS=: read -r what start lines <<<"$place"
    for b in "${builds[@]}"; do
      line=$(measure "$b" "$mode" "$start" "$(frames_for "$b" "$mode" "$start")" \
        "$listings/listing-$lines.txt")
      client=$(field client_ms_per_frame "$line")
      server=$(field server_ms_per_frame "$line")
      echo "| $what | $mode | $(label "$b") | $client | $server | $(awk -v a="$client" -v b="$server" 'BEGIN { printf "%.3f", a + b }') |"
    done
  done
done

# The sweep: program + server CPU ms per frame by position, one column per
# mode and version.
data="$work/frame-cost.dat"
end_20000=$(field rows "$(measure "$build" blur 0 1 "$listings/listing-20000.txt")")
header="position"
for b in "${builds[@]}"; do for mode in blur noblur fill; do header+=" $mode-$(label "$b")"; done; done
echo "$header" >"$data"
for ((start = 0; start <= end_20000; start += end_20000 / 16)); do
  row="$start"
  for b in "${builds[@]}"; do
    for mode in blur noblur fill; do
      line=$(measure "$b" "$mode" "$start" "$(frames_for "$b" "$mode" "$start")" \
        "$listings/listing-20000.txt")
      row+=" $(awk -v a="$(field client_ms_per_frame "$line")" \
        -v b="$(field server_ms_per_frame "$line")" 'BEGIN { printf "%.3f", a + b }')"
    done
  done
  echo "$row" >>"$data"
done
columns=$(awk 'NR == 1 { print NF }' "$data")
before=$([ -n "$base" ] && echo 3 || echo 0)  # the earlier version's columns, dashed
gnuplot <<EOF
set terminal pngcairo size 900,540 font ",11"
set output "docs/images/frame-cost.png"
set title "CPU per frame, program and X server, scrolling the 20,000-line listing (640 x 480)"
set xlabel "position (source row at the bottom edge)"
set ylabel "ms per frame"
set logscale y
set key outside right top
set grid
set format x "%.0f"
plot for [i=2:$((before + 1))] "$data" using 1:i with linespoints lc (i - 1) dt 2 title columnheader(i), \\
  for [i=$((before + 2)):$columns] "$data" using 1:i with linespoints lc (i - 1 - $before) dt 1 title columnheader(i)
EOF
echo "docs/images/frame-cost.png" >&2
