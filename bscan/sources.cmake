# Sources of the boundary-scan insertion (bscan/); the boundary-cell
# module's road (bscan/bcm/) joins it in one library.
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  buffer_tree.cpp
  cell_writers.cpp
  chain.cpp
  cmd_file.cpp
  control.cpp
  kest_fields.cpp
  kest_hier.cpp
  multi_io.cpp
  order.cpp
  pad_table.cpp
  pad_trace.cpp
  scan_cells.cpp
  scan_tab.cpp
  tables.cpp
  tap_pads.cpp
  tap_ports.cpp
  top_edit.cpp
)
