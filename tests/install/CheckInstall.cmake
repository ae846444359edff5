# Installs the build folder BUILD_DIR into a prefix under WORK, checks what
# lands there, then builds examples/consumer against the installed CMake
# package (and, where pkg-config exists, with the flags of trillo.pc alone)
# and runs it on the bundled examples.
#
# Variables: BUILD_DIR, CONFIG, SOURCE_DIR, WORK, GENERATOR, MAKE_PROGRAM, CXX, LIBDIR,
# VERSION, TRILLO and TRILLO_PACK (the built tools), SANITIZE_FLAGS (link flags that the instrumented libraries need).
cmake_minimum_required(VERSION 3.20)
include("${CMAKE_CURRENT_LIST_DIR}/Common.cmake")

set(prefix "${WORK}/prefix")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(config_option)
if(CONFIG)
  set(config_option --config "${CONFIG}")
endif()

# --- the install -------------------------------------------------------------
run_checked("cmake --install" out err "${CMAKE_COMMAND}" --install "${BUILD_DIR}" ${config_option}
            --prefix "${prefix}")

foreach(file IN ITEMS bin/trillo share/man/man1/trillo.1 bin/trillo-pack share/man/man1/trillo-pack.1
                      ${LIBDIR}/libtrillo_smf.a ${LIBDIR}/libtrillo_vsq.a
                      ${LIBDIR}/cmake/trillo/trilloConfig.cmake
                      ${LIBDIR}/cmake/trillo/trilloConfigVersion.cmake
                      ${LIBDIR}/cmake/trillo/trilloTargets.cmake ${LIBDIR}/pkgconfig/trillo.pc
                      share/doc/trillo/copyright share/doc/trillo-dev/copyright)
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

# The license, in each package's doc folder.
file(READ "${SOURCE_DIR}/LICENSE" license)
expect_contains("LICENSE" "${license}" "MIT License\n\nCopyright (c) 2026 the trillo developers\n")
foreach(package IN ITEMS trillo trillo-dev)
  file(READ "${prefix}/share/doc/${package}/copyright" copyright)
  expect_equal("installed share/doc/${package}/copyright" "${copyright}" "${license}")
endforeach()

# Exactly the headers of the three public include folders, nothing from src/.
file(GLOB_RECURSE installed RELATIVE "${prefix}/include" "${prefix}/include/*")
set(public)
foreach(folder IN ITEMS common smf vsq)
  file(GLOB_RECURSE headers RELATIVE "${SOURCE_DIR}/${folder}/include" "${SOURCE_DIR}/${folder}/include/*.h")
  list(APPEND public ${headers})
endforeach()
list(SORT installed)
list(SORT public)
expect_equal("installed headers" "${installed}" "${public}")
foreach(header IN ITEMS orbt/Exceptions.h orbsmf/ByteRange.h orbsmf/Parser.h orbsmf/Writer.h liedwerk/ParseVSQ.h
                       liedwerk/Hooks.h liedwerk/WriteVSQ.h)
  if(NOT header IN_LIST installed)
    message(FATAL_ERROR "public header not installed: ${header}")
  endif()
endforeach()

foreach(tool IN ITEMS trillo trillo-pack)
  file(READ "${prefix}/share/man/man1/${tool}.1" page)
  expect_contains("installed man page of ${tool}" "${page}" "\"trillo ${VERSION}\"")
endforeach()

# The installed tools are the built ones.
expect_same_dump("${prefix}/bin/trillo" "${TRILLO}" "${SOURCE_DIR}/examples/two-voices.vsq")
expect_same_pack("${prefix}/bin/trillo-pack" "${TRILLO_PACK}" "${TRILLO}" "${SOURCE_DIR}/examples/song.vsq" "${WORK}")

# --- what the consumer prints ------------------------------------------------
set(song_summary "2 voices, division 480
tick,event,value
0,time,4/4
0,tempo,120.00
1920,tempo,130.00
3840,time,3/4
track 1: sections 3, fields 9 (Voice, Notes, Expression)
")
set(song_summary_end "track 2: sections 2, fields 4 (Voice, Notes)
")
set(two_voices_summary "2 voices, division 480
tick,event,value
0,tempo,120.00
0,time,4/4
track 1: sections 1, fields 2 (Alpha)
track 2: sections 1, fields 2 (Alpha)
")

# docs/library.md quotes the consumer and its output as they are.
file(READ "${SOURCE_DIR}/docs/library.md" guide)
file(READ "${SOURCE_DIR}/examples/consumer/vsq_summary.cpp" source)
file(READ "${SOURCE_DIR}/examples/consumer/CMakeLists.txt" lists)
expect_contains("docs/library.md" "${guide}" "\n```cpp\n${source}```\n")
expect_contains("docs/library.md" "${guide}" "\n```cmake\n${lists}```\n")
expect_contains("docs/library.md" "${guide}" "\n```\n${song_summary}${song_summary_end}```\n")

# Runs the consumer PROGRAM on INPUT and checks its output, errors and status.
function(expect_summary program input out err status)
  execute_process(COMMAND "${program}" "${input}" RESULT_VARIABLE got_status
                  OUTPUT_VARIABLE got_out ERROR_VARIABLE got_err)
  expect_equal("${input}: standard output" "${got_out}" "${out}")
  expect_equal("${input}: standard error" "${got_err}" "${err}")
  expect_equal("${input}: status" "${got_status}" "${status}")
endfunction()

# --- the consumer, built with find_package -------------------------------------
set(consumer "${WORK}/consumer")
run_checked("configuring examples/consumer" out err
            "${CMAKE_COMMAND}" -S "${SOURCE_DIR}/examples/consumer" -B "${consumer}" -G "${GENERATOR}"
            "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}" "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_PREFIX_PATH=${prefix}" -DCMAKE_BUILD_TYPE=Release
            -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF "-DCMAKE_EXE_LINKER_FLAGS=${SANITIZE_FLAGS}")
expect_contains("configuring examples/consumer" "${out}"
                "Found trillo ${VERSION} in ${prefix}/${LIBDIR}/cmake/trillo\n")
run_checked("building examples/consumer" out err "${CMAKE_COMMAND}" --build "${consumer}" --config Release)
set(program "${consumer}/vsq_summary")
if(NOT EXISTS "${program}")
  set(program "${consumer}/Release/vsq_summary") # a multi-config generator
endif()

expect_summary("${program}" "${SOURCE_DIR}/examples/song.vsq" "${song_summary}${song_summary_end}" "" 0)
expect_summary("${program}" "${SOURCE_DIR}/examples/two-voices.vsq" "${two_voices_summary}" "" 0)

# Cut short by its last byte: the empty range at the end of input makes the
# reader throw, after the events that came before.
file(SIZE "${SOURCE_DIR}/examples/song.vsq" size)
math(EXPR cut "${size} - 1")
execute_process(COMMAND head -c ${cut} "${SOURCE_DIR}/examples/song.vsq" OUTPUT_FILE "${WORK}/cut.vsq"
                RESULT_VARIABLE status)
file(SIZE "${WORK}/cut.vsq" cut_size)
expect_equal("cutting song.vsq (${status})" "${cut_size}" "${cut}")
expect_summary("${program}" "${WORK}/cut.vsq" "${song_summary}" "vsq_summary: the file ends too early\n" 1)

# One byte more: feed returns false with that byte left over.
run_checked("copying song.vsq" out err "${CMAKE_COMMAND}" -E copy "${SOURCE_DIR}/examples/song.vsq"
            "${WORK}/trailing.vsq")
file(APPEND "${WORK}/trailing.vsq" "x")
expect_summary("${program}" "${WORK}/trailing.vsq" "${song_summary}${song_summary_end}"
               "vsq_summary: bytes follow the last track\n" 1)

# --- the consumer, built with the flags of trillo.pc ----------------------------
# Without pkg-config the rest has passed, but the whole check reports itself
# as skipped: a missing tool is never a silent pass.
find_or_skip(PKG_CONFIG pkg-config)
set(ENV{PKG_CONFIG_PATH} "${prefix}/${LIBDIR}/pkgconfig")
run_checked("pkg-config --modversion" version err "${PKG_CONFIG}" --modversion trillo)
expect_equal("pkg-config --modversion trillo" "${version}" "${VERSION}\n")
run_checked("pkg-config --cflags --libs" flags err "${PKG_CONFIG}" --cflags --libs trillo)
separate_arguments(flags UNIX_COMMAND "${flags}")
set(include_dirs ${flags})
list(FILTER include_dirs INCLUDE REGEX "^-I")
list(TRANSFORM include_dirs REPLACE "^-I" "")
list(LENGTH include_dirs count)
expect_equal("include folders of trillo.pc (${flags})" "${count}" "1")
file(REAL_PATH "${include_dirs}" include_dir)
file(REAL_PATH "${prefix}/include" expected_include_dir)
expect_equal("include folder of trillo.pc" "${include_dir}" "${expected_include_dir}")
foreach(lib IN ITEMS -ltrillo_vsq -ltrillo_smf)
  if(NOT lib IN_LIST flags)
    message(FATAL_ERROR "trillo.pc lacks ${lib}: ${flags}")
  endif()
endforeach()
separate_arguments(sanitize UNIX_COMMAND "${SANITIZE_FLAGS}")
run_checked("compiling with trillo.pc" out err "${CXX}" -std=c++17 ${sanitize}
            "${SOURCE_DIR}/examples/consumer/vsq_summary.cpp" -o "${WORK}/vsq_summary_pc" ${flags})
expect_summary("${WORK}/vsq_summary_pc" "${SOURCE_DIR}/examples/two-voices.vsq" "${two_voices_summary}" "" 0)
message(STATUS "installed, embedded with find_package and with pkg-config")
