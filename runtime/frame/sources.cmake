# Sources of the program frame (runtime/frame/) that both programs share.
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  frame.cpp
)
