# The scan-language parser: its grammar is assembled from the fragments in
# grammar/ (scan_grammar_assemble.cmake), the token declarations are put
# in front (scan_tokens_bison.cmake), and bison makes the parser, which
# joins the scanlang library.
find_package(BISON 3.8 REQUIRED)
set(_scan_front ${CMAKE_SOURCE_DIR}/scanlang/front)
set(_scan_gen ${CMAKE_BINARY_DIR}/scanlang/front)
file(MAKE_DIRECTORY ${_scan_gen})
file(GLOB_RECURSE _scan_fragments CONFIGURE_DEPENDS ${_scan_front}/grammar/*.y)
add_custom_command(
  OUTPUT ${_scan_gen}/scan_parser.y
  COMMAND ${CMAKE_COMMAND} -DDIR=${_scan_front}/grammar -DOUT=${_scan_gen}/scan_grammar_body.y
          -P ${_scan_front}/scan_grammar_assemble.cmake
  COMMAND ${CMAKE_COMMAND} -DIN=${_scan_front}/scan_tokens.def -DOUT=${_scan_gen}/scan_parser.y
          -DGRAMMAR=${_scan_gen}/scan_grammar_body.y -P ${_scan_front}/scan_tokens_bison.cmake
  DEPENDS ${_scan_fragments} ${_scan_front}/scan_tokens.def ${_scan_front}/scan_grammar_assemble.cmake
          ${_scan_front}/scan_tokens_bison.cmake
  COMMENT "Assembling the scan-language grammar")
BISON_TARGET(scan_parser ${_scan_gen}/scan_parser.y ${_scan_gen}/scan_parser.cpp
  DEFINES_FILE ${_scan_gen}/scan_parser.hpp
  COMPILE_FLAGS "-Wall -Werror")
target_sources(scanlang PRIVATE ${BISON_scan_parser_OUTPUTS})
