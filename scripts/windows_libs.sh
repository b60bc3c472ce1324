#!/usr/bin/env bash
# The libraries of the Windows build, cross-compiled with mingw-w64 from
# Debian's own source packages: Qt (qt6-base: Core, Gui, Widgets,
# PrintSupport, the Windows platform plugin and styles), QCustomPlot,
# libxlsxwriter (with Debian's zlib for mingw), GoogleTest, SQLite and
# SQLiteCpp (static, for the survey journal) and xxHash's headers. CLI11 is
# header-only and taken from the host.
#
# Each library is installed once into a folder of the cache named by its
# Debian version ($TKQ_WINDOWS_CACHE, by default ~/.cache/tarvik-kq/windows),
# so a second run takes seconds. Prints the prefixes, separated by ';', as
# its last line (for CMAKE_PREFIX_PATH). Needs the packages windows.sh
# installs. With --check it builds nothing: it says which libraries the
# cache holds and exits with 1 when one is missing.
set -euo pipefail
check_only=0
[ "${1:-}" = --check ] && check_only=1
missing=()

cache=${TKQ_WINDOWS_CACHE:-$HOME/.cache/tarvik-kq/windows}
jobs=$(nproc 2>/dev/null || echo 2)
here=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$here/cmake/mingw-w64-x86_64.cmake
mkdir -p "$cache/src"

# The source version apt offers of package $1.
source_version() {
  apt-cache showsrc "$1" | sed -n 's/^Version: //p' | sort -V | tail -n 1
}

# Unpacks source package $1 (patches applied) into a fresh folder; prints it.
unpack() {
  local package=$1 version work
  version=$(source_version "$package")
  work=$(mktemp -d "$cache/build.XXXXXX")
  (cd "$cache/src" && [ -f "${package}_${version}.dsc" ] || apt-get source --download-only "$package=$version") >&2
  (cd "$work" && dpkg-source --no-check -x "$cache/src/${package}_${version}.dsc" src) >&2
  echo "$work"
}

# Builds library $1 with function $2 unless its folder is done already (the
# function runs where errexit does not hold: each of its commands returns on
# failure);
# the folder's name carries the Debian version of the source and, when given
# as $3, the revision of our way of building it.
prefixes=()
library() {
  local package=$1 build=$2 version prefix log work
  version=$(source_version "$package")
  [ -n "$version" ] || { echo "no source package $package (is a deb-src entry there?)" >&2; exit 1; }
  prefix=$cache/$package-$version${3:++r$3}
  prefixes+=("$prefix")
  if [ -f "$prefix/.done" ]; then
    echo "$package $version: in the cache" >&2
    return
  fi
  if [ $check_only = 1 ]; then
    missing+=("$package")
    return
  fi
  echo "$package $version: building (log in $cache/$package.log)" >&2
  rm -rf "$prefix"
  work=$(unpack "$package")
  log=$cache/$package.log
  local started=$SECONDS
  if ! "$build" "$work/src" "$work/build" "$prefix" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    rm -rf "$work"
    echo "$package: the build failed (log in $log)" >&2
    exit 1
  fi
  rm -rf "$work"
  touch "$prefix/.done"
  echo "$package $version: built in $((SECONDS - started)) s" >&2
}

build_qtbase() {  # source, build, prefix
  # Only what the program and its tests use. The host's Qt 6.4.2 runs moc,
  # rcc and uic. Debian's source lacks the Wintab headers (no tablet
  # events); the Windows platform plugin of this version needs OpenGL on.
  # The graphics view is not used. (The Direct2D platform plugin is not
  # either, but Qt Print Support does not link without it.)
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$3" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_QMAKE_TARGET_MKSPEC=win32-g++ -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DBUILD_SHARED_LIBS=ON \
    -DFEATURE_tabletevent=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_testlib=ON \
    -DFEATURE_graphicsview=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
    -DFEATURE_system_freetype=OFF -DFEATURE_system_libpng=OFF -DFEATURE_system_libjpeg=OFF \
    -DFEATURE_zstd=OFF -DFEATURE_glib=OFF -DFEATURE_icu=OFF || return
  cmake --build "$2" --parallel "$jobs" || return
  cmake --install "$2" || return
}


build_qcustomplot() {  # source, build, prefix
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$3" -DTKQ_WINDOWS_PREFIX="$qt" -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DUSE_QT_VERSION=6 -DBUILD_SHARED_LIBS=ON || return
  cmake --build "$2" --parallel "$jobs" || return
  cmake --install "$2" || return
}

build_xlsxwriter() {  # source, build, prefix
  # Upstream keeps MinGW off the wide-character file calls, which would
  # leave a Cyrillic path unopened: MinGW has them, so they are used.
  # (minizip's Win32 file functions are then built for MinGW as for MSVC.)
  sed -i '/^#ifdef __MINGW32__$/,/^#endif$/d' "$1/src/utility.c" "$1/src/packager.c"
  sed -i 's|^    if(MSVC)$|    if(WIN32)|' "$1/CMakeLists.txt"
  # A file's wide name takes as many characters as Windows takes (32,767
  # in the extended-length form "\\?\C:\...", which the program hands it for
  # a deep folder), not the 260 of a plain name.
  sed -i 's|wchar_t wide_filename\[_MAX_PATH + 1\]|wchar_t wide_filename[32768]|;
          s|wide_filename, _MAX_PATH);|wide_filename, 32767);|' "$1/src/utility.c" "$1/src/packager.c"
  # The library's own messages (English, on standard error) are compiled
  # out: every failure they describe is returned as an lxw_error too,
  # which the program turns into its message with the system's reason.
  sed -i 's|^#define LXW_PRINTF fprintf$|#define LXW_PRINTF(...) ((void) 0)|' "$1/include/xlsxwriter/common.h"
  local patched
  patched=$(grep -c 'wide_filename\[32768\]\|wide_filename, 32767)' "$1/src/utility.c" "$1/src/packager.c" |
    awk -F: '{ n += $2 } END { print n }')
  [ "$patched" -eq 4 ] && grep -q '^#define LXW_PRINTF(...) ((void) 0)$' "$1/include/xlsxwriter/common.h" ||
    { echo "libxlsxwriter's source is not as the patches expect"; return 1; }
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$3" -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF \
    -DUSE_SYSTEM_MINIZIP=OFF -DZLIB_USE_STATIC_LIBS=ON || return
  cmake --build "$2" --parallel "$jobs" || return
  cmake --install "$2" || return
  # The minizip compiled into the library also writes the protocol's
  # OpenDocument package: its headers, and a pkg-config file that names
  # the library, as Debian's libminizip-dev has for Linux.
  mkdir -p "$3/include/minizip" || return
  cp "$1/third_party/minizip/zip.h" "$1/third_party/minizip/ioapi.h" "$3/include/minizip/" || return
  printf '%s\n' "prefix=$3" 'includedir=${prefix}/include/minizip' 'libdir=${prefix}/lib' '' 'Name: minizip' \
    'Description: zip files (the minizip inside libxlsxwriter, static, for Windows)' 'Version: 1.1' \
    'Libs: -L${libdir} -lxlsxwriter -lz' 'Cflags: -I${includedir}' >"$3/lib/pkgconfig/minizip.pc"
}

build_googletest() {  # source, build, prefix
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$3" -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=ON || return
  cmake --build "$2" --parallel "$jobs" || return
  cmake --install "$2" || return
}

build_sqlite3() {  # source, build, prefix
  # Debian's source is SQLite's whole tree: its own tools (configured for
  # the host, with tclsh) join it into the one file sqlite3.c, which is
  # compiled for Windows into a static library. The options are those of
  # Debian's own build (debian/rules, and the FTS4, FTS5 and mathematical
  # functions its configure adds), so that the journal meets the same SQL on
  # both systems; nothing is omitted (Debian leaves out the lookaside
  # allocator, which SQLite's defaults keep). Windows' VFS "win32-longpath"
  # (folders past 260 characters) is part of every Windows build.
  local options
  options=$(sed -n '/^export CFLAGS +=/,/^$/p' "$1/debian/rules" | grep -o -- '-DSQLITE_[A-Z0-9_]*\(=[0-9]*\)\?' |
    grep -v '^-DSQLITE_OMIT_')
  [[ $options == *-DSQLITE_THREADSAFE=1* ]] || { echo "debian/rules does not name SQLite's options as expected"; return 1; }
  options="$options -DSQLITE_ENABLE_FTS4 -DSQLITE_ENABLE_FTS5 -DSQLITE_ENABLE_MATH_FUNCTIONS"
  mkdir -p "$2" "$3/include" "$3/lib/pkgconfig" || return
  (cd "$2" && "$1/configure" --disable-tcl && make sqlite3.c) || return
  echo "options: $options"
  # shellcheck disable=SC2086
  x86_64-w64-mingw32-gcc-posix -O2 -fno-strict-aliasing $options -c "$2/sqlite3.c" -o "$2/sqlite3.o" || return
  x86_64-w64-mingw32-ar rcs "$3/lib/libsqlite3.a" "$2/sqlite3.o" || return
  cp "$2/sqlite3.h" "$2/sqlite3ext.h" "$3/include/" || return
  local version
  version=$(sed -n 's/^#define SQLITE_VERSION *"\(.*\)"$/\1/p' "$2/sqlite3.h")
  printf '%s\n' "prefix=$3" 'includedir=${prefix}/include' 'libdir=${prefix}/lib' '' 'Name: SQLite' \
    'Description: SQL database engine (static, for Windows)' "Version: $version" \
    'Libs: -L${libdir} -lsqlite3' 'Cflags: -I${includedir}' >"$3/lib/pkgconfig/sqlite3.pc"
}

build_sqlitecpp() {  # source, build, prefix
  # Against the SQLite above; the library's own checks (cpplint, cppcheck)
  # and tests are left to Debian's build.
  cmake -S "$1" -B "$2" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$3" -DTKQ_WINDOWS_PREFIX="$sqlite" -DBUILD_SHARED_LIBS=OFF \
    -DSQLITECPP_INTERNAL_SQLITE=OFF -DSQLITECPP_BUILD_TESTS=OFF -DSQLITECPP_BUILD_EXAMPLES=OFF \
    -DSQLITECPP_RUN_CPPLINT=OFF -DSQLITECPP_RUN_CPPCHECK=OFF -DSQLITECPP_INCLUDE_SCRIPT=OFF || return
  cmake --build "$2" --parallel "$jobs" || return
  cmake --install "$2" || return
}

build_xxhash() {  # source, build, prefix
  # Used header-only (XXH_INLINE_ALL): the headers, and a pkg-config file
  # that asks for no library.
  mkdir -p "$3/include" "$3/lib/pkgconfig" || return
  cp "$1/xxhash.h" "$1/xxh3.h" "$3/include/" || return
  local version
  version=$(awk '/^#define XXH_VERSION_(MAJOR|MINOR|RELEASE) / { v = v (v == "" ? "" : ".") $3 } END { print v }' "$1/xxhash.h")
  printf '%s\n' "prefix=$3" 'includedir=${prefix}/include' '' 'Name: xxhash' \
    'Description: extremely fast hash algorithm (headers only: XXH_INLINE_ALL)' "Version: $version" \
    'Libs:' 'Cflags: -I${includedir}' >"$3/lib/pkgconfig/libxxhash.pc"
}

# TKQ_WINDOWS_LIBS picks some of them (tests of this script): "qt6-base
# qcustomplot libxlsxwriter googletest sqlite3 sqlitecpp xxhash cli11".
wanted=" ${TKQ_WINDOWS_LIBS:-qt6-base qcustomplot libxlsxwriter googletest sqlite3 sqlitecpp xxhash cli11} "
want() { [[ $wanted == *" $1 "* ]]; }
qt_revision=2
want qt6-base && library qt6-base build_qtbase $qt_revision
qt=$cache/qt6-base-$(source_version qt6-base)+r$qt_revision
want qcustomplot && library qcustomplot build_qcustomplot $qt_revision  # built against that Qt
want libxlsxwriter && library libxlsxwriter build_xlsxwriter 4
want googletest && library googletest build_googletest
want sqlite3 && library sqlite3 build_sqlite3
sqlite=$cache/sqlite3-$(source_version sqlite3)
want sqlitecpp && library sqlitecpp build_sqlitecpp  # built against that SQLite
want xxhash && library xxhash build_xxhash

# CLI11 is headers and a CMake package file: the host's serve the
# Windows build as they are.
cli11=$cache/cli11
if want cli11 && [ ! -f "$cli11/.done" ] && [ $check_only = 0 ]; then
  rm -rf "$cli11"
  mkdir -p "$cli11/include" "$cli11/share/cmake"
  cp -r /usr/include/CLI "$cli11/include/"
  cp -r /usr/share/cmake/CLI11 "$cli11/share/cmake/"
  touch "$cli11/.done"
fi
want cli11 && prefixes+=("$cli11")
if [ $check_only = 1 ]; then
  [ ${#missing[@]} -eq 0 ] || { echo "not in the cache: ${missing[*]}" >&2; exit 1; }
  exit 0
fi
echo "${prefixes[*]}" | tr ' ' ';'
