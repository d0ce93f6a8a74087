#!/bin/sh
# compare-outputs.sh BEFORE_DIR AFTER_DIR
# Exit 0 when the two captures of capture-outputs.sh are byte-identical.
set -eu
if diff -r -q "$1" "$2"; then
  echo "identical: $(ls "$1" | wc -l) files"
else
  echo "outputs differ" >&2
  exit 1
fi
