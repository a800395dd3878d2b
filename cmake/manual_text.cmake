# Renders the manual page as plain text for the Windows package, where there
# is no man: man at 80 columns in the C locale (ASCII: the page spells its
# Japanese quotations in romaji there), with CR LF line ends, as Notepad and
# `type` show them. Any warning of man fails the build.
#   cmake -DPAGE=doc/Quorvane.1 -DOUT=Quorvane.txt -P manual_text.cmake
find_program(MAN man REQUIRED)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C MANWIDTH=80 MANOPT= MANROFFOPT=
          ${MAN} -l ${PAGE}
  OUTPUT_VARIABLE text ERROR_VARIABLE warnings RESULT_VARIABLE failed)
if(failed OR NOT warnings STREQUAL "" OR text STREQUAL "")
  message(FATAL_ERROR "man -l ${PAGE}: ${failed}\n${warnings}")
endif()
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUT} "${text}")
