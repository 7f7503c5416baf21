#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for the given number of seconds
# (default 60). Stops at the first target that finds a fault; the input that
# caused it is left as build/fuzz/crash-* (or leak-*, timeout-*).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build/fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DDW_BUILD_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target fuzz_all

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

status=0
for target in "$build"/bin/fuzz_*; do
  name=$(basename "$target")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  args=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048
        -artifact_prefix="$build/" -print_final_stats=1)
  if [ -f "fuzz/$name.dict" ]; then
    args+=(-dict="fuzz/$name.dict")
  fi
  log="$build/$name.log"
  if "$target" "${args[@]}" "$corpus" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    echo "$name: ${runs:-?} runs, no finding"
  else
    echo "$name: FAILED, see $log"
    tail -n 40 "$log"
    status=1
    break
  fi
done
exit $status
