# Cross-compiling for 64-bit Windows with Debian's mingw-w64, posix thread
# model (std::thread and Qt need it). The libraries built for Windows
# (scripts/windows_libs.sh) are found under TKQ_WINDOWS_PREFIX.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TKQ_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TKQ_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TKQ_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TKQ_MINGW}-windres)

if(NOT TKQ_WINDOWS_PREFIX AND DEFINED ENV{TKQ_WINDOWS_PREFIX})
  set(TKQ_WINDOWS_PREFIX $ENV{TKQ_WINDOWS_PREFIX})
endif()
set(TKQ_WINDOWS_PREFIX "${TKQ_WINDOWS_PREFIX}" CACHE PATH "The libraries built for Windows")

set(CMAKE_FIND_ROOT_PATH /usr/${TKQ_MINGW} ${TKQ_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must describe the Windows libraries, never the host's: only
# the prefixes' own .pc files are searched, and their paths are taken as
# written (they are absolute already).
set(TKQ_WINDOWS_PKG_CONFIG_PATH "")
foreach(prefix IN LISTS TKQ_WINDOWS_PREFIX)
  list(APPEND TKQ_WINDOWS_PKG_CONFIG_PATH "${prefix}/lib/pkgconfig" "${prefix}/share/pkgconfig")
endforeach()
string(REPLACE ";" ":" TKQ_WINDOWS_PKG_CONFIG_PATH "${TKQ_WINDOWS_PKG_CONFIG_PATH}")
set(ENV{PKG_CONFIG_LIBDIR} "${TKQ_WINDOWS_PKG_CONFIG_PATH}")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
# The prefixes are roots of their own too: a package's CMake config is
# looked for under each of them.
list(APPEND CMAKE_PREFIX_PATH ${TKQ_WINDOWS_PREFIX})

# Tests (gtest_discover_tests while building, ctest) run the programs under
# wine, in a wine prefix of the build's own unless TKQ_WINEPREFIX names one:
# the user's ~/.wine is left alone, and the first run creates the prefix.
find_program(TKQ_WINE NAMES wine wine64)
if(TKQ_WINE)
  set(TKQ_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "The wine prefix the tests run in")
  # The libraries' DLLs (Qt's, QCustomPlot's) are found where they were
  # built, the mingw runtime's beside the compiler: a small script runs
  # wine with them on its path (WINEPATH takes Windows paths, separated by
  # semicolons, which a CMake list would cut; wine's Z: drive is the host's
  # root).
  set(tkq_wine_path "")
  foreach(prefix IN LISTS TKQ_WINDOWS_PREFIX)
    if(IS_DIRECTORY "${prefix}/bin")
      list(APPEND tkq_wine_path "Z:${prefix}/bin")
    endif()
  endforeach()
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                  OUTPUT_VARIABLE tkq_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(IS_ABSOLUTE "${tkq_libstdcxx}")
    get_filename_component(tkq_runtime "${tkq_libstdcxx}" DIRECTORY)
    list(APPEND tkq_wine_path "Z:${tkq_runtime}" "Z:/usr/${TKQ_MINGW}/lib")
  endif()
  string(REPLACE "/" "\\" tkq_wine_path "${tkq_wine_path}")
  file(WRITE "${CMAKE_BINARY_DIR}/wine-run"
       "#!/bin/sh\n# Runs a program of this build under wine.\n"
       "export WINEPREFIX='${TKQ_WINEPREFIX}' WINEDEBUG=-all WINEPATH='${tkq_wine_path}'\n"
       "exec '${TKQ_WINE}' \"$@\"\n")
  file(CHMOD "${CMAKE_BINARY_DIR}/wine-run" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
       GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run")
endif()
