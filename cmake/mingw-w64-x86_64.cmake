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
