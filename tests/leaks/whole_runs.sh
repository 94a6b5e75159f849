#!/usr/bin/env bash
# Whole runs of the program under valgrind memcheck, against a private Xvfb
# with a window manager, ending in each of the three ways: -quit, the q key,
# and the window manager's close request; and in root mode on two monitors,
# -quit (which leaves a wallpaper behind) and SIGTERM. The material is
# argument text, a text file, an XPM picture and standard input; noblur and
# fill also far behind the material, where far rows are resolved; in a UTF-8
# locale also text in other scripts, with the default font and with an
# outline face. Any invalid access, use of an uninitialised value, or
# definite or indirect leak fails the run; the font, which the program keeps
# on purpose, is still reachable and so is no leak.
set -euo pipefail
program=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/lumadrift-valgrind-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
unset DISPLAY

exec 3< <(exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
read -r -t 30 number <&3
pids+=($!)
export DISPLAY=:$number
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
sleep 1

printf 'A text file\nof two lines\n' >"$work/notes.txt"
cat >"$work/box.xpm" <<'XPM'
/* XPM */
static char *box[] = {
"6 4 3 1",
"  c None",
"A c #ff0000",
"B c #0000ff",
"AAABBB",
"A    B",
"A    B",
"AAABBB"
};
XPM
material=(-sc 4 "flying words" "$work/notes.txt" - "$work/box.xpm")

memcheck() {  # name, extra arguments...
  local name=$1
  shift
  valgrind --quiet --leak-check=full --errors-for-leak-kinds=definite,indirect \
    --show-leak-kinds=definite,indirect --track-origins=yes --error-exitcode=99 \
    --suppressions="$here/valgrind.supp" --log-file="$work/$name.log" \
    "$program" "$@" "${material[@]}" < <(printf 'from standard input\n')
}

check() {  # name, status
  if [ "$2" -ne 0 ]; then
    echo "$1: exit status $2"
    cat "$work/$1.log"
    exit 1
  fi
  echo "$1: clean"
}

status=0
memcheck quit -quit || status=$?
check quit "$status"

# Waits for the window, gives it the focus and presses q.
memcheck key -title "Valgrind key" & pid=$!
xdotool search --sync --name '^Valgrind key$' >/dev/null
sleep 2
xdotool search --name '^Valgrind key$' windowfocus --sync key q
status=0
wait "$pid" || status=$?
check key "$status"

memcheck close -title "Valgrind close" & pid=$!
xdotool search --sync --name '^Valgrind close$' >/dev/null
sleep 2
wmctrl -c 'Valgrind close'
status=0
wait "$pid" || status=$?
check close "$status"

# Root mode on two monitors: a floor of each size, the wallpaper -quit
# leaves, and the end by a signal, which puts the earlier wallpaper back.
xrandr --setmonitor L 600/150x768/200+0+0 screen >/dev/null
xrandr --setmonitor R 424/110x600/150+600+0 none >/dev/null
status=0
memcheck root-quit -root -quit || status=$?
check root-quit "$status"

wallpaper=$(xprop -root _XROOTPMAP_ID)
memcheck root-signal -root & pid=$!
for _ in $(seq 300); do
  [ "$(xprop -root _XROOTPMAP_ID)" != "$wallpaper" ] && break
  sleep 0.1
done
sleep 1
kill -TERM "$(pgrep -P "$pid")"  # valgrind, under the subshell of memcheck
status=0
wait "$pid" || status=$?
check root-signal "$status"

# Noblur and fill far behind the material, where wide line spaces put
# hundreds of source rows on each far screen row: their rows are resolved.
for mode in -noblur -fill; do
  status=0
  memcheck "far$mode" -quit "$mode" -st 40000 -ly 10 -sp 400 || status=$?
  check "far$mode" "$status"
done
# A UTF-8 locale: characters of other scripts from the fallback fonts, then
# an antialiased face with its own fallback.
material+=("Привет, Ελληνικά, 日本語 ✓")
status=0
LC_ALL=C.UTF-8 memcheck fallback -quit || status=$?
check fallback "$status"
status=0
LC_ALL=C.UTF-8 memcheck face -quit -xrm '*faceName: DejaVu Sans:pixelsize=20:antialias=true' ||
  status=$?
check face "$status"
