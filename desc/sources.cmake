# Sources of the description languages and tables (desc/).
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  ast.cpp
  dft_parse.cpp
  dft_save.cpp
  dump.cpp
  hash.cpp
  lib_fill.cpp
  lib_parse.cpp
  pin_parse.cpp
  reader.cpp
  scanner.cpp
  tables.cpp
)
