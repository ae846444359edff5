# Debian packages, from an ordinary build folder:
#
#   cd build && cpack -G DEB
#
# trillo_<version>_<arch>.deb      the tools and their man pages (component "runtime")
# trillo-dev_<version>_<arch>.deb  headers, static libraries, CMake package and
#                                  pkg-config file (component "dev")
#
# Each holds the license as /usr/share/doc/<package>/copyright (see Install.cmake).
# A zip for Windows, from the cross build (cmake/mingw-w64-x86_64.cmake):
#
#   cd build-win && cpack -G ZIP
#
# trillo-<version>-windows-x86_64.zip   one folder: trillo.exe, trillo-pack.exe,
#                                      their manuals as text, README.md, LICENSE.txt
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME trillo)
  set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
  set(CPACK_PACKAGE_FILE_NAME "trillo-${PROJECT_VERSION}-windows-x86_64")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
  return()
endif()

set(CPACK_PACKAGE_NAME trillo)
set(CPACK_PACKAGE_VENDOR "the trillo developers")
set(TRILLO_PACKAGE_CONTACT "trillo developers <trillo@example.org>"
    CACHE STRING "Maintainer written into the Debian packages")
set(CPACK_PACKAGE_CONTACT "${TRILLO_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "checker and reader of VSQ sequence files")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

# Debian puts the summary before each package's own description.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME trillo)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION utils)
string(CONCAT CPACK_COMPONENT_RUNTIME_DESCRIPTION
    "The command-line tool trillo: it checks one VSQ sequence file (a format-1\n"
    "Standard MIDI File whose voice tracks carry INI-like text) and prints its\n"
    "contents as INI-like text; and trillo-pack, which writes the file back\n"
    "from that text.")
set(CPACK_DEBIAN_DEV_PACKAGE_NAME trillo-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
string(CONCAT CPACK_COMPONENT_DEV_DESCRIPTION
    "The C++17 headers and static libraries of trillo's push parsers and\n"
    "writers for VSQ sequence files and Standard MIDI Files, with a CMake\n"
    "package and a pkg-config file, for embedding them in other programs.")

# The binary's library dependencies, where the Debian tools that find them exist.
find_program(TRILLO_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(TRILLO_FILE_UTILITY file)
if(TRILLO_DPKG_SHLIBDEPS AND TRILLO_FILE_UTILITY)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
