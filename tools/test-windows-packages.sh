#!/usr/bin/env bash
# Makes the Windows installer and ZIP from build-windows/ (tools/build-windows.sh
# first), checks what the ZIP holds, then, in a Wine prefix of its own on an X
# server of its own, installs the game silently, starts it from its Start-menu
# shortcut as Explorer would (the shortcut's own target and working folder),
# plays a moment, quits with Esc, uninstalls silently and checks that nothing is
# left. Never touches the user's own Wine prefix, menus or sound server, and
# ends every Wine process and the X server it started, however it ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-windows"
work="$build/package-test"
title=ろぴぽあゲーム
assets=(Cat.gif Cat0.wav Cat1.wav Cat2.wav Cat3.wav Cat4.wav ピンポン.wav ブー.wav)
# Windows' own DLLs, and nothing of the compiler's (libstdc++, libgcc, libwinpthread).
own_dlls='^(advapi32|comctl32|gdi32|imm32|kernel32|msimg32|msvcrt|ole32|oleaut32|shell32|user32|windowscodecs|winmm|api-ms-win-.*)\.dll$'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ropi'
vendor_key='HKLM\Software\ropi developers'
started=$EPOCHREALTIME

fail() {
    echo "test-windows-packages: $*" >&2
    exit 1
}
elapsed() { awk "BEGIN { printf \"%.1f\", $EPOCHREALTIME - $started }"; }

[[ -f "$build/CMakeCache.txt" ]] || fail "no build in $build: run tools/build-windows.sh first"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
installer=ropi-$version-win64.exe
zip=ropi-$version-win64.zip

# One run at a time: the packages and the prefix are made anew each run.
exec 8>"$work.lock"
flock 8

# --- The packages -------------------------------------------------------------
cd "$build"
rm -f ropi-*-win64.exe ropi-*-win64.zip
cpack >"$build/cpack.log" 2>&1 || { cat "$build/cpack.log" >&2; fail "cpack failed"; }
[[ -f "$installer" ]] || fail "cpack made no $installer"
[[ -f "$zip" ]] || fail "cpack made no $zip"
# Debian's makensis makes 32-bit installers unless told otherwise, and those
# start nowhere here: this one must be 64-bit.
x86_64-w64-mingw32-objdump -f "$installer" | grep -q 'file format pei-x86-64' ||
    fail "$installer is not a 64-bit Windows program"

rm -rf "$work"
mkdir -p "$work/zip"

# Exactly the program and its assets, at the top; the Japanese names marked as
# UTF-8, or Windows would unpack them in its own code page and the game would
# find no chime or buzzer.
python3 - "$zip" "$work/zip" "${assets[@]}" <<'PY' || fail "$zip does not hold what it should"
import sys, zipfile
path, out, assets = sys.argv[1], sys.argv[2], sys.argv[3:]
with zipfile.ZipFile(path) as z:
    names = sorted(i.filename for i in z.infolist())
    expected = sorted(['ropi.exe', *assets])
    if names != expected:
        sys.exit(f'{path} holds {names}, not {expected}')
    for info in z.infolist():
        if not info.filename.isascii() and not info.flag_bits & 0x800:
            sys.exit(f'{info.filename} is not marked as UTF-8 in {path}')
    z.extractall(out)
PY
for asset in "${assets[@]}"; do
    cmp -s "$root/assets/$asset" "$work/zip/$asset" || fail "$asset in $zip differs from assets/$asset"
done
exe="$work/zip/ropi.exe"
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr '[:upper:]' '[:lower:]' | sort -u)
unexpected=$(grep -v -E "$own_dlls" <<<"$imports" || true)
[[ -n "$imports" && -z "$unexpected" ]] ||
    fail "ropi.exe in $zip needs DLLs that Windows does not ship: $unexpected"
x86_64-w64-mingw32-objdump -t "$exe" | grep -q '^no symbols$' || fail "ropi.exe in $zip is not stripped"
! x86_64-w64-mingw32-objdump -h "$exe" | grep -q '\.debug' || fail "ropi.exe in $zip has debug sections"

# --- A Wine prefix, an X server and a home of the test's own -------------------
xvfb=
cleanup() {
    local status=$?
    if [[ -d "$work/wine" ]]; then WINEPREFIX="$work/wine" wineserver -k 2>/dev/null || true; fi
    if [[ -n "$xvfb" ]]; then
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
    fi
    if ((status == 0)); then
        rm -rf "$work"
    else
        echo "test-windows-packages: the prefix and logs are kept in $work" >&2
    fi
}
trap cleanup EXIT

# Wine writes menu entries and icons for the shortcuts it sees into the home
# folder, and its sound looks for a PulseAudio server to start: here all of that
# lands in the test's folder, and the sound finds no server.
mkdir -p "$work/home" && mkdir -m 700 "$work/runtime"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/runtime"
export PULSE_SERVER="unix:$work/no-sound-server"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
    [[ -s "$work/display" ]] && break
    sleep 0.1
done
[[ -s "$work/display" ]] || fail "Xvfb did not start"
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY

export WINEPREFIX="$work/wine"
"$root/tools/wine-prefix.sh" "$WINEPREFIX"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
echo "test-windows-packages: packages made, prefix ready after $(elapsed) s"

# --- Install ---------------------------------------------------------------------
wine "$build/$installer" /S >"$work/install.log" 2>&1 || fail "$installer /S failed"
folder=$(winepath -u 'C:\Program Files\ropi')
folder=${folder%/}
[[ -d "$folder" ]] || fail "nothing installed in C:\\Program Files\\ropi"
(cd "$folder" && find . -mindepth 1 -printf '%P\n' | sort) >"$work/installed"
diff "$work/installed" <(printf '%s\n' ropi.exe Uninstall.exe "${assets[@]}" | sort) >&2 ||
    fail "the installer put other files in Program Files\\ropi (above: < installed, > expected)"
for file in "${assets[@]}"; do
    cmp -s "$root/assets/$file" "$folder/$file" || fail "the installed $file differs from assets/$file"
done
# Each strip stamps the time into the program's header (and so its checksum):
# apart from those the installed program is the one in the ZIP.
python3 - "$work/zip/ropi.exe" "$folder/ropi.exe" <<'PY' || fail "the installed ropi.exe is not the one in $zip"
import struct, sys
def unstamped(path):
    data = bytearray(open(path, 'rb').read())
    pe = struct.unpack_from('<I', data, 0x3c)[0]
    for at in (pe + 8, pe + 24 + 64):  # TimeDateStamp, CheckSum
        data[at:at + 4] = bytes(4)
    return data
sys.exit(unstamped(sys.argv[1]) != unstamped(sys.argv[2]))
PY

# The entry in the list of installed programs, under the game's Japanese name.
wine reg export "$uninstall_key" "$work/uninstall.reg" /y >/dev/null 2>&1 ||
    fail "no uninstall key $uninstall_key"
uninstaller=$(python3 - "$work/uninstall.reg" "$title" <<'PY'
import re, sys
text = open(sys.argv[1], encoding='utf-16').read()
values = {k: v.replace('\\\\', '\\').replace('\\"', '"')
          for k, v in re.findall(r'^"([^"]+)"="((?:[^"\\]|\\.)*)"\s*$', text, re.M)}
if values.get('DisplayName') != sys.argv[2]:
    sys.exit(f'the uninstall key names the game {values.get("DisplayName")!r}')
print(values['UninstallString'].strip('"'))
PY
) || fail "the uninstall key is not as it should be"

menu=$(winepath -u 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs')
menu=${menu%/}
links=$(cd "$menu" && find . -name '*.lnk' -printf '%P\n' | sort)
[[ "$links" == "$(printf '%s\n' "$title/$title.lnk" "$title/Uninstall.lnk" | sort)" ]] ||
    fail "the Start menu holds ${links:-no shortcut}, not $title\\$title.lnk and its uninstaller"

# --- Start the game from its shortcut ---------------------------------------------
# The shortcut's target, working folder and arguments, read from the .lnk itself
# (Microsoft's Shell Link format): the target from the link info's local path,
# the others from the string data that follows it.
mapfile -t shortcut < <(python3 - "$menu/$title/$title.lnk" <<'PY'
import struct, sys
data = open(sys.argv[1], 'rb').read()
if data[:4] != b'L\0\0\0':
    sys.exit('not a shell link')
flags = struct.unpack_from('<I', data, 0x14)[0]
at = 0x4c
if flags & 0x1:  # an item ID list
    at += 2 + struct.unpack_from('<H', data, at)[0]
if not flags & 0x2:
    sys.exit('the shortcut has no link info')
size, header, info_flags, _, base, _, suffix = struct.unpack_from('<7I', data, at)
if not info_flags & 0x1:
    sys.exit('the shortcut does not point at a local file')
if header >= 0x24:
    base_w, suffix_w = struct.unpack_from('<2I', data, at + 28)
    def wide(offset):
        end = at + offset
        while data[end:end + 2] != b'\0\0':
            end += 2
        return data[at + offset:end].decode('utf-16-le')
    target = wide(base_w) + wide(suffix_w)
else:
    def narrow(offset):
        return data[at + offset:data.index(b'\0', at + offset)].decode('ascii')
    target = narrow(base) + narrow(suffix)
at += size
strings = {}
for flag, name in ((0x4, 'name'), (0x8, 'relative'), (0x10, 'workdir'), (0x20, 'args'),
                   (0x40, 'icon')):
    if flags & flag:
        count = struct.unpack_from('<H', data, at)[0]
        width = 2 if flags & 0x80 else 1
        raw = data[at + 2:at + 2 + count * width]
        strings[name] = raw.decode('utf-16-le' if width == 2 else 'ascii')
        at += 2 + count * width
print(target)
print(strings.get('workdir', ''))
print(strings.get('args', ''))
PY
)
((${#shortcut[@]} == 3)) || fail "cannot read $title.lnk"
target=${shortcut[0]} workdir=${shortcut[1]} arguments=${shortcut[2]}
lower() { tr '[:upper:]' '[:lower:]' <<<"$1"; }
[[ "$(lower "$target")" == 'c:\program files\ropi\ropi.exe' ]] ||
    fail "the shortcut starts '$target', not C:\\Program Files\\ropi\\ropi.exe"
[[ "$(lower "$workdir")" == 'c:\program files\ropi' ]] ||
    fail "the shortcut starts the game in '$workdir', not in its folder C:\\Program Files\\ropi"
[[ -z "$arguments" ]] || fail "the shortcut passes arguments: $arguments"

game=
workdir_unix=$(winepath -u "$workdir")
(cd "$workdir_unix" && exec wine "$target") >"$work/game.log" 2>&1 &
game=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1) ||
    fail "no visible window titled $title"
echo "test-windows-packages: installed, game window up after $(elapsed) s"

# Space starts a round: the cat, read from the working folder, appears at the
# first jump. Were Cat.gif not there, an error box titled ropi1 would come up,
# take the Esc below, and the game would end with status 1.
xdotool windowfocus "$window" 2>/dev/null || true
sleep 0.5
xdotool key space
sleep 2.5
if xdotool search --onlyvisible --name '^ropi1$' >/dev/null 2>&1; then
    fail "an error box came up: the game did not find its picture in its working folder"
fi
kill -0 "$game" 2>/dev/null || fail "the game ended on its own"
xdotool key Escape
for _ in $(seq 100); do
    kill -0 "$game" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$game" 2>/dev/null && fail "the game did not quit within 10 s of Esc"
status=0
wait "$game" || status=$?
((status == 0)) || fail "the game quit with status $status"

# --- Uninstall ----------------------------------------------------------------------
# The uninstaller copies itself to the temporary folder and runs from there, so
# that it can remove itself: the first process returns at once, and the work is
# done when Wine has no process left.
wine "$uninstaller" /S >"$work/uninstall.log" 2>&1 || fail "$uninstaller /S failed"
timeout 60 wineserver -w || fail "the uninstaller did not finish within 60 s"
[[ ! -e "$folder" ]] || fail "C:\\Program Files\\ropi is left after uninstalling: $(ls -A "$folder")"
[[ ! -e "$menu/$title" ]] || fail "the Start-menu folder $title is left after uninstalling"
left=$(cd "$menu" && find . -name '*.lnk' -printf '%P\n')
[[ -z "$left" ]] || fail "shortcuts are left after uninstalling: $left"
if wine reg query "$uninstall_key" >/dev/null 2>&1; then
    fail "the uninstall key is left after uninstalling"
fi
if wine reg query "$vendor_key" >/dev/null 2>&1; then
    fail "$vendor_key is left after uninstalling"
fi

echo "test-windows-packages: ok ($installer $(($(stat -c %s "$build/$installer") / 1024)) KiB," \
    "$zip $(($(stat -c %s "$build/$zip") / 1024)) KiB) in $(elapsed) s"
