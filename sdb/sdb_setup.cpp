// Start-up of the design database: search path and definition file.
#include <cstdlib>

#include "runtime/cmd.h"
#include "runtime/fnm.h"
#include "runtime/rc.h"
#include "sdb/internal.h"
#include "sdb/sdb.h"

namespace {

void start(const char* dir) {
    CMD_init();
    sdbi::set_write_dir(nullptr);
    const char* dirs = std::getenv("QUENDAL_DIRS");
    if (dirs && *dirs)
        sdbi::set_write_dir(CMD_set_path(dirs, nullptr, static_cast<const char*>(nullptr)));
    else
        CMD_set_path(std::getenv("QUENDAL"), dir, "designs:lib:mirdale_lib", static_cast<const char*>(nullptr));
    SDB_load_def();
}

}  // namespace

void SDB_start_load_def() { start("."); }

void SDB_start_load_rpc_def(const char* dir) { start(dir); }

void SDB_load_def() {
    RC_load("quendal", nullptr);
    const char* dot = RC_sget("hier_dot*", ".");
    if (dot && *dot) SDB_set_hier_dot(dot[0]);
}
