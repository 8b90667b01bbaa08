# Sources of the -add_bcm road (bscan/bcm/): the boundary-cell module's
# cells, its controls and mux pads, its RTL, and the top design's command
# file; part of the insertion's library.
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  bcm_cells.cpp
  bcm_control.cpp
  bcm_flow.cpp
  bcm_mux.cpp
  bcm_names.cpp
  bcm_options.cpp
  rtl_bcm.cpp
)
