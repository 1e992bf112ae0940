# The function reference: docs/functions/ and docs/manual/ are compiled by vorpex_docgen into
# a table of the program (vorpex_help), the rendered manual and the man page.
add_executable(vorpex_docgen
  tools/docgen/main.cpp tools/docgen/reference_parser.cpp tools/docgen/reference_render.cpp
  tools/docgen/man_page.cpp src/help/func_signature.cpp)
target_link_libraries(vorpex_docgen PRIVATE vorpex_core)
vorpex_warnings(vorpex_docgen)

file(GLOB VORPEX_DOC_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/docs/functions/*.txt ${PROJECT_SOURCE_DIR}/docs/manual/*.md)
set(VORPEX_GENERATED ${CMAKE_BINARY_DIR}/generated)
add_custom_command(
  OUTPUT ${VORPEX_GENERATED}/func_help_table.cpp ${VORPEX_GENERATED}/manual.md
    ${VORPEX_GENERATED}/vorpex.1
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VORPEX_GENERATED}
  COMMAND vorpex_docgen ${PROJECT_SOURCE_DIR}/docs ${VORPEX_GENERATED}/func_help_table.cpp
    ${VORPEX_GENERATED}/manual.md ${VORPEX_GENERATED}/vorpex.1 ${PROJECT_VERSION}
  DEPENDS vorpex_docgen ${VORPEX_DOC_SOURCES}
  COMMENT "Generating the function reference, the manual and the man page")

add_library(vorpex_help STATIC src/help/func_help.cpp src/help/func_signature.cpp
  src/help/call_suggestions.cpp
  ${VORPEX_GENERATED}/func_help_table.cpp)
target_link_libraries(vorpex_help PUBLIC vorpex_core)
vorpex_warnings(vorpex_help)

# Copies the rendered manual over docs/manual.md (a test fails while they differ).
add_custom_target(update-manual
  COMMAND ${CMAKE_COMMAND} -E copy ${VORPEX_GENERATED}/manual.md
    ${PROJECT_SOURCE_DIR}/docs/manual.md
  DEPENDS ${VORPEX_GENERATED}/manual.md)
