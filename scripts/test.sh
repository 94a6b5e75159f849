#!/usr/bin/env bash
# Builds Lumadrift with its tests and runs the whole suite twice: in a plain
# build with g++, and in a clang build with AddressSanitizer and
# UndefinedBehaviorSanitizer where the first report fails the run; the same
# clang build holds the libFuzzer targets, which then run. Installs what is
# missing first (Debian 12, root or sudo). Every X test starts its own Xvfb,
# so the caller's DISPLAY is never used.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
unset DISPLAY
jobs=$(nproc)

run_suite() {  # build directory, extra CMake options...
  local build=$1
  shift
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMADRIFT_WERROR=ON "$@" >/dev/null
  cmake --build "$build" -j"$jobs"
  ctest --test-dir "$build" --output-on-failure -j"$jobs"
}

run_suite "${BUILD_DIR:-build}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp
sanitized=${SANITIZE_BUILD_DIR:-build-sanitize}
run_suite "$sanitized" -DCMAKE_CXX_COMPILER=clang++ -DLUMADRIFT_SANITIZE=ON -DLUMADRIFT_FUZZ=ON

# Each fuzzer for about a minute on its seed corpus, sanitizers on.
FUZZ_BUILD_DIR=$sanitized bash tests/fuzz/run.sh "${FUZZ_SECONDS:-60}"
