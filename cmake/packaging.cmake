# The Debian package: `cpack -G DEB` in the build folder (the Makefile's `make package`) gives
# tallyer_<version>_<arch>.deb with everything `cmake --install` puts under /usr. The library
# dependencies are found by dpkg-shlibdeps (from dpkg-dev) on the installed executables.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallyer)
set(CPACK_PACKAGE_VENDOR Mavo)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calculator built like a paper adding-machine tape")
set(CPACK_PACKAGE_DESCRIPTION "Tallyer is a desktop calculator that works like the paper tape of an
adding machine: one expression over many rows, evaluated at every keystroke, with
rounding, a sub result of the selection, ten memory cells, amounts in words and
a command-line companion, tallyer-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Mavo <tallyer@mavo.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://mavo.example/tallyer)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
