#include "scanlang/object/side_file_path.h"

#include <cstdlib>
#include <memory>

#include "runtime/fnm.h"
#include "scanlang/object/object_state.h"

std::string resolve_against_current_path(const std::string& name) {
    if (!name.empty() && name[0] == '~') {
        std::unique_ptr<char, decltype(&std::free)> home(FNM_get_home(name.c_str()), &std::free);
        return home ? std::string(home.get()) : name;
    }
    if (current_pathG.empty() || (!name.empty() && name[0] == '/')) return name;
    return current_pathG + name;
}
