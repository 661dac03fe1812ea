#!/usr/bin/env bash
# Runs a program of the Windows build under Wine, in the prefix ROPI_WINEPREFIX
# (by default build-windows/wine), made on first use. ctest starts the Windows
# tests through this.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${ROPI_WINEPREFIX:-$root/build-windows/wine}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$root/tools/wine-prefix.sh" "$WINEPREFIX"
exec wine "$@"
