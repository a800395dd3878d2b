# What `cmake --install` puts beside the program, and the packages CPack
# makes of it.
#
#   bin/Quorvane                               the program
#   share/man/man1/Quorvane.1                  its manual page
#   share/doc/quorvane/Quorvane.list.example   a sample list file
#   lib/systemd/system/quorvane.{service,timer}
#       with -DQUORVANE_INSTALL_SYSTEMD=ON: run the program at boot and
#       every 10 minutes (QUORVANE_SYSTEMD_UNIT_DIR moves them)
#
# The `package` preset builds the .deb: cmake --preset package &&
# cmake --build --preset package --target package.
#
# On Windows the package is a .zip (cmake --build --preset windows-x86
# --target package) holding, in one folder, Quorvane.exe, a plain-text
# README.txt, the Task Scheduler task and the sample list file.

if(WIN32)
  install(TARGETS Quorvane RUNTIME DESTINATION .)
  install(FILES contrib/windows/README.txt contrib/windows/Quorvane.xml
                contrib/Quorvane.list.example
          DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME quorvane)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME windows-x86)
  else()
    set(CPACK_SYSTEM_NAME windows-x64)
  endif()
  set(CPACK_STRIP_FILES ON)
else()
  install(TARGETS Quorvane RUNTIME DESTINATION bin)
  install(FILES doc/Quorvane.1 DESTINATION share/man/man1)
  install(FILES contrib/Quorvane.list.example DESTINATION share/doc/quorvane)

  option(QUORVANE_INSTALL_SYSTEMD
         "Install the systemd service and timer that refresh the hosts file"
         OFF)
  set(QUORVANE_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING
      "Where the systemd units go, relative to the install prefix")
  if(QUORVANE_INSTALL_SYSTEMD)
    # The service names the program by its full path, which is known only
    # when installing (cmake --install --prefix, or CPack's /usr).
    set(unit_in ${CMAKE_CURRENT_SOURCE_DIR}/contrib/systemd/quorvane.service)
    set(unit_out ${CMAKE_CURRENT_BINARY_DIR}/contrib/systemd/quorvane.service)
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
    install(FILES ${unit_out} contrib/systemd/quorvane.timer
            DESTINATION ${QUORVANE_SYSTEMD_UNIT_DIR})
  endif()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME quorvane)
  set(CPACK_PACKAGE_VENDOR "Quorvane")
  set(CPACK_PACKAGE_CONTACT "Quorvane developers")
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
endif()

include(CPack)
