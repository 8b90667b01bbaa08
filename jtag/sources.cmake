# Sources of the command line, the TAP and the RTL writers (jtag/), one
# library with bscan/.
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  jtag_cmd.cpp
  jtag_main.cpp
  jtag_syn.cpp
  rtl_decoder.cpp
  rtl_registers.cpp
  rtl_tap.cpp
  rtl_tap_controller.cpp
  rtl_top.cpp
)
