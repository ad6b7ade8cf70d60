#!/usr/bin/env bash
# Builds the fuzz targets (tests/fuzz) with clang, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer in build-fuzz/, then:
#   scripts/fuzz.sh                      only builds them
#   scripts/fuzz.sh replay               runs every seed and every kept fault
#                                        input once; fails on any finding
#   scripts/fuzz.sh run SECONDS [TARGET [libFuzzer options...]]
#                                        fuzzes each target (or TARGET) for
#                                        SECONDS (0: no limit); fails on any
#                                        finding, whose input is then in
#                                        build-fuzz/findings/TARGET/
# The corpus a run grows is kept in build-fuzz/corpus/TARGET, so the next run
# starts where the last one ended; the seeds in tests/fuzz/corpus stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-fuzz
targets=(script_reader volume_label drive_requests drive_files driver_settings)

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:halt_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DQUIB_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >/dev/null

replay() {
  local failed=()
  for t in "${targets[@]}"; do
    local inputs=()
    for dir in "tests/fuzz/corpus/$t" "tests/fuzz/regressions/$t"; do
      [ -d "$dir" ] && while IFS= read -r -d '' f; do inputs+=("$f"); done < <(find "$dir" -type f -print0 | sort -z)
    done
    echo "-- $t: ${#inputs[@]} inputs"
    # Each input is run once, by itself; a finding ends the target's replay.
    if ! (cd "$build" && "$build/fuzz/$t" "${inputs[@]/#/$root/}" >"$build/replay-$t.log" 2>&1); then
      grep -E "^(Running|SUMMARY)|ERROR:|runtime error" "$build/replay-$t.log" | tail -n 5 || true
      failed+=("$t")
    fi
  done
  if [ ${#failed[@]} -gt 0 ]; then
    echo "replay found faults in: ${failed[*]} (logs in $build/replay-*.log)"
    return 1
  fi
}

run() {
  local seconds=$1 only=${2:-}
  shift $(($# < 2 ? $# : 2))
  local failed=()
  for t in "${targets[@]}"; do
    [ -n "$only" ] && [ "$t" != "$only" ] && continue
    mkdir -p "$build/corpus/$t" "$build/findings/$t"
    local start=$SECONDS
    if ! "$build/fuzz/$t" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/findings/$t/" "$@" \
        "$build/corpus/$t" "tests/fuzz/corpus/$t" >"$build/run-$t.log" 2>&1; then
      failed+=("$t")
    fi
    local runs rate
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/run-$t.log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$build/run-$t.log")
    echo "-- $t: ${runs:-?} inputs in $((SECONDS - start)) s (${rate:-?}/s)"
    grep -E "^SUMMARY|ERROR:|runtime error" "$build/run-$t.log" | head -n 3 || true
  done
  if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found faults in: ${failed[*]} (inputs in $build/findings/, logs in $build/run-*.log)"
    return 1
  fi
}

case "${1:-build}" in
  build) ;;
  replay) replay ;;
  run)
    [ $# -ge 2 ] || { echo "usage: $0 run SECONDS [TARGET [libFuzzer options...]]" >&2; exit 2; }
    shift
    run "$@" ;;
  *) echo "usage: $0 [replay | run SECONDS [TARGET [libFuzzer options...]]]" >&2; exit 2 ;;
esac
