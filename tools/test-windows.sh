#!/usr/bin/env bash
# Builds the Windows game and tests it under Wine: the tests of the shared pieces
# built for Windows, every end-to-end scenario against ropi.exe (each in a Wine
# prefix of its own), then the installer and the ZIP. Never touches the user's
# own Wine prefix, and ends every Wine process it started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-windows"
"$root/tools/build-windows.sh"

export ROPI_WINEPREFIX="$build/wine"
cleanup() { WINEPREFIX="$ROPI_WINEPREFIX" wineserver -k 2>/dev/null || true; }
trap cleanup EXIT

cd "$build"
ctest --output-on-failure --timeout 600 --parallel "$(nproc)"
"$root/tools/test-windows-packages.sh"
