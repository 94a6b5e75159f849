#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time
# (first argument, seconds; default 60) on a copy of its checked-in seed
# corpus, two at a time. Fails when any target reports a crash, a leak,
# undefined behaviour or a timeout. Findings are kept under build-fuzz/
# (FUZZ_BUILD_DIR). The build is configured as scripts/test.sh configures its
# sanitized build, so that the test script's build can serve here as well.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-60}
build=${FUZZ_BUILD_DIR:-build-fuzz}
unset DISPLAY

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMADRIFT_SANITIZE=ON -DLUMADRIFT_FUZZ=ON -DLUMADRIFT_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_options fuzz_text fuzz_xpm fuzz_render

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp

run_one() {  # target
  local target=$1 work="$build/fuzz-work/$1"
  rm -rf "$work" && mkdir -p "$work/corpus" "$work/findings"
  cp tests/fuzz/corpus/"$target"/* "$work/corpus/"
  if "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 \
      -rss_limit_mb=4096 -max_len=8192 -artifact_prefix="$work/findings/" \
      "$work/corpus" >"$work/log" 2>&1; then
    echo "fuzz_$target: $(grep -E '^#[0-9]+' "$work/log" | tail -n 1)"
  else
    echo "fuzz_$target FAILED:"; tail -n 40 "$work/log"; return 1
  fi
}

status=0
run_one options & a=$!
run_one text & b=$!
wait $a || status=1
wait $b || status=1
run_one xpm & a=$!
run_one render & b=$!
wait $a || status=1
wait $b || status=1
exit $status
