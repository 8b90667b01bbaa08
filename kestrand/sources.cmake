# Sources of kestrand's run (kestrand/): the command line, the input
# files, the order of the steps, the netlist tools, the report and the
# BIST connection files.  The program's main (main/kestrand.cpp) is built
# with the program.
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  connect_file.cpp
  jtag_cmd.cpp
  kest_input.cpp
  kest_main.cpp
  outputs.cpp
  report.cpp
  tool_runs.cpp
)
