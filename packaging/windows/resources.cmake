# The Windows resources of tarvik-monitor.exe and tarvik-kq.exe, included
# from packaging/CMakeLists.txt: each program file gets, compiled by
# windres from program.rc.in,
# - its application manifest (program.manifest.in, resource 1 of
#   RT_MANIFEST): run as the user who starts it, sharp at every monitor's
#   scale, long paths, the common controls of today, Windows 7 to 11;
# - its version information (Explorer's «Подробно», the installer's and
#   the system's lists): product, publisher, description, the version of
#   project(), file name;
# - the program's icon (src/gui/icons/icons.cmake makes the .ico).
# The installer's own version information is in package.cmake.

# The names every Windows file of ours shows (the installer's too).
set(TKQ_RC_PRODUCT "Монитор Тарвик КУ")
set(TKQ_RC_COMPANY "Разработчики Монитора Тарвик КУ")
set(TKQ_RC_COPYRIGHT "© ${TKQ_RC_COMPANY}")
# 1.25 as Windows' four numbers: 1.25.0.0.
set(TKQ_RC_VERSION_DOTS "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
foreach(part PATCH TWEAK)
  if(PROJECT_VERSION_${part} STREQUAL "")
    string(APPEND TKQ_RC_VERSION_DOTS ".0")
  else()
    string(APPEND TKQ_RC_VERSION_DOTS ".${PROJECT_VERSION_${part}}")
  endif()
endforeach()
string(REPLACE "." "," TKQ_RC_VERSION_COMMAS "${TKQ_RC_VERSION_DOTS}")

function(tkq_windows_resources target description)
  set(TKQ_RC_TARGET ${target})
  set(TKQ_RC_FILE_NAME ${target}.exe)
  set(TKQ_RC_DESCRIPTION "${description}")
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/resources)
  set(TKQ_RC_MANIFEST ${folder}/${target}.manifest)
  set(depends ${TKQ_RC_MANIFEST} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/program.manifest.in)
  set(TKQ_RC_ICON "")
  if(TARGET tkq_windows_icon)
    set(TKQ_RC_ICON "1 ICON \"${TKQ_WINDOWS_ICON}\"")
    list(APPEND depends ${TKQ_WINDOWS_ICON})
    add_dependencies(${target} tkq_windows_icon)
  endif()
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/program.manifest.in ${TKQ_RC_MANIFEST} @ONLY)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/program.rc.in ${folder}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${folder}/${target}.rc)
  # windres names no dependencies of its own.
  set_source_files_properties(${folder}/${target}.rc TARGET_DIRECTORY ${target}
                              PROPERTIES OBJECT_DEPENDS "${depends}")
endfunction()

tkq_windows_resources(tarvik-kq "Архивы расходомера Тарвик КУ из командной строки")
if(TARGET tarvik-monitor)
  tkq_windows_resources(tarvik-monitor "Монитор Тарвик КУ")
endif()
