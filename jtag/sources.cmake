# Sources of the TAP side (jtag/): the run's options and file names, the
# insertion facts the TAP reads, the TAP description and its rules, and
# the RTL and script writers.
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  insertion_facts.cpp
  instruction_rules.cpp
  jtag.cpp
  jtag_main.cpp
  jtag_syn.cpp
  rtl_decoder.cpp
  rtl_registers.cpp
  rtl_tap.cpp
  rtl_tap_controller.cpp
  rtl_top.cpp
  tap_description.cpp
)
