#!/usr/bin/env bash
# Builds Lumadrift with its tests and runs the whole suite twice: in a plain
# build with g++, and in a clang build with AddressSanitizer and
# UndefinedBehaviorSanitizer where the first report fails the run. The same
# clang build holds the libFuzzer targets, which then run on their seed
# corpora and on for FUZZ_SECONDS each (default 12; FUZZ_SECONDS=600 for a
# long run). Installs what is missing first (Debian 12, root or sudo). Every
# X test starts its own Xvfb, so the caller's DISPLAY is never used.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
unset DISPLAY
jobs=$(nproc)
# Most X tests wait for the server and the program rather than compute, so
# the suite runs more tests at once than there are cores.
test_jobs=${TEST_JOBS:-$((3 * jobs))}
plain=${BUILD_DIR:-build}
sanitized=${SANITIZE_BUILD_DIR:-build-sanitize}
began=$SECONDS
times=()
took() {  # step, start in SECONDS
  times+=("$1 $((SECONDS - $2)) s")
}

configure() {  # build directory, extra CMake options...
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMADRIFT_WERROR=ON "$@" >/dev/null
}

suite() {  # build directory
  ctest --test-dir "$1" --output-on-failure -j"$test_jobs"
}

start=$SECONDS
configure "$plain"
cmake --build "$plain" -j"$jobs"
took "plain build" $start

# The sanitized build goes on beside the plain suite, at a lower priority:
# it takes the time the tests leave while they wait. It runs in a process
# group of its own, which ends with the script.
start=$SECONDS
mkdir -p "$sanitized"
setsid nice -n 10 bash -c 'dir=$1; shift; cmake -S . -B "$dir" "$@" >/dev/null && \
  cmake --build "$dir" -j"$(nproc)"' build "$sanitized" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMADRIFT_WERROR=ON -DCMAKE_CXX_COMPILER=clang++ -DLUMADRIFT_SANITIZE=ON -DLUMADRIFT_FUZZ=ON \
  >"$sanitized/build.log" 2>&1 &
sanitized_build=$!
trap 'kill -- -$sanitized_build 2>/dev/null || true' EXIT
suite_start=$SECONDS
suite "$plain"
took "plain suite" $suite_start
if ! wait "$sanitized_build"; then
  cat "$sanitized/build.log"
  exit 1
fi
took "sanitized build (beside the plain suite)" $start

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp
start=$SECONDS
suite "$sanitized"
took "sanitized suite" $start

# Each fuzzer on its seed corpus, then on for a while, sanitizers on.
start=$SECONDS
FUZZ_BUILD_DIR=$sanitized bash tests/fuzz/run.sh "${FUZZ_SECONDS:-12}"
took "fuzzers" $start

summary=$(IFS=,; echo "${times[*]}")
echo "test.sh: ${summary//,/, }; in all $((SECONDS - began)) s"
