#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need; does nothing when all
# are present. Usage: scripts/install-deps.sh [run|test|package|fuzz|windows]
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config
          qt6-base-dev libboost-dev libgl-dev libexpat1-dev zlib1g-dev
          libsqlite3-dev libpq-dev libssl-dev
          fonts-dejavu-core fonts-liberation2)
if [ "${1:-run}" = test ] || [ "${1:-run}" = package ]; then
    packages+=(xvfb xauth x11-apps python3 python3-suds python3-zeep binutils-mingw-w64-x86-64
               desktop-file-utils appstream librsvg2-bin imagemagick icoutils xdotool help2man
               qt6-base-private-dev x11-utils python3-xlib
               openssl postgresql haproxy wrk python3-prometheus-client)
fi
if [ "${1:-run}" = package ]; then # making, checking and installing the Debian packages
    packages+=(dpkg-dev file lintian systemd man-db)
fi
if [ "${1:-run}" = windows ]; then # cross-building for Windows, the installer, the check under Wine
    packages+=(g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev dpkg-dev
               debian-archive-keyring nsis zip wine wine64 fonts-wine icoutils
               xvfb xauth xdotool imagemagick)
fi
if [ "${1:-run}" = fuzz ]; then
    packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installerar: ${missing[*]}" >&2
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
# Another install may be running (a package manager, a second build): wait for it rather than fail.
lock=(-o DPkg::Lock::Timeout=600)
"${sudo[@]}" apt-get "${lock[@]}" update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${lock[@]}" install -y -q --no-install-recommends "${missing[@]}"
