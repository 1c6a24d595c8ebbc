# Installation and the Debian package: `cpack -G DEB` in the build folder makes
# tallyminder_<version>_<arch>.deb with the program, its help page, menu entry, icons, AppStream
# metadata, man page and copyright. Library dependencies are computed by dpkg-shlibdeps.
include(GNUInstallDirs)

# Installing needs only the program and the man page, not every test and benchmark.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(packaging ${CMAKE_SOURCE_DIR}/packaging)

# The man page, gzipped as Debian wants it.
configure_file(${packaging}/tallyminder.1 ${CMAKE_BINARY_DIR}/packaging/tallyminder.1 @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/packaging/tallyminder.1.gz
    COMMAND gzip -9nf tallyminder.1 -k
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/tallyminder.1
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
add_custom_target(tallyminder_man ALL DEPENDS ${CMAKE_BINARY_DIR}/packaging/tallyminder.1.gz)
configure_file(${packaging}/org.tallyminder.Tallyminder.metainfo.xml
    ${CMAKE_BINARY_DIR}/packaging/org.tallyminder.Tallyminder.metainfo.xml @ONLY)

install(TARGETS tallyminder RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/help/index.html ${CMAKE_BINARY_DIR}/help/main-window.png DESTINATION ${CMAKE_INSTALL_DATADIR}/tallyminder/help)
install(FILES ${packaging}/tallyminder.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/packaging/org.tallyminder.Tallyminder.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging}/icons/tallyminder.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 256)
    install(FILES ${packaging}/icons/tallyminder-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tallyminder.png)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/packaging/tallyminder.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallyminder)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tallyminder developers")
set(CPACK_PACKAGE_CONTACT "Tallyminder developers <support@tallyminder.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "SMS appointment reminders for a small business")
set(CPACK_PACKAGE_DESCRIPTION
    "Tallyminder keeps a list of pending appointment reminders, a contact book with groups,\n\
standard messages and a log of sent items, and mails the pending list to the mailbox of an\n\
SMS gateway, which sends each message on the day chosen. The data is kept as plain text\n\
files in the user's folder ~/Tallyminder.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The logo is an SVG: Qt reads it through the image plugin of this package, which no library of
# the program links, so dpkg-shlibdeps cannot find it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# The help page opens in the desktop's browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
