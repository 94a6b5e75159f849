#!/usr/bin/env bash
# Soak run of a stream that never ends (not part of the test suite): under
# a private Xvfb, `yes TEXT | lumadrift -sc 400` flies for a while (first
# argument, seconds; default 600), and its resident memory is sampled from
# the tenth second on; then `cat /dev/urandom` in a UTF-8 locale, which
# brings ever new characters, for a tenth of that. Reports the samples and,
# for each run, how far the memory moved after the tenth second: both
# should stay flat. Needs a built program (PROGRAM, default build/lumadrift).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
program=${PROGRAM:-build/lumadrift}
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; }
trap cleanup EXIT

exec 3< <(exec Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp 2>/dev/null)
read -r -t 30 number <&3
pids+=($!)
export DISPLAY=:$number

rss() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }

soak() {  # label, seconds, command
  local label=$1 length=$2 pid low high samples=""
  sh -c "$3" &
  pids+=($!)
  sleep 1
  pid=$(pgrep -n -f "^$program -sc 400") || { echo "$label: the program did not start"; return 1; }
  sleep 9
  low=$(rss "$pid")
  high=$low
  local end=$((SECONDS + length - 10)) step=$(((length - 10) / 10 > 0 ? (length - 10) / 10 : 1))
  while [ $SECONDS -lt $end ] && kill -0 "$pid" 2>/dev/null; do
    local now
    now=$(rss "$pid")
    samples+=" $now"
    ((now < low)) && low=$now
    ((now > high)) && high=$now
    sleep "$step"
  done
  kill "$pid"
  echo "$label: RSS kB from the 10th second:$samples; range $low to $high ($(((high - low) / 1024)) MiB)"
}

soak "yes TEXT" "$seconds" "yes 'some text to fly' | exec $program -sc 400"
soak "/dev/urandom, UTF-8" $((seconds / 10 > 20 ? seconds / 10 : 20)) \
  "LC_ALL=C.UTF-8 exec $program -sc 400 /dev/urandom"
