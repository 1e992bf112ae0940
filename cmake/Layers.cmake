# The engine's layers as static libraries, lowest first. A library may include only its own
# headers and those of the libraries it links; a check run with every build of the library
# fails on any other project header, so a low layer cannot reach into the engine.

# vorpex_layer(NAME FILES <sources and headers> DEPS <lower layer libraries>)
function(vorpex_layer name)
  cmake_parse_arguments(LAYER "" "" "FILES;DEPS" ${ARGN})
  set(sources ${LAYER_FILES})
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${LAYER_DEPS})
  vorpex_warnings(${name})

  # Headers this layer may include: its own and, through its links, those below it.
  set(headers "")
  foreach(file IN LISTS LAYER_FILES)
    if(file MATCHES "\\.h$")
      file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR}/src ${file})
      list(APPEND headers ${relative})
    endif()
  endforeach()
  set_property(TARGET ${name} PROPERTY VORPEX_LAYER_HEADERS ${headers})
  set(allowed ${headers})
  foreach(dep IN LISTS LAYER_DEPS)
    get_property(below TARGET ${dep} PROPERTY VORPEX_LAYER_ALLOWED)
    list(APPEND allowed ${below})
  endforeach()
  list(REMOVE_DUPLICATES allowed)
  set_property(TARGET ${name} PROPERTY VORPEX_LAYER_ALLOWED ${allowed})

  set(rules ${CMAKE_CURRENT_BINARY_DIR}/layers/${name}.cmake)
  file(WRITE ${rules} "set(LAYER ${name})\nset(FILES \"${LAYER_FILES}\")\nset(ALLOWED \"${allowed}\")\n")
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/layers/${name}.ok)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DRULES=${rules} -DSTAMP=${stamp}
      -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayer.cmake
    DEPENDS ${LAYER_FILES} ${rules} ${PROJECT_SOURCE_DIR}/cmake/CheckLayer.cmake
    COMMENT "Checking the includes of ${name}")
  add_custom_target(${name}_layer_check DEPENDS ${stamp})
  add_dependencies(${name} ${name}_layer_check)
endfunction()

# One folder per layer, its name the layer's: src/host, src/numbers, src/files, src/language
# and src/engine (the engine's command handlers sit under src/engine/commands/).
foreach(layer host numbers files language engine)
  string(TOUPPER ${layer} upper)
  file(GLOB_RECURSE VORPEX_${upper}_FILES CONFIGURE_DEPENDS src/${layer}/*.cpp src/${layer}/*.h)
endforeach()

vorpex_layer(vorpex_host FILES ${VORPEX_HOST_FILES} DEPS Threads::Threads)
vorpex_layer(vorpex_numbers FILES ${VORPEX_NUMBERS_FILES}
  DEPS vorpex_host PkgConfig::GMP PkgConfig::MPFR)
vorpex_layer(vorpex_files FILES ${VORPEX_FILES_FILES}
  DEPS vorpex_numbers PkgConfig::ISAL PkgConfig::LIBCRYPTO PkgConfig::XXHASH)
vorpex_layer(vorpex_language FILES ${VORPEX_LANGUAGE_FILES} DEPS vorpex_numbers)
vorpex_layer(vorpex_engine FILES ${VORPEX_ENGINE_FILES} DEPS vorpex_files vorpex_language)
