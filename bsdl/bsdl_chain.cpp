// The walk of a design's boundary-scan chain: from the TDI port through
// pads and buffers to the TAP controller's TDI pin, then from the TAP's
// first-boundary-cell pin along each cell's TDO to the next cell's TDI
// until the path comes back to the TAP's last-boundary-cell pin.  A
// %BS_BUFFER module with boundary cells of its own is opened from its own
// design file and walked inside.
//
// Every search over the netlist marks the objects it has queued, so each
// search is linear in the part of the design it touches; a test-data path
// that comes back to a cell already walked ends the walk with an error.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "bsdl/bsdl.h"
#include "desc/hash.h"
#include "desc/tables.h"
#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"
#include "sdb/lookup.h"
#include "sdb/sdb.h"

ChainCellEntry** CHAIN_HASH_TAB = nullptr;
ChainCellEntry** CHAIN_TAB = nullptr;
int CHAIN_CELL_COUNT = 0;
TapCellEntry* tap_ctrl = nullptr;

namespace {

// Where each key sits in CHAIN_HASH_TAB: (bucket, index).
std::unordered_map<std::string, std::pair<int, int>> chain_index;

const char* text_or_undef(const char* s) { return s ? s : "*UNDEF*"; }

// ------------------------------------------------------- netlist access
// All of these read the current design (the globals of SDB_setup).

bool valid_node(int n) { return n >= 0 && n < node_count; }
bool valid_obj(int o) { return o >= 0 && o < obj_count; }

bool is_output(int node) {
    const SdbNode& n = node_tab[node];
    return n.object >= 0 && n.pin >= 0 && n.pin < pin_count && (pin_tab[n.pin].direction & 3) == SDB_DIR_OUTPUT;
}

int first_on_net(int net) { return (net >= 0 && net < net_count) ? net_tab[net].first_node : -1; }

// Calls f(node) for each node of the object, in order.
template <class F>
void for_object_nodes(int obj, F f) {
    if (!valid_obj(obj)) return;
    for (int n = obj_tab[obj].first_node; valid_node(n) && node_tab[n].object == obj; ++n) f(n);
}

// The node of obj whose pin is named `pin`, or -1.
int object_pin_node(int obj, const char* pin) {
    int found = -1;
    if (!pin) return -1;
    for_object_nodes(obj, [&](int n) {
        if (found < 0 && STR_same(SDB_pin_name(n), pin)) found = n;
    });
    return found;
}

// True when the net holds the node of a port of that name.
bool net_has_port(int net, const char* port) {
    for (int n = first_on_net(net); valid_node(n); n = node_tab[n].next)
        if (node_tab[n].object < 0 && STR_same(SDB_pin_name(n), port)) return true;
    return false;
}

// ------------------------------------------------------------ one level

// The design being walked: the circuit's own, or the design of a
// %BS_BUFFER module (whose cells are keyed "<prefix>.<name>").
struct Level {
    std::string prefix;            // empty for the circuit's design
    const char* tdo_port = nullptr;  // inside a module: the port where its chain ends
    // Objects queued by the current search: stamp == epoch.
    std::vector<uint32_t> stamp;
    uint32_t epoch = 0;
    std::vector<int> queue;
    // Objects entered as cells of the chain at this level.
    std::unordered_set<int> walked;
    // Library records of each class, looked up once.
    std::vector<int8_t> have_scan, have_buffer;
    std::vector<ScanCellEntry*> scan;
    std::vector<BufferEntry*> buffer;

    bool inner() const { return !prefix.empty(); }

    void new_search() {
        if (stamp.size() != static_cast<size_t>(obj_count)) stamp.assign(static_cast<size_t>(obj_count), 0);
        if (++epoch == 0) {  // wrapped: start the marks afresh
            std::fill(stamp.begin(), stamp.end(), 0);
            epoch = 1;
        }
        queue.clear();
    }
    // Queues the object unless this search has queued it already.
    void enqueue(int obj) {
        if (!valid_obj(obj) || stamp[static_cast<size_t>(obj)] == epoch) return;
        stamp[static_cast<size_t>(obj)] = epoch;
        queue.push_back(obj);
    }

    int cls(int obj) const { return valid_obj(obj) ? obj_tab[obj].cls : -1; }
    ScanCellEntry* scan_cell(int obj) {
        int c = cls(obj);
        if (c < 0 || c >= class_count) return nullptr;
        if (have_scan.size() != static_cast<size_t>(class_count)) {
            have_scan.assign(static_cast<size_t>(class_count), 0);
            scan.assign(static_cast<size_t>(class_count), nullptr);
        }
        if (!have_scan[static_cast<size_t>(c)]) {
            scan[static_cast<size_t>(c)] = get_scan_cell(SDB_class_name_of(obj));
            have_scan[static_cast<size_t>(c)] = 1;
        }
        return scan[static_cast<size_t>(c)];
    }
    BufferEntry* buffer_of(int obj) {
        int c = cls(obj);
        if (c < 0 || c >= class_count) return nullptr;
        if (have_buffer.size() != static_cast<size_t>(class_count)) {
            have_buffer.assign(static_cast<size_t>(class_count), 0);
            buffer.assign(static_cast<size_t>(class_count), nullptr);
        }
        if (!have_buffer[static_cast<size_t>(c)]) {
            buffer[static_cast<size_t>(c)] = get_buffer(SDB_class_name_of(obj));
            have_buffer[static_cast<size_t>(c)] = 1;
        }
        return buffer[static_cast<size_t>(c)];
    }
    bool is_tap(int obj) const { return STR_same(SDB_class_name_of(obj), TAP_MODULE_NAME); }

    // The object's full name; inside a module with the module instance in front.
    std::string name(int obj) const {
        const char* n = SDB_obj_name(sdb, obj);
        std::string s = text_or_undef(n);
        return inner() ? prefix + "." + s : s;
    }
};

// The names of the %BS_BUFFER modules being walked, outermost first: a
// module that holds an instance of itself would be walked without end.
std::vector<std::string> module_stack;

// ------------------------------------------------- answers about the TAP

enum class TapAnswer { none, end, other_pin };

// Looks for the TAP instance among the other nodes on the node's net.
TapAnswer connect_to_tap_controller(int node, int* tap_node) {
    int net = valid_node(node) ? node_tab[node].net : -1;
    for (int n = first_on_net(net); valid_node(n); n = node_tab[n].next) {
        if (n == node || node_tab[n].object != TAP_IOBJ || TAP_IOBJ < 0) continue;
        if (tap_node) *tap_node = n;
        return STR_same(SDB_pin_name(n), tap_ctrl ? tap_ctrl->last_bcell : nullptr) ? TapAnswer::end : TapAnswer::other_pin;
    }
    return TapAnswer::none;
}

// The test-data path has arrived: at the TAP's last-boundary-cell pin in
// the circuit's design, at the module's TDO port inside a module.
bool at_end(const Level& lv, int node) {
    if (lv.inner()) return net_has_port(node_tab[node].net, lv.tdo_port);
    return connect_to_tap_controller(node, nullptr) == TapAnswer::end;
}

void print_node_prefix(const Level& lv, int node) {
    if (node_tab[node].object < 0)
        qdx_printf("ERROR: port '%s' ", text_or_undef(SDB_pin_name(node)));
    else
        qdx_printf("ERROR: boundary scan cell '%s'(%s) ", lv.name(node_tab[node].object).c_str(),
                   SDB_class_name_of(node_tab[node].object));
}

// ------------------------------------------------------ TDI port to TAP

void check_necessary_signals_of_tap(const TapCellEntry* tap) {
    bool missing = false;
    if (!tap->first_bcell) {
        qdx_printf("ERROR: (%s) please define %%FIRST_BCELL ", BS_LIB_FILE.c_str());
        qdx_printf("in %%TAP_CONTROLLER %s.\n", tap->name);
        missing = true;
    }
    if (!tap->last_bcell) {
        qdx_printf("ERROR: (%s) please define %%LAST_BCELL ", BS_LIB_FILE.c_str());
        qdx_printf("in %%TAP_CONTROLLER %s.\n", tap->name);
        missing = true;
    }
    if (missing) {
        qdx_exit_printf(-1, "\n");
    }
}

// One step of the search for the TAP: looks past the outputs of a queued
// object, queueing the known buffers and pads it drives.  Returns the
// TAP's entry node, or -1.
int go_through_buffer(Level& lv, int obj) {
    int entry = -1;
    for_object_nodes(obj, [&](int k) {
        if (entry >= 0 || !is_output(k)) return;
        for (int n = first_on_net(node_tab[k].net); valid_node(n); n = node_tab[n].next) {
            int o = node_tab[n].object;
            if (n == k || o < 0) continue;
            if (lv.is_tap(o)) {
                entry = n;
                return;
            }
            if (lv.buffer_of(o)) lv.enqueue(o);
        }
    });
    return entry;
}

// From the TDI port's node to the TAP; returns the TAP's first-boundary-
// cell node, where the walk starts.
int go_through_tap_controller(Level& lv, int port_node) {
    lv.new_search();
    int entry = -1;
    for (int n = first_on_net(node_tab[port_node].net); valid_node(n); n = node_tab[n].next) {
        int o = node_tab[n].object;
        if (o < 0) continue;
        if (lv.is_tap(o)) {
            entry = n;
            break;
        }
        lv.enqueue(o);
    }
    for (size_t q = 0; entry < 0 && q < lv.queue.size(); ++q) entry = go_through_buffer(lv, lv.queue[q]);
    if (entry < 0) {
        qdx_exit_printf(-1, "ERROR: can't find TAP CONTROLLER %s(%s) through port %s.\n\n",
                        text_or_undef(TAP_INSTANCE_NAME), text_or_undef(TAP_MODULE_NAME), GLOBAL_TDI);
    }
    TapCellEntry* tap = get_tap_cell(TAP_MODULE_NAME);
    if (!tap) {
        qdx_exit_printf(-1, "ERROR: can't find TAP CONTROLLER %s declaration in file '%s'.\n\n",
                        text_or_undef(TAP_MODULE_NAME), BS_LIB_FILE.c_str());
    }
    check_necessary_signals_of_tap(tap);
    if (tap->tdi && !STR_same(SDB_pin_name(entry), tap->tdi)) {
        qdx_exit_printf(-1,
                        "ERROR: %%GLOBAL_TDI '%s' doesn't connect to %%TDI '%s'\n"
                        "        of %%TAP_CONTROLLER '%s'.\n"
                        "        Please verify your '%s' and '%s'.\n\n",
                        GLOBAL_TDI, tap->tdi, tap->name, BS_SDB_FILE.c_str(), BS_LIB_FILE.c_str());
    }
    tap_ctrl = tap;
    int first = object_pin_node(node_tab[entry].object, tap->first_bcell);
    if (first < 0) {
        qdx_exit_printf(-1, "ERROR: can't find pin %s in TAP CONTROLLER %s.\n", tap->first_bcell,
                        text_or_undef(TAP_INSTANCE_NAME));
    }
    return first;
}

// ---------------------------------------------------------- recording

void check_necessary_signals_of_bcell(const ScanCellEntry* cell) {
    bool missing = false;
    if (!cell->tdi) {
        qdx_printf("ERROR: (%s) please define %%TDI in %%SCAN_CELL %s.\n", BS_LIB_FILE.c_str(), cell->name);
        missing = true;
    }
    if (!cell->tdo) {
        qdx_printf("ERROR: (%s) please define %%TDO in %%SCAN_CELL %s.\n", BS_LIB_FILE.c_str(), cell->name);
        missing = true;
    }
    if (missing) {
        qdx_exit_printf(-1, "\n");
    }
}

void copy_names(char*** to, char** from) {
    for (int i = 0, n = DYNA_count(from); i < n; ++i) STR_add(to, from[i]);
}

// More than one control cell in one module: no row of the BSDL file could
// name the one that disables its drivers.  Every cell of the chain is
// checked, whatever pin it serves, with a pad or without one.
void check_control_words(const ScanCellEntry* cell, const char* module) {
    const int controls = control_word_count(cell);
    if (controls > 1) {
        qdx_exit_printf(-1,
                        "FATAL: (%s) there are %d control cells specified in module \"%s\".\n"
                        "       tallowmere can't handle more than 1 control cell in one module.\n\n",
                        BS_LIB_FILE.c_str(), controls, module);
    }
}

void save_scan_cell_info(const std::string& key, const char* cell_name, ScanCellEntry* cell) {
    const int names = DYNA_count(cell->std_name);
    int order_first = 0;
    check_control_words(cell, cell_name);
    if (names > 1) {
        if (DYNA_count(cell->order) == 0 || !cell->order[0]) {
            qdx_exit_printf(-1, "ERROR: (%s) Please specify %%ORDER in %%SCAN_CELL %s.\n\n", BS_LIB_FILE.c_str(),
                            cell->name);
        }
        const char* word = cell->order[0];
        if (STR_ucomp(word, "input") == 0) {
            order_first = 1;
        } else if (STR_ucomp(word, "output") == 0) {
            order_first = 2;
        } else {
            qdx_exit_printf(-1,
                            "ERROR: (%s) illegal keyword '%s' in %%ORDER of %%SCAN_CELL %s.\n"
                            "%slegal keywords are input and output.\n\n",
                            BS_LIB_FILE.c_str(), word, cell->name, std::string(BS_LIB_FILE.size() + 9, ' ').c_str());
        }
    }
    // Two cells of one name would share one boundary-register position in
    // every look-up by name.
    if (chain_index.count(key)) {
        qdx_exit_printf(-1,
                        "ERROR: two boundary scan cells of the chain have the name '%s'.\n"
                        "       Their positions in the boundary register can't be told apart.\n\n",
                        key.c_str());
    }

    const int bucket = hash_key(key.c_str());
    ChainCellEntry* e = desc_hash_add_at(&CHAIN_HASH_TAB, bucket, 0);
    chain_index.emplace(key, std::make_pair(bucket, HASH_INDEX));
    e->key = qdx_strdup(key.c_str());
    e->instance_name = qdx_strdup(key.c_str());
    e->cell_name = qdx_strdup(cell_name);
    // A cell takes one register position per standard name of its own
    // (its %ORDER words, which the library reader matched to them).
    e->bits = std::max(names, 1);
    CHAIN_CELL_COUNT += e->bits;
    e->order = CHAIN_CELL_COUNT - 1;
    e->order_first = order_first;
    e->scan_cell = cell;
    e->in_register = 0;
    e->std_names = DYNA_new<char*>();
    if (cell->bs_buffer) {
        BufferEntry* b = get_buffer(cell->name);
        ScanCellEntry* inner = (b && b->bcell) ? get_scan_cell(b->bcell) : nullptr;
        if (inner) copy_names(&e->std_names, inner->std_name);
    }
    if (DYNA_count(e->std_names) == 0) copy_names(&e->std_names, cell->std_name);
}

// ------------------------------------------------------------ next cell

int save_next_scan_cell(Level& lv, int node);

// Walks the chain inside a %BS_BUFFER module instance: the module's own
// design, from its TDI port to its TDO port.
void walk_buffer_module(Level& lv, int obj, ScanCellEntry* cell) {
    const std::string module = SDB_class_name_of(obj);
    const std::string prefix = lv.name(obj);
    char* found = FNM_search((module + ".sdb").c_str(), 0, FNM_SEARCH_PATH);
    const std::string path = found ? found : "";
    std::free(found);
    if (path.empty()) {
        qdx_exit_printf(-1, "ERROR: can't find sdb file \"%s.sdb\" for %%BS_BUFFER.\n", module.c_str());
    }
    for (const std::string& m : module_stack) {
        if (m == module) {
            qdx_exit_printf(-1, "ERROR: %%BS_BUFFER '%s' holds an instance of itself in file '%s'.\n\n", module.c_str(),
                            path.c_str());
        }
    }

    SdbDatabase* kept = sdb;
    SdbDatabase* db = bsdl_open_design(path);
    int port = SDB_nl_search_port(cell->tdi);
    if (port < 0) {
        qdx_exit_printf(-1, "ERROR: can't find port '%s' in file '%s'.\n\n", cell->tdi, path.c_str());
    }

    module_stack.push_back(module);
    Level inner;
    inner.prefix = prefix;
    inner.tdo_port = cell->tdo;
    int current = port_tab[port].node;
    do {
        int next = valid_node(current) ? save_next_scan_cell(inner, current) : -1;
        if (next < 0) {
            // At the module's TDI port the break is named by the module
            // instance; further in, by the inner cell.
            bool at_port = !valid_node(current) || node_tab[current].object < 0;
            qdx_exit_printf(-1,
                            "ERROR: Boundary Scan Chain is broken at cell '%s'.\n"
                            "       Pin '%s' can't connect to any scan cell.\n\n",
                            at_port ? prefix.c_str() : inner.name(node_tab[current].object).c_str(),
                            at_port ? cell->tdi : text_or_undef(SDB_pin_name(current)));
        }
        current = next;
    } while (!net_has_port(node_tab[current].net, cell->tdo));
    module_stack.pop_back();

    SDB_close(db, 0);
    SDB_setup(kept);
}

// From a node (a TDO, or the TAP's first-boundary-cell pin) to the next
// boundary cell: records it and returns its TDO node.  Also returns a node
// at once when the path reaches the end of the chain through it.  -1 when
// no cell is found.
int save_next_scan_cell(Level& lv, int node) {
    lv.new_search();
    int cell_obj = -1, entry = -1;
    for (int n = first_on_net(node_tab[node].net); valid_node(n); n = node_tab[n].next) {
        int o = node_tab[n].object;
        if (n == node || o < 0) continue;
        if (lv.scan_cell(o)) {
            cell_obj = o;
            entry = n;
            break;
        }
        lv.enqueue(o);
    }
    for (size_t q = 0; cell_obj < 0 && q < lv.queue.size(); ++q) {
        int obj = lv.queue[q];
        int end = -1;
        for_object_nodes(obj, [&](int k) {
            if (end >= 0 || cell_obj >= 0 || !is_output(k)) return;
            if (at_end(lv, k)) {
                end = k;
                return;
            }
            for (int n = first_on_net(node_tab[k].net); valid_node(n); n = node_tab[n].next) {
                int o = node_tab[n].object;
                if (n == k || o < 0) continue;
                if (lv.scan_cell(o)) {
                    cell_obj = o;
                    entry = n;
                    return;
                }
                lv.enqueue(o);
            }
        });
        if (end >= 0) return end;
    }
    if (cell_obj < 0) return -1;

    ScanCellEntry* cell = lv.scan_cell(cell_obj);
    check_necessary_signals_of_bcell(cell);
    int tdi = object_pin_node(cell_obj, cell->tdi);
    if (tdi < 0) return -1;
    const std::string full = lv.name(cell_obj);
    const char* cls = SDB_class_name_of(cell_obj);
    if (tdi != entry) {
        qdx_exit_printf(-1,
                        "ERROR: test data path connect to pin '%s' of scan cell '%s'(%s).\n"
                        "       Test data path should connect to %%TDI pin '%s' of scan cell.\n\n",
                        text_or_undef(SDB_pin_name(entry)), full.c_str(), cls, cell->tdi);
    }
    if (!lv.walked.insert(cell_obj).second) {
        qdx_exit_printf(-1,
                        "ERROR: Boundary Scan Chain runs into a loop at cell '%s'(%s).\n"
                        "       The cell is reached a second time from pin '%s' of '%s'.\n\n",
                        full.c_str(), cls, text_or_undef(SDB_pin_name(node)),
                        node_tab[node].object < 0 ? "*" : lv.name(node_tab[node].object).c_str());
    }

    BufferEntry* b = lv.buffer_of(cell_obj);
    if (keeps_cells_in_own_design(b))
        walk_buffer_module(lv, cell_obj, cell);
    else
        save_scan_cell_info(full, cls, cell);

    int tdo = object_pin_node(cell_obj, cell->tdo);
    if (tdo < 0) {
        qdx_exit_printf(-1, "ERROR: can't find %%TDO pin '%s' in scan cell '%s'(%s)\n\n", cell->tdo, full.c_str(), cls);
    }
    return tdo;
}

// Sorts the records by position and turns the walk order into register
// positions: 0 is the cell nearest the TAP's last-boundary-cell pin.
void order_chain() {
    desc_build_listing(CHAIN_HASH_TAB, &CHAIN_TAB);
    DYNA_sort(&CHAIN_TAB, chain_cmp);
    for (int i = 0, n = DYNA_count(CHAIN_TAB); i < n; ++i)
        CHAIN_TAB[i]->order = CHAIN_CELL_COUNT - CHAIN_TAB[i]->order - 1;
}

}  // namespace

int chain_cmp(const void* a, const void* b) {
    const ChainCellEntry* x = *static_cast<ChainCellEntry* const*>(a);
    const ChainCellEntry* y = *static_cast<ChainCellEntry* const*>(b);
    return (y->order > x->order) - (y->order < x->order);
}

ChainCellEntry* get_chain_cell(const char* key) {
    HASH_INDEX = -1;
    if (!key) return nullptr;
    auto it = chain_index.find(key);
    if (it == chain_index.end()) return nullptr;
    HASH_INDEX = it->second.second;
    return &CHAIN_HASH_TAB[it->second.first][it->second.second];
}

void free_chain_tables() {
    for (int b = 0, nb = DYNA_count(CHAIN_HASH_TAB); b < nb; ++b) {
        ChainCellEntry* bucket = CHAIN_HASH_TAB[b];
        if (!bucket) continue;
        for (int i = 0, n = DYNA_count(bucket); i < n; ++i) {
            std::free(bucket[i].key);
            std::free(bucket[i].instance_name);
            std::free(bucket[i].cell_name);
            STR_free(&bucket[i].std_names);
        }
        DYNA_free(&bucket);
    }
    if (CHAIN_HASH_TAB) DYNA_free(&CHAIN_HASH_TAB);
    CHAIN_HASH_TAB = nullptr;
    if (CHAIN_TAB) DYNA_free(&CHAIN_TAB);
    CHAIN_TAB = nullptr;
    CHAIN_CELL_COUNT = 0;
    tap_ctrl = nullptr;
    chain_index.clear();
    module_stack.clear();
}

void get_bs_chain() {
    if (!GLOBAL_TDI) {
        qdx_exit_printf(-1, "ERROR: Please define %%GLOBAL_TDI port name in file '%s'.\n", BS_BSC_FILE.c_str());
    }
    if (!GLOBAL_TDO) {
        qdx_exit_printf(-1, "ERROR: Please define %%GLOBAL_TDO port name in file '%s'.\n", BS_BSC_FILE.c_str());
    }
    int port = SDB_nl_search_port(GLOBAL_TDI);
    if (port < 0 || !valid_node(port_tab[port].node)) {
        qdx_exit_printf(-1, "ERROR: can't find port '%s' in file '%s'.\n\n", GLOBAL_TDI, BS_SDB_FILE.c_str());
    }
    free_chain_tables();
    CHAIN_HASH_TAB = DYNA_new<ChainCellEntry*>();
    CHAIN_TAB = DYNA_new<ChainCellEntry*>();

    Level top;
    int current = go_through_tap_controller(top, port_tab[port].node);
    for (;;) {
        int tap_node = -1;
        TapAnswer a = connect_to_tap_controller(current, &tap_node);
        if (a == TapAnswer::end) {
            for (int n = first_on_net(node_tab[current].net); valid_node(n); n = node_tab[n].next) {
                int o = node_tab[n].object;
                if (n == current || n == tap_node || o < 0 || !top.scan_cell(o)) continue;
                print_node_prefix(top, current);
                qdx_exit_printf(-1,
                                "connects both to tap controller\n"
                                "       and boundary scan cell '%s'(%s).\n"
                                "       Can't judge one correct scan path.\n\n",
                                top.name(o).c_str(), SDB_class_name_of(o));
            }
            break;
        }
        if (a == TapAnswer::other_pin) {
            print_node_prefix(top, current);
            qdx_exit_printf(-1,
                            "connects to pin '%s' of\n"
                            "       tap controller.\n"
                            "       It should connect to %%LAST_BCELL pin '%s' of tap controller.\n\n",
                            text_or_undef(SDB_pin_name(tap_node)), tap_ctrl->last_bcell);
        }
        int next = save_next_scan_cell(top, current);
        if (next < 0) {
            qdx_exit_printf(-1,
                            "ERROR: Boundary Scan Chain is broken at cell '%s'.\n"
                            "       Pin '%s' can't connect to any scan cell or tap controller.\n\n",
                            top.name(node_tab[current].object).c_str(), text_or_undef(SDB_pin_name(current)));
        }
        current = next;
    }
    order_chain();
}
