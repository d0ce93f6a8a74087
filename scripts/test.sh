#!/usr/bin/env bash
# Builds and runs every test: the plain build (warnings are errors) and the
# sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in ci sanitize; do
  echo "=== $preset build ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
