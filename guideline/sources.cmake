# Sources of the menu editor of the configuration, the cell library and
# the pin list (guideline/), with the writers of the three files.
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  guideline.cpp
  guideline_write.cpp
)
