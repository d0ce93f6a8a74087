#!/usr/bin/env bash
# Builds the tool and runs it on an example document.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target tessel >/dev/null
./build/default/bin/tessel queries examples/union.xml
./build/default/bin/tessel sql examples/sales.xml
./build/default/bin/tessel commands examples/split.xml
