// The search from each port's pad to its boundary cells: through nets,
// library buffers and small logic cells to a cell of the walked chain,
// from the pad's data pins for the data cells and from its enable pin for
// the control cell.  Pads that carry their own boundary cells (%BS_BUFFER,
// kind 3) are read from their own designs.  A register row says that its
// cell sees the level at its pin; an inverter between a pin and its cell
// (in a design edited by hand or by an earlier version) breaks that, and
// the search says so and goes on.
//
// Each search marks the nets it has entered, so a loop of buffers ends;
// the search past small cells looks at no more than five of them.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "bsdl/bsdl.h"
#include "bsdl/bsdl_writer.h"
#include "desc/tables.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"
#include "sdb/lookup.h"
#include "sdb/sdb.h"

namespace {

// Cells with more pins than this are never passed through.
constexpr int kSmallCellPins = 10;
// The search past small cells keeps at most this many candidates.
constexpr size_t kMaxCandidates = 5;
// Nets 0 and 1 of every design are GND and VCC.
constexpr int kConstantNets = 2;

// While a hard macro's design is current: the macro instance's name.
std::string macro_prefix;

// The search trace of -bs_search is debugging output for the screen only.
bool tracing() { return option_check[BSDL_OPT_BS_SEARCH] != 0; }

std::string obj_name(int obj) {
    const char* n = SDB_obj_name(sdb, obj);
    return n ? n : "*UNDEF*";
}

std::string net_name(int net) {
    const char* n = SDB_net_name(sdb, net);
    return n ? n : "*UNDEF*";
}

int class_pins(int obj) {
    const int c = obj_tab[obj].cls;
    return c >= 0 && c < class_count ? class_tab[c].pin_count : 0;
}

// The direction of an instance pin; -1 for a port node.
int node_dir(int node) {
    const SdbNode& n = node_tab[node];
    if (n.object < 0 || n.pin < 0 || n.pin >= pin_count) return -1;
    return pin_tab[n.pin].direction & 3;
}

int first_node(int net) { return net >= 0 && net < net_count ? net_tab[net].first_node : -1; }

template <class F>
void for_net(int net, F f) {
    for (int n = first_node(net); n >= 0 && n < node_count; n = node_tab[n].next) f(n);
}

// The node of obj on the pin of that name, or -1.
int pin_node(int obj, const char* pin) {
    if (!pin || obj < 0 || obj >= obj_count) return -1;
    for (int n = obj_tab[obj].first_node; n >= 0 && n < node_count && node_tab[n].object == obj; ++n)
        if (STR_same(node_pin(n), pin)) return n;
    return -1;
}

// The net on a pin that may be absent: -1 for no pin or no net.
int net_on(int obj, const char* pin) {
    int n = pin_node(obj, pin);
    return n < 0 ? -1 : node_tab[n].net;
}

ChainCellEntry* chain_cell_of(int obj) { return obj >= 0 ? get_chain_cell(chain_key(obj).c_str()) : nullptr; }

[[noreturn]] void floating(const char* pin, int obj) {
    qdx_exit_printf(-1, "ERROR: Pin '%s' of obj '%s'(%s) is floating.\n       Stop tracing the circuit.\n\n",
                    pin ? pin : "", obj_name(obj).c_str(), SDB_class_name_of(obj));
}

// The net on a pin the library declares; a pin without net stops the trace.
int data_net(int obj, const char* pin) {
    int net = find_inet_connected_to_pin(obj, pin);
    if (net < 0) floating(pin, obj);
    return net;
}

[[noreturn]] void no_cell(const std::string& port) {
    qdx_exit_printf(-1, "ERROR: can't find boundary scan cell while tracing port '%s'.\n\n", port.c_str());
}

// The disabling value of a port with an enable.
int disabling_value(const BufTabEntry& row, const BufferEntry* b) {
    if (row.enable == PAD_EN_LOW) return 1;
    if (row.enable == PAD_EN_HIGH) return 0;
    return b->en_l ? 1 : 0;
}

// True when an enable net is GND or VCC at the disabling value: the pad's
// driver is off for good, so no cell of the boundary register drives it.
bool tied_off(int net, int dv) { return net >= 0 && net < kConstantNets && net == dv; }

int find_bd_reg_around_net(int obj, int net, int d) {
    int found = -1;
    for_net(net, [&](int n) {
        const int o = node_tab[n].object;
        if (found >= 0 || o < 0 || o == obj) return;
        const ChainCellEntry* c = chain_cell_of(o);
        if (!c || !c->scan_cell) return;
        const ScanCellEntry* s = c->scan_cell;
        const char* pin = node_pin(n);
        // A mux cell drives its pad's second data input from its update
        // stage: looking back from that input finds it there.
        if (d == 0 && STR_same(pin, s->update_dr_out)) {
            found = o;
            return;
        }
        if (d == 0 && OUTPUT_MUX_SCAN && STR_same(s->name, OUTPUT_MUX_SCAN)) d = 2;
        const bool match = d == 0 ? STR_same(pin, s->data_out) : (STR_same(pin, s->data_in) || STR_same(pin, s->sys_pin));
        if (match) found = o;
    });
    return found;
}

int bs_search_bd_reg_pass_not_buffer(std::vector<int>& list, int d) {
    for (size_t i = 0; i < list.size(); ++i) {
        const int cand = list[i];
        if (tracing()) std::printf("instance %s:\n", obj_name(cand).c_str());
        for (int k = obj_tab[cand].first_node; k >= 0 && k < node_count && node_tab[k].object == cand; ++k) {
            if (node_dir(k) == d) continue;
            const int net = node_tab[k].net;
            if (net < 0) continue;
            if (tracing()) std::printf(" pin name: %s, ", net_name(net).c_str());
            const int r = find_bd_reg_around_net(cand, net, d);
            if (r >= 0) {
                if (tracing()) std::printf("get BC %s\n", obj_name(r).c_str());
                return r;
            }
            for_net(net, [&](int n) {
                const int o = node_tab[n].object;
                if (o < 0 || o == cand || node_dir(n) != d) return;
                bool listed = false;
                for (int x : list) listed = listed || x == o;
                if (!listed && list.size() < kMaxCandidates && class_pins(o) <= kSmallCellPins) list.push_back(o);
            });
            if (tracing()) std::printf("fail\n");
        }
    }
    return -1;
}

// The search from a net; `passed`, when given, receives the library
// buffers on the way to the cell found (the one nearest to it first).
int search(int obj, int net, int d, std::unordered_set<int>& entered, std::vector<int>* passed) {
    if (tracing()) {
        std::printf("\n");
        std::printf("class name: %s, ", SDB_class_name_of(obj));
        std::printf("instance name: %s, ", obj_name(obj).c_str());
        std::printf("net name: %s\n", net_name(net).c_str());
    }
    if (!entered.insert(net).second) return -1;
    int r = find_bd_reg_around_net(obj, net, d);
    if (r >= 0) {
        if (tracing()) std::printf("get boundary scan cell: %s\n", obj_name(r).c_str());
        return r;
    }
    std::vector<int> candidates;
    std::unordered_set<int> listed;
    for (int n = first_node(net); n >= 0 && n < node_count; n = node_tab[n].next) {
        const int o = node_tab[n].object;
        if (o < 0 || o == obj || node_dir(n) != d) continue;
        if (const BufferEntry* b = get_buffer(SDB_class_name_of(o))) {
            const int low = d & 3;
            const int next = net_on(o, low == 1 || low == 2 ? b->output : b->input);
            if (next < 0) continue;
            r = search(o, next, d, entered, passed);
            if (r >= 0) {
                if (passed) passed->push_back(o);
                return r;
            }
            continue;
        }
        if (tracing()) std::printf("not buffer, class: %s, instance %s\n", SDB_class_name_of(o), obj_name(o).c_str());
        if (class_pins(o) <= kSmallCellPins && listed.insert(o).second) candidates.push_back(o);
    }
    return bs_search_bd_reg_pass_not_buffer(candidates, d);
}

// An inverting cell of the library: a buffer whose %FUNCTION is "inv", or
// the inverter that the configuration (%INVERTER) or the TAP
// (%INV_BUFFER) names.
bool inverting(const BufferEntry* b) {
    if (!b || !b->name) return false;
    auto named = [b](const char* name) { return name && STR_ucomp(b->name, name) == 0; };
    return (b->function && STR_ucomp(b->function, "inv") == 0) || named(INVERTER) ||
           (TAP_CONTR && named(TAP_CONTR->inv_buffer));
}

// The data cell of a port, searched from the pad's data net in direction
// d.  When an odd number of inverters (the pad itself counted) lies
// between the pin and that cell, the cell sees the pin inverted, which no
// BSDL row can state: a warning names the port and the inverters, and the
// row is written all the same.
int search_data_cell(const BufTabEntry& row, int pad, const BufferEntry* b, int net, int d) {
    std::unordered_set<int> entered;
    std::vector<int> passed;
    const int cell = search(pad, net, d, entered, &passed);
    if (cell < 0) return cell;
    passed.push_back(pad);
    std::string inverters;
    int count = 0;
    for (auto it = passed.rbegin(); it != passed.rend(); ++it) {
        const BufferEntry* x = *it == pad ? b : get_buffer(SDB_class_name_of(*it));
        if (!inverting(x)) continue;
        ++count;
        inverters += (inverters.empty() ? "'" : ", '") + obj_name(*it) + "'(" + SDB_class_name_of(*it) + ")";
    }
    if (count % 2 == 1) {
        qdx_printf("WARNING: port '%s' reaches its boundary cell '%s' through the inverter%s %s:\n",
                   row.core_name.c_str(), obj_name(cell).c_str(), count > 1 ? "s" : "", inverters.c_str());
        qdx_printf("         the cell sees the pin inverted, which the BSDL file cannot describe.\n\n");
    }
    return cell;
}

// The pad of a row and its library record; null for a pad that is a scan
// cell (the no-pad road, taken by the caller) or not a pad.
const BufferEntry* pad_buffer(int row, int pad, bool* no_pad) {
    *no_pad = false;
    const char* cell = SDB_class_name_of(pad);
    const BufferEntry* b = get_buffer(cell);
    if (!b && get_scan_cell(cell)) {
        *no_pad = true;
        return nullptr;
    }
    if (!b) {
        qdx_exit_printf(-1,
                        "ERROR: trace port '%s' connecting to cell '%s'.\n"
                        "       '%s' wasn't defined as an IO pad in file '%s'.\n"
                        "       IO port should connect to IO pad directly.\n\n",
                        BUF_TAB[static_cast<size_t>(row)].core_name.c_str(), cell, cell, BS_LIB_FILE.c_str());
    }
    return b;
}

// The top-level port whose net reaches library buffer o (o is its pad),
// or -1.  A port node keeps the port's index as its pin.
int pad_port(int o) {
    if (!get_buffer(SDB_class_name_of(o))) return -1;
    for (int k = obj_tab[o].first_node; k >= 0 && k < node_count && node_tab[k].object == o; ++k) {
        int port = -1;
        for_net(node_tab[k].net, [&](int n) {
            if (port < 0 && node_tab[n].object < 0) port = node_tab[n].pin;
        });
        if (port >= 0) return port;
    }
    return -1;
}

// The search of a check rather than a tracer: the -bs_search trace shows
// the tracers' searches once, there.
int quiet_search(int obj, int net, int d) {
    const int traced = option_check[BSDL_OPT_BS_SEARCH];
    option_check[BSDL_OPT_BS_SEARCH] = 0;
    const int found = search_bd_reg(obj, net, d);
    option_check[BSDL_OPT_BS_SEARCH] = traced;
    return found;
}

// True when the output or control search of pad o (library record b)
// from its pin `pin` on `net` ends at chain cell `cell`: the pin is one
// that those tracers search from, its data input (which a pad that
// carries its own cell has none to trace from) or its enable.
bool pad_takes_cell(int o, int port, const BufferEntry* b, const char* pin, int net, int cell) {
    const bool own_cell = b->kind == BUFFER_BS;
    // The bidirectional tracer drives from the second data input where
    // there is one; the output tracer from the data input, or the enable
    // of a pad whose data comes through it.
    const bool bidir = (port_tab[port].direction & 3) == SDB_DIR_BIDIR;
    const char* data_pin = bidir      ? (b->mux_in1 ? b->mux_in1 : b->input)
                           : b->input ? b->input
                           : b->en_l  ? b->en_l
                                      : b->en_h;
    const bool data = !own_cell && STR_same(pin, data_pin);
    const bool enable = (STR_same(pin, b->en_l) || STR_same(pin, b->en_h)) && !(own_cell && b->control_bcell);
    return (data || enable) && quiet_search(o, net, SDB_DIR_OUTPUT) == cell;
}

// The pad of a port other than the one of pad `own` whose own trace
// takes chain cell `cell`: a pad that the cell drives from its DATA_OUT
// or its update stage, straight or through library buffers, and whose
// output or control search from that pin ends at this cell.  -1 when
// there is none.  An input's trace that ends at such a cell has run on
// past the end of its own path, through the core to the other port's
// output (or control) cell.  A cell that only feeds the core on the way
// to another pad, whose own cell sits nearer to it, is not that pad's.
int other_ports_pad(int cell, int own) {
    const ChainCellEntry* c = chain_cell_of(cell);
    const ScanCellEntry* s = c ? c->scan_cell : nullptr;
    if (!s) return -1;
    std::vector<int> nets{net_on(cell, s->data_out), net_on(cell, s->update_dr_out)};
    std::unordered_set<int> entered;
    while (!nets.empty()) {
        const int net = nets.back();
        nets.pop_back();
        if (net < kConstantNets || !entered.insert(net).second) continue;
        int pad = -1;
        for_net(net, [&](int n) {
            const int o = node_tab[n].object;
            if (pad >= 0 || o < 0 || o == cell || o == own || node_dir(n) != SDB_DIR_INPUT) return;
            const BufferEntry* b = get_buffer(SDB_class_name_of(o));
            if (!b) return;
            const int port = pad_port(o);
            if (port < 0)
                nets.push_back(net_on(o, b->output));
            else if (pad_takes_cell(o, port, b, node_pin(n), net, cell))
                pad = o;
        });
        if (pad >= 0) return pad;
    }
    return -1;
}

// For a differential pad: true when the port reaches the positive leg,
// false for the negative leg (which makes no row).
bool positive_leg(const BufTabEntry& row, const BufferEntry* b, const char* plus, const char* minus) {
    const int port = find_iport(row.core_name);
    const char* pin = node_pin(get_node_connected_to_portnode(port));
    if (!pin) {
        qdx_exit_printf(-1, "ERROR: can not get pin name while tracing port '%s'.\n", row.core_name.c_str());
    }
    if (STR_same(pin, plus)) return true;
    if (STR_same(pin, minus)) return false;
    qdx_exit_printf(-1, "ERROR: the %s pin specified in netlist, but can not be found in DIFFERENTIAL BUFFER %s\n ",
                    pin, b->name);
}

bool differential(const BufferEntry* b) { return b->kind == BUFFER_DIFF_VOLTAGE || b->kind == BUFFER_DIFF_CURRENT; }

// A hard macro's own design, current while the object lives.
class MacroDesign {
public:
    MacroDesign(int pad) : kept_(sdb), prefix_(obj_name(pad)) {
        const std::string cell = SDB_class_name_of(pad);
        char* found = FNM_search((cell + ".sdb").c_str(), 0, FNM_SEARCH_PATH);
        path_ = found ? found : "";
        std::free(found);
        if (path_.empty()) {
            qdx_exit_printf(-1, "ERROR: can't find sdb file \"%s.sdb\" for %%BS_BUFFER.\n", cell.c_str());
        }
        db_ = bsdl_open_design(path_);
        macro_prefix = prefix_;
        cell_ = cell;
    }
    ~MacroDesign() {
        macro_prefix.clear();
        SDB_close(db_, 0);
        SDB_setup(kept_);
    }
    MacroDesign(const MacroDesign&) = delete;
    MacroDesign& operator=(const MacroDesign&) = delete;

    // The chain cells on the net of the macro's port `pin`, by key.
    // `strict`: every instance there must be one.
    std::vector<std::pair<std::string, bool>> cells_at(const char* pin, bool strict) const {
        const int port = pin ? SDB_nl_search_port(pin) : -1;
        if (port < 0) {
            qdx_exit_printf(-1, "ERROR: can't find port '%s' in file '%s'.\n\n", pin ? pin : "", path_.c_str());
        }
        std::vector<std::pair<std::string, bool>> keys;
        for_net(node_tab[port_tab[port].node].net, [&](int n) {
            const int o = node_tab[n].object;
            if (o < 0) return;
            const bool cell = chain_cell_of(o) != nullptr;
            if (!cell && strict) {
                qdx_exit_printf(-1,
                                "ERROR: can't find boundary scan cell while tracing port '%s' of hard macro "
                                "'%s'.\n\n",
                                pin, cell_.c_str());
            }
            keys.emplace_back(chain_key(o), cell);
        });
        return keys;
    }

private:
    SdbDatabase* kept_;
    SdbDatabase* db_ = nullptr;
    std::string prefix_, path_, cell_;
};

}  // namespace

const char* node_pin(int node) {
    if (node < 0 || node >= node_count || node_tab[node].object < 0) return nullptr;
    return SDB_pin_name(node);
}

std::string chain_key(int obj) {
    const std::string n = obj_name(obj);
    return macro_prefix.empty() ? n : macro_prefix + "." + n;
}

int find_inet_connected_to_pin(int obj, const char* pin) {
    const int n = pin_node(obj, pin);
    if (n < 0) {
        qdx_exit_printf(-1,
                        "ERROR: Pin '%s' doesn't attach on obj '%s'(%s).\n"
                        "       Please check .lib file '%s' and sdb file '%s'.\n\n",
                        pin ? pin : "", obj_name(obj).c_str(), SDB_class_name_of(obj), BS_LIB_FILE.c_str(), BS_SDB_FILE.c_str());
    }
    return node_tab[n].net;
}

bool pin_reaches_other_objects(int obj, const char* pin) {
    const int n = pin_node(obj, pin);
    const int net = n >= 0 ? node_tab[n].net : -1;
    if (net < 0) return false;
    bool reaches = false;
    for_net(net, [&](int k) { reaches = reaches || node_tab[k].object != obj; });
    return reaches;
}

int search_bd_reg(int obj, int net, int d) {
    std::unordered_set<int> entered;
    return search(obj, net, d, entered, nullptr);
}

namespace {

// The enable pin the tracers read of a port's pad: %EN_L when declared,
// else %EN_H; for a bidirectional port the pin file's polarity picks it.
const char* traced_enable(const BufTabEntry& r, const BufferEntry* b) {
    if (r.function == "inout" && r.enable == PAD_EN_LOW) return b->en_l;
    if (r.function == "inout" && r.enable == PAD_EN_HIGH) return b->en_h;
    return b->en_l ? b->en_l : b->en_h;
}

}  // namespace

std::unordered_map<int, std::vector<int>> control_cells_by_role() {
    std::unordered_map<int, std::vector<int>> drivers;
    for (const BufTabEntry& r : BUF_TAB) {
        if (r.pad_obj < 0 || skip_signal(r.core_name.c_str())) continue;
        if (r.function != "out" && r.function != "buffer" && r.function != "inout") continue;
        const char* cls = SDB_class_name_of(r.pad_obj);
        const BufferEntry* b = get_buffer(cls);
        if (!b) {
            // A port wired straight to its cell: the cell's own control
            // bit, or the cell that its enable leads back to, as the
            // no-pad rows have them.
            const ChainCellEntry* c = get_scan_cell(cls) ? chain_cell_of(r.pad_obj) : nullptr;
            const ScanCellEntry* s = c ? c->scan_cell : nullptr;
            if (!s) continue;
            bool own_bit = false;
            for (int j = 0, n = DYNA_count(s->order); j < n; ++j) own_bit = own_bit || is_control_word(s->order[j]);
            if (own_bit && DYNA_count(s->order) > 1) {
                drivers[r.pad_obj].push_back(r.pad_obj);
                continue;
            }
            for (const char* pin : {s->en_l, s->en_h}) {
                const int net = pin ? net_on(r.pad_obj, pin) : -1;
                const int k = net < 0 ? -1 : quiet_search(r.pad_obj, net, SDB_DIR_OUTPUT);
                if (k < 0) continue;
                drivers[k].push_back(r.pad_obj);
                break;
            }
            continue;
        }
        if (b->kind == BUFFER_BS && b->control_bcell) continue;
        const char* E = traced_enable(r, b);
        if (!E || STR_same(E, b->input)) continue;
        const int net = net_on(r.pad_obj, E);
        if (net < kConstantNets) continue;
        const int c = quiet_search(r.pad_obj, net, SDB_DIR_OUTPUT);
        if (c >= 0) drivers[c].push_back(r.pad_obj);
    }
    return drivers;
}

bool pad_floats_under_highz(int pad, const char* tap_pin) {
    const BufferEntry* b = pad >= 0 ? get_buffer(SDB_class_name_of(pad)) : nullptr;
    if (!b || b->kind != BUFFER_BS || TAP_IOBJ < 0) return false;
    const ScanCellEntry* cell = get_scan_cell(b->name);
    if (!cell || !cell->highz) return false;
    // Back from the pad's pin to the TAP's, through the cells of one
    // input on the way (the buffers and inverters of the command's tree).
    std::vector<int> nets{net_on(pad, cell->highz)};
    std::unordered_set<int> entered;
    while (!nets.empty()) {
        const int net = nets.back();
        nets.pop_back();
        if (net < kConstantNets || !entered.insert(net).second) continue;
        bool reached = false;
        for_net(net, [&](int n) {
            const int o = node_tab[n].object;
            if (o < 0 || node_dir(n) != SDB_DIR_OUTPUT) return;
            if (o == TAP_IOBJ) {
                reached = reached || STR_same(node_pin(n), tap_pin);
                return;
            }
            int inputs = 0, from = -1;
            for (int k = obj_tab[o].first_node; k >= 0 && k < node_count && node_tab[k].object == o; ++k)
                if (node_dir(k) == SDB_DIR_INPUT) {
                    ++inputs;
                    from = node_tab[k].net;
                }
            if (inputs == 1) nets.push_back(from);
        });
        if (reached) return true;
    }
    return false;
}

TraceResult print_input_clock_bd_register(int row, int pad, const char* word) {
    const BufTabEntry& r = BUF_TAB[static_cast<size_t>(row)];
    bool no_pad = false;
    const BufferEntry* b = pad_buffer(row, pad, &no_pad);
    if (no_pad) {
        print_no_pad_bd(row, pad, "input");
        return {};
    }
    TraceResult out{b, {}};
    if (differential(b) && !positive_leg(r, b, b->input, b->input_m)) return out;
    const char* lib = BS_LIB_FILE.c_str();
    if (b->kind == BUFFER_PLAIN && !b->output) {
        qdx_exit_printf(-1,
                        "ERROR: (%s) can't find %%OUTPUT of %%BUFFER '%s'.\n"
                        "       Please declare %%OUTPUT of input pad to trace.\n\n",
                        lib, b->name);
    }
    if (differential(b)) {
        if (!b->input || !b->input_m) {
            qdx_exit_printf(-1,
                            "ERROR: (%s) can't find %%INPUT_P or %%INPUT_M in DIFFERENTIAL BUFFER '%s'.\n"
                            "       Please declare %%INPUT_P or %%INPUT_M of input pad to trace.\n\n",
                            lib, b->name);
        }
        if (!b->output) {
            qdx_exit_printf(-1,
                            "ERROR: (%s) can't find %%OUTPUT in DIFFERENTIAL BUFFER '%s'.\n"
                            "       Please declare %%OUTPUT of input pad to trace.\n\n",
                            lib, b->name);
        }
    }
    if (b->kind == BUFFER_BS) {
        // A pad with one cell of its own is that cell; a pad whose cells
        // sit in its own design gives each cell on its input.
        if (get_chain_cell(chain_key(pad).c_str())) {
            out.cells.push_back({chain_key(pad), word, {}, 0});
        } else {
            MacroDesign m(pad);
            for (const auto& [key, cell] : m.cells_at(b->input, true)) out.cells.push_back({key, word, {}, 0});
        }
        return out;
    }
    const int cell = search_data_cell(r, pad, b, data_net(pad, b->output), SDB_DIR_INPUT);
    if (cell < 0) no_cell(r.core_name);
    if (const int other = other_ports_pad(cell, pad); other >= 0) {
        qdx_exit_printf(-1,
                        "ERROR: can't find boundary scan cell while tracing port '%s':\n"
                        "       the trace reached cell '%s'(%s), which serves pad '%s'(%s) of another port.\n\n",
                        r.core_name.c_str(), obj_name(cell).c_str(), SDB_class_name_of(cell), obj_name(other).c_str(),
                        SDB_class_name_of(other));
    }
    out.cells.push_back({chain_key(cell), word, {}, 0});
    return out;
}

TraceResult print_output_bd_register(int row, int pad) {
    const BufTabEntry& r = BUF_TAB[static_cast<size_t>(row)];
    bool no_pad = false;
    const BufferEntry* b = pad_buffer(row, pad, &no_pad);
    if (no_pad) {
        print_no_pad_bd(row, pad, "output");
        return {};
    }
    TraceResult out{b, {}};
    if (differential(b) && !positive_leg(r, b, b->output, b->output_m)) return out;
    const char* lib = BS_LIB_FILE.c_str();
    const char* data_pin = b->input ? b->input : b->en_l ? b->en_l : b->en_h;
    if (b->kind == BUFFER_PLAIN && !data_pin) {
        qdx_exit_printf(-1,
                        "ERROR: (%s) can't find %%INPUT of %%BUFFER '%s'.\n"
                        "       Please declare %%INPUT of output pad to trace.\n\n",
                        lib, b->name);
    }
    if (differential(b)) {
        if (!b->input) {
            qdx_exit_printf(-1,
                            "ERROR: (%s) can't find %%INPUT in DIFFERENTIAL BUFFER '%s'.\n"
                            "       Please declare %%INPUT of output pad to trace.\n\n",
                            lib, b->name);
        }
        if (!b->output || !b->output_m) {
            qdx_exit_printf(-1,
                            "ERROR: (%s) can't find %%OUTPUT_P or %%OUTUT_M in DIFFERENTIAL BUFFER '%s'.\n"
                            "       Please declare %%OUTPUT_P or %%OUTPUT_M of output pad to trace.\n\n",
                            lib, b->name);
        }
        data_pin = b->input;
    }
    const int dv = disabling_value(r, b);
    const char* E = b->en_l ? b->en_l : b->en_h;

    if (b->kind == BUFFER_BS && b->control_bcell) {
        MacroDesign m(pad);
        auto data = m.cells_at(b->input, true);
        if (data.empty()) no_cell(r.core_name);
        const std::string cell = data.back().first;
        if (!b->input || !E) {
            out.cells.push_back({cell, "output2", {}, 0});
            return out;
        }
        for (const auto& [key, is_cell] : m.cells_at(E, false))
            out.cells.push_back({cell, "output3", is_cell ? key : std::string(), is_cell ? dv : 0});
        return out;
    }

    std::string cell;
    if (b->kind == BUFFER_BS) {
        cell = chain_key(pad);
    } else {
        const int c = search_data_cell(r, pad, b, data_net(pad, data_pin), SDB_DIR_OUTPUT);
        if (c < 0) no_cell(r.core_name);
        cell = chain_key(c);
    }
    if (!b->input || !E) {
        out.cells.push_back({cell, "output2", {}, 0});
    } else if (STR_same(E, b->input)) {
        out.cells.push_back({cell, "output2", cell, dv});
    } else {
        const int net = data_net(pad, E);
        if (tied_off(net, dv)) {
            // The pad never drives its pin: the data cell serves no port.
            out.cells.push_back({cell, "internal", {}, 0});
            return out;
        }
        const int c = search_bd_reg(pad, net, SDB_DIR_OUTPUT);
        out.cells.push_back({cell, "output3", c >= 0 ? chain_key(c) : std::string(), c >= 0 ? dv : 0});
    }
    return out;
}

TraceResult print_bidir_bd_register(int row, int pad) {
    const BufTabEntry& r = BUF_TAB[static_cast<size_t>(row)];
    bool no_pad = false;
    const BufferEntry* b = pad_buffer(row, pad, &no_pad);
    if (no_pad) {
        print_no_pad_bd(row, pad, "inout");
        return {};
    }
    TraceResult out{b, {}};
    if (differential(b) && !positive_leg(r, b, b->input, b->input_m)) return out;
    const char* lib = BS_LIB_FILE.c_str();
    const char* port = r.core_name.c_str();
    const bool kind3 = b->kind == BUFFER_BS;

    // Input side.
    std::string in_cell;
    if (!b->output) {
        qdx_printf("WARNING: (%s) can't find %%OUTPUT in %%BUFFER '%s'.\n", lib, b->name);
        qdx_printf("         Skip tracing input scan of port '%s'.\n\n", port);
    } else if (kind3) {
        in_cell = chain_key(pad);
    } else {
        const int net = find_inet_connected_to_pin(pad, b->output);
        if (net < 0) {
            qdx_printf("WARNING: Pin '%s' of obj '%s'(%s) is floating.\n", b->output, obj_name(pad).c_str(),
                       SDB_class_name_of(pad));
            qdx_printf("         Skip tracing input scan of port '%s'.\n\n", port);
        } else {
            // Another port's output cell, reached through the core, is
            // none of this pin's.
            const int c = search_data_cell(r, pad, b, net, SDB_DIR_INPUT);
            if (c >= 0 && other_ports_pad(c, pad) < 0) {
                in_cell = chain_key(c);
            } else {
                qdx_printf("WARNING: can't find input scan while tracing port ");
                qdx_printf("'%s'.\n", port);
                qdx_printf("         Assume '%s' only connects to ", port);
                qdx_printf("an output scan.\n\n");
            }
        }
    }

    // Output side.
    std::string out_cell;
    const char* out_pin = b->mux_in1 ? b->mux_in1 : b->input;
    if (!out_pin) {
        qdx_printf("WARNING: (%s) can't find %%INPUT in %%BUFFER '%s'.\n", lib, b->name);
        qdx_printf("         Skip tracing output scan of port '%s'.\n\n", port);
    } else if (kind3) {
        out_cell = chain_key(pad);
    } else {
        const int net = find_inet_connected_to_pin(pad, out_pin);
        if (net < 0) {
            qdx_printf("WARNING: Pin '%s' of obj '%s'(%s) is floating.\n", out_pin, obj_name(pad).c_str(),
                       SDB_class_name_of(pad));
            qdx_printf("         Skip tracing output scan of port '%s'.\n\n", port);
        } else {
            const int c = search_data_cell(r, pad, b, net, SDB_DIR_OUTPUT);
            if (c >= 0) out_cell = chain_key(c);
        }
        if (out_cell.empty() && in_cell.empty()) {
            qdx_exit_printf(-1,
                            "ERROR: can't find input scan and output scan when tracing port '%s'.\n"
                            "       Please verify the design or declare '%s' as a skip signal in \"%s\".\n\n",
                            port, port, BS_BSC_FILE.c_str());
        }
        if (out_cell.empty()) {
            qdx_printf("WARNING: can't find output scan while tracing ");
            qdx_printf("port '%s'.\n", port);
            qdx_printf("         Assume '%s' only connects ", port);
            qdx_printf("to an input scan.\n\n");
        }
    }

    // Control.
    if (b->en_l && b->en_h && r.enable == PAD_EN_NONE) {
        qdx_exit_printf(-1,
                        "ERROR: (%s) %%EN_L and %%EN_H must be declared\n"
                        "       mutually exclusive in %%BUFFER '%s'.\n\n",
                        lib, b->name);
    }
    const char* E = r.enable == PAD_EN_LOW ? b->en_l : r.enable == PAD_EN_HIGH ? b->en_h : b->en_l ? b->en_l : b->en_h;
    const int dv = disabling_value(r, b);
    std::string control;
    bool never_drives = false;
    if (E && !(kind3 && b->control_bcell)) {
        const int net = data_net(pad, E);
        never_drives = tied_off(net, dv);
        // Only GND and VCC are constants; every other net may lead to a
        // control cell.
        if (net >= kConstantNets) {
            const int c = search_bd_reg(pad, net, SDB_DIR_OUTPUT);
            if (c >= 0)
                control = chain_key(c);
            else {
                qdx_printf("WARNING: can't find control boundary scan ");
                qdx_printf("while tracing bidi port '%s'.\n\n", port);
            }
        }
    }

    auto with = [&](const std::string& cell, const char* f, bool ctl) {
        out.cells.push_back({cell, f, ctl ? control : std::string(), ctl && !control.empty() ? dv : 0});
    };
    if (kind3) {
        if (!b->bcell) return out;
        if (!b->control_bcell) {
            with(chain_key(pad), "bidir", true);
            return out;
        }
        MacroDesign m(pad);
        auto data = m.cells_at(b->input, true);
        if (data.empty()) no_cell(r.core_name);
        const std::string cell = data.back().first;
        if (!E) {
            out.cells.push_back({cell, "bidir", {}, 0});
            return out;
        }
        for (const auto& [key, is_cell] : m.cells_at(E, false))
            out.cells.push_back({cell, "bidir", is_cell ? key : std::string(), is_cell ? dv : 0});
        return out;
    }
    const bool has_enable = b->en_l || b->en_h;
    if (never_drives) {
        // The pad is an input only: its output cell serves no port.
        if (!in_cell.empty()) with(in_cell, "input", false);
        if (!out_cell.empty() && out_cell != in_cell) with(out_cell, "internal", false);
        return out;
    }
    if (!in_cell.empty() && in_cell == out_cell) {
        with(in_cell, "bidir", true);
    } else if (!in_cell.empty() && !out_cell.empty()) {
        with(in_cell, "input", false);
        if (!control.empty())
            with(out_cell, STR_same(E, b->input) ? "output2" : "output3", true);
        else
            with(out_cell, has_enable ? "output3" : "output2", false);
    } else if (!in_cell.empty()) {
        with(in_cell, "input", false);
    } else {
        with(out_cell, (!control.empty() || has_enable) ? "output3" : "output2", true);
    }
    return out;
}

TraceResult print_internal_bd_register(int row, int obj) {
    const BufTabEntry& r = BUF_TAB[static_cast<size_t>(row)];
    const int net = find_inet_connected_to_pin(obj, r.bsdl_name.c_str());
    if (net < 0) {
        qdx_exit_printf(-1,
                        "ERROR: Pin '%s' of obj '%s'(%s) is floating.\n"
                        "       Stop tracing the circuit.\n\n",
                        r.bsdl_name.c_str(), obj_name(obj).c_str(), SDB_class_name_of(obj));
    }
    int c = search_bd_reg(obj, net, SDB_DIR_INPUT);
    if (c < 0) c = search_bd_reg(obj, net, SDB_DIR_OUTPUT);
    if (c < 0) {
        qdx_exit_printf(-1, "ERROR: can't find boundary scan cell while tracing signal '%s{%s}'.\n\n",
                        r.core_name.c_str(), r.bsdl_name.c_str());
    }
    // A cell on a signal inside the chip, observed or driven, serves no
    // system pin; in BSDL it is an internal cell (observe_only names the
    // pin whose level a cell captures).
    return {nullptr, {{chain_key(c), "internal", {}, 0}}};
}

namespace {

// The rows of a port wired straight to its boundary cell, and the control
// row its enable leads to.
void no_pad_rows(int row, int obj, const char* word) {
    const BufTabEntry& r = BUF_TAB[static_cast<size_t>(row)];
    ChainCellEntry* c = chain_cell_of(obj);
    if (!c) {
        qdx_exit_printf(-1, "ERROR: port '%s' connects to '%s'(%s), which is no cell of the boundary scan chain.\n\n",
                        r.core_name.c_str(), obj_name(obj).c_str(), SDB_class_name_of(obj));
    }
    c->in_register = 1;
    const ScanCellEntry* s = c->scan_cell;
    const std::string W = word;
    auto std_name = [&](int j) -> std::string {
        if (j < DYNA_count(c->std_names) && c->std_names[j]) return c->std_names[j];
        return c->cell_name;
    };
    const int words = s ? DYNA_count(s->order) : 0;
    const std::string owner = row_owner(row);
    // The function of a port cell: output2 for a two-state output, bidir
    // for a bidirectional port (the BSDL words for them).
    const std::string single = W == "output" ? "output2" : W == "inout" ? "bidir" : W;
    if (words <= 1) {
        add_bd_row({c->order, std_name(0), r.bsdl_name, single, "X", -1, 0, "Z"}, c, owner);
    } else {
        // The chain walk let no cell with two control words through.
        int control_at = -1;
        for (int j = 0; j < words; ++j)
            if (is_control_word(s->order[j])) control_at = j;
        for (int j = 0; j < words; ++j) {
            const std::string w = s->order[j] ? s->order[j] : "";
            BdRegEntry e{c->order + j, std_name(j), r.bsdl_name, w, "X", -1, 0, "Z"};
            if (j == control_at) {
                e.port = "*";
                e.safe = "0";
                e.rslt.clear();
            } else {
                const bool driven = STR_ucomp(w.c_str(), "output3") == 0 || STR_ucomp(w.c_str(), "inout") == 0 ||
                                    STR_ucomp(w.c_str(), "bidir") == 0;
                if (STR_ucomp(w.c_str(), "inout") == 0) e.function = "bidir";
                if (STR_ucomp(w.c_str(), "output") == 0) e.function = control_at >= 0 ? "output3" : "output2";
                if ((driven || STR_ucomp(w.c_str(), "output") == 0) && control_at >= 0) e.ccell = c->order + control_at;
            }
            add_bd_row(e, c, j == control_at ? "the enable of " + owner : owner);
        }
        if (control_at >= 0) return;
    }
    if (W != "output" && W != "inout") return;
    if (!s || (!s->en_l && !s->en_h)) return;
    // The enable of the cell leads back to a control cell.
    for (int pass = 0; pass < 2; ++pass) {
        const char* pin = pass == 0 ? s->en_l : s->en_h;
        if (!pin) continue;
        const int net = net_on(obj, pin);
        const int k = net < 0 ? -1 : search_bd_reg(obj, net, SDB_DIR_OUTPUT);
        if (k < 0) continue;
        ChainCellEntry* ctl = chain_cell_of(k);
        const int disval = pass == 0 ? 1 : 0;
        BdRegEntry& last = BD_REG_TAB.back();
        last.ccell = ctl->order;
        last.disval = disval;
        if (last.function == "output2") last.function = "output3";
        ctl->in_register = 1;
        if (!contr_cell_exist(ctl->order)) {
            check_one_control_bit(ctl);
            const std::string name = DYNA_count(ctl->std_names) == 1 ? ctl->std_names[0] : ctl->cell_name;
            const bool reset = ctl->scan_cell && ctl->scan_cell->rst;
            // Its safe value is the one that disables the driver.
            add_bd_row({ctl->order, name, "*", reset ? "controlr" : "control", disval ? "1" : "0", -1, 0, {}}, ctl,
                       "the enable of " + owner);
        }
        return;
    }
    qdx_printf("REEOR: can't find any control cell from pin ");
    if (s->en_l)
        qdx_printf("%%EN_L '%s'\n", s->en_l);
    else
        qdx_printf("%%EN_H '%s'\n", s->en_h);
    qdx_exit_printf(-1, "       of object '%s' (%s).\n\n", obj_name(obj).c_str(), SDB_class_name_of(obj));
}

}  // namespace

void print_no_pad_bd(int row, int obj, const char* word) {
    const size_t first = BD_REG_TAB.size();
    no_pad_rows(row, obj, word);
    for (size_t i = first; i < BD_REG_TAB.size(); ++i) two_state_without_control(BD_REG_TAB[i]);
}
