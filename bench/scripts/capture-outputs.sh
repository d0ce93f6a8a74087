#!/bin/sh
# capture-outputs.sh BUILD_DIR OUT_DIR
# Writes what the tool makes of every example document and of the benchmark
# document at 1,000 and 10,000 queries (SQL, dataset commands, the written
# document to standard output and to a file) into OUT_DIR, one file each.
# Run it before and after a change and compare with compare-outputs.sh: a
# change that is meant to alter no output must leave the two folders equal.
set -eu
build=$1
out=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
tessel=$build/bin/tessel
mkdir -p "$out/docs"
for doc in "$root"/examples/*.xml; do
  cp "$doc" "$out/docs/"
done
"$build/bin/tessel_workload" 1000 > "$out/docs/workload-1000.xml"
"$build/bin/tessel_workload" 10000 > "$out/docs/workload-10000.xml"
for doc in "$out"/docs/*.xml; do
  name=$(basename "$doc" .xml)
  # A document that fails still writes what it can; keep the exit status.
  for sub in sql commands parse; do
    status=0
    "$tessel" "$sub" "$doc" > "$out/$name.$sub" 2> "$out/$name.$sub.err" || status=$?
    echo "$status" > "$out/$name.$sub.status"
  done
  status=0
  "$tessel" parse -o "$out/$name.saved.xml" "$doc" 2> "$out/$name.saved.err" || status=$?
  echo "$status" > "$out/$name.saved.status"
done
rm -rf "$out/docs"
