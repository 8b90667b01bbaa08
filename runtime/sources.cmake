# Sources of the runtime library (runtime/): growable arrays, messages,
# strings, file names and the search path, processes, the command
# interpreter, the worker threads.
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  cmd.cpp
  cmd_help.cpp
  cmd_input.cpp
  cmd_interp.cpp
  cmd_macro.cpp
  cmd_procs.cpp
  cmd_profile.cpp
  cmd_term.cpp
  dyna.cpp
  exit.cpp
  fnm.cpp
  fnm_list.cpp
  msg.cpp
  output_file.cpp
  pages.cpp
  process.cpp
  rc.cpp
  run_inputs.cpp
  run_lock.cpp
  str.cpp
  strfmt.cpp
  sysinfo.cpp
  verilog_id.cpp
  workers.cpp
)
# Compiled into every program and test program instead of the library
# (kest_program and kest_tests in cmake/Layers.cmake).
kest_not_in_library(asan_options.cpp)
