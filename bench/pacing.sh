#!/usr/bin/env bash
# Frames per second and CPU of the program and of the X server while the
# usage text flies as a user runs it (bench/paced_rate.cpp): paced to the
# screen in a window and on the root window, capped by the frameRate
# resource, unpaced, and with -wait on top of the period. Prints a Markdown
# table; bench/whole_program.sh puts it into docs/performance.md.
#
#   bench/pacing.sh [SECONDS]     (default 10 per row)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
seconds=${1:-10}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLUMADRIFT_BENCHMARKS=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target paced_rate >/dev/null
unset DISPLAY

field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p" <<<"$2"; }

row() {  # label, options...
  local label=$1 line
  shift
  line=$(PACED_SCREEN=${screen:-} "$build/bench/paced_rate" "$seconds" "$@" </dev/null | tail -n 1)
  echo "$label: $line" >&2
  echo "| $label | $(field fps "$line") | $(field client_cpu_percent "$line") | $(field server_cpu_percent "$line") | $(field total_cpu_percent "$line") |"
}

echo "| Run (usage text, Xvfb 1024 x 768, which reports no refresh rate: 60 Hz) | Frames/s | Program % of a core | X server % of a core | Together |"
echo "|---|---|---|---|---|"
row "window, defaults"
row "root window, defaults" -root
row "window, \`*frameRate: 30\`" -xrm "*frameRate: 30"
row "window, \`-wait 20000\`" -wait 20000
row "window, \`*frameRate: 0\` (unpaced)" -xrm "*frameRate: 0"

echo
echo "| Root window, defaults, by screen size | Frames/s | Program % of a core | X server % of a core | Together |"
echo "|---|---|---|---|---|"
for screen in 1024x768 1920x1080 3840x2160; do
  row "${screen/x/ x }" -root
done
