# Sources of the design database (sdb/).
# A new .cpp file of this folder is named here (the configure step
# stops on one that is not).
kest_sources(
  alias.cpp
  alias_path.cpp
  conp.cpp
  format.cpp
  load.cpp
  lookup.cpp
  nl_edit.cpp
  prefix.cpp
  prim.cpp
  sdb_edit.cpp
  sdb_err.cpp
  sdb_open.cpp
  sdb_save.cpp
  sdb_setup.cpp
  sym.cpp
)
