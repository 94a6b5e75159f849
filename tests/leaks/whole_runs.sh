#!/usr/bin/env bash
# Whole runs of the program under valgrind memcheck, against a private Xvfb
# with a window manager, ending in each of the three ways: -quit, the q key,
# and the window manager's close request; and in root mode on two monitors,
# -quit (which leaves a wallpaper behind) and SIGTERM. The material is
# argument text, a text file, an XPM picture and standard input; noblur and
# fill also far behind the material, where far rows are resolved; in a UTF-8
# locale also text in other scripts, with the default font and with an
# outline face, and in smooth frames. Any invalid access, use of an uninitialised value, or
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
# Until openbox has taken the screen (it names its check window on the root).
for _ in $(seq 300); do
  wmctrl -m >/dev/null 2>&1 && break
  sleep 0.05
done

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

# Runs that draw one frame and end go on beside the others: each in the
# background, checked by finish.
declare -A running
start() {  # name, extra arguments...
  memcheck "$@" &
  running[$1]=$!
}
finish() {  # name
  local status=0
  wait "${running[$1]}" || status=$?
  check "$1" "$status"
}

# Until the window titled $1 shows the crawl: the start-up messages at its
# top left have made way for frames. Seen as nothing in the top left corner,
# and ink elsewhere (the material on its way to the horizon, which it
# reaches in the middle) or the messages seen before.
wait_for_crawl() {  # title
  local id shot="$work/$1.xwd" whole corner messages=0
  id=$(xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1)
  for _ in $(seq 1200); do
    if xwd -id "$id" -silent >"$shot" 2>/dev/null; then
      read -r whole corner < <(convert "$shot" -threshold 50% \( +clone -crop 100x100+0+0 +repage \) \
        -format '%[fx:minima] ' info:) || true  # no line end
      if [ "$corner" = 0 ]; then
        messages=1
      elif [ "$whole" = 0 ] || [ $messages = 1 ]; then
        return 0
      fi
    fi
    sleep 0.05
  done
  echo "$1: the window shows no crawl"
  exit 1
}

root_id() { xprop -root _XROOTPMAP_ID | awk '{ print $NF }'; }

# Root mode on two monitors: a floor of each size, the wallpaper -quit
# leaves, and the end by a signal, which puts the earlier wallpaper back.
# No window of its own, so it goes on while the windows come and go.
root_runs() {
  xrandr --setmonitor L 600/150x768/200+0+0 screen >/dev/null
  xrandr --setmonitor R 424/110x600/150+600+0 none >/dev/null
  local status=0 pid
  memcheck root-quit -root -quit || status=$?
  check root-quit "$status"

  # The signal comes once frames are under way: the root has named both of
  # the pixmaps that frames are published in, in turn.
  local named=("$(root_id)") now
  memcheck root-signal -root &
  pid=$!
  for _ in $(seq 1200); do
    now=$(root_id)
    [[ " ${named[*]} " == *" $now "* ]] || named+=("$now")
    [ ${#named[@]} -ge 3 ] && break
    sleep 0.05
  done
  kill -TERM "$(pgrep -P "$pid")"  # valgrind, under the subshell of memcheck
  status=0
  wait "$pid" || status=$?
  check root-signal "$status"
}
root_runs &
root_pid=$!

# The key goes to the window with the focus: no other window comes up
# meanwhile. Waits for the crawl, gives the window the focus and presses q.
start key -title "Valgrind key"
wait_for_crawl "Valgrind key"
xdotool search --name '^Valgrind key$' windowfocus --sync key q
finish key

start quit -quit
# Noblur and fill far behind the material, where wide line spaces put
# hundreds of source rows on each far screen row: their rows are resolved.
for mode in -noblur -fill; do
  start "far$mode" -quit "$mode" -st 40000 -ly 10 -sp 400
done
# A UTF-8 locale: characters of other scripts from the fallback fonts, then
# an antialiased face with its own fallback.
material+=("Привет, Ελληνικά, 日本語 ✓")
LC_ALL=C.UTF-8 start fallback -quit
LC_ALL=C.UTF-8 start face -quit -xrm '*faceName: DejaVu Sans:pixelsize=20:antialias=true'
# Smooth frames: letters from their outlines near the bottom edge.
LC_ALL=C.UTF-8 start smooth -quit -st 200 -xrm '*smooth: true'

start close -title "Valgrind close"
wait_for_crawl "Valgrind close"
wmctrl -c 'Valgrind close'
finish close

for name in quit far-noblur far-fill fallback face smooth; do finish "$name"; done
wait "$root_pid"
