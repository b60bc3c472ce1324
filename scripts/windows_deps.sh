#!/usr/bin/env bash
# What the Windows build and its tests need from Debian (as root): mingw-w64
# with the posix thread model, Debian's zlib for mingw, NSIS, zip, wine,
# the source-package tools (and tclsh, which SQLite's own tools run), and
# a deb-src entry of our own so that apt can fetch the libraries' sources.
# Does nothing when all is there.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
  libz-mingw-w64-dev nsis zip unzip wine wine64 dpkg-dev tcl make xvfb xdotool imagemagick python3
)
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
export DEBIAN_FRONTEND=noninteractive

# Debian's sources, beside whatever entries the machine has.
sources=/etc/apt/sources.list.d/tarvik-kq-src.sources
update=false
if ! apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Version:'; then
  $SUDO tee "$sources" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  update=true
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || $update; then
  $SUDO apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
