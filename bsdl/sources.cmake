# Sources of the BSDL, SVF and template writers (bsdl/).
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  bsdl_chain.cpp
  bsdl_flow.cpp
  bsdl_main.cpp
  bsdl_ports.cpp
  bsdl_register.cpp
  bsdl_tap.cpp
  bsdl_trace.cpp
  bsdl_writer.cpp
  svf.cpp
  template.cpp
)
