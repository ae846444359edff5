# Installation: the tools and their man pages (component "runtime"), and the
# readers and writers as a library for other programs (component "dev"): the public
# headers, the static libraries, a CMake package and a pkg-config file.  Each
# component brings the license along.
#
#   cmake --install build --prefix /some/prefix
#
# Every path is relative to the prefix, so one build installs into any prefix
# given at install time.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TRILLO_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/trillo")

# The public headers need C++17 (nested namespaces): consumers inherit that.
target_compile_features(trillo_common INTERFACE cxx_std_17)

foreach(page IN ITEMS trillo trillo-pack)
  configure_file("${PROJECT_SOURCE_DIR}/docs/${page}.1.in" "${PROJECT_BINARY_DIR}/docs/${page}.1" @ONLY)
endforeach()

# --- Windows: one folder with the programs, their manuals as text, the README
# and the license (cpack -G ZIP, see Packaging.cmake) ----------------------------
if(WIN32)
  find_program(TRILLO_GROFF groff)
  if(NOT TRILLO_GROFF)
    message(FATAL_ERROR "The manuals of the Windows zip are rendered by groff: apt-get install groff-base")
  endif()
  set(trillo_manual_texts)
  foreach(page IN ITEMS trillo trillo-pack)
    set(text "${PROJECT_BINARY_DIR}/docs/${page}.txt")
    # Plain text: no overstriking for bold or underlined words.
    add_custom_command(OUTPUT "${text}"
                       COMMAND ${TRILLO_GROFF} -man -Tutf8 -P-cbou "${PROJECT_BINARY_DIR}/docs/${page}.1" > "${text}"
                       DEPENDS "${PROJECT_SOURCE_DIR}/docs/${page}.1.in" VERBATIM)
    list(APPEND trillo_manual_texts "${text}")
  endforeach()
  add_custom_target(trillo_manual_texts ALL DEPENDS ${trillo_manual_texts})
  install(TARGETS trillo trillo-pack RUNTIME DESTINATION . COMPONENT runtime)
  install(FILES ${trillo_manual_texts} "${PROJECT_SOURCE_DIR}/README.md" DESTINATION . COMPONENT runtime)
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt COMPONENT runtime)
  return()
endif()

# --- the tools and their man pages ---------------------------------------------
install(TARGETS trillo trillo-pack RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT runtime)

foreach(page IN ITEMS trillo trillo-pack)
  install(FILES "${PROJECT_BINARY_DIR}/docs/${page}.1" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1"
          COMPONENT runtime)
endforeach()

# --- the license ---------------------------------------------------------------
# Into each Debian package's own doc folder, under the name that Debian gives
# the license file (share/doc/<package>/copyright): the packages are made from
# these rules, and two packages cannot own one path.
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/trillo"
        RENAME copyright COMPONENT runtime)
install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/trillo-dev"
        RENAME copyright COMPONENT dev)

# --- the library ---------------------------------------------------------------
# The three include/ folders as they are: orbt/, orbsmf/, liedwerk/.
install(DIRECTORY "${PROJECT_SOURCE_DIR}/common/include/" "${PROJECT_SOURCE_DIR}/smf/include/"
                  "${PROJECT_SOURCE_DIR}/vsq/include/"
        DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}" COMPONENT dev FILES_MATCHING PATTERN "*.h")

# The targets name the include folder "include" already; another one is added.
set(TRILLO_EXTRA_INCLUDES)
if(NOT CMAKE_INSTALL_INCLUDEDIR STREQUAL "include")
  set(TRILLO_EXTRA_INCLUDES INCLUDES DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")
endif()
install(TARGETS trillo_common trillo_smf trillo_vsq EXPORT trilloTargets
        ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT dev ${TRILLO_EXTRA_INCLUDES})
install(EXPORT trilloTargets NAMESPACE trillo:: FILE trilloTargets.cmake
        DESTINATION "${TRILLO_CMAKE_DIR}" COMPONENT dev)

configure_package_config_file("${PROJECT_SOURCE_DIR}/cmake/trilloConfig.cmake.in"
                              "${PROJECT_BINARY_DIR}/cmake/trilloConfig.cmake"
                              INSTALL_DESTINATION "${TRILLO_CMAKE_DIR}")
# 0.x: a new minor version may break the interface.
write_basic_package_version_file("${PROJECT_BINARY_DIR}/cmake/trilloConfigVersion.cmake"
                                 VERSION "${PROJECT_VERSION}" COMPATIBILITY SameMinorVersion)
install(FILES "${PROJECT_BINARY_DIR}/cmake/trilloConfig.cmake"
              "${PROJECT_BINARY_DIR}/cmake/trilloConfigVersion.cmake"
        DESTINATION "${TRILLO_CMAKE_DIR}" COMPONENT dev)

# pkg-config: the prefix is found from the .pc file's own place, so that the
# file stays right whatever prefix the install is given.
set(TRILLO_PC_DIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
if(IS_ABSOLUTE "${TRILLO_PC_DIR}")
  set(TRILLO_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH TRILLO_PC_UP "/root-of-prefix/${TRILLO_PC_DIR}" "/root-of-prefix")
  string(REGEX REPLACE "/$" "" TRILLO_PC_UP "${TRILLO_PC_UP}")
  set(TRILLO_PC_PREFIX "\${pcfiledir}/${TRILLO_PC_UP}")
endif()
foreach(kind IN ITEMS LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(TRILLO_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(TRILLO_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
configure_file("${PROJECT_SOURCE_DIR}/cmake/trillo.pc.in" "${PROJECT_BINARY_DIR}/cmake/trillo.pc" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/cmake/trillo.pc" DESTINATION "${TRILLO_PC_DIR}" COMPONENT dev)
