# Makes the Windows zip with cpack in BUILD_DIR, unpacks it into WORK, checks
# that it holds what a Windows user needs, and runs its trillo.exe (under
# EMULATOR) on EXAMPLE from a folder with nothing else beside it: no DLL is
# missing, and the dump is TRILLO's.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND ${CPACK} -G ZIP -B "${WORK}" WORKING_DIRECTORY "${BUILD_DIR}" RESULT_VARIABLE failed
                OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(failed)
  message(FATAL_ERROR "cpack failed:\n${log}")
endif()
set(zip "${WORK}/trillo-${VERSION}-windows-x86_64.zip")
if(NOT EXISTS "${zip}")
  message(FATAL_ERROR "cpack made no ${zip}:\n${log}")
endif()
file(ARCHIVE_EXTRACT INPUT "${zip}" DESTINATION "${WORK}/unpacked")
set(folder "${WORK}/unpacked/trillo-${VERSION}-windows-x86_64")
file(GLOB contents RELATIVE "${folder}" "${folder}/*")
list(SORT contents)
set(expected LICENSE.txt README.md trillo-pack.exe trillo-pack.txt trillo.exe trillo.txt)
if(NOT contents STREQUAL expected)
  message(FATAL_ERROR "the zip holds ${contents}, not ${expected}")
endif()
file(READ "${folder}/trillo-pack.txt" manual)
if(NOT manual MATCHES "--output")
  message(FATAL_ERROR "trillo-pack.txt is not the manual of trillo-pack")
endif()
execute_process(COMMAND ${EMULATOR} "${folder}/trillo.exe" "${EXAMPLE}" RESULT_VARIABLE status
                OUTPUT_VARIABLE unpacked ERROR_VARIABLE errors)
execute_process(COMMAND ${EMULATOR} "${TRILLO}" "${EXAMPLE}" OUTPUT_VARIABLE built)
if(NOT status EQUAL 0 OR NOT unpacked STREQUAL built OR NOT unpacked MATCHES "^\\[Master\\]\n")
  message(FATAL_ERROR "the zip's trillo.exe ended with ${status}: ${errors}\n${unpacked}")
endif()
message(STATUS "the zip holds ${contents}, and its trillo.exe runs alone")
