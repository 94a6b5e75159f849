#!/usr/bin/env bash
# Debian's xscreensaver with Lumadrift as its only program, on an Xvfb of the
# test's own: the daemon runs as an unprivileged user (it refuses root) with
# a HOME whose .xscreensaver lists only `lumadrift -root`, is told to blank
# the screen, and the screen must then show the crawl: words on the paper
# colour over the whole screen, moving, drawn by Lumadrift on the saver's
# own window, with no window of Lumadrift's own.
#
#   xscreensaver_test.sh PATH-TO-LUMADRIFT
set -euo pipefail
program=$1
unset DISPLAY
work=$(mktemp -d /tmp/lumadrift-saver-XXXXXX)
chmod 755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  echo "--- xscreensaver's log:" >&2
  tail -n 30 "$work/saver.log" >&2 || true
  exit 1
}

# The program where the unprivileged user can run it.
install -m 755 "$program" "$work/lumadrift"
mkdir "$work/home"
cat >"$work/home/.xscreensaver" <<CONFIG
timeout:	0:30:00
lock:		False
fade:		False
unfade:		False
splash:		False
mode:		one
selected:	0
programs:	$work/lumadrift -root	\n
CONFIG

as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown -R nobody:nogroup "$work/home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 30 -u "$fd" number || fail "Xvfb did not start"
export DISPLAY=":$number"
saver() { env HOME="$work/home" "${as_user[@]}" "$@"; }

saver xscreensaver -no-splash -verbose >"$work/saver.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  saver xscreensaver-command -version >/dev/null 2>&1 && break
  sleep 0.2
done
saver xscreensaver-command -activate >/dev/null || fail "xscreensaver-command -activate"

# The share of paper-coloured (light) pixels on the whole screen.
light_share() { xwd -root -silent | convert xwd:- -colorspace gray -threshold 50% -format '%[fx:mean]' info:; }
shown=""
for _ in $(seq 60); do
  sleep 0.5
  share=$(light_share)
  # Mostly paper, with words on it.
  if awk -v s="$share" 'BEGIN { exit !(s > 0.5 && s < 0.97) }'; then
    shown=$share
    break
  fi
done
[ -n "$shown" ] || fail "the screen does not show the crawl (light share $share)"

first=$(xwd -root -silent | md5sum)
moved=""
for _ in $(seq 100); do
  sleep 0.05
  [ "$(xwd -root -silent | md5sum)" != "$first" ] && moved=yes && break
done
[ -n "$moved" ] || fail "the picture does not move"

grep -q "forked \"$work/lumadrift" "$work/saver.log" || fail "xscreensaver did not run Lumadrift"
if xwininfo -root -tree | grep -q '"Lumadrift"'; then
  fail "Lumadrift opened a window of its own instead of drawing on the saver's"
fi
echo "the screen saver shows the crawl (light share $shown)"
