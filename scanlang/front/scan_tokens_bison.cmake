# Writes the parser's token declarations from scan_tokens.def, so that the
# grammar uses exactly the scanner's token numbers.  Run as a script:
#
#   cmake -DIN=<scan_tokens.def> -DOUT=<file> [-DGRAMMAR=<grammar.y>]
#         -P scan_tokens_bison.cmake
#
# The output holds one "%token NAME NUMBER "alias"" line per token (the
# grammar may write a keyword or a punctuation mark by its alias, as in
# "%SELECT_SCAN" "{" IDENT "}"), and sets the token prefix YYTK_ so that
# bison's token names (YYTK_IDENT, YYTK_CORE_NO_SCAN) clash neither with
# the scanner's TK_ names nor with the node kinds.  Numbers that no input
# produces are left out.  With GRAMMAR, that file follows the
# declarations, so OUT is the whole grammar for bison (bison itself has no
# include).  The file is rewritten only when its text changes.
cmake_policy(SET CMP0007 NEW)
if(NOT IN OR NOT OUT)
  message(FATAL_ERROR "scan_tokens_bison.cmake: IN and OUT must be given")
endif()
# Square brackets and semicolons would upset CMake's lists: they stand in
# as <LB>, <RB> and <SC> until a line is written.
file(READ "${IN}" def)
string(REPLACE "[" "<LB>" def "${def}")
string(REPLACE "]" "<RB>" def "${def}")
string(REPLACE ";" "<SC>" def "${def}")
string(REPLACE "\n" ";" lines "${def}")
list(FILTER lines INCLUDE REGEX "^SCAN_TOKEN\\(")
set(text "/* Generated from scan_tokens.def; do not edit. */\n%define api.token.prefix {YYTK_}\n")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^SCAN_TOKEN\\(([A-Z0-9_]+), ([0-9]+), \"(.*)\"\\)$")
    message(FATAL_ERROR "scan_tokens_bison.cmake: cannot read the line: ${line}")
  endif()
  set(alias "${CMAKE_MATCH_3}")
  string(REPLACE "<LB>" "[" alias "${alias}")
  string(REPLACE "<RB>" "]" alias "${alias}")
  string(REPLACE "<SC>" ";" alias "${alias}")
  if(NOT alias STREQUAL "")
    string(APPEND text "%token ${CMAKE_MATCH_1} ${CMAKE_MATCH_2} \"${alias}\"\n")
  endif()
endforeach()
if(GRAMMAR)
  file(READ "${GRAMMAR}" body)
  string(APPEND text "${body}")
endif()
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}.tmp" "${text}")
  file(RENAME "${OUT}.tmp" "${OUT}")
endif()
