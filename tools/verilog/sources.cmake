# Sources of the structural Verilog reader (tools/verilog/).
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  lexer.cpp
  netlist.cpp
  parser.cpp
)
