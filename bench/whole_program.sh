#!/usr/bin/env bash
# Measures the whole program (on demand, not in CI): for each material and
# drawing mode the frame loop runs a fixed number of frames scrolling with
# -wait 0 against a private Xvfb, and the frames per second and the CPU
# milliseconds per frame of the program and of the X server are taken
# (bench/frame_rate.cpp), and the same with the requests only sent, not
# computed (the floor of the program's share). Also compile time, segments,
# peak memory, bytes per segment and the time to the first frame for the
# large texts, CPU use when idle, and the frame rate and CPU use when frames
# are paced (bench/pacing.sh), and noblur and fill deep in long texts with
# a plot of the cost of a frame against the position (bench/far_rows.sh;
# BASE_BUILD=dir adds an earlier build's figures). Writes docs/performance.md.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUMADRIFT_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target frame_rate >/dev/null
unset DISPLAY
work=$(mktemp -d /tmp/lumadrift-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Material: 2,000, 20,000 and 100,000 lines of a directory listing, a picture.
{ ls -lR /usr 2>/dev/null || true; } | head -n 100000 >"$work/listing-100000.txt"
head -n 20000 "$work/listing-100000.txt" >"$work/listing-20000.txt"
head -n 2000 "$work/listing-20000.txt" >"$work/listing-2000.txt"
python3 - "$work/picture.xpm" <<'PY'
import random, sys
random.seed(7)
symbols = [chr(c) for c in range(35, 127) if chr(c) not in '"\\']
colours = [(s1 + s2) for s1 in symbols[:16] for s2 in symbols[:16]]
w, h = 320, 400
lines = ['/* XPM */', 'static char *picture[] = {', f'"{w} {h} {len(colours)} 2",']
for i, c in enumerate(colours):
    lines.append(f'"{c} c #{(i * 37) % 256:02x}{(i * 91) % 256:02x}{(i * 13) % 256:02x}",')
for y in range(h):
    row, x = [], 0
    while x < w:
        n = min(random.randint(1, 9), w - x)
        row.append(colours[(x // 20 + y // 25 * 16 + random.randint(0, 3)) % len(colours)] * n)
        x += n
    lines.append('"' + ''.join(row) + '",')
lines[-1] = lines[-1].rstrip(',')
lines.append('};')
open(sys.argv[1], 'w').write('\n'.join(lines) + '\n')
PY

measure() {  # mode start frames material...
  "$build/bench/frame_rate" "$@" </dev/null | tail -n 1
}
field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p" <<<"$2"; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

rows=()
scenario() {  # label frames start material...
  local label=$1 frames=$2 start=$3
  shift 3
  for mode in blur noblur fill; do
    local line floor client server floor_client
    line=$(measure "$mode" "$start" "$frames" "$@")
    floor=$(measure "$mode-floor" "$start" "$frames" "$@")
    client=$(field client_ms_per_frame "$line")
    server=$(field server_ms_per_frame "$line")
    floor_client=$(field client_ms_per_frame "$floor")
    rows+=("| $label | $mode | $(field fps "$line") | $client | $server | $(ratio "$client" "$server") | $floor_client | $(ratio "$floor_client" "$(field server_ms_per_frame "$floor")") |")
    echo "$label $mode: $line" >&2
    echo "$label $mode, floor: $floor" >&2
  done
}

scenario "usage text, row 400" 600 400
scenario "2,000 lines, row 300" 600 300 "$work/listing-2000.txt"
scenario "20,000 lines, row 300" 300 300 "$work/listing-20000.txt"
scenario "20,000 lines, row 170,000" 100 170000 "$work/listing-20000.txt"
scenario "20,000 lines, row 340,000" 100 340000 "$work/listing-20000.txt"
scenario "picture 320 x 400, 256 colours, row 300" 600 300 "$work/picture.xpm"

# Figures of earlier versions, kept under their own heading below the table.
history=$(sed -n '/^## Earlier figures/,$p' docs/performance.md 2>/dev/null || true)

large=$(measure blur 300 10 "$work/listing-20000.txt")
huge=$(measure blur 300 10 "$work/listing-100000.txt")
idle=$(measure idle 300 30 "$work/listing-2000.txt")
pacing=$(bash bench/pacing.sh)
# Noblur and fill deep in long texts; BASE_BUILD adds an earlier version's
# figures (bench/far_rows.sh).
far_rows=$(LISTINGS=$work bash bench/far_rows.sh ${BASE_BUILD:+"$BASE_BUILD"})

{
  echo "# Performance"
  echo
  echo "Measured by \`bench/whole_program.sh\` on $(date -u +%Y-%m-%d):"
  echo "$(nproc) cores, $(sed -n 's/^model name[^:]*: //p' /proc/cpuinfo | head -n 1),"
  echo "$(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), $(uname -sr), Xvfb at 640 x 480 x 24."
  echo
  echo "Each row scrolls unpaced (\`-wait 0\`, \`*frameRate: 0\`) from the start row given; CPU is per drawn frame,"
  echo "for the program and for the X server separately. The floor is what the program"
  echo "spends on a frame when it only sends the requests of the start row's frame again,"
  echo "recorded beforehand, with the frame's fill, show and flush: the part of its cost"
  echo "that no faster computation of the requests can remove."
  echo
  echo "| Material | Mode | Frames/s | Program CPU ms/frame | X server CPU ms/frame | Program / server | Floor: program CPU ms/frame | Floor / server |"
  echo "|---|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
  echo
  compiled() {  # label measurement
    echo "Compiling the $1 text: $(field compile_s "$2") s, $(field segments "$2") segments,"
    echo "peak memory $(field peak_kb "$2") kB, $(field bytes_per_segment "$2") bytes per segment;"
    echo "the first frame $(field first_frame_s "$2") s after start (1 s of it the start-up pause)."
  }
  compiled 20,000-line "$large"
  echo
  compiled 100,000-line "$huge"
  echo
  echo "Idle (\`-scroll 0\`): the program uses $(field client_cpu_percent "$idle") % of one core."
  echo
  echo "## Frames paced to the display"
  echo
  echo "By default frames start at most at the screen's refresh rate (\`bench/pacing.sh\`,"
  echo "10 seconds a row, CPU over the wall-clock time):"
  echo
  printf '%s\n' "$pacing"
  echo
  echo "## Noblur and fill deep in long texts"
  echo
  echo "Far screen rows that hold 256 source rows or more are resolved into their"
  echo "pixels (\`bench/far_rows.sh\`, frames unpaced, CPU per frame):"
  echo
  printf '%s\n' "$far_rows"
  echo
  echo "![CPU per frame against the position](images/frame-cost.png)"
  if [ -n "$history" ]; then
    echo
    printf '%s\n' "$history"
  fi
} >docs/performance.md
echo docs/performance.md
