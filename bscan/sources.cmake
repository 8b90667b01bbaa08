# Sources of the boundary-scan insertion (bscan/), one library with jtag/.
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  bcm_cells.cpp
  bcm_control.cpp
  bcm_flow.cpp
  bcm_options.cpp
  bcm_mux.cpp
  buffer_tree.cpp
  cell_writers.cpp
  chain.cpp
  cmd_file.cpp
  connect_file.cpp
  control.cpp
  guideline.cpp
  guideline_write.cpp
  insertion_facts.cpp
  kest_fields.cpp
  kest_hier.cpp
  kest_input.cpp
  kest_main.cpp
  multi_io.cpp
  order.cpp
  pad_table.cpp
  pad_trace.cpp
  report.cpp
  scan_tab.cpp
  tables.cpp
  tap_pads.cpp
  tap_ports.cpp
  tool_runs.cpp
  top_edit.cpp
)
