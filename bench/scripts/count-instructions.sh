#!/bin/sh
# count-instructions.sh BUILD_DIR [N]
# Instructions per query (valgrind's callgrind, repeatable where timings on a
# shared machine are not) of "tessel parse" on the benchmark document of N
# queries (default 1000): the whole process, the composition
# (CTesselParser::Parse), the load and the write.
set -eu
build=$1
n=${2:-1000}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$build/bin/tessel_workload" "$n" > "$dir/doc.xml"
valgrind --tool=callgrind --callgrind-out-file="$dir/cg.out" "$build/bin/tessel" parse -o "$dir/out.xml" "$dir/doc.xml" \
  > /dev/null 2>&1
callgrind_annotate --inclusive=yes "$dir/cg.out" 2>/dev/null | awk -v n="$n" '
  function per(v) { gsub(",", "", v); return int(v / n) }
  /PROGRAM TOTALS/ { printf "whole process  %9d instructions per query\n", per($1) }
  /CTesselParser::Parse\(\)/ && !c++ { printf "compose        %9d\n", per($1) }
  /IXMLDOMDocumentPtr::load\(/ && !l++ { printf "load           %9d\n", per($1) }
  /IXMLDOMDocumentPtr::save\(/ && !s++ { printf "save           %9d\n", per($1) }'
