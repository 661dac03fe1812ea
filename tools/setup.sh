#!/usr/bin/env bash
# Installs what building, playing and testing ropi need on Debian 12, and only
# what is missing: apt-get update runs only when something has to be installed.
set -euo pipefail

packages=(
    cmake g++ make pkg-config clang-format
    qt6-base-dev libsdl2-mixer-dev fonts-ipafont-gothic
    xvfb xdotool xclip x11-utils imagemagick
)

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
