#!/usr/bin/env bash
# Checks that libtesselparser exports only the members of its public
# classes (code, data, vtables and type information of those classes).
set -euo pipefail
lib="$1"
allowed='^(CTesselParser|CSingleQuery|CSortObjects|CQueryObject|CExprParser|CParam|CParamHandler)::'
allowed_meta='^(vtable for|typeinfo for|typeinfo name for) (CTesselParser|CSingleQuery|CSortObjects|CQueryObject|CExprParser|CParam|CParamHandler)$'
# Vague-linkage type information and template instances of the standard
# library (a debug build keeps std::to_string's helpers out of line, say)
# are emitted wherever they are used and cannot be hidden; they are not our
# API. A function template's demangled name starts with its return type.
standard='^(vtable for |typeinfo for |typeinfo name for |[A-Za-z_][A-Za-z0-9_:<>, *&]* )?(std|__gnu_cxx)::|^__odr_asan'
bad=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v -E '^(_init|_fini|__bss_start|_edata|_end)$' \
  | c++filt | grep -v -E "$allowed" | grep -v -E "$allowed_meta" | grep -v -E "$standard" || true)
if [ -n "$bad" ]; then
  echo "unexpected exports from $lib:"
  echo "$bad"
  exit 1
fi
echo "exports of $lib are limited to the public classes"
