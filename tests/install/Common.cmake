# Helpers shared by the install, man page and package checks (cmake -P).

# Runs a command; fails unless it exits with 0.  OUT and ERR name variables
# that receive its standard output and standard error.
function(run_checked what out err)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (${status}):\n${ARGN}\n${stdout}\n${stderr}")
  endif()
  set(${out} "${stdout}" PARENT_SCOPE)
  set(${err} "${stderr}" PARENT_SCOPE)
endfunction()

# Fails unless TEXT equals EXPECTED exactly.
function(expect_equal what text expected)
  if(NOT text STREQUAL expected)
    message(FATAL_ERROR "${what}: expected\n[${expected}]\nbut got\n[${text}]")
  endif()
endfunction()

# Fails unless TEXT contains PART.
function(expect_contains what text part)
  string(FIND "${text}" "${part}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${what}: [${part}] not found in\n${text}")
  endif()
endfunction()

# Fails unless PROGRAM, an installed or packaged copy of the tool, writes the
# same complete dump of EXAMPLE as BUILT, the tool of the build folder.
function(expect_same_dump program built example)
  run_checked("${program}" copy err "${program}" "${example}")
  run_checked("${built}" original err "${built}" "${example}")
  expect_equal("${program}'s dump of ${example}" "${copy}" "${original}")
  expect_contains("${program}'s dump of ${example}" "${copy}" "\n[Track01]\n")
endfunction()

# Fails unless PROGRAM, an installed or packaged copy of trillo-pack, writes
# the same file as BUILT, the trillo-pack of the build folder, from the dump
# that TRILLO writes of EXAMPLE; and unless that file dumps as EXAMPLE does.
function(expect_same_pack program built trillo example work)
  run_checked("${trillo}" dump err "${trillo}" "${example}")
  file(WRITE "${work}/dump.txt" "${dump}")
  foreach(which IN ITEMS copy built)
    if(which STREQUAL "copy")
      set(tool "${program}")
    else()
      set(tool "${built}")
    endif()
    execute_process(COMMAND "${tool}" "${work}/dump.txt" OUTPUT_FILE "${work}/${which}.vsq"
                    RESULT_VARIABLE status ERROR_VARIABLE stderr)
    expect_equal("${tool} ${work}/dump.txt (${stderr})" "${status}" "0")
  endforeach()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${work}/copy.vsq" "${work}/built.vsq"
                  RESULT_VARIABLE different)
  expect_equal("${program} and ${built} write the same file" "${different}" "0")
  run_checked("${trillo}" again err "${trillo}" "${work}/copy.vsq")
  expect_equal("the dump of what ${program} wrote" "${again}" "${dump}")
endfunction()

# Finds the program NAME into VAR, or ends the check as skipped (see
# SKIP_REGULAR_EXPRESSION) when it is not there.
macro(find_or_skip var name)
  find_program(${var} ${name})
  if(NOT ${var})
    message("SKIPPED: ${name} not found")
    return()
  endif()
endmacro()
