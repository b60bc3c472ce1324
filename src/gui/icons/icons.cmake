# The program's icon, included from src/gui/CMakeLists.txt: drawn by hand as
# SVG, rendered by rsvg-convert (librsvg2-bin) to the PNG sizes of the icon
# theme. The program takes the PNGs from its resources (in tkq_gui, so that
# the tests see them too: base/program_icon.cpp); installation puts
# the SVG and every PNG into the hicolor theme under the desktop entry's name.
include(GNUInstallDirs)
find_program(TKQ_RSVG_CONVERT rsvg-convert REQUIRED)

set(TKQ_ICON_SVG ${CMAKE_CURRENT_SOURCE_DIR}/icons/${TKQ_APP_ID}.svg)
set(tkq_icon_pngs)
foreach(size 16 32 48 64 128 256)
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/icons/${size}x${size})
  set(png ${folder}/${TKQ_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND ${TKQ_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${TKQ_ICON_SVG}
    DEPENDS ${TKQ_ICON_SVG}
    COMMENT "Rendering the program's icon at ${size}x${size}"
    VERBATIM)
  list(APPEND tkq_icon_pngs ${png})
  if(NOT WIN32)
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endif()
endforeach()
if(NOT WIN32)
  install(FILES ${TKQ_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# On Windows: the same pictures as the program files' icon (Explorer, the
# task bar, the Start menu entry) and the installer's.
if(WIN32)
  find_program(TKQ_PYTHON3 python3 REQUIRED)
  set(TKQ_WINDOWS_ICON ${CMAKE_CURRENT_BINARY_DIR}/icons/${TKQ_APP_ID}.ico CACHE INTERNAL "The program's icon file")
  add_custom_command(OUTPUT ${TKQ_WINDOWS_ICON}
    COMMAND ${TKQ_PYTHON3} ${PROJECT_SOURCE_DIR}/packaging/windows/make_ico.py ${TKQ_WINDOWS_ICON} ${tkq_icon_pngs}
    DEPENDS ${tkq_icon_pngs} ${PROJECT_SOURCE_DIR}/packaging/windows/make_ico.py
    COMMENT "The program's icon for Windows"
    VERBATIM)
  # Both program files carry it (packaging/windows/resources.cmake).
  add_custom_target(tkq_windows_icon DEPENDS ${TKQ_WINDOWS_ICON})
endif()

# ":/icons/16x16/<id>.png" and so on.
qt_add_resources(tkq_gui program_icon
  OPTIONS ${TKQ_RCC_OPTIONS}
  PREFIX /icons
  BASE ${CMAKE_CURRENT_BINARY_DIR}/icons
  FILES ${tkq_icon_pngs})

# The tool bars' icons: drawn as SVG in icons/tools, rendered to PNG at the
# sizes tool bars and menus use (and twice those for dense screens), so
# that they need no SVG support in Qt (the Windows build has none) and
# look the same whatever the desktop's icon theme.
file(GLOB tkq_tool_svgs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/icons/tools/*.svg)
set(tkq_tool_pngs)
foreach(svg ${tkq_tool_svgs})
  get_filename_component(name ${svg} NAME_WE)
  foreach(size 16 24 32 48)
    set(png ${CMAKE_CURRENT_BINARY_DIR}/tools/${name}-${size}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/tools
      COMMAND ${TKQ_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg}
      DEPENDS ${svg}
      VERBATIM)
    list(APPEND tkq_tool_pngs ${png})
  endforeach()
endforeach()
# ":/tools/<name>-<size>.png".
qt_add_resources(tkq_gui tool_icons
  OPTIONS ${TKQ_RCC_OPTIONS}
  PREFIX /tools
  BASE ${CMAKE_CURRENT_BINARY_DIR}/tools
  FILES ${tkq_tool_pngs})
