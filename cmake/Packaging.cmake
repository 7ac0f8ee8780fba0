# SPDX-License-Identifier: MIT
# Install rules and the Debian package (CPack, DEB generator).
#
#   cmake --build build --target package   ->  build/servo-console_<version>_<arch>.deb
#
# The package installs under /usr: the executables in /usr/bin; their menu
# entries, icons and manual pages, the AppStream metadata, the copyright file
# and the changelog in /usr/share. Its version is the project's (root
# CMakeLists.txt); the files that name it are made from packaging/*.in here.

include(GNUInstallDirs)

install(TARGETS servo-console RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The virtual board, where it is built.
if(TARGET servo-board)
    install(TARGETS servo-board RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(SERVO_CONSOLE_MAINTAINER "The servo-console developers <servo-console@example.org>"
    CACHE STRING "Maintainer field of the Debian package, and the changelog's and copyright's contact")

# The release's date, the same in every build of one source tree (reproducible
# builds): SOURCE_DATE_EPOCH when the builder sets it, else the last commit's.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                        OUTPUT_VARIABLE commitTime OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(commitTime MATCHES "^[0-9]+$")
            set(ENV{SOURCE_DATE_EPOCH} ${commitTime})
        endif()
    endif()
endif()
string(TIMESTAMP SERVO_CONSOLE_RELEASE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP SERVO_CONSOLE_RELEASE_TIME "%a, %d %b %Y %H:%M:%S +0000" UTC)

set(generated ${PROJECT_BINARY_DIR}/packaging)
set(metainfo org.example.servo_console.metainfo.xml)
foreach(file copyright changelog servo-console.1 servo-board.1 ${metainfo})
    configure_file(packaging/${file}.in ${generated}/${file} @ONLY)
endforeach()

# The changelog and the manual pages go in gzipped, without a name or time in
# the header (gzip -n), as Debian asks.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(gzipped)
foreach(file changelog servo-console.1 servo-board.1)
    add_custom_command(OUTPUT ${generated}/${file}.gz
                       COMMAND ${GZIP_EXECUTABLE} -9 -n -f -k ${file}
                       DEPENDS ${generated}/${file}
                       WORKING_DIRECTORY ${generated}
                       COMMENT "Compressing ${file}")
    list(APPEND gzipped ${generated}/${file}.gz)
endforeach()
add_custom_target(packaging_files ALL DEPENDS ${gzipped})

install(FILES packaging/servo-console.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/servo-console.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${generated}/servo-console.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(TARGET servo-board)
    install(FILES packaging/servo-board.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES packaging/servo-board.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    install(FILES ${generated}/servo-board.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(FILES ${generated}/${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES README.md ${generated}/copyright ${generated}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME servo-console)
set(CPACK_PACKAGE_VENDOR "The servo-console developers")
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
