# Installation and the Debian package (cpack -G DEB in the build folder gives
# vialar_VERSION_amd64.deb): the program, vialar-tool, the desktop entry and icon,
# and the configuration example under /usr/share/doc/vialar.
install(TARGETS vialar vialar-tool RUNTIME DESTINATION bin)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/vialar.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/vialar.svg
        DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/vialar.conf.example DESTINATION share/doc/vialar)

# The nightly backup's systemd service and timer, as examples in the documentation: an
# administrator copies them to /etc/systemd/system and enables the timer; the package
# itself installs and enables no unit.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/systemd/vialar-backup.service
              ${PROJECT_SOURCE_DIR}/packaging/systemd/vialar-backup.timer
        DESTINATION share/doc/vialar/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vialar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vialar <vialar@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Cadastro de logradouros do município")
set(CPACK_PACKAGE_DESCRIPTION
    "Vialar keeps a municipal council's registry of streets, each named by a law, in a\n"
    "Firebird database, and prints or saves the street listing. vialar-tool prepares and\n"
    "checks databases and produces the listing without a screen.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_FILE_NAME "vialar_${PROJECT_VERSION}_amd64.deb")
# What the program opens at run time: Qt with its platform plugins (offscreen for
# vialar-tool), the Firebird client, the embedded engine for a local file, gfix for
# check-db, and the libraries and fonts the reports draw with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6, libqt6gui6, libqt6widgets6, libqt6printsupport6, \
qt6-qpa-plugins, libfbclient2, firebird3.0-server-core, firebird3.0-utils, \
libicu72, libjpeg62-turbo, libfreetype6, libfontconfig1, fonts-liberation2, \
libc6, libstdc++6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client")
include(CPack)
