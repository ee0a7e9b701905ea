# The Debian package: `cpack -G DEB` in the build folder (the Makefile's `make package`) gives
# tallyer_<version>_<arch>.deb with everything `cmake --install` puts under /usr. The library
# dependencies are found by dpkg-shlibdeps (from dpkg-dev) on the installed executables. What
# Debian's policy asks of a package beyond the installed tree (compressed manual pages, the
# changelog, binaries without their .comment section) is done to the staged tree by
# cmake/debian-layout.cmake, so that `cmake --install` stays plain; lintian on the package
# reports no error and no warning (test package_lintian).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tallyer)
set(CPACK_PACKAGE_VENDOR Mavo)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calculator built like a paper adding-machine tape")
# Each line of the long description at most 80 characters, for 80-column terminals.
set(CPACK_PACKAGE_DESCRIPTION "Tallyer is a desktop calculator that works like the paper tape
of an adding machine: one expression over many rows, evaluated at every
keystroke, with rounding, a sub result of the selection, ten memory cells,
amounts in words and a command-line companion, tallyer-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Mavo <tallyer@mavo.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://mavo.example/tallyer)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The staged folders as Debian wants them (0755), whatever the builder's umask; files get their
# modes from install().
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
# Qt's Wayland platform plugin: without it the program runs through XWayland only.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
# Qt's own translations: the editor's menu, the file and print dialogs and the message boxes'
# buttons in the user's language. Added to what dpkg-shlibdeps finds.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-translations-l10n)

# The copyright file goes wherever the program is installed, in the machine-readable format.
install(FILES ${PROJECT_SOURCE_DIR}/resources/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/tallyer)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian-layout.cmake)
set(CPACK_TALLYER_CHANGELOG ${PROJECT_SOURCE_DIR}/resources/debian/changelog)
set(CPACK_TALLYER_OBJCOPY ${CMAKE_OBJCOPY})
include(CPack)

# The package built last is linted, when there is one; skipped otherwise.
if(BUILD_TESTING)
    add_test(NAME package_lintian COMMAND ${PROJECT_SOURCE_DIR}/cmake/lint-package.sh ${CMAKE_BINARY_DIR})
    set_tests_properties(package_lintian PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
