#!/usr/bin/env bash
# CI reliability step: builds the libFuzzer targets with clang and runs each for a bounded
# time, then builds and runs the whole test suite once under AddressSanitizer and
# UndefinedBehaviorSanitizer. A crash, a leak or any sanitizer report fails the step.
# Budget on a 2-core machine: roughly 15-20 minutes (FUZZ_SECONDS per target, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${FUZZ_SECONDS:-60}
jobs=$(nproc)

ZENDRA_FUZZ=1 scripts/install-deps.sh

# Reports go to files as well as failing their process, so none can go unnoticed
# (a report from a child process whose exit status nobody checks included).
logs=$root/build-asan/sanitizer-logs
rm -rf "$logs" && mkdir -p "$logs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:log_path=$logs/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$logs/ubsan"
export LSAN_OPTIONS="suppressions=$root/tests/fuzz/lsan-suppressions.txt:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
# The fuzz targets write their files per input: a memory-backed folder makes them faster.
[ -w /dev/shm ] && export TMPDIR=/dev/shm

echo "== fuzz build (clang, ASan+UBSan, libFuzzer)"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DZENDRA_FUZZ=ON -DZENDRA_SANITIZE=ON -DZENDRA_GUI=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_all

fuzz=$root/build-fuzz/tests/fuzz
work=$root/build-fuzz/fuzz-run
rm -rf "$work/seeds" "$work/artifacts" && mkdir -p "$work/seeds" "$work/artifacts" "$work/corpus"
"$fuzz/fuzz_seeds" "$work/seeds"
summary=$work/summary.txt
: > "$summary"
failed=0
for target in open save viewer compare project cli; do
  echo "== fuzz_$target for ${seconds}s"
  mkdir -p "$work/corpus/$target"
  log=$work/$target.log
  inputs=("$work/corpus/$target" "$work/seeds/$target")
  [ -d "tests/fuzz/regressions/$target" ] && inputs+=("$root/tests/fuzz/regressions/$target")
  [ -d "tests/fuzz/corpus/$target" ] && inputs+=("$root/tests/fuzz/corpus/$target")
  # The fuzzer's own messages go to its log; its reports must not end up in the log files above.
  if ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
     "$fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$work/artifacts/$target-" "${inputs[@]}" >"$log" 2>&1; then
    status=ok
  else
    status=FAILED
    failed=1
    grep -E "ERROR|SUMMARY|runtime error|fuzz check failed|Test unit written" "$log" | head -20 || true
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
  printf '%-8s %-6s %4ss  %10s runs  %6s/s  %s  corpus %s\n' "$target" "$status" "$seconds" "${runs:-?}" \
    "${rate:-?}" "${cov:-}" "$(ls "$work/corpus/$target" | wc -l)" | tee -a "$summary"
done
if [ "$failed" -ne 0 ]; then
  echo "A fuzz target failed; the inputs are in $work/artifacts (add each to tests/fuzz/regressions/<target>/)."
  exit 1
fi

echo "== test suite under ASan+UBSan"
gui=OFF
[ -f tests/app/CMakeLists.txt ] && gui=ON
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZENDRA_SANITIZE=ON -DZENDRA_GUI=$gui >/dev/null
cmake --build build-asan -j"$jobs"
rm -rf "$logs" && mkdir -p "$logs"  # discovery runs of the build are not the suite
status=0
(cd build-asan && ctest --output-on-failure -j"$jobs" --timeout 900) || status=1
# LeakSanitizer notes a thread that exits while it stops the world as "Unable to get
# registers"; it is no report (newer runtimes print it only when verbose), so a log that holds
# nothing else does not fail the step.
noise='^==[0-9]+==Unable to get registers from thread [0-9]+\.$'
for log in "$logs"/*; do
  [ -e "$log" ] || continue
  if grep -qvE "$noise" "$log"; then
    echo "Sanitizer report ($log):"
    cat "$log"
    status=1
  else
    echo "LeakSanitizer note, not a report: $(head -1 "$log")"
  fi
done
[ "$status" -eq 0 ] && echo "Reliability step passed." && cat "$summary"
exit "$status"
