#!/usr/bin/env bash
# Installs the Debian packages the project needs (Debian 12, as root).
# Does nothing when they are all present already.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libmodbus-dev socat
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n
  libgl-dev libx11-dev fonts-dejavu-core
  libcli11-dev libqcustomplot-dev qt6-svg-dev
  cups printer-driver-cups-pdf poppler-utils python3
  libxlsxwriter-dev libminizip-dev python3-openpyxl
  # the tests convert the OpenDocument texts written with LibreOffice, headless
  libreoffice-writer-nogui
  libsqlite3-dev libsqlitecpp-dev libxxhash-dev
  librsvg2-bin help2man dpkg-dev desktop-file-utils appstream man-db lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
