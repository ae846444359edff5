# Runs cpack -G DEB on BUILD_DIR into WORK and checks both packages with
# dpkg-deb: their names, versions and files, that each holds the license as
# its copyright file, and that the packaged tool runs.
#
# Variables: CPACK, BUILD_DIR, CONFIG, WORK, VERSION, TRILLO, TRILLO_PACK, EXAMPLE, LICENSE.
cmake_minimum_required(VERSION 3.20)
include("${CMAKE_CURRENT_LIST_DIR}/Common.cmake")

find_or_skip(DPKG_DEB dpkg-deb)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(config_option)
if(CONFIG)
  set(config_option -C "${CONFIG}")
endif()

run_checked("cpack -G DEB" out err "${CPACK}" -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" ${config_option}
            -B "${WORK}")

# Checks the package NAME: its control fields, and the files that it must
# and must not hold (paths as dpkg-deb -c lists them).
function(check_package name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "HOLDS;LACKS")
  file(GLOB debs "${WORK}/${name}_${VERSION}_*.deb")
  list(LENGTH debs count)
  expect_equal("packages ${name}_${VERSION}_*.deb in ${WORK}" "${count}" "1")
  run_checked("dpkg-deb -f" fields err "${DPKG_DEB}" -f "${debs}" Package Version)
  expect_equal("control fields of ${debs}" "${fields}" "Package: ${name}\nVersion: ${VERSION}\n")
  run_checked("dpkg-deb -c" listing err "${DPKG_DEB}" -c "${debs}")
  foreach(path IN LISTS arg_HOLDS)
    expect_contains("dpkg-deb -c ${debs}" "${listing}" " ${path}\n")
  endforeach()
  foreach(path IN LISTS arg_LACKS)
    string(FIND "${listing}" " ${path}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "${debs} holds ${path}:\n${listing}")
    endif()
  endforeach()
  set(deb "${debs}" PARENT_SCOPE)
endfunction()

check_package(trillo HOLDS ./usr/bin/trillo ./usr/share/man/man1/trillo.1 ./usr/bin/trillo-pack
                           ./usr/share/man/man1/trillo-pack.1 ./usr/share/doc/trillo/copyright
                     LACKS ./usr/include/ ./usr/lib/ ./usr/share/doc/trillo-dev/)
set(runtime "${deb}")
check_package(trillo-dev
              HOLDS ./usr/include/orbt/Exceptions.h ./usr/include/orbsmf/Parser.h
                    ./usr/include/liedwerk/ParseVSQ.h ./usr/include/liedwerk/WriteVSQ.h
                    ./usr/include/orbsmf/Writer.h ./usr/lib/libtrillo_smf.a ./usr/lib/libtrillo_vsq.a
                    ./usr/lib/cmake/trillo/trilloConfig.cmake ./usr/lib/cmake/trillo/trilloConfigVersion.cmake
                    ./usr/lib/pkgconfig/trillo.pc ./usr/share/doc/trillo-dev/copyright
              LACKS ./usr/bin/ ./usr/share/man/ ./usr/share/doc/trillo/)
set(dev "${deb}")

# Each package's copyright file is the license.
file(READ "${LICENSE}" license)
set(packages trillo trillo-dev)
set(debs "${runtime}" "${dev}")
foreach(package deb IN ZIP_LISTS packages debs)
  run_checked("dpkg-deb -x" out err "${DPKG_DEB}" -x "${deb}" "${WORK}/${package}")
  file(READ "${WORK}/${package}/usr/share/doc/${package}/copyright" copyright)
  expect_equal("/usr/share/doc/${package}/copyright in ${deb}" "${copyright}" "${license}")
endforeach()

# The packaged tools are the built ones.
run_checked("dpkg-deb -x" out err "${DPKG_DEB}" -x "${runtime}" "${WORK}/root")
expect_same_dump("${WORK}/root/usr/bin/trillo" "${TRILLO}" "${EXAMPLE}")
expect_same_pack("${WORK}/root/usr/bin/trillo-pack" "${TRILLO_PACK}" "${TRILLO}" "${EXAMPLE}" "${WORK}")
message(STATUS "built ${runtime} and its -dev package")
