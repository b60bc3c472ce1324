#!/usr/bin/env bash
# Builds the Debian package from a build folder (cpack -G DEB), checks it
# with lintian (its warnings are shown, an error fails) and its changelog
# and copyright file, installs it on this machine with apt, and checks what
# it installed: the three programs run from /usr/bin, the desktop entry and
# the AppStream metadata pass their validators, the man pages are found, the
# icons are there in every size.
# The package is removed again afterwards, also when a check fails. Exit
# status 0 passed, 1 failed, 77 skipped (with the reason on standard output).
set -uo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/test}
package=tarvik-kq-monitor
id=io.github.tarvik.kq_monitor

skip() {
  echo "SKIPPED: the Debian package: $*"
  exit 77
}
fail() {
  echo "FAILED: the Debian package: $*"
  exit 1
}

[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
for program in dpkg dpkg-deb dpkg-query apt-get cpack dpkg-shlibdeps dpkg-parsechangelog lintian desktop-file-validate \
  appstreamcli man python3; do
  command -v "$program" >/dev/null 2>&1 || skip "$program is not installed"
done
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
  skip "$package is installed on this machine already: the check would remove it"
fi
[ -f "$build/CPackConfig.cmake" ] || fail "configure $build first"
cmake --build "$build" >/dev/null || fail "the build of $build fails"

work=$(mktemp -d)
installed=""
cleanup() {
  [ -n "$installed" ] && dpkg --purge "$package" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB -B "$work/deb") >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack -G DEB"
}
deb=$(find "$work/deb" -maxdepth 1 -name "${package}_*.deb" | head -n 1)
[ -n "$deb" ] || fail "cpack wrote no ${package}_*.deb"
echo "$(basename "$deb"):"
dpkg-deb --field "$deb" Package Version Architecture Section Depends Recommends
dpkg -c "$deb"
listing=$(dpkg -c "$deb" | awk '{print $6}')
for file in usr/bin/tarvik-monitor usr/bin/tarvik-kq usr/bin/tarvik-kq-sim \
  "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
  usr/share/man/man1/tarvik-kq.1.gz usr/share/man/man1/tarvik-kq-sim.1.gz usr/share/man/man1/tarvik-monitor.1.gz \
  "usr/share/doc/$package/help/index.html" "usr/share/doc/$package/help/help.css" \
  "usr/share/doc/$package/copyright" "usr/share/doc/$package/changelog.Debian.gz"; do
  grep -qx "./$file" <<<"$listing" || fail "the package has no /$file"
done

# Debian's checks of a package: every warning shown, an error fails.
echo "lintian:"
lintian --fail-on error "$deb" 2>&1 | tee "$work/lintian.log" | sed 's/^/  /'
[ "${PIPESTATUS[0]}" -eq 0 ] && ! grep -q '^E: ' "$work/lintian.log" || fail "lintian reports errors"
[ -s "$work/lintian.log" ] || echo "  (nothing to report)"
# The changelog's entry is this package's version; the copyright file names
# the project's terms.
mkdir "$work/doc"
dpkg-deb -x "$deb" "$work/doc"
doc=$work/doc/usr/share/doc/$package
changelog_version=$(zcat "$doc/changelog.Debian.gz" | dpkg-parsechangelog -l - -S Version) ||
  fail "changelog.Debian.gz does not parse"
[ "$changelog_version" = "$(dpkg-deb --field "$deb" Version)" ] ||
  fail "changelog.Debian.gz is of version $changelog_version, the package of $(dpkg-deb --field "$deb" Version)"
grep -q '^License: LicenseRef-proprietary$' "$doc/copyright" || fail "the copyright file does not state the project's terms"
# dpkg-shlibdeps found the libraries the programs link.
dpkg-deb --field "$deb" Depends | grep -q "libqt6widgets6" || fail "Depends lists no Qt libraries"

export DEBIAN_FRONTEND=noninteractive
installed=yes
apt-get install -y -q --no-install-recommends "$(realpath "$deb")" >"$work/apt.log" 2>&1 || {
  cat "$work/apt.log"
  fail "apt-get install $(basename "$deb")"
}

# The programs from where the package put them; tarvik-kq versions writes
# its description file in the current folder.
mkdir "$work/run"
(cd "$work/run" && /usr/bin/tarvik-kq versions 2>/dev/null) | grep -q "^TARVIK " || fail "tarvik-kq versions"
/usr/bin/tarvik-kq-sim --help | grep -q "Usage: tarvik-kq-sim" || fail "tarvik-kq-sim --help"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb /usr/bin/tarvik-monitor --version) ||
  fail "tarvik-monitor --version without a display"
[[ $version =~ ^tarvik-monitor\ [0-9]+\.[0-9]+$ ]] || fail "tarvik-monitor --version says «$version»"
echo "$version"

desktop-file-validate "/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
for page in tarvik-kq tarvik-kq-sim tarvik-monitor; do
  man -w "$page" >/dev/null 2>&1 || fail "man -w $page finds no page"
done
echo "man pages: $(man -w tarvik-kq tarvik-kq-sim tarvik-monitor | tr '\n' ' ')"

# The icons: the SVG and a PNG of each size, as large as its folder says.
[ -f "/usr/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"
python3 - "$id" <<'PY' || fail "the icon's PNGs"
import struct, sys
for size in (16, 32, 48, 64, 128, 256):
    path = f"/usr/share/icons/hicolor/{size}x{size}/apps/{sys.argv[1]}.png"
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", head[16:24]) != (size, size):
        print(path, "is not a PNG of", size, "by", size)
        sys.exit(1)
PY

dpkg --purge "$package" >/dev/null 2>&1 || fail "dpkg --purge $package"
installed=""
[ ! -e /usr/bin/tarvik-monitor ] || fail "/usr/bin/tarvik-monitor stays after the removal"
echo "the Debian package: $(basename "$deb") installs, runs, validates and is removed again"
