# Installation and the Debian package (cpack -G DEB in the build folder gives
# vialar_VERSION_amd64.deb): the program and vialar-tool (stripped), their manual
# pages, the desktop entry, icon and AppStream metadata, and under
# /usr/share/doc/vialar the copyright, the changelog and the configuration example.
# scripts/test-package checks the result with lintian, appstreamcli and
# desktop-file-validate.
set(packaging ${PROJECT_SOURCE_DIR}/packaging)

# The project's one version number is PROJECT_VERSION; the changelog and the
# AppStream release list name it too, and a release that forgets one of them stops
# here rather than shipping a package that contradicts itself.
file(STRINGS ${packaging}/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^vialar \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog's first entry is not version ${PROJECT_VERSION}")
endif()
file(READ ${packaging}/vialar.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<release version=\"${PROJECT_VERSION}\"")
    message(FATAL_ERROR "packaging/vialar.metainfo.xml has no release ${PROJECT_VERSION}")
endif()

# Manual pages and changelog, compressed as Debian wants them (gzip -n: no name or
# time stamp, so the same text gives the same bytes). They are made when the package
# is made (at install time), not by every build: vialar-tool's page is written from
# the built tool's own help, so it always lists the commands the tool has, and a
# sanitizer or fuzzing build never has to run its instrumented tool for it.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(package_documents ${CMAKE_CURRENT_BINARY_DIR}/package-documents)
configure_file(${packaging}/vialar.1 ${package_documents}/vialar.1 @ONLY)
configure_file(${packaging}/changelog ${package_documents}/changelog COPYONLY)
install(CODE "
    execute_process(
        COMMAND ${Python3_EXECUTABLE} ${packaging}/make-tool-manpage
                \"$<TARGET_FILE:vialar-tool>\" ${PROJECT_VERSION}
        OUTPUT_FILE ${package_documents}/vialar-tool.1 COMMAND_ERROR_IS_FATAL ANY)
    foreach(document vialar.1 vialar-tool.1 changelog)
        execute_process(COMMAND gzip -9n -c \${document}
                        WORKING_DIRECTORY ${package_documents}
                        OUTPUT_FILE ${package_documents}/\${document}.gz
                        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
")

install(TARGETS vialar vialar-tool RUNTIME DESTINATION bin)
install(FILES ${package_documents}/vialar.1.gz ${package_documents}/vialar-tool.1.gz
        DESTINATION share/man/man1)
install(FILES ${packaging}/vialar.desktop DESTINATION share/applications)
install(FILES ${packaging}/vialar.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${packaging}/vialar.metainfo.xml DESTINATION share/metainfo
        RENAME org.example.vialar.metainfo.xml)
install(FILES ${packaging}/copyright ${packaging}/vialar.conf.example
              ${package_documents}/changelog.gz
        DESTINATION share/doc/vialar)

# The nightly backup's systemd service and timer, as examples in the documentation: an
# administrator copies them to /etc/systemd/system and enables the timer; the package
# itself installs and enables no unit.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/systemd/vialar-backup.service
              ${PROJECT_SOURCE_DIR}/packaging/systemd/vialar-backup.timer
        DESTINATION share/doc/vialar/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vialar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vialar developers <vialar@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "registry of a municipality's streets and their laws")
# The extended description: one string, lines under 80 characters (a CMake list
# here would leak its ";" separators into the text that apt shows). CPack puts the
# summary above it.
set(CPACK_PACKAGE_DESCRIPTION "Vialar keeps a municipal council's registry of streets and public places,
each named by a municipal law, in a Firebird database, local or shared on
a server. Staff browse, search, add, change and delete streets, and print
the street listing or save it as PDF, CSV, text, HTML or a native page file.
.
vialar-tool prepares and checks databases and produces the listing without
a screen, for scheduled jobs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME "vialar_${PROJECT_VERSION}_amd64.deb")
# Debug information stays out of the package (the build folder keeps it).
set(CPACK_STRIP_FILES ON)
# The libraries the binaries link come from dpkg-shlibdeps. Listed by hand is only
# what is opened at run time, which no linker sees: Qt's platform plugins (offscreen
# for vialar-tool) and its translations of the standard dialogs, the Firebird client
# (loaded by name), the embedded engine for a local file, gfix and gbak for check-db
# and the backups, and the fonts the reports measure with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, libfbclient2, firebird3.0-server-core, \
firebird3.0-utils, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups-client")
include(CPack)
