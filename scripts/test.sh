#!/usr/bin/env bash
# Builds Lumadrift with its tests and runs the whole suite. Installs what is
# missing first (Debian 12, root or sudo). Every X test starts its own Xvfb,
# so the caller's DISPLAY is never used.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
unset DISPLAY

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMADRIFT_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
