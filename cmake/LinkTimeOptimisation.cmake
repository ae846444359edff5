# Link-time optimisation of the trillo executable.
#
# The dump's hot path crosses the layers once per line (text parser, reader,
# dump writer), each behind a virtual call in a library of its own; across
# them the optimiser can inline what the program really calls.  It takes
# about a tenth off the dump's time.
#
# Only with g++, whose libraries keep ordinary object code beside their
# intermediate code (-ffat-lto-objects): the installed archives then link into
# any program, with or without link-time optimisation.  Not in builds that
# instrument the code (sanitizers, fuzzing) nor in unoptimised builds.
set(_trillo_lto_wanted OFF)
if(TRILLO_LTO AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT TRILLO_SANITIZE AND NOT TRILLO_FUZZ
   AND CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo|MinSizeRel)$")
  include(CheckIPOSupported)
  check_ipo_supported(RESULT _trillo_lto_supported OUTPUT _trillo_lto_output LANGUAGES CXX)
  if(_trillo_lto_supported)
    set(_trillo_lto_wanted ON)
  else()
    message(STATUS "trillo: no link-time optimisation: ${_trillo_lto_output}")
  endif()
endif()

if(_trillo_lto_wanted)
  foreach(_target trillo_smf trillo_vsq trillo_app)
    set_property(TARGET ${_target} PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
    target_compile_options(${_target} PRIVATE -ffat-lto-objects)
  endforeach()
  set_property(TARGET trillo PROPERTY INTERPROCEDURAL_OPTIMIZATION ON)
endif()
message(STATUS "trillo: link-time optimisation ${_trillo_lto_wanted}")
