#!/usr/bin/env bash
# Installs what ropi needs on Debian 12, and only what is missing: apt-get
# update runs only when something has to be installed.
#   setup.sh play   building and playing
#   setup.sh test   the above, and what the tests drive the game with
#   setup.sh ci     the above, and what CI's extra checks need
#   setup.sh windows  cross-building the Windows game and testing it under Wine
#   setup.sh web    building the browser game with Debian's emscripten, and testing it in
#                   Chromium and Firefox
set -euo pipefail

play=(cmake g++ make pkg-config qt6-base-dev libsdl2-mixer-dev fonts-ipafont-gothic)
test=(clang-format python3 xvfb xdotool xclip x11-utils imagemagick openbox pulseaudio
    pulseaudio-utils)
ci=(dpkg-dev file desktop-file-utils appstream lintian clang-14 libclang-rt-14-dev)
# The posix thread model of mingw-w64: the win32 one of GCC 12 has no std::thread. The tests
# build a small library for Wine's processes with the machine's own C compiler.
windows=(cmake g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 nsis zip unzip
    python3 xvfb xdotool xclip x11-utils imagemagick openbox pulseaudio pulseaudio-utils
    fonts-ipafont-gothic gdb gcc)

# The browser game: emscripten to build; the browsers, their drivers, the IPA fonts (without
# them headless Chromium draws Japanese as boxes), an X server and a sound server to test.
web=(cmake python3 emscripten chromium chromium-driver firefox-esr python3-selenium fonts-ipafont
    xvfb xdotool xclip x11-utils openbox pulseaudio pulseaudio-utils imagemagick)

case "${1:-play}" in
play) packages=("${play[@]}") ;;
test) packages=("${play[@]}" "${test[@]}") ;;
ci) packages=("${play[@]}" "${test[@]}" "${ci[@]}") ;;
windows) packages=("${windows[@]}") ;;
web) packages=("${web[@]}") ;;
*) echo "usage: $0 [play|test|ci|windows|web]" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=()
    ((EUID == 0)) || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi
