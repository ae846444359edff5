# The Python package's test, run by CTest:
#   cmake -DPYTHON=/usr/bin/python3 -DSOURCE=<python/> -DSTAGE=<folder> -DWORK=<folder>
#         -DTRILLO_BIN=<trillo> -DTRILLO_CASES=<the shared cases' folder> -P RunTests.cmake
# runs the package's pytest suite with Debian's Python, on the package that
# the build put together in STAGE (its Python files and the module that the
# build compiled), with WORK as the working folder.
foreach(var IN ITEMS PYTHON SOURCE STAGE WORK TRILLO_BIN TRILLO_CASES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunTests.cmake needs -D${var}=...")
  endif()
endforeach()

file(MAKE_DIRECTORY "${WORK}")
set(ENV{PYTHONPATH} "${STAGE}")
set(ENV{TRILLO_BIN} "${TRILLO_BIN}")
set(ENV{TRILLO_CASES} "${TRILLO_CASES}")
# pytest's status 5 (no tests collected) fails like any other non-zero one.
execute_process(COMMAND "${PYTHON}" -m pytest -p no:cacheprovider -q -rsx "${SOURCE}/tests"
                WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
message("${output}")
# A skipped or expected-to-fail test counts among the passed: it fails here.
if(output MATCHES "[0-9]+ (skipped|xfailed|xpassed)")
  message(FATAL_ERROR "pytest skipped tests or expected them to fail")
endif()
if(status EQUAL 5)
  message(FATAL_ERROR "pytest collected no tests")
elseif(NOT status EQUAL 0)
  message(FATAL_ERROR "pytest failed (status ${status})")
endif()
