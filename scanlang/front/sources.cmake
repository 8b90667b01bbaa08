# Sources of the scan-language front end (scanlang/front/); the bison
# parser joins it in parser.cmake.
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  ast.cpp
  diagnostics.cpp
  fennox_decrypt.cpp
  front.cpp
  keywords.cpp
  legal_inputs.cpp
  parse_support.cpp
  scan_aux.cpp
  scanner.cpp
  seman.cpp
)
