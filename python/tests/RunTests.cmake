# The Python package's test, run by CTest:
#   cmake -DPYTHON=/usr/bin/python3 -DSOURCE=<python/> -DWORK=<folder> -DTRILLO_BIN=<trillo>
#         -DTRILLO_CASES=<the shared cases' folder> -DCXX=<compiler> -DWERROR=<ON|OFF> -P RunTests.cmake
# installs the package as the README says, into a virtual environment of its
# own under WORK (offline: nothing comes from a package index), and runs its
# pytest suite with that environment's interpreter.  The build's files stay
# under WORK, and the extension is compiled by the compiler of the enclosing
# build, with its warnings as errors when it has them so.
foreach(var IN ITEMS PYTHON SOURCE WORK TRILLO_BIN TRILLO_CASES CXX WERROR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunTests.cmake needs -D${var}=...")
  endif()
endforeach()

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${what} failed (status ${status})")
  endif()
endfunction()

set(venv "${WORK}/venv")
if(NOT EXISTS "${venv}/bin/python")
  run("creating the virtual environment" "${PYTHON}" -m venv --system-site-packages "${venv}")
endif()

# setuptools' own build folders, which would be made in the source tree.
file(WRITE "${WORK}/setup.cfg" "[build]\nbuild_base = ${WORK}/build\n[egg_info]\negg_base = ${WORK}\n")
set(ENV{DIST_EXTRA_CONFIG} "${WORK}/setup.cfg")
set(ENV{CXX} "${CXX}")
set(ENV{TRILLO_CMAKE_ARGS} "-DTRILLO_WERROR=${WERROR}")
run("installing the package"
    "${venv}/bin/python" -m pip install --quiet --no-index --no-build-isolation --force-reinstall --no-deps "${SOURCE}")

# pytest's status 5 (no tests collected) fails like any other non-zero one.
set(ENV{TRILLO_BIN} "${TRILLO_BIN}")
set(ENV{TRILLO_CASES} "${TRILLO_CASES}")
execute_process(COMMAND "${venv}/bin/python" -m pytest -p no:cacheprovider -q -rsx "${SOURCE}/tests"
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
