#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a host would:
# builds a small host program outside the source tree through the CMake
# package and through pkg-config, runs both on an example and compares what
# they print with the installed tool's "commands"; runs the installed tool
# from another folder and reads its manual page.
#   consumer_test.sh BUILD_DIR SOURCE_DIR [EXTRA_COMPILER_FLAGS]
set -euo pipefail
build="$1"
source="$2"
flags="${3:-}"
work=$(mktemp -d "${TMPDIR:-/tmp}/tessel_consumer_XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
fail() { echo "FAIL: $*"; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/tessel lib/libtesselparser.so lib/pkgconfig/tesselparser.pc \
         lib/cmake/TesselParser/TesselParserConfig.cmake lib/cmake/TesselParser/TesselParserConfigVersion.cmake \
         include/tesselparser/document/CTesselParser.h share/man/man1/tessel.1 \
         share/doc/TesselParser/examples/sales.xml share/doc/TesselParser/value-language.md; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
# Only what a host compiles against: nothing of the library's insides.
for f in relations/CTRParser.h objects/CQueryObjects.h params/CParamResolver.h platform/DomStore.h; do
  [ ! -e "$prefix/include/tesselparser/$f" ] || fail "an internal header is installed: $f"
done

example="$prefix/share/doc/TesselParser/examples/union.xml"
cd "$work"
expected=$("$prefix/bin/tessel" commands "$example")
[ -n "$expected" ] || fail "the installed tool printed no commands"

# Through the CMake package.
mkdir host-src
cp "$source/tests/tools/consumer/host.cpp" "$source/tests/tools/consumer/CMakeLists.txt" host-src/
cmake -S host-src -B host-cmake -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null || fail "find_package(TesselParser) failed"
cmake --build host-cmake >/dev/null || fail "the host did not build through the CMake package"
actual=$(./host-cmake/host "$example" | tr -d '\r')
[ "$actual" = "$expected" ] || fail "CMake-built host printed: $actual"

# Through pkg-config.
export PKG_CONFIG_PATH="$prefix/lib/pkgconfig"
version=$("$prefix/bin/tessel" --version | sed -n 's/^tessel //p')
[ "$(pkg-config --modversion tesselparser)" = "$version" ] || fail "pkg-config does not find tesselparser $version"
# shellcheck disable=SC2046,SC2086
c++ -std=c++20 $flags host-src/host.cpp -o host-pc $(pkg-config --cflags --libs tesselparser) \
  -Wl,-rpath,"$(pkg-config --variable=libdir tesselparser)" || fail "the host did not build through pkg-config"
actual=$(./host-pc "$example" | tr -d '\r')
[ "$actual" = "$expected" ] || fail "pkg-config-built host printed: $actual"

# The installed tool runs from another folder on the demo database.
rows=$("$prefix/bin/tessel" run "$prefix/share/doc/TesselParser/examples/sales.xml")
echo "$rows" | grep -q '^(4 rows)$' || fail "installed tessel run printed: $rows"
grep -q '^\.TH TESSEL 1' "$prefix/share/man/man1/tessel.1" || fail "the manual page has no title"
echo "consumer test passed: CMake package, pkg-config and the installed tool"
