#!/usr/bin/env bash
# Installs every Debian package Lumadrift needs to build, test and run.
# Idempotent: packages that are already installed are skipped, and apt-get is
# not touched at all when nothing is missing.
set -euo pipefail

packages=(
  # toolchain; clang and its sanitizer and libFuzzer runtimes for the
  # sanitized build and the fuzzers
  g++ cmake make pkg-config clang-format clang libclang-rt-dev
  # X libraries the program links against
  libx11-dev libxt-dev libxmu-dev libxpm-dev libxaw7-dev libxtst-dev libxrandr-dev
  # outline fonts and the fallback for characters the core font lacks
  libxft-dev libfontconfig-dev
  # unit tests and micro-benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # a private X server with the core fonts, a window manager, key presses
  # and screenshots for the tests against a real server
  xvfb xfonts-base xauth openbox wmctrl xdotool x11-utils x11-apps
  x11-xserver-utils imagemagick xrestop
  # the screen saver that runs the program as one of its hacks
  xscreensaver
  # the fonts that the tests of the fallback and the faceName face draw with
  fonts-dejavu-core fonts-unifont
  # compositing managers, a wallpaper setter and the server's resource
  # counts for the tests of root mode on a desktop
  picom xcompmgr hsetroot xrestop
  # leak checks and sanitizer runtime
  valgrind
  # the manual page, the desktop entry, the bash completion and the Debian
  # package, and their checks
  groff-base man-db desktop-file-utils bash-completion dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
