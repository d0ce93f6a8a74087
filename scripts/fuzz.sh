#!/usr/bin/env bash
# Fuzz campaign: builds the libFuzzer harnesses (preset "fuzz", clang with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs each for SECONDS
# (default 300) on its seed corpus, with the document vocabulary as
# dictionary. Prints, per harness, the executions, executions per second,
# coverage and findings; exits 1 when anything was found.
#
#   scripts/fuzz.sh [SECONDS] [HARNESS...]     harnesses: document condition
#                                              params functions dataset
#   FUZZ_RUNS=N scripts/fuzz.sh [SECONDS] ...  stop each harness after N
#                                              executions instead (SECONDS
#                                              stays the upper bound)
#
# New inputs go to build/fuzz/corpus/<harness> (the committed seeds in
# fuzz/corpus stay as they are); findings to build/fuzz/findings/<harness>.
# A finding is mended and its input kept in fuzz/regressions/<harness>,
# which every test build replays.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(document condition params functions dataset)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

found=0
printf '%-10s %12s %10s %8s %8s %s\n' harness executions "exec/s" cov ft findings
for h in "${harnesses[@]}"; do
  work="build/fuzz/corpus/$h"
  findings="build/fuzz/findings/$h"
  log="build/fuzz/$h.log"
  mkdir -p "$work" "$findings"
  status=0
  ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "build/fuzz/bin/${h}_fuzzer" -max_total_time="$seconds" ${FUZZ_RUNS:+-runs=$FUZZ_RUNS} -seed="${FUZZ_SEED:-0}" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -dict=fuzz/query.dict -print_final_stats=1 -artifact_prefix="$findings/" "$work" "fuzz/corpus/$h" \
    >"$log" 2>&1 || status=$?
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo 0)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | grep -o '[0-9]*' || echo 0)
  count=$(find "$findings" -type f | wc -l)
  printf '%-10s %12s %10s %8s %8s %s\n' "$h" "${execs:-0}" "${rate:-0}" "${cov:-0}" "${ft:-0}" "$count"
  if [ "$status" -ne 0 ] || [ "$count" -ne 0 ]; then
    found=1
    echo "--- $h: exit $status; the end of $log:"
    tail -40 "$log"
  fi
done
exit "$found"
