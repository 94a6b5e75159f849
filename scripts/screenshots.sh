#!/usr/bin/env bash
# Regenerates the pictures of the README under a private Xvfb: a frame of
# each drawing mode, a picture flying, several scripts flying, default and
# smooth frames side by side in a window's size and on a 1920 x 1080 root,
# and a short animation of the scroll.
# Every frame is drawn by the program itself with -root -quit and saved from
# the root window with ImageMagick. Needs a built program (scripts/run.sh or
# scripts/test.sh); PROGRAM names another one.
set -euo pipefail
cd "$(dirname "$0")/.."

program=$(realpath "${PROGRAM:-build/lumadrift}")
out=docs/images
work=$(mktemp -d /tmp/lumadrift-shots-XXXXXX)
mkdir -p "$out"

start_server() { # geometry
  exec 3< <(exec Xvfb -displayfd 1 -screen 0 "$1" -nolisten tcp -noreset 2>/dev/null)
  read -r -t 30 number <&3
  xvfb_pid=$!
  export DISPLAY=:$number
}
stop_server() { kill "$xvfb_pid" 2>/dev/null || true; }
trap 'stop_server; rm -rf "$work"' EXIT

shot() { # file, program arguments...
  local file=$1
  shift
  "$program" -root -quit -bg '#000014' -fg '#ffd84a' "$@" </dev/null
  import -window root "$file"
}

# A sunset over hills, in a few dozen colours, as wide as the source picture.
convert -size 320x60 gradient:'#1a1050'-'#ff9a3c' \
  \( -size 320x100 gradient:'#203860'-'#0a1420' \) -append \
  -fill '#ffe27a' -draw 'circle 160,60 160,36' \
  -fill '#2a1a30' -draw 'polygon 0,60 40,38 90,54 150,30 210,52 260,40 320,56 320,70 0,70' \
  -fill '#ffb060' -draw 'rectangle 150,72 170,74' -draw 'rectangle 140,80 180,81' \
  -colors 40 +dither "$work/sunset.xpm"

start_server 640x480x24
shot "$out/mode-blur.png" -start 420
shot "$out/mode-noblur.png" -noblur -start 420
shot "$out/mode-fill.png" -fill -start 420 -ly 60
shot "$out/picture.png" -start 235 "Lumadrift flies pictures too:" "$work/sunset.xpm" \
  "An XPM file is read with the XPM library" "and flown in its colours."
# Several scripts with the default font, their letters from the fallback fonts.
LC_ALL=C.UTF-8 shot "$out/scripts.png" -start 175 \
  $'\tLetters in every script' "" "Привет, мир! Здравствуйте." "Γειά σου, κόσμε!" \
  "こんにちは、世界。日本語" "你好，世界。中文" "안녕하세요, 세계" "Բարեւ Ձեզ · გამარჯობა" \
  "✓ ★ ♥ → ∞ ∑ √ ☺"
# Default and smooth, side by side.
shot "$work/default.png" -start 420
shot "$work/smooth.png" -start 420 -xrm '*smooth: true'
convert "$work/default.png" "$work/smooth.png" +append "$out/smooth.png"
stop_server
start_server 1920x1080x24
shot "$work/default-root.png" -start 600
shot "$work/smooth-root.png" -start 600 -xrm '*smooth: true'
convert "$work/default-root.png" "$work/smooth-root.png" -append -resize 50% "$out/smooth-root.png"
stop_server

# The animation: the same scroll, a frame every few rows, smaller.
start_server 400x300x24
frames=()
for i in $(seq 0 35); do
  frame=$work/frame-$(printf %03d "$i").png
  shot "$frame" -width 30 -start $((280 + i * 4))
  frames+=("$frame")
done
stop_server
convert -delay 10 -loop 0 "${frames[@]}" -colors 16 -layers Optimize "$out/scroll.gif"

ls -l "$out"
