#!/bin/sh
# whole-process.sh BUILD_DIR [N...]
# For each N (default 1000 10000): CPU time (user + system) and peak memory
# of "tessel parse -o" on the benchmark document of N queries, against
# xmllint loading and saving the document that tessel parse writes. CPU time
# rather than elapsed time, so that other work on the machine counts less.
# The two run in turns (RUNS pairs, default 7), so that a machine that
# changes speed during the measurement changes both alike: the figures are
# the best and the median time of each, the median of the pairs' ratios
# and the least peak memory.
set -eu
build=$1
shift
[ $# -gt 0 ] || set -- 1000 10000
runs=${RUNS:-7}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
measure() {  # measure COMMAND...: prints "seconds peak-KB"
  /usr/bin/time -f "%U %S %M" -o "$dir/time" "$@"
  awk '{ printf "%.2f %d\n", $1 + $2, $3 }' "$dir/time"
}
for n in "$@"; do
  "$build/bin/tessel_workload" "$n" > "$dir/doc.xml"
  "$build/bin/tessel" parse -o "$dir/parsed.xml" "$dir/doc.xml"
  : > "$dir/pairs"
  run=0
  while [ "$run" -lt "$runs" ]; do
    tessel=$(measure "$build/bin/tessel" parse -o "$dir/out.xml" "$dir/doc.xml")
    lint=$(measure xmllint --output "$dir/lint.xml" "$dir/parsed.xml")
    echo "$tessel $lint" >> "$dir/pairs"
    run=$((run + 1))
  done
  echo "N = $n ($runs runs each, in turns)"
  sort -n -k1,1 "$dir/pairs" | awk -v n="$runs" '
    { t[NR] = $1; tk = (NR == 1 || $2 < tk) ? $2 : tk }
    END { printf "%-18s best %5.2f s  median %5.2f s  peak %8d KB\n", "tessel parse -o", t[1], t[int((n + 1) / 2)], tk }'
  sort -n -k3,3 "$dir/pairs" | awk -v n="$runs" '
    { x[NR] = $3; xk = (NR == 1 || $4 < xk) ? $4 : xk }
    END { printf "%-18s best %5.2f s  median %5.2f s  peak %8d KB\n", "xmllint --output", x[1], x[int((n + 1) / 2)], xk }'
  awk '{ print $1 / $3, $2, $4 }' "$dir/pairs" | sort -n -k1,1 | awk -v n="$runs" '
    { r[NR] = $1; tk = (NR == 1 || $2 < tk) ? $2 : tk; xk = (NR == 1 || $3 < xk) ? $3 : xk }
    END { printf "%-18s time %.2f (median of the pairs)  peak memory %.2f\n", "tessel / xmllint", r[int((n + 1) / 2)], tk / xk }'
done
