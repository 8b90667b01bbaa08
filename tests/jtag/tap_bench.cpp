// The reference model, vectors and test benches of the RTL TAP bench.

#include "tap_bench.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <sstream>

#include "jtag/insertion_facts.h"
#include "desc/tables.h"
#include "jtag/jtag.h"
#include "runtime/str.h"

namespace tapbench {

namespace {

const int kNext[16][2] = {
    {RTI, TLR},       {RTI, SEL_DR},    {CAP_DR, SEL_IR}, {SH_DR, EX1_DR},  {SH_DR, EX1_DR},  {PA_DR, UPD_DR},
    {PA_DR, EX2_DR},  {SH_DR, UPD_DR},  {RTI, SEL_DR},    {CAP_IR, TLR},    {SH_IR, EX1_IR},  {SH_IR, EX1_IR},
    {PA_IR, UPD_IR},  {PA_IR, EX2_IR},  {SH_IR, UPD_IR},  {RTI, SEL_DR},
};
const char* const kNames[16] = {"Test-Logic-Reset", "Run-Test/Idle", "Select-DR-Scan", "Capture-DR", "Shift-DR",
                                "Exit1-DR",         "Pause-DR",      "Exit2-DR",       "Update-DR",  "Select-IR-Scan",
                                "Capture-IR",       "Shift-IR",      "Exit1-IR",       "Pause-IR",   "Exit2-IR",
                                "Update-IR"};

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
std::string text(const char* s) { return s ? s : ""; }
std::string defined(std::string v) {
    for (char& c : v)
        if (c != '1') c = '0';
    return v;
}
bool matches(const std::string& op, const std::string& inst) {
    if (op.size() != inst.size()) return false;
    for (size_t i = 0; i < op.size(); ++i)
        if (op[i] != 'x' && op[i] != 'X' && op[i] != inst[i]) return false;
    return true;
}
char b(bool v) { return v ? '1' : '0'; }
char and2(char a, char c) {
    if (a == '0' || c == '0') return '0';
    if (a == '1' && c == '1') return '1';
    return '?';
}
char inv(char a) { return a == '0' ? '1' : a == '1' ? '0' : '?'; }
bool select_dr(int s) { return s == TLR || (s >= SEL_DR && s <= UPD_DR); }

}  // namespace

const char* state_name(int s) { return s >= 0 && s < 16 ? kNames[s] : "unknown"; }
int next_state(int s, int tms) { return kNext[s][tms ? 1 : 0]; }

// ------------------------------------------------------- the TAP facts

TapFacts TapFacts::from_description() {
    TapFacts t;
    t.len = INST_LEN;
    t.tms = text(TAP_TMS_PIN);
    t.tck = text(TAP_TCK_PIN);
    t.tdi = text(TAP_TDI_PIN);
    t.tdo = text(TAP_TDO_PIN);
    t.trst = text(TAP_TRST_PIN);
    t.has_trst = TAP_TRST_PIN != nullptr;
    t.tdo_en = text(TAP_TDO_EN_PIN);
    t.tdo_en_low = TDO_EN_LOW != 0;
    t.shift = text(TAP_SHIFT_PIN);
    t.clock = text(TAP_CLOCK_PIN);
    t.has_update = BCELL_UPDATE_DR && TAP_UPDATE_PIN;
    t.update = text(TAP_UPDATE_PIN);
    t.reset_port = BCELL_RST != 0;
    t.reset = text(TAP_RST_PIN);
    t.first = text(TAP_CONTR->first_bcell);
    t.last = text(TAP_CONTR->last_bcell);
    t.top = text(TAP_MODULE_NAME);
    t.synch = JTAG_OPTION[OPT_SYNCH] != 0;
    t.ext_idcode_port = JTAG_OPTION[OPT_EXTERNAL_IDCODE] && IDCODE_REG;
    t.hiz_overlap = HIZ_OVERLAP;
    const int modes[3] = {BCELL_MODE1, BCELL_MODE2, BCELL_MODE3};
    const char* mode_pins[3] = {TAP_MODE1_PIN, TAP_MODE2_PIN, TAP_MODE3_PIN};
    for (int m = 0; m < 3; ++m) t.mode[m] = modes[m] ? text(mode_pins[m]) : "";

    int idcode = -1, usercode = -1, bypass = -1;
    for (int r = 0, n = DYNA_count(INSTRUCTIONS); r < n; ++r) {
        const InstructionEntry& e = INSTRUCTIONS[r];
        Row row;
        row.name = lower(text(e.name));
        for (int k = 0, m = DYNA_count(e.opcodes); k < m; ++k) row.opcodes.push_back(e.opcodes[k]);
        std::string reg = text(e.access);
        reg = reg.substr(0, reg.find('['));
        std::string lreg = lower(reg);
        row.reg = lreg == "bypass"                          ? Row::BYPASS
                  : lreg == "idcode" || lreg == "usercode" ? Row::ID
                  : lreg == "boundary"                      ? Row::BOUNDARY
                                                            : Row::USER;
        if (row.reg == Row::USER &&
            std::none_of(t.user_regs.begin(), t.user_regs.end(), [&](const std::string& u) { return lower(u) == lreg; }))
            t.user_regs.push_back(reg);
        for (int k = 0, m = DYNA_count(e.enable); k < m; ++k) {
            std::string name = text(e.enable[k]);
            std::string value = k < DYNA_count(e.enable_value) && e.enable_value[k] ? e.enable_value[k] : "1";
            size_t p = 0;
            while (p < t.pins.size() && lower(t.pins[p].name) != lower(name)) ++p;
            if (p == t.pins.size()) {
                Pin pin;
                pin.name = name;
                pin.width = static_cast<int>(value.size());
                pin.inverted = value == "0";
                pin.gate = e.enable_gate[k];
                pin.gated = pin.gate != GATE_NONE;
                pin.second = text(e.enable_second[k]);
                t.pins.push_back(pin);
            }
            row.enables.push_back({static_cast<int>(p), value});
        }
        if (row.name == "idcode") idcode = r;
        if (row.name == "usercode") usercode = r;
        if (row.name == "bypass") bypass = r;
        if (row.name == "clamp") t.clamp = true;
        if (row.name == "highz" && HIZ_OVERLAP == 0) t.highz = text(TAP_HIZ_PIN);
        t.rows.push_back(row);
    }
    // The default of a wide enable pin: a value no instruction uses.
    for (size_t p = 0; p < t.pins.size(); ++p) {
        Pin& pin = t.pins[p];
        if (pin.width < 2) continue;
        for (unsigned v = 0; v < (1u << pin.width) && pin.fallback.empty(); ++v) {
            std::string c(static_cast<size_t>(pin.width), '0');
            for (int j = 0; j < pin.width; ++j)
                if (v & (1u << j)) c[static_cast<size_t>(j)] = '1';
            bool used = false;
            for (const Row& row : t.rows)
                for (auto& [pi, value] : row.enables) used = used || (pi == static_cast<int>(p) && value == c);
            if (!used) pin.fallback = c;
        }
    }
    t.capture = defined(INST_CAPTURE[0]);
    int reset_row = idcode >= 0 ? idcode : usercode >= 0 ? usercode : bypass;
    t.reset_opcode = defined(t.rows[static_cast<size_t>(reset_row)].opcodes[0]);
    t.has_id = idcode >= 0 || usercode >= 0;
    t.idmode = idcode >= 0 && usercode >= 0;
    if (DYNA_count(USERCODE_REG) > 0) t.user_value = defined(USERCODE_REG[0]);
    if (idcode >= 0)
        t.id_value = t.ext_idcode_port ? kExternalIdcode : defined(text(IDCODE_REG));
    else
        t.id_value = t.user_value;
    return t;
}

int TapFacts::row_of(const std::string& inst) const {
    for (size_t r = 0; r < rows.size(); ++r)
        for (const std::string& op : rows[r].opcodes)
            if (matches(op, inst)) return static_cast<int>(r);
    return -1;
}

std::vector<Column> TapFacts::columns(Dut dut) const {
    std::vector<Column> c;
    if (dut == Dut::Controller) {
        c.push_back({Column::SHIFT_IR, "SHIFT_IR"});
        c.push_back({Column::CLOCK_IR, "CLOCK_IR"});
        c.push_back({Column::UPDATE_IR, "UPDATE_IR"});
        c.push_back({Column::SHIFT_DR, shift});
        c.push_back({Column::CLOCK_DR, clock});
        if (has_update) c.push_back({Column::UPDATE_DR, update});
        c.push_back({Column::RESET, reset});
        c.push_back({Column::SELECT_DR, "SELECT_DR"});
        c.push_back({Column::ENABLE, "ENABLE"});
        return c;
    }
    c.push_back({Column::TDO, tdo});
    if (!tdo_en.empty()) c.push_back({Column::TDO_EN, tdo_en});
    c.push_back({Column::FIRST_BCELL, first});
    c.push_back({Column::SHIFT_DR, shift});
    c.push_back({Column::CLOCK_DR, clock});
    if (has_update) c.push_back({Column::UPDATE_DR, update});
    if (reset_port) c.push_back({Column::RESET, reset});
    const Column::Kind mk[3] = {Column::MODE1, Column::MODE2, Column::MODE3};
    for (int m = 0; m < 3; ++m)
        if (!mode[m].empty()) c.push_back({mk[m], mode[m]});
    if (!highz.empty()) c.push_back({Column::HIGHZ, highz});
    for (const Row& r : rows) {
        if (r.name == "chip_test") c.push_back({Column::CHIP_TEST, "CHIP_TEST"});
        if (r.name == "quendal_atpg") {
            c.push_back({Column::TEST_MODE, "quendal_test_mode"});
            c.push_back({Column::SCAN_MODE, "quendal_scan_mode"});
        }
    }
    for (size_t p = 0; p < pins.size(); ++p) c.push_back({Column::ENABLE_PIN, pins[p].name, pins[p].width, int(p)});
    for (const std::string& u : user_regs) c.push_back({Column::USER_IN, u + "_in"});
    if (synch) c.push_back({Column::BCELL_TCK, "BCELL_TCK"});
    return c;
}

// ------------------------------------------------------------- the model

Model::Model(const TapFacts& facts, Dut dut) : facts_(facts), cols_(facts.columns(dut)) {
    cap_ir_.assign(static_cast<size_t>(facts.len), '?');
    upd_ir_ = cap_ir_;
    id_.assign(32, '?');
}

void Model::registers_from_state() {
    if (st_ == UNKNOWN) {
        reset_reg_ = en_reg_ = shift_ir_reg_ = shift_dr_reg_ = '?';
        return;
    }
    reset_reg_ = b(st_ != TLR);
    en_reg_ = b(st_ == SH_DR || st_ == SH_IR);
    shift_ir_reg_ = b(st_ == SH_IR);
    shift_dr_reg_ = b(st_ == SH_DR);
}

void Model::force_state(int s) {
    st_ = s;
    registers_from_state();
}

std::string Model::inst_msb() const {
    std::string m(upd_ir_.rbegin(), upd_ir_.rend());
    return m.find('?') == std::string::npos ? m : "";
}

int Model::row() const {
    std::string m = inst_msb();
    return m.empty() ? -2 : facts_.row_of(m);
}

char Model::dr_out(const Cycle& c) const {
    int r = row();
    if (r == -2) return '?';
    TapFacts::Row::Reg reg = r < 0 ? TapFacts::Row::BYPASS : facts_.rows[static_cast<size_t>(r)].reg;
    switch (reg) {
    case TapFacts::Row::BYPASS: return bypass_;
    case TapFacts::Row::ID: return id_[0];
    case TapFacts::Row::BOUNDARY: return c.ext;
    case TapFacts::Row::USER: return inv(c.ext);
    }
    return '?';
}

std::string Model::value(const Column& col, const Cycle& c, bool tck) const {
    const bool known = st_ != UNKNOWN;
    auto in = [&](int a, int b2) { return known ? std::string(1, ::tapbench::b(st_ == a || st_ == b2)) : "?"; };
    const int r = row();
    auto decoded = [&](std::initializer_list<const char*> names) -> std::string {
        if (r == -2) return "?";
        if (r < 0) return "0";
        for (const char* n : names)
            if (facts_.rows[static_cast<size_t>(r)].name == n) return "1";
        return "0";
    };
    switch (col.kind) {
    case Column::TDO:
        if (!facts_.tdo_en.empty()) return std::string(1, tdo_cell_);
        return en_reg_ == '1' ? std::string(1, tdo_cell_) : en_reg_ == '0' ? "z" : "?";
    case Column::TDO_EN: return std::string(1, facts_.tdo_en_low ? inv(en_reg_) : en_reg_);
    case Column::FIRST_BCELL:
    case Column::USER_IN: return std::string(1, c.tdi);
    case Column::SHIFT_DR: return std::string(1, shift_dr_reg_);
    case Column::SHIFT_IR: return std::string(1, shift_ir_reg_);
    case Column::RESET: return std::string(1, reset_reg_);
    case Column::ENABLE: return std::string(1, en_reg_);
    case Column::SELECT_DR: return known ? std::string(1, b(select_dr(st_))) : "?";
    case Column::BCELL_TCK: return tck ? "1" : "0";
    case Column::CLOCK_DR:
    case Column::CLOCK_IR: {
        std::string active = col.kind == Column::CLOCK_DR ? in(CAP_DR, SH_DR) : in(CAP_IR, SH_IR);
        if (facts_.synch) return active;
        if (tck) return "1";
        return active == "?" ? "?" : active == "1" ? "0" : "1";
    }
    case Column::UPDATE_DR:
    case Column::UPDATE_IR: {
        std::string active = col.kind == Column::UPDATE_DR ? in(UPD_DR, UPD_DR) : in(UPD_IR, UPD_IR);
        if (!facts_.synch && tck) active = "0";
        if (col.kind == Column::UPDATE_DR && facts_.clamp && active == "1") {
            std::string clamp = decoded({"clamp"});
            if (clamp == "?") return "?";
            if (clamp == "1") return "0";
        }
        return active;
    }
    case Column::MODE1:
        return facts_.hiz_overlap == 1 ? decoded({"extest", "intest", "clamp", "runbist", "highz"})
                                      : decoded({"extest", "intest", "clamp", "runbist"});
    case Column::MODE2: return decoded({"intest"});
    case Column::MODE3: return decoded({"extest", "sample", "clamp"});
    case Column::HIGHZ: return decoded({"highz"});
    case Column::CHIP_TEST: return decoded({"chip_test"});
    case Column::TEST_MODE: return decoded({"quendal_atpg"});
    case Column::SCAN_MODE: {
        std::string t = decoded({"quendal_atpg"});
        return t == "?" ? "?" : std::string(1, and2(t[0], c.tms));
    }
    case Column::ENABLE_PIN: {
        const TapFacts::Pin& pin = facts_.pins[static_cast<size_t>(col.index)];
        if (r == -2) return std::string(static_cast<size_t>(pin.width), '?');
        std::string v;
        if (r >= 0)
            for (auto& [pi, value] : facts_.rows[static_cast<size_t>(r)].enables)
                if (pi == col.index && v.empty()) v = value;
        if (pin.width == 1)
            v = std::string(1, pin.inverted ? b(v.empty()) : b(!v.empty()));
        else if (v.empty())
            v = pin.fallback;
        if (pin.gated) {
            char second = '?';
            if (lower(pin.second) == lower(facts_.shift)) second = shift_dr_reg_;
            if (lower(pin.second) == lower(facts_.tms)) second = c.tms;
            if (lower(pin.second) == lower(facts_.tdi)) second = c.tdi;
            for (char& bit : v) {
                switch (pin.gate) {
                case GATE_AND: bit = and2(bit, second); break;
                case GATE_NAND: bit = inv(and2(bit, second)); break;
                case GATE_OR: bit = inv(and2(inv(bit), inv(second))); break;
                case GATE_NOR: bit = and2(inv(bit), inv(second)); break;
                default: bit = '?'; break;
                }
            }
        }
        return v;
    }
    }
    return "?";
}

std::string Model::sample(const Cycle& c, bool tck) const {
    std::string s;
    for (const Column& col : cols_) s += value(col, c, tck);
    return s;
}

std::string Model::step(const Cycle& c) {
    const bool trst = facts_.has_trst && c.trst == '0';
    const std::string reset_ir = std::string(facts_.reset_opcode.rbegin(), facts_.reset_opcode.rend());
    if (trst) {
        st_ = TLR;
        reset_reg_ = en_reg_ = shift_ir_reg_ = shift_dr_reg_ = '0';
        upd_ir_ = reset_ir;
    }
    std::string line = sample(c, false) + " ";

    // Rising edge.
    if (!trst) {
        const bool unknown = st_ == UNKNOWN;
        if (unknown || st_ == CAP_DR || st_ == SH_DR) {
            bypass_ = unknown ? '?' : and2(shift_dr_reg_, c.tdi);
            if (!facts_.has_id) {
                // no ID register
            } else if (unknown || shift_dr_reg_ == '?') {
                id_.assign(32, '?');
            } else if (shift_dr_reg_ == '1') {
                id_ = id_.substr(1) + c.tdi;
            } else {
                int r = row();
                std::string v = facts_.id_value;
                if (facts_.idmode) v = r == -2 ? std::string(32, '?') : (r >= 0 && facts_.rows[size_t(r)].name == "idcode")
                                                                           ? facts_.id_value
                                                                           : facts_.user_value;
                id_.assign(v.rbegin(), v.rend());
            }
        }
        if (unknown || st_ == CAP_IR || st_ == SH_IR) {
            if (unknown || shift_ir_reg_ == '?')
                cap_ir_.assign(cap_ir_.size(), '?');
            else if (shift_ir_reg_ == '1')
                cap_ir_ = cap_ir_.substr(1) + c.tdi;
            else
                cap_ir_.assign(facts_.capture.rbegin(), facts_.capture.rend());
        }
        const bool five = c.tms == '1' && tms_hist_ == "1111";
        st_ = five ? TLR : unknown ? UNKNOWN : next_state(st_, c.tms == '1');
    }
    tms_hist_ = tms_hist_.substr(1) + c.tms;
    line += sample(c, true);

    // Falling edge.
    if (st_ == UNKNOWN)
        tdo_cell_ = '?';
    else
        tdo_cell_ = select_dr(st_) ? dr_out(c) : cap_ir_[0];
    if (st_ == UPD_IR) upd_ir_ = cap_ir_;
    if (trst) {
        reset_reg_ = en_reg_ = shift_ir_reg_ = shift_dr_reg_ = '0';
    } else {
        registers_from_state();
    }
    if (reset_reg_ == '0') upd_ir_ = reset_ir;
    if (reset_reg_ == '?') upd_ir_.assign(upd_ir_.size(), '?');
    return line;
}

// --------------------------------------------------------------- vectors

void Vectors::clk(int tms, int tdi, int ext, int trst) {
    Cycle c;
    c.trst = facts_.has_trst ? static_cast<char>('0' + trst) : '1';
    c.tms = static_cast<char>('0' + tms);
    c.tdi = static_cast<char>('0' + tdi);
    c.ext = static_cast<char>('0' + ext);
    cycles_.push_back(c);
}

int Vectors::bit() {
    seed_ = seed_ * 1664525u + 1013904223u;
    return static_cast<int>((seed_ >> 24) & 1u);
}

void Vectors::tms_reset() {
    for (int i = 0; i < 5; ++i) clk(1, bit(), bit());
}

void Vectors::ir_scan(const std::string& op) {
    clk(1);
    clk(1);
    clk(0);
    clk(0);
    const int l = static_cast<int>(op.size());
    for (int j = 0; j < l; ++j) clk(j == l - 1, op[static_cast<size_t>(l - 1 - j)] == '1', bit());
    clk(1);
    clk(0);
}

void Vectors::dr_scan(int n, bool pause) {
    clk(1);
    clk(0);
    clk(0);
    for (int j = 0; j < n; ++j) {
        clk(j == n - 1, bit(), bit());
        if (pause && j == n / 2) {
            clk(1, bit(), bit());  // Exit1-DR
            clk(0, bit(), bit());  // Pause-DR
            clk(0, bit(), bit());  // Pause-DR
            clk(1, bit(), bit());  // Exit2-DR
            clk(0, bit(), bit());  // back to Shift-DR
        }
    }
    clk(1);
    clk(0);
}

void Vectors::go_to(int s) {
    // Shortest TMS path from Run-Test/Idle.
    std::vector<int> from(16, -2), by(16, 0);
    std::deque<int> queue = {RTI};
    from[RTI] = -1;
    while (!queue.empty()) {
        int x = queue.front();
        queue.pop_front();
        for (int t = 0; t < 2; ++t) {
            int y = next_state(x, t);
            if (from[y] != -2) continue;
            from[y] = x;
            by[y] = t;
            queue.push_back(y);
        }
    }
    std::vector<int> path;
    for (int x = s; x != RTI; x = from[x]) path.push_back(by[x]);
    for (auto it = path.rbegin(); it != path.rend(); ++it) clk(*it, bit(), bit());
}

std::string vector_file(const std::vector<Cycle>& v) {
    std::string t;
    for (const Cycle& c : v) t += std::string{c.trst, c.tms, c.tdi, c.ext, '\n'};
    return t;
}

namespace {

std::string opcode(unsigned v, int len) {
    std::string s(static_cast<size_t>(len), '0');
    for (int j = 0; j < len; ++j)
        if (v & (1u << j)) s[static_cast<size_t>(len - 1 - j)] = '1';
    return s;
}

// A TMS sequence after which the controller's outputs tell every state
// from every other.
std::vector<int> distinguishing_suffix(const TapFacts& facts) {
    for (int len = 1; len <= 10; ++len) {
        for (unsigned seq = 0; seq < (1u << len); ++seq) {
            std::vector<std::string> seen;
            bool distinct = true;
            for (int s = 0; s < 16 && distinct; ++s) {
                Model m(facts, Dut::Controller);
                m.force_state(s);
                std::string obs;
                for (int i = 0; i < len; ++i) {
                    Cycle c;
                    c.tms = (seq >> i) & 1u ? '1' : '0';
                    obs += m.step(c);
                }
                distinct = std::find(seen.begin(), seen.end(), obs) == seen.end();
                seen.push_back(obs);
            }
            if (distinct) {
                std::vector<int> tms;
                for (int i = 0; i < len; ++i) tms.push_back((seq >> i) & 1u);
                return tms;
            }
        }
    }
    return {};
}

}  // namespace

std::vector<Cycle> top_vectors(const TapFacts& facts) {
    Vectors v(facts, 7);
    // From power-up: five TMS high reach Test-Logic-Reset; the instruction
    // register then holds IDCODE (else BYPASS).
    v.tms_reset();
    v.clk(0);
    v.dr_scan(40);
    const std::string extest = facts.rows[0].opcodes[0];
    if (facts.has_trst) {
        // TRST in the middle of a scan resets at once.
        v.ir_scan(defined(extest));
        v.clk(1);
        v.clk(0);
        v.clk(0, 1, 1);
        v.clk(0, 0, 1, 0);
        v.clk(1, 1, 0, 0);
        v.clk(0);
        v.dr_scan(40);
    }
    // Every code of the instruction register, with a scan of the register
    // it selects: long for the table's codes, short for the others.
    for (unsigned code = 0; code < (1u << facts.len); ++code) {
        std::string op = opcode(code, facts.len);
        v.ir_scan(op);
        bool listed = facts.row_of(op) >= 0;
        v.dr_scan(listed ? 38 : 4, listed);
    }
    // Five TMS high from inside a data scan.
    v.ir_scan(defined(extest));
    v.clk(1);
    v.clk(0);
    v.clk(0);
    v.clk(0, 1, 0);
    v.tms_reset();
    v.clk(0);
    v.dr_scan(40);
    return v.cycles();
}

std::vector<Cycle> controller_vectors(const TapFacts& facts) {
    Vectors v(facts, 3);
    const std::vector<int> suffix = distinguishing_suffix(facts);
    auto tail = [&] {
        for (int t : suffix) v.clk(t, v.bit(), v.bit());
    };
    v.tms_reset();
    v.clk(0);
    // Every (state, TMS) transition, each followed by the sequence that
    // tells the state reached.
    for (int s = 0; s < 16; ++s) {
        for (int t = 0; t < 2; ++t) {
            v.tms_reset();
            v.clk(0);
            v.go_to(s);
            v.clk(t, v.bit(), v.bit());
            tail();
        }
        // Five TMS high from every state.
        v.tms_reset();
        v.clk(0);
        v.go_to(s);
        v.tms_reset();
        tail();
        if (facts.has_trst) {
            // TRST from every state.
            v.tms_reset();
            v.clk(0);
            v.go_to(s);
            v.clk(0, v.bit(), v.bit(), 0);
            tail();
        }
    }
    return v.cycles();
}

std::string predict(const TapFacts& facts, Dut dut, const std::vector<Cycle>& v) {
    Model m(facts, dut);
    std::string out;
    for (const Cycle& c : v) out += m.step(c) + "\n";
    return out;
}

// ---------------------------------------------------------- test benches

std::string verilog_bench(const TapFacts& facts, Dut dut, size_t cycles, const std::string& trace) {
    const auto cols = facts.columns(dut);
    std::ostringstream o;
    o << "`timescale 1ns/1ps\nmodule tb;\n    reg tck, tms, tdi, trst, ext;\n    reg [3:0] vec [0:" << cycles - 1
      << "];\n";
    for (const Column& c : cols)
        o << "    wire " << (c.width > 1 ? "[" + std::to_string(c.width - 1) + ":0] " : "") << "o_" << c.port << ";\n";
    o << "    " << (dut == Dut::Top ? facts.top : "TAP_controller") << " dut (\n";
    std::vector<std::string> conns = {"." + facts.tms + "(tms)", "." + facts.tck + "(tck)"};
    if (facts.has_trst) conns.push_back("." + facts.trst + "(trst)");
    if (dut == Dut::Top) {
        conns.push_back("." + facts.tdi + "(tdi)");
        conns.push_back("." + facts.last + "(ext)");
        for (const std::string& u : facts.user_regs) conns.push_back("." + u + "_out(~ext)");
        if (facts.ext_idcode_port) conns.push_back(std::string(".IDCODE(32'b") + kExternalIdcode + ")");
    }
    for (const Column& c : cols) conns.push_back("." + c.port + "(o_" + c.port + ")");
    for (size_t i = 0; i < conns.size(); ++i) o << "        " << conns[i] << (i + 1 < conns.size() ? ",\n" : ");\n");
    auto dump = [&] {
        o << "            $fwrite(fd, \"";
        for (size_t i = 0; i < cols.size(); ++i) o << "%b";
        o << "\"";
        for (const Column& c : cols) o << ", o_" << c.port;
        o << ");\n";
    };
    o << "    integer i, fd;\n    initial begin\n        $readmemb(\"vectors.txt\", vec);\n"
      << "        fd = $fopen(\"" << trace << "\", \"w\");\n"
      << "        tck = 0; tms = 0; tdi = 0; trst = 1; ext = 0;\n"
      << "        for (i = 0; i < " << cycles << "; i = i + 1) begin\n"
      << "            #10 {trst, tms, tdi, ext} = vec[i];\n            #20;\n";
    dump();
    o << "            $fwrite(fd, \" \");\n            #20 tck = 1;\n            #25;\n";
    dump();
    o << "            $fwrite(fd, \"\\n\");\n            #25 tck = 0;\n        end\n"
      << "        $fclose(fd);\n        $finish;\n    end\nendmodule\n";
    return o.str();
}

std::string vhdl_bench(const TapFacts& facts, Dut dut, size_t cycles, const std::string& trace) {
    const auto cols = facts.columns(dut);
    std::ostringstream o;
    o << "library IEEE;\nuse IEEE.std_logic_1164.all;\nuse std.textio.all;\n\nentity tb is\nend tb;\n\n"
      << "architecture sim of tb is\n"
      << "    signal tck, tms, tdi, ext, ext_n: std_logic := '0';\n    signal trst: std_logic := '1';\n";
    for (const Column& c : cols)
        o << "    signal o_" << c.port << ": "
          << (c.width > 1 ? "std_logic_vector(" + std::to_string(c.width - 1) + " downto 0)" : "std_logic") << ";\n";
    o << "    function ch(v: std_logic) return character is\n    begin\n        case v is\n"
      << "            when '0' => return '0';\n            when '1' => return '1';\n"
      << "            when 'Z' => return 'z';\n            when others => return 'x';\n        end case;\n"
      << "    end ch;\n    function sl(c: character) return std_logic is\n    begin\n"
      << "        if c = '1' then return '1'; else return '0'; end if;\n    end sl;\nbegin\n"
      << "    ext_n <= not ext;\n";
    o << "    dut: entity work." << (dut == Dut::Top ? facts.top : "TAP_controller") << "\n        port map (\n";
    std::vector<std::string> conns = {facts.tms + " => tms", facts.tck + " => tck"};
    if (facts.has_trst) conns.push_back(facts.trst + " => trst");
    if (dut == Dut::Top) {
        conns.push_back(facts.tdi + " => tdi");
        conns.push_back(facts.last + " => ext");
        for (const std::string& u : facts.user_regs) conns.push_back(u + "_out => ext_n");
        if (facts.ext_idcode_port) conns.push_back(std::string("IDCODE => \"") + kExternalIdcode + "\"");
    }
    for (const Column& c : cols) conns.push_back(c.port + " => o_" + c.port);
    for (size_t i = 0; i < conns.size(); ++i) o << "            " << conns[i] << (i + 1 < conns.size() ? ",\n" : ");\n");
    auto dump = [&] {
        for (const Column& c : cols) {
            if (c.width > 1)
                o << "        for k in o_" << c.port << "'range loop write(lo, ch(o_" << c.port << "(k))); end loop;\n";
            else
                o << "        write(lo, ch(o_" << c.port << "));\n";
        }
    };
    o << "    process\n        file vf: text open read_mode is \"vectors.txt\";\n"
      << "        file tf: text open write_mode is \"" << trace << "\";\n"
      << "        variable li, lo: line;\n        variable c: character;\n    begin\n"
      << "      for i in 0 to " << cycles - 1 << " loop\n"
      << "        wait for 10 ns;\n        readline(vf, li);\n"
      << "        read(li, c); trst <= sl(c);\n        read(li, c); tms <= sl(c);\n"
      << "        read(li, c); tdi <= sl(c);\n        read(li, c); ext <= sl(c);\n        wait for 20 ns;\n";
    dump();
    o << "        write(lo, ' ');\n        wait for 20 ns;\n        tck <= '1';\n        wait for 25 ns;\n";
    dump();
    o << "        writeline(tf, lo);\n        wait for 25 ns;\n        tck <= '0';\n      end loop;\n"
      << "      wait;\n    end process;\nend sim;\n";
    return o.str();
}

// ------------------------------------------------------------ comparison

namespace {

std::vector<std::string> lines(const std::string& t) {
    std::vector<std::string> v;
    std::istringstream in(t);
    std::string l;
    while (std::getline(in, l)) v.push_back(l);
    return v;
}

}  // namespace

std::string compare(const TapFacts& facts, Dut dut, const std::vector<Cycle>& v, const std::string& expected,
                    const std::string& trace) {
    const auto want = lines(expected);
    const auto got = lines(trace);
    const auto cols = facts.columns(dut);
    if (got.size() != want.size())
        return "the trace has " + std::to_string(got.size()) + " cycles, not " + std::to_string(want.size());
    std::vector<int> pos_col;
    for (size_t i = 0; i < cols.size(); ++i)
        for (int w = 0; w < cols[i].width; ++w) pos_col.push_back(static_cast<int>(i));
    for (size_t k = 0; k < want.size(); ++k) {
        if (got[k].size() != want[k].size()) return "cycle " + std::to_string(k) + ": line '" + got[k] + "'";
        for (size_t p = 0; p < want[k].size(); ++p) {
            char w = want[k][p], g = got[k][p];
            if (w == '?' || w == ' ' || w == g) continue;
            size_t phase_pos = p < pos_col.size() ? p : p - pos_col.size() - 1;
            std::ostringstream m;
            m << "cycle " << k << " (TRST TMS TDI EXT = " << v[k].trst << v[k].tms << v[k].tdi << v[k].ext
              << "), sample " << (p < pos_col.size() ? "A (TCK low)" : "B (TCK high)") << ": "
              << cols[static_cast<size_t>(pos_col[phase_pos])].port << " is " << g << ", expected " << w
              << "\n  expected " << want[k] << "\n  got      " << got[k];
            return m.str();
        }
    }
    return "";
}

std::string defined_tdo(const TapFacts& facts, const std::string& expected, const std::string& trace) {
    const auto want = lines(expected);
    const auto got = lines(trace);
    const size_t width = [&] {
        size_t w = 0;
        for (const Column& c : facts.columns(Dut::Top)) w += static_cast<size_t>(c.width);
        return w;
    }();
    std::string out;
    for (size_t k = 0; k < want.size() && k < got.size(); ++k)
        for (size_t p : {size_t{0}, width + 1})
            if (p < want[k].size() && p < got[k].size() && want[k][p] != '?') out += got[k][p];
    return out;
}

}  // namespace tapbench
