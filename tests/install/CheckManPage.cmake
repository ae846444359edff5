# Renders the man page PAGE of the tool TOOL with groff: no warning, the
# version filled in, exactly the error lines of README's table that belong to
# the tool (each byte for byte on a line of its own), and the dump that TRILLO
# really writes for EXAMPLE.
#
# Variables: PAGE, TOOL (trillo or trillo-pack), README, TRILLO, EXAMPLE, VERSION, WORK.
cmake_minimum_required(VERSION 3.20)
include("${CMAKE_CURRENT_LIST_DIR}/Common.cmake")

find_or_skip(GROFF groff)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

# -ww: every warning; -z: no output, so that standard error holds only warnings.
run_checked("groff -z" out warnings "${GROFF}" -man -Tutf8 -ww -z "${PAGE}")
expect_equal("groff warnings" "${warnings}" "")

# The text as man shows it, without bold or underlining.
run_checked("groff" text warnings "${GROFF}" -man -Tutf8 -ww -P-cbou "${PAGE}")
expect_equal("groff warnings" "${warnings}" "")
file(WRITE "${WORK}/${TOOL}.txt" "${text}")
string(REGEX REPLACE "\n[ \t]+" "\n" flat "${text}")
string(REGEX REPLACE "[ \t]+\n" "\n" flat "${flat}")
expect_contains("the page's footer" "${flat}" "\ntrillo ${VERSION} ")

# The error lines: a tag line of the diagnostics is indented by 7 columns.
# README has one table for both tools; a tool's lines begin with its usage
# line or its own prefix.
if(TOOL STREQUAL "trillo")
  set(own "(usage: trillo <|Error: )")
else()
  set(own "(usage: ${TOOL} |${TOOL}: )")
endif()
file(STRINGS "${README}" rows REGEX "^\\| `[^`]+` \\|")
set(documented)
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^\\| `([^`]+)` \\|.*" "\\1" line "${row}")
  if(line MATCHES "^${own}")
    list(APPEND documented "${line}")
  endif()
endforeach()
list(LENGTH documented count)
if(count LESS 4)
  message(FATAL_ERROR "README's table of error lines of ${TOOL} not found (${count} rows)")
endif()
string(REGEX MATCH "\nDIAGNOSTICS\n.*\nEXIT STATUS\n" diagnostics "${text}")
string(REGEX MATCHALL "\n       [^ \n][^\n]*" tags "${diagnostics}")
list(TRANSFORM tags REPLACE "^\n       " "")
list(FILTER tags INCLUDE REGEX "^${own}")
list(SORT documented)
list(SORT tags)
expect_equal("the page's error lines against README's" "${tags}" "${documented}")

# The example: the tool's own dump of the example file.
run_checked("trillo" dump err "${TRILLO}" "${EXAMPLE}")
expect_contains("the page's example" "${flat}" "\n${dump}")
message(STATUS "the man page renders cleanly with ${count} error lines")
