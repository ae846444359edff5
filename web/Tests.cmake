# The web tests, from a native build: web/run-tests.sh runs `npm ci` when
# needed, `npm run build` (Emscripten, into this build folder) and `npm test`:
# the module against this build's trillo in node, and the page in headless
# Chromium, on the shared cases that the build writes (tests/CMakeLists.txt).  Every tool they need must be there: a missing one stops the
# configuration instead of leaving the tests out.
set(trillo_web_missing)
foreach(tool emcc emcmake ninja node npm chromium)
  find_program(TRILLO_WEB_${tool} ${tool})
  if(NOT TRILLO_WEB_${tool})
    list(APPEND trillo_web_missing ${tool})
  endif()
endforeach()
if(trillo_web_missing)
  list(JOIN trillo_web_missing ", " trillo_web_missing)
  message(FATAL_ERROR "The web tests need ${trillo_web_missing}, which cannot be found: install them "
                      "(apt-get install emscripten ninja-build chromium, and node with npm) or configure "
                      "with -DTRILLO_WEB_TESTS=OFF.")
endif()

add_test(NAME web
         COMMAND ${CMAKE_COMMAND} -E env TRILLO_BIN=$<TARGET_FILE:trillo>
                 TRILLO_CASES=$<TARGET_PROPERTY:trillo_cases,TRILLO_CASES_FOLDER>
                 TRILLO_WEB_BUILD=${CMAKE_CURRENT_BINARY_DIR}/wasm TRILLO_WERROR=${TRILLO_WERROR}
                 ${CMAKE_CURRENT_SOURCE_DIR}/run-tests.sh)
# The first build compiles the libraries with Emscripten, one file at a time.
set_tests_properties(web PROPERTIES TIMEOUT 1800)
