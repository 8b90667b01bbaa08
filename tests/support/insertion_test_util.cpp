#include "support/insertion_test_util.h"

#include <fstream>
#include <map>

#include "kestrand/kestrand_reset.h"
#include "desc/reader.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/fnm.h"
#include "sdb/sdb.h"

namespace bstest {

namespace {

std::map<std::string, int>& classes() {
    static std::map<std::string, int> m;
    return m;
}
std::map<std::string, int>& objects() {
    static std::map<std::string, int> m;
    return m;
}
std::map<std::string, int>& nets() {
    static std::map<std::string, int> m;
    return m;
}

void write(const std::string& name, const std::string& text) {
    std::ofstream f(name);
    f << text;
}

const char* kLibrary = R"(
%TAP_CONTROLLER qdx_tap
{
    %INSTANCE_NAME TAP;
    %TDI TDI; %TDO TDO; %TDO_EN TDO_EN; %TMS TMS; %TCK TCK;
    %SHIFT_DR SHIFT_DR; %CLOCK_DR CLOCK_DR; %UPDATE_DR UPDATE_DR;
    %MODE_1 MODE1; %MODE_2 MODE2;
    @HIGHZ@
    %FIRST_BCELL first_Bcell; %LAST_BCELL BOUNDARY_out;
    %TAP_RESET RESET;
    %SIGNAL_BUFFER BUF; %INV_BUFFER INV;
    @TAP@
}
%SCAN_CELL BC_IN    { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; }
%SCAN_CELL BC_OUT   { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; }
%SCAN_CELL BC_BIDIR { %DATA_IN DI; %DATA_OUT DO; %SYS_PIN FROM_PAD; %SYS_IN TO_CORE; %TDI SI; %TDO SO;
                      %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; }
%SCAN_CELL BC_CTRL  { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; %MODE_1 MODE; }
%SCAN_CELL BC_CTRLR { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE;
                      %MODE_1 MODE; %RST RST; }
%SCAN_CELL BC_IMUX  { %DATA_IN DI; %UPDATE_DR_OUT UO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; }
%SCAN_CELL BC_OMUX  { %DATA_IN DI; %UPDATE_DR_OUT UO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; }
%SCAN_CELL BC_OBS   { %DATA_IN DI; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; }
%SCAN_CELL BC_INT   { %DATA_IN DI; %DATA_OUT DO; %TDI SI; %TDO SO; %SHIFT_DR SHIFT; %CLOCK_DR CLOCK; %UPDATE_DR UPDATE; }
%BUFFER PIN_IN    { %INPUT PAD; %OUTPUT Y; }
%BUFFER PIN_CLK   { %FUNCTION CLOCK; %INPUT PAD; %OUTPUT Y; }
%BUFFER PIN_OUT   { %INPUT A; %OUTPUT PAD; }
%BUFFER PIN_TRI   { %INPUT A; %OUTPUT PAD; %EN_H OE; }
%BUFFER PIN_ENO   { %OUTPUT PAD; %EN_L EN; }
%BUFFER PIN_BIDIR { %FUNCTION inout; %INOUT PAD; %INPUT A; %OUTPUT Y; %EN_H OE; }
%BUFFER PIN_IMUX  { %INPUT PAD; %OUTPUT Y; %MUX_IN2 M; %MODE_2 S; }
%BUFFER PIN_OMUX  { %INPUT A; %OUTPUT PAD; %MUX_IN1 M; %MODE_1 S; }
%BUFFER PIN_PASS  { %FUNCTION BUF; %INPUT PAD; %OUTPUT Y; }
%DIFFERENTIAL_VOLTAGE LVDS_RX { %INPUT_P PADP; %INPUT_M PADN; %OUTPUT_P Y; }
%BUFFER BUF       { %INPUT A; %OUTPUT Y; }
%INV_BUFFER INV   { %INPUT A; %OUTPUT Y; }
@LIB@
)";

const char* kConfiguration = R"(
%TAP_MODULE { %MODULE_NAME qdx_tap; %INSTANCE_NAME TAP; }
%GLOBAL_TDI tdi; %GLOBAL_TMS tms; %GLOBAL_TCK tck; %GLOBAL_TDO tdo;
%SCAN_CELLS
{
    @CELLS@
}
%INSTRUCTION_TABLE
{
    %INSTRUCTION EXTEST = (0000) ACCESS BOUNDARY;
    %INSTRUCTION SAMPLE = (0001) ACCESS BOUNDARY;
    %INSTRUCTION BYPASS = (1111) ACCESS BYPASS;
}
%INSTRUCTION_CAPTURE (0001);
%PIN_LIST { %FILE_NAME t.pin; }
%SKIP_SIGNAL_NAMES { @SKIP@; }
@BSC@
)";

const char* kDefaultCells =
    "%INPUT_SCAN BC_IN; %CLOCK_SCAN BC_IN; %OUTPUT_SCAN BC_OUT; %BIDIR_SCAN BC_BIDIR; %CONTROL_SCAN BC_CTRL;\n"
    "    %INPUT_MUX_SCAN BC_IMUX; %OUTPUT_MUX_SCAN BC_OMUX; %INTERNAL_SCAN BC_INT; %OBSERVE_ONLY_SCAN BC_OBS;\n";

std::string substitute(std::string text, const std::string& mark, const std::string& value) {
    size_t at = text.find(mark);
    return at == std::string::npos ? text : text.replace(at, mark.size(), value);
}

// The ports of a scan cell's own design: every declared pin.
void save_scan_cell_design(const ScanCellEntry& c) {
    std::vector<std::pair<std::string, int>> ports;
    auto add = [&](const char* pin, int dir) {
        if (pin) ports.emplace_back(pin[0] == '-' ? pin + 1 : pin, dir);
    };
    for (const char* in : {c.data_in, c.tdi, c.tck, c.highz, c.clock_dr, c.shift_dr, c.update_dr, c.rst, c.mode1,
                           c.mode2, c.mode3, c.sys_pin, c.mux_data_in, c.oe_mode, c.control_in})
        add(in, SDB_DIR_INPUT);
    for (const char* out : {c.data_out, c.tdo, c.sys_in, c.update_dr_out}) add(out, SDB_DIR_OUTPUT);
    std::string path = std::string(c.name) + ".sdb";
    SdbDatabase* db = SDB_open(path.c_str(), "w", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    for (auto& [name, dir] : ports) SDB_make_port(SYM_setup(sym_tab, name.c_str()), dir, -1, 0);
    ASSERT_EQ(SDB_save(db), 0);
    SDB_close(db, 0);
}

}  // namespace

Design::Design() {
    classes().clear();
    objects().clear();
    nets().clear();
    SdbDatabase* db = SDB_open("t.c.sdb", "w", 0);
    SDB_setup(db);
    nets()["GND"] = 0;
    nets()["VCC"] = 1;
}

int Design::sym(const char* s) { return SYM_setup(sym_tab, s); }

int Design::cell(const char* name, std::initializer_list<std::pair<const char*, int>> pins) {
    std::vector<SdbPinDef> defs;
    for (auto& [pin, dir] : pins) defs.push_back(SdbPinDef{const_cast<char*>(pin), dir, 0});
    int cls = SDB_make_class(sym(name), 1, -1, 0);
    SDB_make_pinlist(cls, static_cast<int>(defs.size()), defs.data());
    classes()[name] = cls;
    return cls;
}

int Design::port(const char* name, int direction) {
    int p = SDB_make_port(sym(name), direction, -1, 0);
    SDB_make_node(-1, p, net(name));
    return p;
}

int Design::prefix_of(const std::string& path) const {
    for (auto& [name, entry] : levels_)
        if (name == path) return entry;
    ADD_FAILURE() << "no level " << path;
    return -1;
}

void Design::level(const char* path, const char* module) {
    std::string p = path;
    size_t dot = p.rfind('.');
    int parent = dot == std::string::npos ? -1 : prefix_of(p.substr(0, dot));
    std::string leaf = dot == std::string::npos ? p : p.substr(dot + 1);
    int entry = PREFIX_add(&prefix_tab, sym(leaf.c_str()), parent, sdb_prefix_word(sym(module)));
    levels_.emplace_back(p, entry);
}

int Design::inst(const char* name, const char* cls) {
    auto c = classes().find(cls);
    EXPECT_NE(c, classes().end()) << cls;
    std::string n = name;
    size_t dot = n.rfind('.');
    int word;
    if (dot == std::string::npos) {
        word = sym(name);
    } else {
        int entry = PREFIX_add(&prefix_tab, sym(n.substr(dot + 1).c_str()), prefix_of(n.substr(0, dot)),
                               SDB_OWNER_OBJECT + obj_count);
        word = sdb_prefix_word(entry);
    }
    int obj = SDB_make_obj(word, c->second, 0, -1);
    objects()[name] = obj;
    return obj;
}

int Design::net(const char* name) {
    auto it = nets().find(name);
    if (it != nets().end()) return it->second;
    int n = SDB_make_net(sym(name), -1);
    nets()[name] = n;
    return n;
}

void Design::wire(const char* net_name, const char* inst_name, const char* pin) {
    auto o = objects().find(inst_name);
    ASSERT_NE(o, objects().end()) << inst_name;
    int obj = o->second;
    for (int k = obj_tab[obj].first_node; k >= 0 && k < node_count && node_tab[k].object == obj; ++k) {
        const char* p = SYM_get(sym_tab, pin_tab[node_tab[k].pin].name);
        if (p && std::string(p) == pin) {
            SDB_nl_connect_net(net(net_name), k);
            return;
        }
    }
    ADD_FAILURE() << "no pin " << pin << " on " << inst_name;
}

void Design::pins(const char* inst_name, std::initializer_list<std::pair<const char*, const char*>> pin_nets) {
    for (auto& [pin, n] : pin_nets) wire(n, inst_name, pin);
}

void save_cell_design(const char* name, std::initializer_list<std::pair<const char*, int>> ports) {
    std::string path = std::string(name) + ".sdb";
    SdbDatabase* db = SDB_open(path.c_str(), "w", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    for (auto& [port, dir] : ports) SDB_make_port(SYM_setup(sym_tab, port), dir, -1, 0);
    ASSERT_EQ(SDB_save(db), 0);
    SDB_close(db, 0);
}

void read_descriptions(const Descriptions& d) {
    write("t.lib", substitute(substitute(substitute(kLibrary, "@TAP@", d.tap_extra), "@LIB@", d.lib_extra), "@HIGHZ@", d.highz));
    std::string cells = (d.default_cells ? std::string(kDefaultCells) : std::string()) + d.cells_extra;
    write("t.bsc", substitute(substitute(substitute(kConfiguration, "@CELLS@", cells), "@SKIP@", d.skip), "@BSC@", d.bsc_extra));
    write("t.pin", "%PACKAGE_TYPE T 999999;\n" + d.pin_rows);
    bsdft_init();
    get_bs_dft_file("t.lib", "t.bsc", 0);
    JTAG_LIB_FILE = "t.lib";
    JTAG_BSC_FILE = "t.bsc";
    for (int i = 0, n = DYNA_count(SCAN_CELL_TAB); i < n; ++i) save_scan_cell_design(*SCAN_CELL_TAB[i]);
    check_scan_cells();
}

void add_library_classes(Design& d) {
    const int I = SDB_DIR_INPUT, O = SDB_DIR_OUTPUT, B = SDB_DIR_BIDIR;
    d.cell("PIN_IN", {{"PAD", I}, {"Y", O}});
    d.cell("PIN_CLK", {{"PAD", I}, {"Y", O}});
    d.cell("PIN_OUT", {{"A", I}, {"PAD", O}});
    d.cell("PIN_TRI", {{"A", I}, {"OE", I}, {"PAD", O}});
    d.cell("PIN_ENO", {{"EN", I}, {"PAD", O}});
    d.cell("PIN_BIDIR", {{"A", I}, {"OE", I}, {"Y", O}, {"PAD", B}});
    d.cell("PIN_IMUX", {{"PAD", I}, {"M", I}, {"S", I}, {"Y", O}});
    d.cell("PIN_OMUX", {{"A", I}, {"M", I}, {"S", I}, {"PAD", O}});
    d.cell("PIN_PASS", {{"PAD", I}, {"Y", O}});
    d.cell("LVDS_RX", {{"PADP", I}, {"PADN", I}, {"Y", O}});
    d.cell("BUF", {{"A", I}, {"Y", O}});
    d.cell("INV", {{"A", I}, {"Y", O}});
    d.cell("AND2", {{"A", I}, {"B", I}, {"Y", O}});
    d.cell("qdx_tap", {{"TDI", I},
                       {"TMS", I},
                       {"TCK", I},
                       {"TDO", O},
                       {"TDO_EN", O},
                       {"SHIFT_DR", O},
                       {"CLOCK_DR", O},
                       {"UPDATE_DR", O},
                       {"MODE1", O},
                       {"MODE2", O},
                       {"HIGHZ", O},
                       {"RESET", O},
                       {"first_Bcell", O},
                       {"BOUNDARY_out", I}});
}

void add_tap_with_pads(Design& d) {
    for (const char* p : {"tdi", "tms", "tck"}) d.port(p, SDB_DIR_INPUT);
    d.port("tdo", SDB_DIR_OUTPUT);
    d.inst("PAD_TDI", "PIN_IN");
    d.pins("PAD_TDI", {{"PAD", "tdi"}, {"Y", "tdi_c"}});
    d.inst("PAD_TMS", "PIN_IN");
    d.pins("PAD_TMS", {{"PAD", "tms"}, {"Y", "tms_c"}});
    d.inst("PAD_TCK", "PIN_IN");
    d.pins("PAD_TCK", {{"PAD", "tck"}, {"Y", "tck_c"}});
    d.inst("PAD_TDO", "PIN_TRI");
    d.pins("PAD_TDO", {{"A", "tdo_c"}, {"OE", "tdo_en"}, {"PAD", "tdo"}});
    d.inst("TAP", "qdx_tap");
    d.pins("TAP", {{"TDI", "tdi_c"}, {"TMS", "tms_c"}, {"TCK", "tck_c"}, {"TDO", "tdo_c"}, {"TDO_EN", "tdo_en"}});
}

void build_pad_table() {
    MODULE_C_SDB = "t.c.sdb";
    TOP_MODULE = "t";
    bs_create_multi_io_tab();
    bscan_init();
    check_necessary_fields();
    produce_opin_control_tab();
    arrange_opin_tab_from_tdo();
    setup_driving_control_cell_and_highz_buf();
    bs_reset_standard_port_ptr_of_TAP();
}

int pad_row(const char* signal) {
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i)
        if (OPIN_TAB[i].signal && std::string(OPIN_TAB[i].signal) == signal) return i;
    ADD_FAILURE() << "no pad " << signal;
    return -1;
}

const PadEntry& pad(const char* signal) {
    static PadEntry none{};
    int r = pad_row(signal);
    return r >= 0 ? OPIN_TAB[r] : none;
}

std::vector<std::string> pad_order() {
    std::vector<std::string> v;
    for (int i = 0, n = DYNA_count(OPIN_TAB); i < n; ++i) v.push_back(text(OPIN_TAB[i].signal));
    return v;
}

void InsertionTest::reset_all() {
    if (sdb) SDB_close(sdb, 0);
    KESTRAND_reset_globals();
}

void InsertionTest::SetUp() {
    reset_all();
    cd = std::make_unique<testsupport::ChangeDir>(dir.path());
    CMD_set_path(nullptr, ".", nullptr);
}

void InsertionTest::TearDown() {
    reset_all();
    cd.reset();
}

}  // namespace bstest
