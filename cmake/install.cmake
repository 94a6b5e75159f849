# What `cmake --install` puts where, and the Debian package made of it.
include(GNUInstallDirs)

install(TARGETS lumadrift RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The manual page, compressed as Debian's policy wants it.
set(man_page ${CMAKE_CURRENT_BINARY_DIR}/lumadrift.1.gz)
add_custom_command(
  OUTPUT ${man_page}
  COMMAND gzip -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/data/lumadrift.1 > ${man_page}
  DEPENDS data/lumadrift.1
  COMMENT "Compressing the manual page")
add_custom_target(manual_page ALL DEPENDS ${man_page})
install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES data/lumadrift.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/lumadrift.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
install(FILES data/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# For xscreensaver's settings: the program among the screen savers to choose.
install(FILES data/lumadrift.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)

# Bash completion goes where bash-completion looks when that is inside the
# install prefix, else to the usual place under the data directory.
set(completion_dir ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_get_variable(bash_completions bash-completion completionsdir)
  if(bash_completions)
    file(RELATIVE_PATH relative ${CMAKE_INSTALL_PREFIX} ${bash_completions})
    if(NOT relative MATCHES "^\\.\\.")
      set(completion_dir ${relative})
    endif()
  endif()
endif()
install(FILES data/lumadrift.bash-completion DESTINATION ${completion_dir} RENAME lumadrift)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumadrift)
set(CPACK_PACKAGE_VENDOR "The Lumadrift authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "letters and pictures fly far, far away on an X display")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Lumadrift lays out text, text files, standard input and XPM pictures as one\n"
  "long picture and flies it on a floor running away from the viewer, in a\n"
  "window of its own or on the root window as a moving desktop background.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Lumadrift authors")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies are the libraries the program is linked against, found by
# dpkg-shlibdeps, with the versions this build needs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A font of wide coverage for the fallback: the whole Basic Multilingual
# Plane at 16 pixels, the height of the default font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-unifont)
set(CPACK_STRIP_FILES ON)
include(CPack)
