# The Windows build's installation, included from packaging/CMakeLists.txt:
# one folder holding tarvik-monitor.exe and tarvik-kq.exe with every DLL and
# Qt plugin they load (written out here: Qt's deployment tool runs only on
# Windows), the help pages of Windows and the licences; and the installer
# made by CPack's NSIS generator (cpack -G NSIS), in Russian: Program Files,
# a Start menu entry «Монитор Тарвик КУ» with the program's icon, an
# uninstaller that removes what it installed. tarvik-kq-sim stays with
# Linux.

install(TARGETS tarvik-kq RUNTIME DESTINATION .)

# The C++ runtime of mingw-w64's posix thread model, beside the programs.
get_filename_component(tkq_mingw_bin ${CMAKE_CXX_COMPILER} DIRECTORY)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE tkq_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgcc_s_seh-1.dll
                OUTPUT_VARIABLE tkq_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
find_file(TKQ_WINPTHREAD_DLL libwinpthread-1.dll PATHS /usr/${TKQ_MINGW}/lib NO_CMAKE_FIND_ROOT_PATH REQUIRED)
foreach(dll ${tkq_libstdcxx} ${tkq_libgcc})
  if(NOT IS_ABSOLUTE ${dll} OR NOT EXISTS ${dll})
    message(FATAL_ERROR "mingw-w64's runtime DLL not found: ${dll}")
  endif()
endforeach()
install(FILES ${tkq_libstdcxx} ${tkq_libgcc} ${TKQ_WINPTHREAD_DLL} DESTINATION .)

if(TKQ_GUI)
  install(TARGETS tarvik-monitor RUNTIME DESTINATION .)
  install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
                $<TARGET_FILE:Qt6::PrintSupport> $<TARGET_FILE:QCustomPlotQt6::QCustomPlotQt6>
          DESTINATION .)
  # Qt finds its plugins in these folders beside the program.
  # (offscreen: tarvik-kq's print and plot draw without a window.)
  install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> $<TARGET_FILE:Qt6::QOffscreenIntegrationPlugin>
          DESTINATION platforms)
  install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
  # Qt's own texts in Russian (file dialogs, standard buttons), from
  # Debian's qt6-translations-l10n: the same files serve every system.
  find_file(TKQ_QTBASE_RU qtbase_ru.qm PATHS /usr/share/qt6/translations NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  install(FILES ${TKQ_QTBASE_RU} DESTINATION translations)
  install(DIRECTORY ${TKQ_HELP_DIR}/ DESTINATION help
          FILES_MATCHING PATTERN "*.html" PATTERN "*.css")
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/LICENSES.txt DESTINATION .)

# Every program file and DLL without its symbols: the libraries come from
# their builds with them, which would treble the folder.
install(CODE "
  file(GLOB_RECURSE tkq_binaries \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\"
                                 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.exe\")
  foreach(binary IN LISTS tkq_binaries)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${binary}\" RESULT_VARIABLE stripped)
    if(NOT stripped EQUAL 0)
      message(FATAL_ERROR \"cannot strip \${binary}\")
    endif()
  endforeach()")

# The installer: tarvik-kq-monitor-<version>-setup.exe.
set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME ${TKQ_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${TKQ_VERSION_TEXT})
set(CPACK_PACKAGE_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(CPACK_PACKAGE_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(CPACK_PACKAGE_VERSION_PATCH 0)
# The publisher «Приложения и возможности» shows.
set(CPACK_PACKAGE_VENDOR "Разработчики Монитора Тарвик КУ")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Монитор Тарвик КУ: архивы расходомера Тарвик КУ")
set(CPACK_PACKAGE_FILE_NAME ${TKQ_PACKAGE_NAME}-${TKQ_VERSION_TEXT}-setup)
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Tarvik KQ Monitor")
# The keys of the installation (the uninstall entry, the folder under the
# publisher's key) have no version in their names: a later version finds
# the one installed.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Tarvik KQ Monitor")
# The Start menu entry starts the program where it is installed, in that
# folder (so the program keeps its description file among the user's data,
# see application.cpp). CPack's own entries (CPACK_PACKAGE_EXECUTABLES)
# would point into a bin folder, to start in whatever folder the installer
# wrote last.
# (CPack reads these commands once more as CMake strings: NSIS's single
# quotes, and each backslash four times.)
set(tkq_start_entry "$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Монитор Тарвик КУ.lnk")
set(CPACK_NSIS_CREATE_ICONS_EXTRA "
  SetOutPath '$INSTDIR'
  CreateShortCut '${tkq_start_entry}' '$INSTDIR\\\\tarvik-monitor.exe'")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "
  Delete '$SMPROGRAMS\\\\$MUI_TEMP\\\\Монитор Тарвик КУ.lnk'")
# (No version in the name: the Start menu folder is named after it, and an
# upgrade keeps the one folder.)
set(CPACK_NSIS_PACKAGE_NAME "Монитор Тарвик КУ")
set(CPACK_NSIS_DISPLAY_NAME "Монитор Тарвик КУ")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_INSTALLED_ICON_NAME tarvik-monitor.exe)
set(CPACK_NSIS_MUI_ICON ${TKQ_WINDOWS_ICON})
set(CPACK_NSIS_MUI_UNIICON ${TKQ_WINDOWS_ICON})
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# «Завершение работы мастера установки программы «…»» takes three lines.
set(CPACK_NSIS_FINISH_TITLE_3LINES ON)
# installer.nsh: the programs closed before anything is replaced or
# removed, the folder in the uninstall entry, the user's files kept.
set(CPACK_NSIS_EXTRA_PREINSTALL_COMMANDS "Call TkqProgramsClosed")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "Call TkqRegisterLocation")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "Call un.TkqUserData")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# CPack's installer script is taken with "Target amd64-unicode" at its head:
# a 64-bit installer for the 64-bit program, Unicode so that the Russian
# names come out right on any Windows language.
# (The template begins with the byte-order mark that marks it UTF-8; it
# stays the first thing in the file.)
file(READ ${CMAKE_ROOT}/Modules/Internal/CPack/NSIS.template.in tkq_nsis_template OFFSET 3)
# Its texts in Russian: the installer's pages (Russian its only language;
# no licence page, which would show CPack's English placeholder; our name
# where NSIS puts its own at the foot of the pages), the uninstaller's
# entry in the Start menu, which the uninstaller removes by the same name,
# and the questions of an installation over an older one.
function(tkq_nsis_replace from to)
  string(FIND "${tkq_nsis_template}" "${from}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "CPack's NSIS template has no \"${from}\" to replace")
  endif()
  string(REPLACE "${from}" "${to}" replaced "${tkq_nsis_template}")
  set(tkq_nsis_template "${replaced}" PARENT_SCOPE)
endfunction()
string(REGEX REPLACE "  !insertmacro MUI_LANGUAGE \"[A-Za-z]+\"[^\n]*\n" "" tkq_nsis_template "${tkq_nsis_template}")
tkq_nsis_replace(";Languages\n" ";Languages\n  !insertmacro MUI_LANGUAGE \"Russian\"\n")
tkq_nsis_replace("  @CPACK_NSIS_LICENSE_PAGE@\n" "")
# (CPACK_NSIS_BRANDING_TEXT comes with /TRIM, which makensis refuses off Windows.)
tkq_nsis_replace("@CPACK_NSIS_BRANDING_TEXT_CODE@" "BrandingText \"Монитор Тарвик КУ\"")
tkq_nsis_replace("\\Uninstall.lnk" "\\Удалить Монитор Тарвик КУ.lnk")
tkq_nsis_replace("@CPACK_NSIS_PACKAGE_NAME@ is already installed. $\\n$\\nDo you want to uninstall the old version before installing the new one?"
                 "Программа «@CPACK_NSIS_PACKAGE_NAME@» уже установлена.$\\n$\\nУдалить прежнюю версию перед установкой новой?")
tkq_nsis_replace("\"Uninstall failed.\"" "\"Не удалось удалить прежнюю версию.\"")
# The pages' texts put the name after a noun ("Установка …", "мастер
# установки …"): the name the installer goes by is in the genitive, «Установка
# программы «Монитор Тарвик КУ»»; the few texts that need another case are
# our own, the version on the first page. The Start menu folder keeps the
# plain name, and the last page offers to start the program.
tkq_nsis_replace("  Name \"@CPACK_NSIS_PACKAGE_NAME@\"\n" "  Name \"программы «@CPACK_NSIS_PACKAGE_NAME@»\"\n")
# (One paragraph each: a line break in a define would end the script's line.)
tkq_nsis_replace("  !insertmacro MUI_PAGE_WELCOME\n"
                 "  !define MUI_WELCOMEPAGE_TEXT \"Эта программа установит на ваш компьютер программу «@CPACK_NSIS_PACKAGE_NAME@» версии ${TKQ_VERSION_TEXT}. Если программа уже установлена, она будет обновлена, ее настройки сохранятся. $_CLICK\"\n  !insertmacro MUI_PAGE_WELCOME\n")
tkq_nsis_replace("  !insertmacro MUI_PAGE_DIRECTORY\n"
                 "  !define MUI_DIRECTORYPAGE_TEXT_TOP \"Программа «@CPACK_NSIS_PACKAGE_NAME@» будет установлена в указанную папку. Чтобы установить ее в другую папку, нажмите кнопку $\\\"Обзор$\\\" и укажите ее. $_CLICK\"\n  !insertmacro MUI_PAGE_DIRECTORY\n")
tkq_nsis_replace("  !insertmacro MUI_PAGE_STARTMENU "
                 "  !define MUI_STARTMENUPAGE_DEFAULTFOLDER \"@CPACK_NSIS_PACKAGE_NAME@\"\n  !insertmacro MUI_PAGE_STARTMENU ")
tkq_nsis_replace("@CPACK_NSIS_INSTALLER_MUI_FINISHPAGE_RUN_CODE@"
                 "!define MUI_FINISHPAGE_RUN\n!define MUI_FINISHPAGE_RUN_TEXT \"Запустить программу\"\n!define MUI_FINISHPAGE_RUN_FUNCTION TkqRunProgram")
tkq_nsis_replace("  !insertmacro MUI_UNPAGE_CONFIRM\n"
                 "  !define MUI_UNCONFIRMPAGE_TEXT_TOP \"Программа «@CPACK_NSIS_PACKAGE_NAME@» будет удалена из вашего компьютера. $_CLICK\"\n  !insertmacro MUI_UNPAGE_CONFIRM\n")
# An installation over an earlier one: into the folder the earlier one
# chose (which CPack's script keeps under the publisher's key), once no
# program runs from it; then installer.nsh, after the languages it names.
tkq_nsis_replace("  InstallDir \"@CPACK_NSIS_INSTALL_ROOT@\\@CPACK_PACKAGE_INSTALL_DIRECTORY@\"\n"
                 "  InstallDir \"@CPACK_NSIS_INSTALL_ROOT@\\@CPACK_PACKAGE_INSTALL_DIRECTORY@\"\n  InstallDirRegKey HKLM \"Software\\@CPACK_PACKAGE_VENDOR@\\@CPACK_PACKAGE_INSTALL_REGISTRY_KEY@\" \"\"\n")
tkq_nsis_replace("Function .onInit\n" "Function .onInit\n  Call TkqProgramsClosed\n")
tkq_nsis_replace("Function un.onInit\n" "Function un.onInit\n  Call un.TkqUserFolders\n  Call un.TkqProgramsClosed\n")
configure_file(${CMAKE_CURRENT_LIST_DIR}/installer.nsh.in ${CMAKE_CURRENT_BINARY_DIR}/nsis/installer.nsh @ONLY)
tkq_nsis_replace("  !insertmacro MUI_LANGUAGE \"Russian\"\n"
                 "  !insertmacro MUI_LANGUAGE \"Russian\"\n  !include /CHARSET=UTF8 \"${CMAKE_CURRENT_BINARY_DIR}/nsis/installer.nsh\"\n")
string(ASCII 239 187 191 tkq_bom)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/nsis/NSIS.template.in "${tkq_bom}Target amd64-unicode\n${tkq_nsis_template}")
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_BINARY_DIR}/nsis)
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_BINARY_DIR}/nsis)
include(CPack)
