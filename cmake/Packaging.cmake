# Install rules and the Debian package (CPack, DEB generator).
#
#   cmake --build build --target package   ->  build/servo-console_<version>_<arch>.deb
#
# The package installs under /usr: the executables in /usr/bin, the menu entry
# and the icon in /usr/share. Its version is the project's (root CMakeLists.txt).

include(GNUInstallDirs)

install(TARGETS servo-console RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The virtual board, where it is built.
if(TARGET servo-board)
    install(TARGETS servo-board RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES packaging/servo-console.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/servo-console.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(SERVO_CONSOLE_MAINTAINER "servo-console developers <servo-console@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME servo-console)
set(CPACK_PACKAGE_VENDOR "servo-console developers")
set(CPACK_PACKAGE_CONTACT "${SERVO_CONSOLE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Pose and animate a robot arm through a 32-channel servo board")
set(CPACK_PACKAGE_DESCRIPTION
    "servo-console moves the servos of a 32-channel hobby-servo controller\n"
    "board live from 32 slider columns, records poses as lines of an action\n"
    "sequence, edits the sequence and plays it back on a timer, and sends typed\n"
    "board commands over a serial port. Its user interface is in Simplified Chinese.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps adds the libraries the executables link (Qt 6 core, gui,
# widgets and serial port, the C++ runtime). The platform plugins are loaded at
# run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")

include(CPack)
