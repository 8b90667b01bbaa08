// The checks of the description fields against the design before the pad
// table is built, the TAP connection flags, the reset of the insertion's
// counters, and the small design look-ups the table builders use.
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

#include "bscan/bscan.h"
#include "bscan/edit.h"
#include "jtag/jtag.h"
#include "jtag/tap.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "runtime/str.h"
#include "sdb/lookup.h"
#include "sdb/sdb.h"

bool TAP_TDO_OPEN = false, TAP_TDO_EN_OPEN = false;
bool TAP_INPUT_OPEN[TAP_FLAG_WORDS] = {};
int TAP_FLAG[TAP_FLAG_WORDS] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, -1, -1, -1, -1, -1, -1};
int* TAP_FLAG_EXTRA = nullptr;
int HIZ_FLAG = 0;
char* HIZ_BUF_NAME = nullptr;
BufferEntry* HIZ_BUF = nullptr;
char* INPUT_BUFFER_INPUT = nullptr;
char* INPUT_BUFFER_OUTPUT = nullptr;
char* OUTPUT_BUFFER_INPUT = nullptr;
char* OUTPUT_BUFFER_OUTPUT = nullptr;
char* INVERTER_INPUT = nullptr;
char* INVERTER_OUTPUT = nullptr;
char* SPEC_INPUT_BUFFER_INPUT = nullptr;
char* SPEC_INPUT_BUFFER_OUTPUT = nullptr;
char* SPEC_OUTPUT_BUFFER_INPUT = nullptr;
char* SPEC_OUTPUT_BUFFER_OUTPUT = nullptr;

int CONTR_INDEX = 0, HIGHZ_CNT = 0;
int SHIFT_CNT = 0, CLOCK_CNT = 0, UPDATE_CNT = 0, MODE1_CNT = 0, MODE2_CNT = 0, MODE3_CNT = 0, RST_CNT = 0,
    BCLK_CNT = 0;
int SHIFT_INDEX = 0, CLOCK_INDEX = 0, UPDATE_INDEX = 0, MODE1_INDEX = 0, MODE2_INDEX = 0, MODE3_INDEX = 0,
    RST_INDEX = 0, BCLK_INDEX = 0;
int NEED_SHIFT_DR = 0, NEED_CLOCK_DR = 0, NEED_UPDATE_DR = 0, NEED_MODE1 = 0, NEED_MODE2 = 0, NEED_MODE3 = 0,
    NEED_RST = 0, NEED_BCLK = 0, NEED_HIGHZ = 0;
int SHIFT_DR_LEVEL = 0, CLOCK_DR_LEVEL = 0, UPDATE_DR_LEVEL = 0, MODE1_LEVEL = 0, MODE2_LEVEL = 0,
    MODE3_LEVEL = 0, RST_LEVEL = 0, BCLK_LEVEL = 0;
char** BUFFER_REPORT = nullptr;
int* NEED_EXTRA_PIN = nullptr;
int multi_io_module_flagG = 0;

namespace {

const char* direction_words(int d) {
    switch (d) {
        case SDB_DIR_OUTPUT: return "an output pin";
        case SDB_DIR_BIDIR: return "a bidirectional pin";
        default: return "an input pin";
    }
}

void free_text_list(char**& list) {
    if (!list) return;
    for (int i = 0; i < DYNA_count(list); ++i) std::free(list[i]);
    DYNA_free(&list);
    list = nullptr;
}

void void_declare(const char* keyword_tail, const char* name) {
    qdx_printf("ERROR: (%s) void declare %%%sBUFFER '%s'\n", lib_file(), keyword_tail, name);
    qdx_printf("       in %%TAP_CONTROLLER.\n");
    qdx_printf("       Can't find definition of '%s' in '%s'.\n\n", name, lib_file());
}

// Checks one of the TAP's signal buffers against its own design.
void check_signal_buffer(const char* name, const char* keyword_tail) {
    BufferEntry* b = get_buffer(name);
    if (!b) {
        void_declare(keyword_tail, name);
        qdx_exit(-1);
    }
    std::string sdb_name = PATH + name + ".sdb";
    std::string path = FNM_find(sdb_name);
    if (path.empty()) {
        qdx_exit_printf(-1, "ERROR: can't find SDB file '%s' in default searching path.\n\n", sdb_name.c_str());
    }
    if (!b->output) {
        qdx_exit_printf(-1, "ERROR: (%s) can't find %%OUTPUT in %s.\n", lib_file(), name);
    }
    if (!b->input) {
        qdx_exit_printf(-1, "ERROR: (%s) can't find %%INPUT in %s.\n", lib_file(), name);
    }
    SdbDatabase* db = open_sdb_file(path.c_str());
    bool has_out = false, has_in = false;
    for (int p = 0; p < port_count; ++p) {
        const char* pn = port_tab[p].name >= 0 ? SYM_get(sym_tab, port_tab[p].name) : nullptr;
        if (!pn) continue;
        has_out = has_out || std::strcmp(pn, b->output) == 0;
        has_in = has_in || std::strcmp(pn, b->input) == 0;
    }
    if (!has_out) {
        qdx_printf("ERROR: (%s) %%OUTPUT %s specified in %%BUFFER %s.\n", lib_file(), b->output, name);
        qdx_exit_printf(-1, "       can't be found in file '%s'.\n", path.c_str());
    }
    if (!has_in) {
        qdx_printf("ERROR: (%s) %%INPUT %s specified in %%BUFFER %s.\n", lib_file(), b->input, name);
        qdx_exit_printf(-1, "       can't be found in file '%s'.\n", path.c_str());
    }
    SDB_close(db, 0);
}

// A pad buffer of the configuration (%INPUT_BUFFER, %OUTPUT_BUFFER,
// %INOUT_BUFFER, or a pin row's own pad): its definition in the library
// and the pins the insertion wires (%INPUT and %OUTPUT, which go into
// in_pin and out_pin when given; for an inout buffer also %INOUT and an
// enable); returns false after printing when it is faulty.
bool check_pad_buffer(const char* keyword, const char* name, bool inout, char** in_pin, char** out_pin) {
    BufferEntry* b = get_buffer(name);
    if (!b) {
        qdx_printf("ERROR: void declare %%%s  %s in file '%s'.\n", keyword, name, bsc_file());
        qdx_printf("       Can't find the definition of '%s' in file '%s'.\n", name, lib_file());
        return false;
    }
    bool ok = true;
    if (inout && !b->inout) {
        qdx_printf("ERROR: (%s) can't find %%INOUT in %%BUFFER %s.\n", lib_file(), name);
        ok = false;
    }
    if (in_pin) STR_replace_owned(*in_pin, b->input);
    if (!b->input) {
        qdx_printf("ERROR: (%s) can't find %%INPUT in %%BUFFER %s.\n", lib_file(), name);
        ok = false;
    }
    if (out_pin) STR_replace_owned(*out_pin, b->output);
    if (!b->output) {
        qdx_printf("ERROR: (%s) can't find %%OUTPUT in %%BUFFER %s.\n", lib_file(), name);
        ok = false;
    }
    if (inout && !b->en_l && !b->en_h) {
        qdx_printf("ERROR: (%s) can't find %%EN_L or %% EN_H in %%BUFFER %s.\n", lib_file(), name);
        ok = false;
    }
    return ok;
}

// The net on the TAP instance's pin, with the warning for a pin tied to
// a constant.  `keyword` names the pin in the first line, `tail` is the
// whole "will be disconnected" line.
int tap_pin_net(int tap, const char* pin, int direction, const char* keyword, const std::string& tail) {
    if (tap < 0) return -1;
    int net = search_inet_connected_to_obj(tap, pin, direction);
    if (net == 0 || net == 1) {
        qdx_printf("WARNING: Pin %%%s '%s' of TAP '%s' ", keyword, pin, TAP_INSTANCE_NAME ? TAP_INSTANCE_NAME : "");
        qdx_printf(net == 0 ? "was connected to GND.\n" : "was connected to VCC.\n");
        qdx_printf("%s", tail.c_str());
    }
    return net;
}

std::string standard_tail(const char* keyword, const char* pin) {
    return std::string("         %") + keyword + " '" + pin + "' will be disconnected.\n";
}

}  // namespace

void bs_reset_counters() {
    CONTR_INDEX = HIGHZ_CNT = 0;
    SHIFT_CNT = CLOCK_CNT = UPDATE_CNT = MODE1_CNT = MODE2_CNT = MODE3_CNT = RST_CNT = BCLK_CNT = 0;
    SHIFT_INDEX = CLOCK_INDEX = UPDATE_INDEX = MODE1_INDEX = MODE2_INDEX = MODE3_INDEX = RST_INDEX = BCLK_INDEX = 0;
    NEED_SHIFT_DR = NEED_CLOCK_DR = NEED_UPDATE_DR = NEED_MODE1 = NEED_MODE2 = NEED_MODE3 = NEED_RST = NEED_BCLK =
        NEED_HIGHZ = 0;
    SHIFT_DR_LEVEL = CLOCK_DR_LEVEL = UPDATE_DR_LEVEL = MODE1_LEVEL = MODE2_LEVEL = MODE3_LEVEL = RST_LEVEL =
        BCLK_LEVEL = 0;
    // The high-impedance pin and the TDO pad's enable keep their value.
    for (int w = 0; w < TAP_FLAG_WORDS; ++w)
        if (w != TAP_FLAG_HIGHZ && w != TAP_FLAG_EXTRA_WORD && w != TAP_FLAG_TDO_ENABLE) TAP_FLAG[w] = -1;
    multi_io_module_flagG = 0;
}

void bscan_init() {
    bs_reset_counters();
    free_text_list(BUFFER_REPORT);
    if (NEED_EXTRA_PIN) DYNA_free(&NEED_EXTRA_PIN);
    BUFFER_REPORT = DYNA_new<char*>();
    NEED_EXTRA_PIN = DYNA_new<int>();
    if (TAP_FLAG_EXTRA) DYNA_free(&TAP_FLAG_EXTRA);
    TAP_FLAG_EXTRA = DYNA_new<int>();
    bs_init_insertion_tables();
}

void check_pin_signal_inv_buf() {
    if (!TAP_CONTR) TAP_CONTR = get_tap_cell(TAP_MODULE_NAME);
    if (!TAP_CONTR) return;  // reported by the field checks
    if (TAP_CONTR->signal_buffer) check_signal_buffer(TAP_CONTR->signal_buffer, "SIGNAL_");
    if (TAP_CONTR->inv_buffer) check_signal_buffer(TAP_CONTR->inv_buffer, "INV_");
}

SdbDatabase* open_sdb_file(const char* path) {
    SdbDatabase* db = SDB_open(path, "r", 0);
    if (!db) {
        qdx_exit_printf(-1, "ERROR: can't open SDB file '%s'.\n       Permission denied, probably.\n\n", path);
    }
    bs_forget_port_stems();
    return SDB_setup(db);
}

namespace {

// What the field checks share: whether one of them failed, the TAP
// instance of the design (-1 none), the TAP controller of the library and
// its module name, and whether some TAP pin is active low.
struct FieldCheck {
    bool failed = false;
    int tap = -1;
    const char* module = "";
    TapCellEntry* t = nullptr;
    bool inverted = false;

    // A TAP pin name without its active-low mark; the mark is noted.
    const char* note(const char* pin) {
        if (is_active_low(pin)) inverted = true;
        return without_low_mark(pin);
    }
    // A TAP controller pin that the cells need is missing.
    void missing(const char* first_piece) {
        qdx_printf("%s", first_piece);
        qdx_printf("in %%TAP_CONTROLLER %s.\n", module);
        failed = true;
    }
    void missing_lib(const char* word) {
        std::string first = std::string("ERROR: (") + lib_file() + ") can't find %" + word + " ";
        missing(first.c_str());
    }
    // A tree buffer needs both its pins.
    void buffer_pins(BufferEntry* b, const char* name) {
        if (!b->input) {
            qdx_printf("ERROR: (%s) can't find %%INPUT in %%BUFFER %s.\n\n", lib_file(), name);
            failed = true;
        }
        if (!b->output) {
            qdx_printf("ERROR: (%s) can't find %%OUTPUT in %%BUFFER %s.\n\n", lib_file(), name);
            failed = true;
        }
    }
};

// -add_pad needs both pad buffers.
void add_pad_buffers(FieldCheck& c) {
    if (JTAG_OPTION[OPT_ADD_PAD]) {
        if (!INPUT_BUFFER) {
            qdx_exit_printf(-1, "ERROR: option -add_pad requires to declare %%INPUT_BUFFER\n       in file '%s'.\n\n",
                       bsc_file());
        }
        if (!OUTPUT_BUFFER) {
            qdx_exit_printf(-1, "ERROR: option -add_pad requires to declare %%OUTPUT_BUFFER\n       in file '%s'.\n\n",
                       bsc_file());
        }
    }
}

// The pad buffers of the configuration.
void pad_buffers(FieldCheck& c) {
    if (INPUT_BUFFER &&
        !check_pad_buffer("INPUT_BUFFER", INPUT_BUFFER, false, &INPUT_BUFFER_INPUT, &INPUT_BUFFER_OUTPUT))
        c.failed = true;
    if (OUTPUT_BUFFER &&
        !check_pad_buffer("OUTPUT_BUFFER", OUTPUT_BUFFER, false, &OUTPUT_BUFFER_INPUT, &OUTPUT_BUFFER_OUTPUT))
        c.failed = true;
    if (INOUT_BUFFER && !check_pad_buffer("INOUT_BUFFER", INOUT_BUFFER, true, nullptr, nullptr)) c.failed = true;
}

// The TAP module's names.
void tap_module_names(FieldCheck& c) {
    if (!TAP_MODULE_NAME) {
        qdx_printf("ERROR: (%s) can't find %%MODULE_NAME in %%TAP_MODULE.\n", bsc_file());
        c.failed = true;
    }
    if (!TAP_INSTANCE_NAME) {
        qdx_printf("ERROR: (%s) can't find %%INSTANCE_NAME in %%TAP_MODULE.\n", bsc_file());
        c.failed = true;
    }
}

// The TAP instance of the design.
void tap_instance(FieldCheck& c) {
        if (TAP_INSTANCE_NAME && !JTAG_OPTION[OPT_ADD_TAP] && !JTAG_OPTION[OPT_ADD_BCM]) {
        // A TAP inside a sub-module bears its whole path in this design.
        c.tap = SDB_nl_search_obj(kest_hier_tap_design_name());
        if (c.tap < 0) {
            qdx_exit_printf(-1, "ERROR: (%s) can't find TAP %%INSTANCE_NAME '%s' in SDB file '%s'.\n\n", bsc_file(),
                       kest_hier_tap_design_name(), MODULE_C_SDB.c_str());
        }
        const char* cls = SDB_class_name_of(c.tap);
        if (!TAP_MODULE_NAME || std::strcmp(cls, TAP_MODULE_NAME) != 0) {
            qdx_exit_printf(-1, "ERROR: (%s) %%TAP_MODULE_NAME '%s' doesn't match\n       class name of '%s' in SDB file '%s'.\n\n",
                       bsc_file(), TAP_MODULE_NAME ? TAP_MODULE_NAME : "", cls, MODULE_C_SDB.c_str());
        }
    }
}

// The design ports of the TAP.
void tap_ports(FieldCheck& c) {
    if (!GLOBAL_TDI) {
        qdx_printf("ERROR: can't find %%GLOBAL_TDI in file '%s'.\n", bsc_file());
        c.failed = true;
    }
    if (!GLOBAL_TDO) {
        qdx_printf("ERROR: can't find %%GLOBAL_TDO in file '%s'.\n", bsc_file());
        c.failed = true;
    }
    if (JTAG_OPTION[OPT_ADD_TAP]) {
        if (!GLOBAL_TMS) {
            qdx_printf("ERROR: can't find %%GLOBAL_TMS in file '%s'.\n", bsc_file());
            c.failed = true;
        }
        if (!GLOBAL_TCK) {
            qdx_printf("ERROR: can't find %%GLOBAL_TCK in file '%s'.\n", bsc_file());
            c.failed = true;
        }
    }
}

// The TAP controller of the library.  Without one nothing below can
// be checked: that is an error of its own.
void tap_controller(FieldCheck& c) {
    if (!TAP_CONTR && TAP_MODULE_NAME) TAP_CONTR = get_tap_cell(TAP_MODULE_NAME);
    c.module = TAP_MODULE_NAME ? TAP_MODULE_NAME : "";
    if (!TAP_CONTR) {
        qdx_exit_printf(-1, "ERROR: (%s) can't find %%TAP_CONTROLLER %s.\n\n", lib_file(), c.module);
    }
    c.t = TAP_CONTR;
}

// The net on an input pin of the design's TAP (TAP_FLAG word `flag`): a
// constant where the netlist ties the pin, as it does before the TAP is
// wired to its pad.  A pin that the instance has on no net is noted as
// open, to be joined to its pad as a tied one is.
int tap_input_net(const FieldCheck& c, const char* pin, const char* word, int flag) {
    const int net = tap_pin_net(c.tap, pin, SDB_DIR_INPUT, word, standard_tail(word, pin));
    TAP_INPUT_OPEN[flag] = c.tap >= 0 && net < 0 && search_inode_connected_to_obj(c.tap, pin, SDB_DIR_INPUT) >= 0;
    return net;
}

// TRST.
void trst_pin(FieldCheck& c) {
    if (!GLOBAL_TRST) {
        TAP_TRST_PIN = nullptr;
    } else if (!c.t->trst) {
        qdx_printf("ERROR: (%s) can't find %%TRST in %%TAP_CONTROLLER %s to match\n", lib_file(), c.module);
        qdx_printf("       %%GLOBAL_TRST '%s' in %s.\n", GLOBAL_TRST, bsc_file());
        c.failed = true;
    } else {
        TAP_TRST_PIN = c.note(c.t->trst);
        TAP_FLAG[TAP_FLAG_TRST] = tap_input_net(c, TAP_TRST_PIN, "TRST", TAP_FLAG_TRST);
    }
}

// The four standard pins.
void standard_pins(FieldCheck& c) {
    struct {
        const char* pin;
        const char* word;
        const char** global;
        int flag;  // the TAP_FLAG word of an input pin, -1 for TDO
    } std_pins[] = {{c.t->tdi, "TDI", &TAP_TDI_PIN, TAP_FLAG_TDI},
                    {c.t->tdo, "TDO", &TAP_TDO_PIN, -1},
                    {c.t->tms, "TMS", &TAP_TMS_PIN, TAP_FLAG_TMS},
                    {c.t->tck, "TCK", &TAP_TCK_PIN, TAP_FLAG_TCK}};
    for (auto& s : std_pins) {
        if (!s.pin) {
            qdx_printf("ERROR: (%s) can't find %%%s in %%TAP_CONTROLLER %s.\n", lib_file(), s.word, c.module);
            c.failed = true;
        } else {
            *s.global = c.note(s.pin);
            if (s.flag >= 0) TAP_FLAG[s.flag] = tap_input_net(c, *s.global, s.word, s.flag);
        }
    }
    // The TDO pad's enable, when it must be wired, is wired to this pin.
    // Its polarity is the TDO pad's: no inverter goes between them.
    const char* en = c.t->tdo_en;
    TAP_TDO_EN_PIN = en && *en ? without_low_mark(en) : nullptr;
    auto open = [&](const char* pin) {
        return c.tap >= 0 && pin && *pin && search_inet_connected_to_obj(c.tap, pin, SDB_DIR_OUTPUT) < 0;
    };
    TAP_TDO_OPEN = open(TAP_TDO_PIN);
    TAP_TDO_EN_OPEN = open(TAP_TDO_EN_PIN);
}

// The pins the cells drive.
void driven_pins(FieldCheck& c) {
    // SHIFT_DR
    if (!c.t->shift_dr) {
        c.missing_lib("SHIFT_DR");
    } else {
        TAP_SHIFT_PIN = c.note(c.t->shift_dr);
        TAP_FLAG[TAP_FLAG_SHIFT_DR] = tap_pin_net(c.tap, TAP_SHIFT_PIN, SDB_DIR_OUTPUT, "SHIFT_DR",
                                  standard_tail("SHIFT_DR", TAP_SHIFT_PIN));
    }
    if (!c.t->clock_dr) {
        c.missing_lib("CLOCK_DR");
    } else {
        TAP_CLOCK_PIN = c.note(c.t->clock_dr);
        TAP_FLAG[TAP_FLAG_CLOCK_DR] = tap_pin_net(c.tap, TAP_CLOCK_PIN, SDB_DIR_OUTPUT, "CLOCK_DR",
                                  standard_tail("CLOCK_DR", TAP_CLOCK_PIN));
    }
    if (!c.t->first_bcell) {
        c.missing_lib("FIRST_BCELL");
    } else {
        const char* p = without_low_mark(c.t->first_bcell);
        TAP_FLAG[TAP_FLAG_FIRST_BCELL] = tap_pin_net(c.tap, p, SDB_DIR_OUTPUT, "FIRST_BCELL",
                                  std::string("         %FIRST_BCELL '") + p + "' will be disconnected.\n");
    }
    if (!c.t->last_bcell) {
        c.missing_lib("LAST_BCELL");
    } else {
        const char* p = without_low_mark(c.t->last_bcell);
        TAP_FLAG[TAP_FLAG_LAST_BCELL] = tap_pin_net(c.tap, p, SDB_DIR_INPUT, "LAST_BCELL",
                                  std::string("         %LAST_BCELL '") + p + "' will be disconnected.\n");
    }
    if (c.t->highz_command) {
        HIZ_FLAG = 1;
        TAP_HIZ_PIN = c.note(c.t->highz_command);
        TAP_FLAG[TAP_FLAG_HIZ] = tap_pin_net(c.tap, TAP_HIZ_PIN, SDB_DIR_OUTPUT, "HIGHZ_COMMAND",
                                  std::string("         %HIGHZ_COMMAND '") + TAP_HIZ_PIN + "' will be disconnected.\n");
    }
    if (BCELL_UPDATE_DR) {
        if (!c.t->update_dr) {
            c.missing_lib("UPDATE_DR");
        } else {
            TAP_UPDATE_PIN = c.note(c.t->update_dr);
            TAP_FLAG[TAP_FLAG_UPDATE_DR] = tap_pin_net(c.tap, TAP_UPDATE_PIN, SDB_DIR_OUTPUT, "UPDATE_DR",
                                      standard_tail("UPDATE_DR", TAP_UPDATE_PIN));
        }
    } else {
        TAP_UPDATE_PIN = nullptr;
    }
    if (BCELL_HIGHZ) {
        if (!c.t->highz_command) {
            std::string first = std::string("ERROR: (") + lib_file() + ") can't find %HIGHZ_COMMAND";
            c.missing(first.c_str());
        } else {
            TAP_HIGHZ_PIN = c.note(c.t->highz_command);
            TAP_FLAG[TAP_FLAG_HIGHZ] = tap_pin_net(c.tap, TAP_HIGHZ_PIN, SDB_DIR_OUTPUT, "HIGHZ_COMMAND",
                                      std::string("         %HIGHZ '") + TAP_HIGHZ_PIN + "' will be disconnected.\n");
        }
    } else {
        TAP_HIGHZ_PIN = nullptr;
    }
    if (BCELL_RST) {
        if (!c.t->tap_reset) {
            c.missing_lib("TAP_RESET");
        } else {
            TAP_RST_PIN = c.note(c.t->tap_reset);
            TAP_FLAG[TAP_FLAG_RESET] = tap_pin_net(c.tap, TAP_RST_PIN, SDB_DIR_OUTPUT, "TAP_RESET",
                                      standard_tail("TAP_RESET", TAP_RST_PIN));
        }
    }
    struct {
        int need;
        const char* pin;
        const char* word;
        const char** global;
        int flag;
    } modes[] = {{BCELL_MODE1, c.t->mode1, "MODE_1", &TAP_MODE1_PIN, TAP_FLAG_MODE1},
                 {BCELL_MODE2, c.t->mode2, "MODE_2", &TAP_MODE2_PIN, TAP_FLAG_MODE2},
                 {BCELL_MODE3, c.t->mode3, "MODE_3", &TAP_MODE3_PIN, TAP_FLAG_MODE3}};
    for (auto& m : modes) {
        if (!m.need) continue;
        if (!m.pin) {
            c.missing_lib(m.word);
            continue;
        }
        *m.global = c.note(m.pin);
        TAP_FLAG[m.flag] = tap_pin_net(c.tap, *m.global, SDB_DIR_OUTPUT, m.word, standard_tail(m.word, *m.global));
    }
}

// Extra pins.
void extra_pins(FieldCheck& c) {
    int have_extra = DYNA_count(c.t->extra);
    if (have_extra < BCELL_EXTRA) {
        qdx_printf("ERROR: (%s) scan cell has more extra pins than %%TAP_CONTROLLER %s.\n", lib_file(), c.module);
        c.failed = true;
    } else {
        free_text_list(TAP_EXTRA_PIN);
        TAP_EXTRA_PIN = DYNA_new<char*>();
        for (int i = 0; i < BCELL_EXTRA; ++i) {
            const char* raw = c.t->extra[i];
            const char* p = c.note(raw);
            DYNA_append(&TAP_EXTRA_PIN, p ? qdx_strdup(p) : static_cast<char*>(nullptr));
            if (c.tap < 0 || !p) continue;
            int net = search_inet_connected_to_obj(c.tap, p, SDB_DIR_OUTPUT);
            DYNA_append(&TAP_FLAG_EXTRA, net);
            if (net == 0 || net == 1) {
                qdx_printf("WARNING: Pin %%EXTRA_%d '%s' of TAP '%s' ", i, p, TAP_INSTANCE_NAME);
                qdx_printf(net == 0 ? "was connected to GND.\n" : "was connected to VCC.\n");
                qdx_printf("         %%EXTRA_%d '%s' will be disconnected.\n", i, p);
            }
        }
    }
}

// Signal buffers.
void signal_buffers(FieldCheck& c) {
    if (JTAG_OPTION[OPT_DF_SPEED] && c.t->df_group_size >= 1 && !c.t->df_signal_buffer) {
        if (!c.t->signal_buffer && c.t->group_size > 0) {
            qdx_printf("ERROR: (%s) can't find %%SIGNAL_BUFFER or %%DF_SIGNAL_BUFFER in %%TAP_CONTROLLER.\n",
                       lib_file());
            c.failed = true;
        }
    } else if (c.t->df_group_size > 0 && c.t->df_signal_buffer) {
        BufferEntry* b = get_buffer(c.t->df_signal_buffer);
        if (!b) {
            void_declare("DF_SIGNAL_", c.t->df_signal_buffer);
            c.failed = true;
        } else {
            c.buffer_pins(b, c.t->df_signal_buffer);
        }
    }
    if (c.t->group_size > 0) {
        if (!c.t->signal_buffer) {
            qdx_printf("ERROR: (%s) can't find %%SIGNAL_BUFFER in %%TAP_CONTROLLER.\n", lib_file());
            c.failed = true;
        } else if (BufferEntry* b = get_buffer(c.t->signal_buffer); !b) {
            void_declare("SIGNAL_", c.t->signal_buffer);
            c.failed = true;
        } else {
            c.buffer_pins(b, c.t->signal_buffer);
            if (HIZ_FLAG && !is_active_low(c.t->highz_command)) {
                STR_replace_owned(HIZ_BUF_NAME, c.t->signal_buffer);
                HIZ_BUF = b;
            }
        }
    } else if (HIZ_FLAG && !is_active_low(c.t->highz_command) && c.t->signal_buffer) {
        // Without trees the high-impedance buffers of tied enables still
        // take the signal buffer.
        if (BufferEntry* b = get_buffer(c.t->signal_buffer); b && b->input && b->output) {
            STR_replace_owned(HIZ_BUF_NAME, c.t->signal_buffer);
            HIZ_BUF = b;
        }
    }
}

// The inverting buffer, when some TAP pin is active low.
void inverting_buffer(FieldCheck& c) {
    if (c.inverted) {
        if (!c.t->inv_buffer) {
            qdx_printf("ERROR: (%s) can't find %%INV_BUFFER in %%TAP_CONTROLLER.\n", lib_file());
            c.failed = true;
        } else if (BufferEntry* b = get_buffer(c.t->inv_buffer); !b) {
            void_declare("INV_", c.t->inv_buffer);
            c.failed = true;
        } else {
            c.buffer_pins(b, c.t->inv_buffer);
            if (HIZ_FLAG && is_active_low(c.t->highz_command)) {
                STR_replace_owned(HIZ_BUF_NAME, c.t->inv_buffer);
                HIZ_BUF = b;
            }
        }
    }
}

// The pin list.
void pin_list(FieldCheck& c) {
    if (DYNA_count(PIN_TABLE) == 0) {
        if (!PIN_FILE) {
            qdx_printf("ERROR: (%s) Please specify the following field:\n", bsc_file());
            qdx_printf("\n        %%PIN_LIST {\n");
            qdx_printf("            %%FILE_NAME\n");
            qdx_printf("        }\n\n");
        } else {
            qdx_printf("ERROR: (%s) empty file. Can't find non skip pin.\n\n", PIN_FILE);
        }
        c.failed = true;
    }
}

// The checks in the order they run; a check ends the run at once only
// where nothing after it could be checked.
using FieldStep = void (*)(FieldCheck&);
const FieldStep kFieldSteps[] = {add_pad_buffers, pad_buffers, tap_module_names, tap_instance, tap_ports, tap_controller, trst_pin, standard_pins, driven_pins, extra_pins, signal_buffers, inverting_buffer, pin_list};

}  // namespace

void check_necessary_fields() {
    FieldCheck c;
    for (FieldStep step : kFieldSteps) step(c);
    if (c.failed) qdx_exit_printf(-1, "\n");
}

static void check_one_pad_buffer(const char* keyword, const char* cell, bool inout, char** in_pin, char** out_pin) {
    if (!check_pad_buffer(keyword, cell, inout, in_pin, out_pin)) qdx_exit(-1);
}

void bs_check_input_buf_fields(const char* cell) {
    check_one_pad_buffer("INPUT_BUFFER", cell, false, &SPEC_INPUT_BUFFER_INPUT, &SPEC_INPUT_BUFFER_OUTPUT);
}
void bs_check_output_buf_fields(const char* cell) {
    check_one_pad_buffer("OUTPUT_BUFFER", cell, false, &SPEC_OUTPUT_BUFFER_INPUT, &SPEC_OUTPUT_BUFFER_OUTPUT);
}
void bs_check_inout_buf_fields(const char* cell) { check_one_pad_buffer("INOUT_BUFFER", cell, true, nullptr, nullptr); }

namespace {

// The ports of the current design by each beginning of their names that
// ends in "[": the last such port and how many there are.  Built on the
// first look-up and again when the design or its port table changes, so
// that the pads of a design with bus ports do not each walk every port.
class BusStems {
public:
    // The only port whose name begins with stem, else -1.
    int only(const std::string& stem) {
        refresh();
        const auto it = stems_.find(stem);
        return it != stems_.end() && it->second.hits == 1 ? it->second.last : -1;
    }

private:
    struct Found {
        int last = -1;
        int hits = 0;
    };

    void refresh() {
        if (db_ == sdb && ports_ == port_tab && count_ == port_count && syms_ == sym_tab) return;
        db_ = sdb;
        ports_ = port_tab;
        count_ = port_count;
        syms_ = sym_tab;
        stems_.clear();
        for (int i = 0; i < port_count; ++i) {
            if (port_tab[i].name < 0) continue;
            const char* pn = SYM_get(sym_tab, port_tab[i].name);
            if (!pn) continue;
            const std::string_view name(pn);
            for (std::size_t at = name.find('['); at != std::string_view::npos; at = name.find('[', at + 1)) {
                Found& f = stems_[std::string(name.substr(0, at + 1))];
                f.last = i;
                ++f.hits;
            }
        }
    }

    const void* db_ = nullptr;
    const void* ports_ = nullptr;
    int count_ = -1;
    const void* syms_ = nullptr;
    std::unordered_map<std::string, Found> stems_;
};

BusStems bus_stems;

}  // namespace

void bs_forget_port_stems() { bus_stems = BusStems(); }

int bs_search_iport(const char* signal) {
    const char* name = without_low_mark(signal);
    int p = SDB_nl_search_port(name);
    if (p >= 0) return p;
    // The only port named "<name>[...]" (a one-bit bus) stands for it.
    return bus_stems.only(std::string(name) + "[");
}

int find_iport(const char* signal) {
    const int found = bs_search_iport(signal);
    if (found >= 0) return found;
    const char* name = without_low_mark(signal);
    qdx_exit_printf(-1, "ERROR: (%s) can't find port '%s' in SDB '%s'.\n\n", PIN_FILE ? PIN_FILE : "", name,
               MODULE_C_SDB.c_str());
}

int search_inet_connected_to_obj(int obj, const char* pin, int direction) {
    int node = search_inode_connected_to_obj(obj, pin, direction);
    if (node < 0) return -1;
    return node_tab[node].net;
}

std::string verify_obj_pin_name(int obj, const char* pin, int direction) {
    int net = search_inet_connected_to_obj(obj, pin, direction);
    if (net < 0) return "";
    const char* n = SDB_net_name(sdb, net);
    return n ? n : "";
}

int search_inode_connected_to_obj(int obj, const char* name, int direction) {
    if (obj < 0 || obj >= obj_count || !name) return -1;
    for (int n = obj_tab[obj].first_node; n >= 0 && n < node_count && node_tab[n].object == obj; ++n) {
        const char* pn = SDB_pin_name(n);
        if (!pn || STR_ucomp(pn, name) != 0) continue;
        int actual = pin_tab[node_tab[n].pin].direction & 3;
        if (actual == direction) return n;
        qdx_printf("ERROR: '%s' is %s of '%s'.\n", name, direction_words(actual), SDB_class_name_of(obj));
        qdx_exit_printf(-1, "       But it was declared as %s in file '%s'.\n\n", direction_words(direction), lib_file());
    }
    return -1;
}

// The pad cell on the design's port `name` has an active-low enable.
bool pad_enable_is_low(const char* name) {
    int p = SDB_nl_search_port(name);
    if (p < 0) return false;
    int other = find_adjacent_node(port_tab[p].node);
    if (other < 0 || node_tab[other].object < 0) return false;
    BufferEntry* b = get_buffer(SDB_class_name_of(node_tab[other].object));
    return b && b->en_l;
}

void check_connect_pad() {
    TDO_EN_LOW = 0;
    SdbDatabase* db = open_sdb_file(MODULE_C_SDB.c_str());
    int rows = DYNA_count(PIN_TABLE);
    for (int i = 0; i < rows; ++i) {
        PinListEntry* row = PIN_TABLE[i];
        if (!row || !row->core_name) continue;
        if (is_internal_marker(row->io_name)) continue;
        const char* name = without_low_mark(row->core_name);
        if (GLOBAL_TDO && std::strcmp(name, without_low_mark(GLOBAL_TDO)) == 0 && pad_enable_is_low(name))
            TDO_EN_LOW = 1;
        if (skip_signal(name)) continue;
        int p = SDB_nl_search_port(name);
        if (p < 0) continue;
        int other = find_adjacent_node(port_tab[p].node);
        if (other < 0 || node_tab[other].object < 0) continue;
        BufferEntry* b = get_buffer(SDB_class_name_of(node_tab[other].object));
        if (!b) continue;
        if (b->mode1) BCELL_MODE1 = 1;
        if (b->mode2) BCELL_MODE2 = 1;
        if (b->mode3) BCELL_MODE3 = 1;
    }
    SDB_close(db, 0);
}

bool find_tap_only_design() {
    MODULE_C_SDB = FNM_find(PATH + TOP_MODULE + ".c.sdb");
    return !MODULE_C_SDB.empty();
}

void settle_tdo_enable_polarity() {
    // No design: the TAP description's %TDO_EN pin says it ("-" = active low).
    TDO_EN_LOW = TAP_CONTR && is_active_low(TAP_CONTR->tdo_en);
}
