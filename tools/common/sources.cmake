# Sources of the code the stand-in netlist tools share (tools/common/).
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  names.cpp
  netdb.cpp
  tool.cpp
)
