#!/usr/bin/env bash
# Builds the Debian package, installs it as a player would, checks what it put
# on the disk, starts the game from its desktop entry on a private X server,
# quits it with Esc, and removes the package again. Safe to run again: the
# build folder is reused and the package is always removed at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-package"
prefix=/usr
title=ろぴぽあゲーム
sudo=()
((EUID == 0)) || sudo=(sudo)

"$root/tools/setup.sh" ci

fail() {
    echo "test-package: $*" >&2
    exit 1
}

# --- Build the package ------------------------------------------------------
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_TESTING=OFF -DROPI_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/ropi_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/ropi_*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || fail "cpack made no single ropi_*.deb"
deb=${debs[0]}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ "$(dpkg-deb -f "$deb" Version)" == "$version" ]] || fail "package version is not $version"
[[ "$(dpkg-deb -f "$deb" Section)" == games ]] || fail "package section is not games"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libsdl2-mixer-2.0-0 fonts-ipafont-gothic; do
    [[ "$depends" == *"$needed"* ]] || fail "package does not depend on $needed: $depends"
done
# Debian's own checker: any error or warning fails (its notes, I:, do not).
lintian --fail-on error,warning "$deb" 2>/dev/null || fail "lintian finds fault with $deb"

# --- Install it, and remove it again however this script ends ----------------
xvfb=
game=
installed=
cleanup() {
    if [[ -n "$game" ]]; then kill "$game" 2>/dev/null || true; fi
    if [[ -n "$xvfb" ]]; then kill "$xvfb" 2>/dev/null || true; fi
    if [[ -n "$installed" ]]; then
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq ropi >/dev/null ||
            true
    fi
}
trap cleanup EXIT

installed=yes
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall "$deb" \
    >/dev/null

# --- What it installed --------------------------------------------------------
datadir=$prefix/share
program=$prefix/games/ropi
expected=("$program" "$datadir/applications/ropi.desktop" "$datadir/metainfo/ropi.metainfo.xml"
    "$datadir/man/man6/ropi.6.gz" "$datadir/doc/ropi/copyright" "$datadir/doc/ropi/changelog.gz")
for asset in Cat.gif Cat0.wav Cat1.wav Cat2.wav Cat3.wav Cat4.wav ピンポン.wav ブー.wav; do
    cmp -s "$root/assets/$asset" "$datadir/ropi/$asset" || fail "$datadir/ropi/$asset differs"
    expected+=("$datadir/ropi/$asset")
done
for size in 16 32 48 64 128 256; do
    icon=$datadir/icons/hicolor/${size}x${size}/apps/ropi.png
    [[ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" == "${size}x${size}" ]] ||
        fail "$icon is missing or not ${size}x${size}"
    expected+=("$icon")
done
[[ -x "$program" ]] || fail "$program is not executable"

# Exactly these files, nothing more: no test program or build leftover ships.
mapfile -t files < <(dpkg -L ropi | while read -r path; do [[ -d "$path" ]] || echo "$path"; done)
diff <(printf '%s\n' "${files[@]}" | sort) <(printf '%s\n' "${expected[@]}" | sort) ||
    fail "the package installs other files than expected (above: < installed, > expected)"

desktop=$datadir/applications/ropi.desktop
desktop-file-validate "$desktop" || fail "$desktop does not validate"
# The id "ropi" is not a reverse domain name: the game has no domain of its own yet.
appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
    "$datadir/metainfo/ropi.metainfo.xml" >/dev/null ||
    fail "the AppStream metainfo does not validate"

# --- Start the game as the desktop would --------------------------------------
entry() { sed -n '/^\[Desktop Entry\]/,/^\[/s/^'"$1"'=//p' "$desktop" | head -n 1; }
read -ra command <<<"$(entry Exec | sed 's/%[a-zA-Z]//g')"
workdir=$(entry Path)
((${#command[@]})) || fail "the desktop entry has no Exec"
[[ "$workdir" == /* && -d "$workdir" ]] || fail "the desktop entry's Path '$workdir' is no folder"

displayfile="$build/xvfb-display"
rm -f "$displayfile"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$displayfile" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
    [[ -s "$displayfile" ]] && break
    sleep 0.1
done
[[ -s "$displayfile" ]] || fail "Xvfb did not start"
DISPLAY=:$(head -n 1 "$displayfile")
export DISPLAY

started=$EPOCHREALTIME
(cd "$workdir" && QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy exec "${command[@]}") &
game=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$game" | head -n 1) ||
    fail "no visible game window"
[[ "$(xdotool getwindowname "$window")" == "$title" ]] || fail "the window is not titled $title"
echo "test-package: window up after $(awk "BEGIN { printf \"%.1f\", $EPOCHREALTIME - $started }") s"

# Space starts a round: the cat, read from the working directory, appears at
# the first jump. Were Cat.gif not there, an error box would take the Esc below
# and the game would end with status 1.
xdotool windowfocus --sync "$window"
xdotool key space
sleep 2.5
import -window root "$build/installed-game.png"
cp "$build/installed-game.png" /tmp/installed-game.png

xdotool key Escape
for _ in $(seq 50); do
    kill -0 "$game" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$game" 2>/dev/null && fail "the game did not quit within 5 s of Esc"
status=0
wait "$game" || status=$?
game=
((status == 0)) || fail "the game quit with status $status"

# --- Remove it cleanly ----------------------------------------------------------
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq ropi >/dev/null
installed=
dpkg-query -W -f='${Status}' ropi 2>/dev/null | grep -q ' installed$' &&
    fail "ropi is still installed"
for file in "${expected[@]}"; do
    [[ ! -e "$file" ]] || fail "$file is left after removal"
done
echo "test-package: ok ($deb, screenshot in $build/installed-game.png)"
