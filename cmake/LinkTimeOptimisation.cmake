# Link-time optimisation of the libraries and the tools, in optimised g++
# builds: a line of text crosses the reader's layers behind virtual calls,
# which the optimiser can see through only at link time.
#
# The libraries' objects carry machine code beside the intermediate code
# (fat objects), so the archives link into programs built without it, as the
# tests and programs of other compilers are.
if(TRILLO_LTO AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT TRILLO_SANITIZE AND NOT TRILLO_FUZZ)
  include(CheckIPOSupported)
  check_ipo_supported(RESULT trillo_ipo_supported OUTPUT trillo_ipo_output LANGUAGES CXX)
  if(trillo_ipo_supported)
    foreach(target IN ITEMS trillo_smf trillo_vsq trillo_dump trillo_programs trillo trillo-pack)
      foreach(config IN ITEMS RELEASE RELWITHDEBINFO MINSIZEREL)
        set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION_${config} ON)
      endforeach()
    endforeach()
    foreach(target IN ITEMS trillo_smf trillo_vsq trillo_dump trillo_programs)
      target_compile_options(${target} PRIVATE $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-ffat-lto-objects>)
    endforeach()
    # Most code is generated at the link: the warnings apply there too.
    target_link_options(trillo PRIVATE ${TRILLO_WARNING_FLAGS})
    target_link_options(trillo-pack PRIVATE ${TRILLO_WARNING_FLAGS})
  else()
    message(STATUS "trillo: no link-time optimisation: ${trillo_ipo_output}")
  endif()
endif()
