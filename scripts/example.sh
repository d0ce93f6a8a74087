#!/usr/bin/env bash
# Builds the tool and runs the example documents on the demo database.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target tessel >/dev/null
tessel=./build/default/bin/tessel
echo "== the SQL of examples/sales.xml"
$tessel sql examples/sales.xml
echo
echo "== its rows on the demo database"
$tessel run examples/sales.xml
echo
echo "== examples/parameters.xml with Regions=North, West and Period=2011Q4"
$tessel run --set "Regions=North, West" --set Period=2011Q4 examples/parameters.xml
