#!/usr/bin/env bash
# Makes a Wine prefix for running the Windows build here: never the user's own.
# Wine has none of the Japanese faces Windows ships, so the prefix maps them,
# and the faces of menus and message boxes, to the IPA Gothic fonts. A program
# that crashes has its backtrace written to its standard error, where a test
# keeps it, instead of a dialog that waits for someone to close it.
#   wine-prefix.sh <folder>
set -euo pipefail
prefix=$1
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[[ -f "$prefix/system.reg" ]] && exit 0

# No Mono or Gecko to install, and no menu entries written into the user's desktop.
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wineboot -i >/dev/null 2>&1
registry=$(mktemp --suffix=.reg)
python3 - "$registry" <<'PY'
import sys
faces = {'ＭＳ Ｐゴシック': 'IPAPGothic', 'MS PGothic': 'IPAPGothic', 'ＭＳ ゴシック': 'IPAGothic',
         'MS Gothic': 'IPAGothic', 'MS UI Gothic': 'IPAPGothic', 'Tahoma': 'IPAPGothic',
         'MS Shell Dlg': 'IPAPGothic', 'MS Shell Dlg 2': 'IPAPGothic'}
lines = ['REGEDIT4', '', r'[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]']
lines += [f'"{face}"="{font}"' for face, font in faces.items()]
lines += ['', r'[HKEY_CURRENT_USER\Software\Wine\WineDbg]', '"ShowCrashDialog"=dword:00000000']
open(sys.argv[1], 'w', encoding='utf-16').write('\r\n'.join(lines) + '\r\n')
PY
wine regedit /S "$registry"
rm -f "$registry"
wineserver -w
