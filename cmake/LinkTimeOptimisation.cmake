# Link-time optimisation of the trillo executable.
#
# The dump's hot path crosses the layers once per line (text parser, reader,
# dump writer), each behind a virtual call in a library of its own; across
# them the optimiser can inline what the program really calls.  It takes
# about 7 % off the dump's time.
#
# The executable is then built from a copy of the libraries' sources compiled
# for link-time optimisation; the libraries themselves, which are installed
# and which the tests use, stay ordinary archives of machine code, usable by
# any compiler and linker.  Only with g++ (whose intermediate code the rest of
# the toolchain here handles), not in builds that instrument the code
# (sanitizers, fuzzing), and only in optimised configurations.

set(_trillo_lto_configs RELEASE RELWITHDEBINFO MINSIZEREL)

set(_trillo_lto_wanted OFF)
if(TRILLO_LTO AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT TRILLO_SANITIZE AND NOT TRILLO_FUZZ)
  string(TOUPPER "${CMAKE_BUILD_TYPE}" _trillo_build_type)
  if(CMAKE_CONFIGURATION_TYPES OR _trillo_build_type IN_LIST _trillo_lto_configs)
    include(CheckIPOSupported)
    check_ipo_supported(RESULT _trillo_lto_supported OUTPUT _trillo_lto_output LANGUAGES CXX)
    if(_trillo_lto_supported)
      set(_trillo_lto_wanted ON)
    else()
      message(STATUS "trillo: no link-time optimisation: ${_trillo_lto_output}")
    endif()
  endif()
endif()
message(STATUS "trillo: link-time optimisation ${_trillo_lto_wanted}")

# Turns link-time optimisation on for target in the optimised configurations.
function(_trillo_optimise_at_link_time target)
  foreach(config ${_trillo_lto_configs})
    set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION_${config} ON)
  endforeach()
endfunction()

# Links the executable tool: with trillo_app and the libraries below it, or,
# with link-time optimisation, with its own copy of all their sources.
function(trillo_link_tool tool)
  if(NOT _trillo_lto_wanted)
    target_link_libraries(${tool} PRIVATE trillo_app)
    return()
  endif()
  set(copy ${tool}_lto_objects)
  add_library(${copy} OBJECT)
  foreach(library trillo_smf trillo_vsq trillo_app)
    get_target_property(sources ${library} SOURCES)
    get_target_property(directory ${library} SOURCE_DIR)
    foreach(source ${sources})
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${directory}")
      target_sources(${copy} PRIVATE "${source}")
    endforeach()
  endforeach()
  foreach(layer common smf vsq app)
    target_include_directories(${copy} PUBLIC "${PROJECT_SOURCE_DIR}/${layer}/include")
  endforeach()
  trillo_warnings(${copy})
  _trillo_optimise_at_link_time(${copy})
  target_link_libraries(${tool} PRIVATE ${copy})
  _trillo_optimise_at_link_time(${tool})
  # Most code is generated at the link, which sees only the link's flags.
  target_link_options(${tool} PRIVATE ${TRILLO_WARNING_FLAGS})
endfunction()
