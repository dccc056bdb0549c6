#!/usr/bin/env bash
# Installs what is missing, builds Quorvel and runs it.
set -eu
cd "$(dirname "$0")"
. scripts/common.sh

qv_require_packages cmake make g++ mingw-w64 wine64 xvfb
qv_check_wine

echo "== Building the Windows program"
cmake --preset windows >/dev/null
cmake --build --preset windows

echo
echo "Quorvel is built. The wizard itself arrives in a later change; nothing to run yet."
exit 0
