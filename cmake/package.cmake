# `cpack -G DEB` in a build configured with CMAKE_INSTALL_PREFIX=/usr makes
# the Debian package from what install.cmake installs (scripts/package.sh).
set(CPACK_PACKAGE_NAME portkit)
set(CPACK_PACKAGE_VENDOR "portkit developers")
set(CPACK_PACKAGE_CONTACT "portkit developers <portkit@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serial-communications library with a C API, and the portkit tool")
set(CPACK_PACKAGE_DESCRIPTION "portkit opens and configures serial ports, reads and writes with time-outs,
drives Hayes modems, moves files with XMODEM, YMODEM, ZMODEM, Kermit and
CompuServe B+, and runs an ANSI terminal. This package holds the shared
library, its headers, pkg-config and CMake files, and the portkit tool.")
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
# dpkg-shlibdeps (dpkg-dev) reads the dependencies from the binaries, offline.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library's soname for the package's shlibs file, so packages built
# against it get their dependency on it from dpkg-shlibdeps in turn.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
include(CPack)
