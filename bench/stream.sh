#!/usr/bin/env bash
# Streams that keep coming (on demand, not in CI). Frames per second and CPU
# per frame of the program and of the X server while `yes "some text"`
# pours into standard input at -sc 400, beside the same text read from a
# file, in turn in one run (bench/paced_rate.cpp, a 1024 x 768 window);
# then what a user notices (bench/stream_latency.cpp): how soon the crawl
# shows after a stream pauses, how soon a late line reaches the bottom band,
# how fast q and a close request end a program on a silent stream and what
# it costs meanwhile, and how long `yes | lumadrift -quit` takes. Markdown
# on standard output.
#
#   bench/stream.sh [SECONDS]     (default 10 per run, two runs of each)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
seconds=${1:-10}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUMADRIFT_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target paced_rate stream_latency >/dev/null
unset DISPLAY
work=$(mktemp -d /tmp/lumadrift-stream-XXXXXX)
trap 'rm -rf "$work"' EXIT
{ yes "some text" || true; } | head -n 20000 >"$work/text"

field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p" <<<"$2"; }
row() {  # label, line
  local fps cpu server
  fps=$(field fps "$2")
  cpu=$(field client_cpu_percent "$2")
  server=$(field server_cpu_percent "$2")
  echo "| $1 | $fps | $(awk -v c="$cpu" -v f="$fps" 'BEGIN {printf "%.3f", 10 * c / f}') |" \
    "$(awk -v c="$server" -v f="$fps" 'BEGIN {printf "%.3f", 10 * c / f}') |"
}

echo "| Run (-sc 400, 1024 x 768 window) | Frames/s | Program CPU ms/frame | X server CPU ms/frame |"
echo "|---|---|---|---|"
for turn in 1 2; do
  line=$("$build/bench/paced_rate" "$seconds" -sc 400 "$work/text" </dev/null | tail -n 1)
  row "the text from a file, run $turn" "$line"
  line=$({ yes "some text" || true; } | "$build/bench/paced_rate" "$seconds" -sc 400 | tail -n 1)
  row "\`yes\` pouring in, run $turn" "$line"
done

line=$("$build/bench/stream_latency" | tail -n 1)
echo
echo "| What a user notices (640 x 480) | Seconds |"
echo "|---|---|"
echo "| a paused stream: the crawl shows (pause 0.25 s and the closing second included) | $(field pause_to_crawl_s "$line") |"
echo "| a line written after the crawl passed the end reaches the bottom band | $(field late_line_to_bottom_s "$line") |"
echo "| \`yes \| lumadrift -quit\` | $(field quit_window_s "$line") |"
echo "| \`yes \| lumadrift -root -quit\` | $(field quit_root_s "$line") |"
echo "| a silent stream: q ends the program | $(field q_ends_s "$line") |"
echo "| a silent stream: the close request ends it | $(field close_ends_s "$line") |"
echo
echo "A program waiting on a silent stream: $(field silent_stream_cpu_percent "$line") % of a core."
