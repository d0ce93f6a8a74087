#!/usr/bin/env bash
# Builds and runs every test: the plain build (warnings are errors) and the
# sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer),
# then a smoke run of every fuzz harness (clang, libFuzzer; 30 seconds each).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in ci sanitize; do
  echo "=== $preset build ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
echo "=== fuzz smoke run ==="
FUZZ_SEED="${FUZZ_SEED:-1}" bash scripts/fuzz.sh "${TESSEL_FUZZ_SECONDS:-30}"
