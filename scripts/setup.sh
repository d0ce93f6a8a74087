#!/usr/bin/env bash
# Installs the Debian packages the build needs when any is missing.
set -euo pipefail
packages=(cmake ninja-build g++ libxml2-dev libsqlite3-dev sqlite3 libpq-dev postgresql libgtest-dev libgmock-dev libcli11-dev pkgconf libbenchmark-dev clang libclang-rt-14-dev libxml2-utils valgrind)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
