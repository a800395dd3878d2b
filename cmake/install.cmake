# What `cmake --install` puts beside the program, and the packages CPack
# makes of it.
#
#   bin/Quorvane                               the program
#   bin/quorvane                               a link to it, in lower case
#   share/man/man1/{Quorvane,quorvane}.1.gz    its manual page (doc/Quorvane.1
#                                              with the version and date
#                                              filled in), and a link
#   share/doc/quorvane/Quorvane.list.example   a sample list file
#   share/doc/quorvane/copyright               the licence (LICENSE)
#   share/doc/quorvane/changelog.gz            the package's changelog
#   lib/systemd/system/quorvane.{service,timer}, quorvane@.{service,timer}
#       with -DQUORVANE_INSTALL_SYSTEMD=ON: run the program at boot and
#       every 10 minutes, for /etc/hosts and (the template, one instance per
#       /etc/quorvane/NAME.conf) for DNS servers' hosts files
#       (QUORVANE_SYSTEMD_UNIT_DIR moves them); the .deb
#       then also has the prerm and postrm of contrib/debian, which stop
#       and disable them when the package is removed
#
# The `package` preset builds the .deb: cmake --preset package &&
# cmake --build --preset package --target package.
#
# On Windows the package is a .zip (cmake --build --preset windows-x86
# --target package) holding, in one folder, Quorvane.exe, a plain-text
# README.txt, the manual page as plain text (Quorvane.txt, rendered by the
# build host's man), LICENSE.txt, the Task Scheduler task, the sample list
# file and install.cmd and uninstall.cmd, which set the task up and take it
# away with their helper QuorvaneInstall.exe.

# The manual page's footer names the release as the changelog does: the
# version, and the date of its latest entry ("Mon, 07 Dec 2026" becomes
# 2026-12-07). Both are made when configuring; a change to the page
# configures again. The .deb carries them compressed, the .zip the page as
# text.
set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog)
configure_file(contrib/debian/changelog.in ${changelog} @ONLY)
file(STRINGS ${changelog} signed REGEX "^ -- ")
if(NOT signed MATCHES ", ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "contrib/debian/changelog.in: no dated entry")
endif()
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(numbers 01 02 03 04 05 06 07 08 09 10 11 12)
list(FIND months ${CMAKE_MATCH_2} month)
list(GET numbers ${month} month)
set(QUORVANE_DATE ${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1})
set(page ${CMAKE_CURRENT_BINARY_DIR}/Quorvane.1)
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/doc/Quorvane.1 text)
string(REPLACE "@PROJECT_VERSION@" "${PROJECT_VERSION}" text "${text}")
string(REPLACE "@QUORVANE_DATE@" "${QUORVANE_DATE}" text "${text}")
file(WRITE ${page} "${text}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_CURRENT_SOURCE_DIR}/doc/Quorvane.1)

if(WIN32)
  install(TARGETS Quorvane QuorvaneInstall RUNTIME DESTINATION .)
  # The Windows sample list (CR LF, Windows paths, every pair commented
  # out), not the Linux one: the task applies the list it becomes at once.
  install(FILES contrib/windows/README.txt contrib/windows/Quorvane.xml
                contrib/windows/install.cmd contrib/windows/uninstall.cmd
                contrib/windows/Quorvane.list.example
          DESTINATION .)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  # Windows has no man: the page goes as text, made again when it changes.
  set(manual ${CMAKE_CURRENT_BINARY_DIR}/Quorvane.txt)
  add_custom_command(OUTPUT ${manual}
    COMMAND ${CMAKE_COMMAND} -DPAGE=${page} -DOUT=${manual}
            -P ${CMAKE_CURRENT_LIST_DIR}/manual_text.cmake
    DEPENDS ${page} ${CMAKE_CURRENT_LIST_DIR}/manual_text.cmake
    COMMENT "Rendering the manual page as Quorvane.txt")
  add_custom_target(manual_text ALL DEPENDS ${manual})
  install(FILES ${manual} DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME quorvane)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME windows-x86)
  else()
    set(CPACK_SYSTEM_NAME windows-x64)
  endif()
  set(CPACK_STRIP_FILES ON)
else()
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER
      "Quorvane developers <quorvane@example.org>")
  install(TARGETS Quorvane RUNTIME DESTINATION bin)
  # Commands are typed in lower case here: `quorvane` and `man quorvane`
  # find the program and its page too.
  set(lower ${CMAKE_CURRENT_BINARY_DIR}/lower-case)
  file(MAKE_DIRECTORY ${lower})
  file(CREATE_LINK Quorvane ${lower}/quorvane SYMBOLIC)
  file(CREATE_LINK Quorvane.1.gz ${lower}/quorvane.1.gz SYMBOLIC)
  install(FILES ${lower}/quorvane DESTINATION bin)

  # The manual page and the changelog go compressed, as Debian's policy
  # asks (gzip -9n: the same bytes on every build).
  foreach(from ${page} ${changelog})
    get_filename_component(name ${from} NAME)
    execute_process(COMMAND gzip -9n -c ${from}
                    OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz
                    RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "gzip ${from}: ${failed}")
    endif()
  endforeach()
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/Quorvane.1.gz
                ${lower}/quorvane.1.gz
          DESTINATION share/man/man1)
  install(FILES contrib/Quorvane.list.example
                ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
          DESTINATION share/doc/quorvane)
  install(FILES LICENSE DESTINATION share/doc/quorvane RENAME copyright)

  option(QUORVANE_INSTALL_SYSTEMD
         "Install the systemd service and timer that refresh the hosts file"
         OFF)
  set(QUORVANE_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING
      "Where the systemd units go, relative to the install prefix")
  if(QUORVANE_INSTALL_SYSTEMD)
    # The services name the program by its full path, which is known only
    # when installing (cmake --install --prefix, or CPack's /usr).
    foreach(service quorvane.service quorvane@.service)
      set(unit_in ${CMAKE_CURRENT_SOURCE_DIR}/contrib/systemd/${service})
      set(unit_out ${CMAKE_CURRENT_BINARY_DIR}/contrib/systemd/${service})
      install(CODE "
        file(READ \"${unit_in}\" unit)
        set(exec \"ExecStart=/usr/bin/Quorvane \")
        string(FIND \"\${unit}\" \"\${exec}\" at)
        if(at EQUAL -1)
          message(FATAL_ERROR \"${unit_in}: no line \${exec}\")
        endif()
        set(installed \"ExecStart=\${CMAKE_INSTALL_PREFIX}/bin/Quorvane \")
        string(REPLACE \"\${exec}\" \"\${installed}\" unit \"\${unit}\")
        file(WRITE \"${unit_out}\" \"\${unit}\")
      ")
      install(FILES ${unit_out} DESTINATION ${QUORVANE_SYSTEMD_UNIT_DIR})
    endforeach()
    install(FILES contrib/systemd/quorvane.timer contrib/systemd/quorvane@.timer
            DESTINATION ${QUORVANE_SYSTEMD_UNIT_DIR})
    # Removing the package stops the timer and the service and disables
    # the timer, as Debian's helpers do for the units they install.
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
        ${CMAKE_CURRENT_SOURCE_DIR}/contrib/debian/prerm
        ${CMAKE_CURRENT_SOURCE_DIR}/contrib/debian/postrm)
  endif()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME quorvane)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "point hosts-file names at the addresses of dynamic-DNS domains")
  set(CPACK_PACKAGE_DESCRIPTION
      "Quorvane resolves dynamic-DNS domains and points host names at their
current IPv4 addresses through lines of its own in /etc/hosts, touching no
other byte of the file. A systemd timer (quorvane.timer, not enabled on
installation) runs it every 10 minutes from /etc/Quorvane.list.")
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Folders and control files with the modes Debian expects, whatever the
  # umask.
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb_permissions.cmake)
endif()

include(CPack)
