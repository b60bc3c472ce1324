#!/usr/bin/env bash
# The Windows version, built here on Debian with mingw-w64: installs what is
# needed with apt, builds the libraries from Debian's source packages (or
# takes them from the cache, see windows_libs.sh), builds the project and
# leaves in build/windows/:
#   portable/                               tarvik-monitor.exe, tarvik-kq.exe,
#                                           the DLLs and plugins they need
#   tarvik-kq-monitor-<v>-windows.zip       that folder as a zip
#   tarvik-kq-monitor-<v>-setup.exe         the installer (NSIS)
# The build itself is in build/windows/project (preset windows). Prints the
# time each part took.
set -euo pipefail
cd "$(dirname "$0")/.."

started=$SECONDS
bash scripts/windows_deps.sh

prefixes=$(bash scripts/windows_libs.sh | tail -n 1)
libraries=$((SECONDS - started))
echo "=== the libraries: ${libraries} s"

project_started=$SECONDS
jobs=$(nproc 2>/dev/null || echo 2)
out=build/windows
mkdir -p "$out"
# TKQ_WINDOWS_BUILD_OPTIONS: more options for CMake (scripts/test.sh's).
read -r -a options <<<"${TKQ_WINDOWS_BUILD_OPTIONS:-}"
TKQ_WINDOWS_PREFIX=$prefixes cmake --preset windows "${options[@]}" >"$out/configure.log" 2>&1 || { cat "$out/configure.log"; exit 1; }
cmake --build --preset windows --parallel "$jobs"

# The portable folder: the installation, as the installer puts it in place.
rm -rf "$out/portable"
cmake --install "$out/project" --prefix "$out/portable" >/dev/null
version=$(sed -n 's/^#define TKQ_VERSION_TEXT "\(.*\)"$/\1/p' "$out/project/generated/tkq_version.h")
zip_name=tarvik-kq-monitor-$version-windows.zip
rm -f "$out/$zip_name"
(cd "$out" && mv portable "Tarvik KQ Monitor" && zip -qr -9 "$zip_name" "Tarvik KQ Monitor" &&
  mv "Tarvik KQ Monitor" portable)
(cd "$out/project" && cpack -G NSIS >cpack.log 2>&1) || { cat "$out/project/cpack.log"; exit 1; }
cp "$out/project/tarvik-kq-monitor-$version-setup.exe" "$out/"
echo "=== the project: $((SECONDS - project_started)) s"
echo "Windows build in $out: portable/ ($(du -sh "$out/portable" | cut -f1)), $zip_name" \
  "($(du -h "$out/$zip_name" | cut -f1)), tarvik-kq-monitor-$version-setup.exe" \
  "($(du -h "$out/tarvik-kq-monitor-$version-setup.exe" | cut -f1)); $((SECONDS - started)) s in all"
