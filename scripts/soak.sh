#!/usr/bin/env bash
# Soak run (not part of the test suite): the program scrolls a large input for
# a while (first argument, seconds; default 600) under a private Xvfb with a
# window manager, while random keys are pressed and the window is resized.
# Reports the program's memory and the server's resource counts for it
# (pixmaps, GCs, total bytes) at the start and at the end: both should stay
# flat. Needs a built program (PROGRAM, default build/lumadrift).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
program=${PROGRAM:-build/lumadrift}
work=$(mktemp -d /tmp/lumadrift-soak-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

exec 3< <(exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
read -r -t 30 number <&3
pids+=($!)
export DISPLAY=:$number
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 1

for i in $(seq 1 20000); do echo "line $i of the soak: the quick brown fox jumps"; done >"$work/input.txt"
"$program" -title Soak -sc 3 "$work/input.txt" </dev/null &
program_pid=$!
pids+=($program_pid)
window=$(xdotool search --sync --name '^Soak$' | head -n 1)
# Compilation is over when the program's memory stops growing.
last=0
while true; do
  sleep 3
  now=$(awk '/VmRSS/ {print $2}' "/proc/$program_pid/status")
  [ "$now" = "$last" ] && break
  last=$now
done

sample() {  # label
  local rss counts
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$program_pid/status")
  counts=$(xrestop -b -m 1 | awk '
    /^[0-9]+ - / {keep = ($3 == "Soak")}
    keep && /pixmaps  / {p = $3} keep && /GCs/ {g = $3} keep && /total bytes/ {t = $4}
    END {if (p != "") print "pixmaps " p ", GCs " g ", server bytes " t}')
  echo "$1: program RSS ${rss} kB; ${counts:-server counts not found}"
}

sample start
keys=(a d n p Prior Next Left Right Up Down s x)
end=$((SECONDS + seconds))
while [ $SECONDS -lt $end ]; do
  xdotool windowfocus "$window" key "${keys[RANDOM % ${#keys[@]}]}" 2>/dev/null || true
  if [ $((RANDOM % 20)) -eq 0 ]; then
    xdotool windowsize "$window" $((200 + RANDOM % 800)) $((150 + RANDOM % 600)) 2>/dev/null || true
  fi
  # Keep it moving forwards at a modest speed.
  [ $((RANDOM % 10)) -eq 0 ] && xdotool windowfocus "$window" key s 2>/dev/null || true
  sleep 0.2
done
sample end
kill -0 "$program_pid" && echo "the program is still running"
