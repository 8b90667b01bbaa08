# Sources of the scan-language object model (scanlang/object/): the DFT
# object, its tree readers and the section mappers.
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  core_switch.cpp
  cursors.cpp
  dump.cpp
  instance_files.cpp
  map_atpg.cpp
  map_connect.cpp
  map_cores.cpp
  map_fennox.cpp
  map_frame.cpp
  map_instructions.cpp
  map_map_file.cpp
  map_paths.cpp
  map_pll.cpp
  map_scan_selection.cpp
  map_sequences.cpp
  map_side_files.cpp
  map_test_files.cpp
  map_wrapper.cpp
  name_files.cpp
  object_checks.cpp
  object_state.cpp
  readers.cpp
  scan_interface.cpp
  side_file_path.cpp
  write_atpg.cpp
  write_connect.cpp
  write_conversion.cpp
  write_cores.cpp
  write_decoder.cpp
  write_faults.cpp
  write_fennox.cpp
  write_frame.cpp
  write_instructions.cpp
  write_lists.cpp
  write_pll.cpp
  write_schedule.cpp
  write_selection.cpp
  write_wrapper.cpp
)
