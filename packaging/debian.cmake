# The Debian package, made by `cpack -G DEB` in the build folder. It holds what
# `cmake --install` installs, under /usr.
set(MAREL_PACKAGE_MAINTAINER "Marel maintainers <marel@example.org>" CACHE STRING
    "The Debian package's Maintainer field: name <address>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marel)
set(CPACK_PACKAGE_VENDOR "The Marel authors")
set(CPACK_PACKAGE_CONTACT "${MAREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time demonstration of water waves passing through a slit")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${PROJECT_SOURCE_DIR}/packaging/description.txt)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # marel_<version>_<architecture>.deb
# A cross build is packaged for the machine it was built for: cpack would
# otherwise take the building machine's architecture from dpkg.
if(CMAKE_CROSSCOMPILING AND CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
endif()
# A teaching demo: section education, like the desktop entry's category. Not
# games, whose programs Debian keeps in /usr/games rather than /usr/bin.
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends comes from the binary's own libraries, through dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The control files get 0644 (0755 for scripts) whatever the builder's umask;
# the folders' modes are set with the install rules.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
