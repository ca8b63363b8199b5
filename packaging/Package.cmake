# The Debian package tarvex_<version>_<arch>.deb, made by cpack from the
# installation rules (scripts/package builds and checks it).
#
# Depends: the libraries the two programs link, as dpkg-shlibdeps finds them
# when cpack runs (PackageDepends.cmake.in), and what the program loads at run
# time: Qt's SQLite driver and the fonts its windows name. The LibreOffice
# plugin is left out of that scan: LibreOffice Calc is only recommended, and
# without it the export shows its warning. The PostgreSQL driver, for tables
# on a server, and Qt's own translations (the standard dialogs in the
# operator's language) are recommended as well.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarvex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Tarvex developers <tarvex@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "discharge tests with a programmable DC electronic load")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvex drives a programmable DC electronic load over a serial line for long
discharge tests of batteries and power sources. It shows each reading of
voltage, current and power on seven-segment readouts and strip charts, stores
every reading as a row of a local table kept per user, and stops the run by
itself when the voltage falls to the operator's minimum. The stored readings
are listed, printed as a report and copied into a LibreOffice Calc
spreadsheet.
.
The package also holds tarvex-loadsim, a simulator of the load on a
pseudo-terminal.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF) # see PackageDepends.cmake.in
set(TARVEX_PACKAGE_RUNTIME_DEPENDS
    "libqt6sql6-sqlite, fonts-dejavu-core, fonts-liberation, fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libreoffice-calc, libqt6sql6-psql, qt6-translations-l10n")

set(shlibdeps_dir ${CMAKE_CURRENT_BINARY_DIR}/shlibdeps)
file(WRITE ${shlibdeps_dir}/debian/control "")
configure_file(PackageDepends.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/PackageDepends.cmake.in @ONLY)
file(GENERATE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/PackageDepends.cmake
     INPUT ${CMAKE_CURRENT_BINARY_DIR}/PackageDepends.cmake.in)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/PackageDepends.cmake)
include(CPack)
