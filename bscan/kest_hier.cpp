// A TAP controller placed inside a sub-module: its instance path, the
// modules along it, and one command file per module on the path that adds
// the TAP (innermost) or the edited lower module, and the TAP's ports.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "bscan/bscan.h"
#include "bscan/edit_internal.h"
#include "bscan/insertion_internal.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "sdb/sdb.h"

TapPathItem* kest_hier_tap_ctrl_name_tabG = nullptr;
int kest_hier_same_instance_tapG = -1;
int kest_hier_same_instance_iopadG = -1;

namespace {
// The whole dotted path as the configuration gave it.
std::string tap_design_name;
// The first item of the path whose module this run edits: 0, or the item
// below the pads' path where the TAP's own branch leaves it.
int path_first = 0;

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
    tap_design_name.clear();
    path_first = 0;
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
    tap_design_name.clear();
    for (const auto& p : parts) tap_design_name += (tap_design_name.empty() ? "" : ".") + p;
    kest_hier_tap_ctrl_name_tabG = DYNA_new<TapPathItem>();
    for (const auto& p : parts) DYNA_append(&kest_hier_tap_ctrl_name_tabG, TapPathItem{qdx_strdup(p.c_str()), nullptr});
    std::free(TAP_INSTANCE_NAME);
    TAP_INSTANCE_NAME = qdx_strdup(parts.back().c_str());
}

const char* kest_hier_tap_design_name() { return kest_hier_tap_ctrlG ? tap_design_name.c_str() : TAP_INSTANCE_NAME; }

namespace {

int path_count() { return DYNA_count(kest_hier_tap_ctrl_name_tabG); }

// "<name>.sdb" along the search path; ends the run when it is missing.
std::string find_sdb(const char* name) {
    std::string file = std::string(bsnames::or_text(name, "")) + ".sdb";
    std::string found = FNM_find(file);
    if (found.empty()) {
        qdx_exit_printf(-1, "ERROR: Can not find \"%s\" file.\n\n", file.c_str());
    }
    return found;
}

}  // namespace

namespace {

// Without -add_tap the TAP is the design's own: a TAP port that the design
// already brings out of the modules on the way, under the port's own name,
// is used as it is.  For each module of the path from `first` on, the
// names that are ports of it and of every module below it on the path;
// none with -add_tap.
std::vector<std::set<std::string>> brought_out(int first) {
    std::vector<std::set<std::string>> out(static_cast<size_t>(std::max(path_count() - 1, 0)));
    if (JTAG_OPTION[OPT_ADD_TAP]) return out;
    for (int i = path_count() - 2; i >= std::max(first, 0); --i) {
        const bool innermost = i == path_count() - 2;
        SdbDatabase* db = open_sdb_file(find_sdb(kest_hier_tap_ctrl_name_tabG[i].module).c_str());
        for (char** list : kest_hier_tap_port_tabG.list)
            for (int k = 0, n = DYNA_count(list); k < n; ++k) {
                const bool below = innermost || out[static_cast<size_t>(i + 1)].count(list[k]) > 0;
                if (below && SDB_nl_search_port(list[k]) >= 0) out[static_cast<size_t>(i)].insert(list[k]);
            }
        SDB_close(db, 0);
    }
    return out;
}

// The port lines of one level, leaving out the ports that are there.
void add_ports_into_parent(FILE* fp, const char* instance, const std::set<std::string>& there) {
    // The lists in the order of their writing, with the direction of the
    // port each becomes.
    static const struct {
        int list;
        const char* direction;
    } kOrder[] = {{TAP_PORTS_FROM_PINS, "input"}, {TAP_PORTS_TDO, "output"},     {TAP_PORTS_ENABLES, "output"},
                  {TAP_PORTS_CHAIN_IN, "input"},  {TAP_PORTS_CHAIN_OUT, "output"}, {TAP_PORTS_SPARE, "input"},
                  {TAP_PORTS_CONTROLS, "output"}};
    std::set<std::string> added;
    for (const auto& o : kOrder) {
        char** list = kest_hier_tap_port_tabG.list[o.list];
        for (int k = 0, n = DYNA_count(list); k < n; ++k) {
            if (there.count(list[k]) || !added.insert(list[k]).second) continue;
            std::fprintf(fp, "add %s %s\n", list[k], o.direction);
            std::fprintf(fp, "connect %s{%s} %s\n", bsnames::or_text(instance, ""), list[k], list[k]);
        }
    }
}

}  // namespace

// A module of the path already holding a port or net named like a TAP
// port would get a second one: refused, so that every added port name is
// unique on its level.
static void check_port_names_free(const char* module, const std::string& path, const std::set<std::string>& there) {
    SdbDatabase* db = open_sdb_file(path.c_str());
    for (char** list : kest_hier_tap_port_tabG.list)
        for (int k = 0, n = DYNA_count(list); k < n; ++k) {
            if (there.count(list[k])) continue;
            if (SDB_nl_search_port(list[k]) < 0 && SDB_nl_search_net(list[k]) < 0) continue;
            qdx_printf("ERROR: module '%s' (%s) already holds a port or net '%s'; the TAP port\n", module, path.c_str(),
                       list[k]);
            qdx_exit_printf(-1, "       of that name can't be added on the way to TAP instance '%s'.\n\n",
                       kest_hier_tap_design_name());
        }
    SDB_close(db, 0);
}

void kest_hier_check_tap_path_ports(int first) {
    const auto there = brought_out(first);
    for (int i = std::max(first, 0); i + 1 < path_count(); ++i) {
        const char* module = kest_hier_tap_ctrl_name_tabG[i].module;
        check_port_names_free(module, find_sdb(module), there[static_cast<size_t>(i)]);
    }
}

namespace {

// The working copy for "<module>_bs.sdb" of each module on the path, every
// module checked before the first copy.
void copy_path_modules() {
    kest_hier_check_tap_path_ports(path_first);
    for (int i = path_first; i + 1 < path_count(); ++i) {
        const char* module = kest_hier_tap_ctrl_name_tabG[i].module;
        std::string found = find_sdb(module);
        std::string why;
        if (!bs_copy_design(found, std::string(module) + "_bs.sdb", &why)) {
            qdx_printf("\n");
            qdx_printf("ERROR: can not copy file \"%s\" to file \"%s_bs.sdb\".", found.c_str(), module);
            bs_copy_failed(why);
        }
    }
}

// One command file per module on the path, innermost first.
void write_path_files() {
    const auto there = brought_out(path_first);
    for (int i = path_count() - 2; i >= path_first; --i) {
        const TapPathItem& item = kest_hier_tap_ctrl_name_tabG[i];
        std::string cmd = kest_edit_file(std::string(item.module) + "_bs.cmd");
        TAP_FP = bs_open_cmd_file(cmd);
        if (!TAP_FP) {
            qdx_exit_printf(-1, "ERROR: can't open command file \"%s\" to update SDB.\n", cmd.c_str());
        }
        std::fprintf(TAP_FP, "edit %s_bs\n", item.module);
        std::fprintf(TAP_FP, "path %s \n", BSCAN_OPATH.c_str());
        if (i == path_count() - 2) {
            if (JTAG_OPTION[OPT_ADD_TAP]) {
                std::fprintf(TAP_FP, "add %s %s\n", bsnames::or_text(TAP_INSTANCE_NAME, ""),
                             bsnames::or_text(TAP_MODULE_NAME, ""));
                bs_write_idcode_ties(TAP_FP);
            } else {
                // The design's TAP: the pins that take new ports here leave
                // the ties and the closed chain they had.
                std::set<std::string> taken;
                for (char** list : kest_hier_tap_port_tabG.list)
                    for (int k = 0, n = DYNA_count(list); k < n; ++k)
                        if (!there[static_cast<size_t>(i)].count(list[k])) taken.insert(list[k]);
                bsedit::disconnect_design_tap_pins(TAP_FP, &taken);
            }
        } else {
            const TapPathItem& lower = kest_hier_tap_ctrl_name_tabG[i + 1];
            std::fprintf(TAP_FP, "replace %s %s_bs\n", lower.instance, lower.module);
            bsnames::set_text(TAP_INSTANCE_NAME, lower.instance);
        }
        add_ports_into_parent(TAP_FP, TAP_INSTANCE_NAME, there[static_cast<size_t>(i)]);
        std::fputs("save\nquit\n", TAP_FP);
        bs_close_cmd_file(TAP_FP);
    }
    if (path_first < path_count())
        bsnames::set_text(TAP_INSTANCE_NAME, kest_hier_tap_ctrl_name_tabG[path_first].instance);
}

}  // namespace

void kest_hier_find_tap_instance_with_iopad() {
    for (int i = 0; i + 1 < path_count(); ++i) {
        TapPathItem& item = kest_hier_tap_ctrl_name_tabG[i];
        std::string db_path = find_sdb(i == 0 ? TOP_MODULE.c_str() : kest_hier_tap_ctrl_name_tabG[i - 1].module);
        SdbDatabase* db = open_sdb_file(db_path.c_str());
        int obj = SDB_nl_search_obj(item.instance);
        if (obj < 0) {
            qdx_exit_printf(-1, "ERROR: can not find the instance %s in %s file.\n", item.instance, db_path.c_str());
        }
        bsnames::set_text(item.module, bsnames::class_name(obj));
        SDB_close(db, 0);
    }
}

void kest_check_hier_inst_tap_iopad(int pad) {
    kest_hier_same_instance_tapG = -1;
    kest_hier_same_instance_iopadG = -1;
    if (pad < 0 || pad >= DYNA_count(OPIN_TAB)) return;
    // The two paths share the instances they begin with in the top: the
    // TAP path's item i and the pad's level n-1-i name one instance only
    // when every item above does too.  The deepest such pair is where the
    // paths part.
    char** instances = OPIN_TAB[pad].instances;
    const int n = DYNA_count(instances);
    for (int i = 0; i + 1 < path_count() && i < n; ++i) {
        if (!bsnames::same(kest_hier_tap_ctrl_name_tabG[i].instance, instances[n - 1 - i])) break;
        kest_hier_same_instance_tapG = i;
        kest_hier_same_instance_iopadG = n - 1 - i;
    }
}

int kest_hier_tap_path_first() { return path_first; }

void kest_hier_replace_tap_branch() {
    path_first = kest_hier_same_instance_tapG + 1;
    if (path_first + 1 >= path_count()) {
        // The TAP sits right in the shared module: no module of its own path
        // below.
        bsnames::set_text(TAP_INSTANCE_NAME, kest_hier_tap_ctrl_name_tabG[path_count() - 1].instance);
        return;
    }
    copy_path_modules();
    write_path_files();
}

void kest_hier_place_tap(FILE* fp) {
    const int last = path_count() - 1;
    if (kest_hier_tap_ctrlG == 1 && path_first < last) {
        // The TAP's own branch: its edited first module, already in the
        // command files' folder, stands for it.
        const TapPathItem& item = kest_hier_tap_ctrl_name_tabG[path_first];
        std::fprintf(fp, "path %s \n", BSCAN_OPATH.c_str());
        std::fprintf(fp, "replace %s %s_bs\n", item.instance, item.module);
        return;
    }
    if (!JTAG_OPTION[OPT_ADD_TAP]) return;  // the TAP is in the design already
    std::fprintf(fp, "add %s %s\n", bsnames::or_text(TAP_INSTANCE_NAME, ""), bsnames::or_text(TAP_MODULE_NAME, ""));
    bs_write_idcode_ties(fp);
}

void kest_hier_record_tap_ports() {
    if (kest_hier_tap_ctrlG != 1) return;
    if (!JTAG_OPTION[OPT_ADD_TAP]) {
        // The design's TAP, whose pads the design wires already: the ports
        // on the way carry the pins that the cells take from it.
        free_tap_port_table();
        for (char**& list : kest_hier_tap_port_tabG.list) list = DYNA_new<char*>();
        auto record = [](int list, const char* pin) {
            if (pin && *pin) DYNA_append(&kest_hier_tap_port_tabG.list[list], qdx_strdup(pin));
        };
        for (const char* pin : bsedit::tap_control_pins()) record(TAP_PORTS_CONTROLS, pin);
        if (JTAG_OPTION[OPT_SYNCH]) record(TAP_PORTS_CONTROLS, "BCELL_TCK");
        if (TAP_CONTR) {
            record(TAP_PORTS_CHAIN_OUT, without_low_mark(TAP_CONTR->first_bcell));
            record(TAP_PORTS_CHAIN_IN, without_low_mark(TAP_CONTR->last_bcell));
        }
        // A TAP input or TDO pad pin tied to a constant is wired anew.
        using namespace bsedit;
        for (const TapPort* tp : tap_ports({TAP_PORT_TDI, TAP_PORT_TMS, TAP_PORT_TCK, TAP_PORT_TRST}))
            if (unwired_tap_input(*tp)) record(TAP_PORTS_FROM_PINS, tp->pin());
        if (tied(TAP_FLAG[TAP_FLAG_TDO_DATA])) record(TAP_PORTS_TDO, TAP_TDO_PIN);
        if (tied(TAP_FLAG[TAP_FLAG_TDO_ENABLE])) record(TAP_PORTS_ENABLES, TAP_TDO_EN_PIN);
        return;
    }
    // The port-only TAP module written to nowhere: its writer records the
    // ports that the edits will add on the way to the TAP.
    std::FILE* sink = std::tmpfile();
    if (!sink) return;
    const int port_only = JTAG_OPTION[OPT_TAP_PORT_ONLY];
    JTAG_OPTION[OPT_TAP_PORT_ONLY] = 1;
    get_TAP_in_RTL(sink);
    JTAG_OPTION[OPT_TAP_PORT_ONLY] = port_only;
    std::fclose(sink);
}

void kest_hier_replace_tap_instance_no_iopad() {
    path_first = 0;
    kest_hier_find_tap_instance_with_iopad();
    copy_path_modules();
    write_path_files();
}

void kest_hier_replace_tap_instance_iopad() {
    path_first = 0;
    copy_path_modules();
    write_path_files();
}
