#!/usr/bin/env bash
# Builds and runs every test: the plain build (warnings are errors) and the
# sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer),
# then a smoke run of every fuzz harness (clang, libFuzzer; 30 seconds each).
# The end-to-end suite runs on SQLite and on a throwaway PostgreSQL cluster
# that lives in a temporary folder for this run only (a Unix socket there,
# no TCP port) and is stopped and removed on every way out.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
pg_dir=$(mktemp -d "${TMPDIR:-/tmp}/tessel-pg.XXXXXX")
trap 'bash scripts/pg-cluster.sh stop "$pg_dir"' EXIT
trap 'exit 130' INT TERM  # an interrupted run cleans up as well
TESSEL_PG_URI=$(bash scripts/pg-cluster.sh start "$pg_dir")
export TESSEL_PG_URI
echo "=== PostgreSQL cluster for the end-to-end suite: $TESSEL_PG_URI ==="
for preset in ci sanitize; do
  echo "=== $preset build ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
echo "=== fuzz smoke run ==="
FUZZ_SEED="${FUZZ_SEED:-1}" bash scripts/fuzz.sh "${TESSEL_FUZZ_SECONDS:-30}"
