# The help pages of the system built for, written to TKQ_HELP_DIR with the
# resource file that puts them into the program (help.qrc there); the
# installed help takes the same pages from there (packaging/).
#
# A page may hold parts for one system only, between markers:
#   <!--linux-->...<!--/linux-->      on Linux (and any system not Windows)
#   <!--windows-->...<!--/windows-->  on Windows
# within a sentence or around whole sections. The other system's parts go,
# with every marker. A page of one system only is listed below.

set(TKQ_HELP_DIR ${CMAKE_CURRENT_BINARY_DIR}/help CACHE INTERNAL "The help pages of this build")
set(tkq_help_linux_only simulator.html)  # tarvik-kq-sim serves pseudo-terminals

if(WIN32)
  set(tkq_help_system windows)
  set(tkq_help_other linux)
else()
  set(tkq_help_system linux)
  set(tkq_help_other windows)
endif()

# Writes `text` to `file` unless the file holds it already (a build then
# rebuilds nothing).
function(tkq_help_write file text)
  if(EXISTS ${file})
    file(READ ${file} old)
    if("${old}" STREQUAL "${text}")
      return()
    endif()
  endif()
  file(WRITE ${file} "${text}")
endfunction()

# The page `page` as the system built for shows it, in `out`.
function(tkq_help_page page out)
  file(READ ${CMAKE_CURRENT_SOURCE_DIR}/help/${page} text)
  set(begin_mark "<!--${tkq_help_other}-->")
  set(end_mark "<!--/${tkq_help_other}-->")
  string(LENGTH "${end_mark}" end_length)
  while(TRUE)
    string(FIND "${text}" "${begin_mark}" begin)
    string(FIND "${text}" "${end_mark}" end)
    if(begin EQUAL -1 AND end EQUAL -1)
      break()
    elseif(begin EQUAL -1 OR end LESS begin)
      message(FATAL_ERROR "help/${page}: ${begin_mark} and ${end_mark} do not pair")
    endif()
    string(SUBSTRING "${text}" 0 ${begin} before)
    math(EXPR after_at "${end} + ${end_length}")
    string(SUBSTRING "${text}" ${after_at} -1 after)
    set(text "${before}${after}")
  endwhile()
  string(REPLACE "<!--${tkq_help_system}-->" "" text "${text}")
  string(REPLACE "<!--/${tkq_help_system}-->" "" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(GLOB tkq_help_sources RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}/help CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_SOURCE_DIR}/help/*.html ${CMAKE_CURRENT_SOURCE_DIR}/help/*.css)
list(SORT tkq_help_sources)
set(tkq_help_files)
foreach(page IN LISTS tkq_help_sources)
  if(WIN32 AND page IN_LIST tkq_help_linux_only)
    continue()
  endif()
  # A change of the page configures anew.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/help/${page})
  tkq_help_page(${page} text)
  tkq_help_write(${TKQ_HELP_DIR}/${page} "${text}")
  string(APPEND tkq_help_files "    <file>${page}</file>\n")
endforeach()
# No page of an earlier configuration stays to be installed.
file(GLOB tkq_help_written RELATIVE ${TKQ_HELP_DIR} ${TKQ_HELP_DIR}/*.html ${TKQ_HELP_DIR}/*.css)
foreach(page IN LISTS tkq_help_written)
  if(NOT tkq_help_files MATCHES "<file>${page}</file>")
    file(REMOVE ${TKQ_HELP_DIR}/${page})
  endif()
endforeach()
tkq_help_write(${TKQ_HELP_DIR}/help.qrc
               "<RCC>\n  <qresource prefix=\"/help\">\n${tkq_help_files}  </qresource>\n</RCC>\n")
target_sources(tkq_gui PRIVATE ${TKQ_HELP_DIR}/help.qrc)
