// The TAP instance path of a TAP placed inside a sub-module.
#include <cstdlib>
#include <string>
#include <vector>

#include "bscan/bscan.h"
#include "runtime/dyna.h"

TapPathItem* kest_hier_tap_ctrl_name_tabG = nullptr;
int kest_hier_same_instance_tapG = -1;
int kest_hier_same_instance_iopadG = -1;

namespace {
void free_path() {
    for (int i = 0; i < DYNA_count(kest_hier_tap_ctrl_name_tabG); ++i) {
        std::free(kest_hier_tap_ctrl_name_tabG[i].instance);
        std::free(kest_hier_tap_ctrl_name_tabG[i].module);
    }
    if (kest_hier_tap_ctrl_name_tabG) DYNA_free(&kest_hier_tap_ctrl_name_tabG);
    kest_hier_tap_ctrl_name_tabG = nullptr;
}
}  // namespace

void KEST_HIER_reset_globals() {
    free_path();
    kest_hier_tap_ctrlG = 0;
    kest_hier_same_instance_tapG = -1;
    kest_hier_same_instance_iopadG = -1;
}

void kest_check_hier_tap_ctrl_instance() {
    free_path();
    kest_hier_tap_ctrlG = 0;
    if (!TAP_INSTANCE_NAME) return;
    std::string name = TAP_INSTANCE_NAME;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= name.size()) {
        size_t dot = name.find('.', start);
        std::string part = name.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (!part.empty()) parts.push_back(part);
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    if (parts.size() < 2) return;
    kest_hier_tap_ctrlG = 1;
    kest_hier_tap_ctrl_name_tabG = DYNA_new<TapPathItem>();
    for (const auto& p : parts) DYNA_append(&kest_hier_tap_ctrl_name_tabG, TapPathItem{qdx_strdup(p.c_str()), nullptr});
    std::free(TAP_INSTANCE_NAME);
    TAP_INSTANCE_NAME = qdx_strdup(parts.back().c_str());
}
