#!/bin/sh
# whole-process.sh BUILD_DIR [N...]
# For each N (default 1000 10000): CPU time (user + system, best of three
# runs) and peak memory of "tessel parse" on the benchmark document of N
# queries, written to standard output and with -o, against xmllint loading
# and saving the document that tessel parse writes. CPU time rather than
# elapsed time, so that other work on the machine counts less.
set -eu
build=$1
shift
[ $# -gt 0 ] || set -- 1000 10000
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
best() {  # best() LABEL COMMAND...: prints "LABEL seconds peak-KB"
  label=$1
  shift
  best_s=""
  best_kb=""
  for run in 1 2 3; do
    /usr/bin/time -f "%U %S %M" -o "$dir/time" "$@"
    set -- "$@"
    s=$(awk '{ printf "%.2f", $1 + $2 }' "$dir/time")
    kb=$(awk '{ print $3 }' "$dir/time")
    if [ -z "$best_s" ] || awk -v a="$s" -v b="$best_s" 'BEGIN { exit !(a < b) }'; then best_s=$s; fi
    if [ -z "$best_kb" ] || [ "$kb" -lt "$best_kb" ]; then best_kb=$kb; fi
  done
  printf "%-26s %8s s %10s KB\n" "$label" "$best_s" "$best_kb"
}
for n in "$@"; do
  "$build/bin/tessel_workload" "$n" > "$dir/doc.xml"
  "$build/bin/tessel" parse -o "$dir/parsed.xml" "$dir/doc.xml"
  echo "N = $n"
  best "tessel parse (stdout)" sh -c "\"$build/bin/tessel\" parse \"$dir/doc.xml\" > \"$dir/out.xml\""
  best "tessel parse -o" "$build/bin/tessel" parse -o "$dir/out.xml" "$dir/doc.xml"
  best "xmllint (stdout)" sh -c "xmllint \"$dir/parsed.xml\" > \"$dir/lint.xml\""
  best "xmllint --output" xmllint --output "$dir/lint.xml" "$dir/parsed.xml"
done
