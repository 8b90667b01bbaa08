// The DFT object: what one DFT scan-language file (and its map file) says,
// as typed records.
//
// A parsed DFT file becomes one DftObject, with one field per section of
// the language; a parsed map file becomes one MapObject.  The mapping
// (map_frame.h) builds them from the syntax trees, the core switching
// (core_switch.h) makes one of them current in DFT_OBJECT, and the
// cursors of the front end, the dump and the writer read the current one.
//
// Conventions of every record here:
//   - Records own their texts (std::string): nothing points into a syntax
//     tree, so trees may be freed once an object is built.  An empty text
//     is "none": the scanner never delivers an empty name or string.
//   - An integer that holds a source line, a position, a count or a code
//     is -1 when unknown; a real is -1.0 when unknown.
//   - A growable array of the language's sections is a DynArray: none
//     (std::nullopt) or an array that may be empty.  The mappings say when
//     a section makes its array empty rather than leaving it none.
//   - A linked list of the language (a chain of names, of records) is a
//     plain std::vector in source order; an empty vector is none.
//   - A single record that a section may leave out is a std::optional.
//   - Sequences and instructions are referred to by pointers into the
//     `sequences` and `instructions` vectors of the same object.  Both are
//     complete before anything refers to them (the mapping order sees to
//     it) and never grow afterwards; objects are created on the heap once
//     and never copied or moved, so the pointers stay valid for the run.
//
// Field comments name the section keyword a field comes from.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scanlang/front/fennox_decrypt.h"
#include "scanlang/front/list_records.h"
#include "scanlang/front/pso_records.h"

struct ScanCommentRecord;

template <class T>
using DynArray = std::optional<std::vector<T>>;
// A chain of names (the language's IdentCell lists).
using TextList = std::vector<std::string>;

// ------------------------------------------------- small value records

// An integer or a fraction (a percentage divided by 100): the one that
// the text gave is set, the other keeps its none value.
struct ValueRecord {
    int integer = -1;
    double real = -1.0;
};

// A name with an optional second name (a pin and its value, a port and
// its pad ...).
struct Ident2Record {
    std::string first;
    std::string second;
    int line = -1;
};

// A name with a list of names.
struct OneIdent1ListNode {
    std::string name;
    TextList names;
};

// Two lists of names (ports and patterns) with their line.
using TwoIdent1ListNode = TwoIdentListRecord;

// One power-on entry: its names; a DUMMY entry holds one empty name.
struct PowerListNode {
    TextList names;
};

// Pins with their times.
struct PinRecord {
    TextList pins;
    std::vector<double> times;
};

// A pair of clocks.
struct CaptureClockRecord {
    std::string first;
    std::string second;
    int line = -1;
};

// Up to two positions, each with a port; position 0 reads as -1.
struct PositionPortRecord {
    int first_position = -1;
    std::string first_port;
    int second_position = -1;
    std::string second_port;
};

// A module, RAM or register to isolate, with the values forced on pins.
struct TaIsolateRecord {
    std::string name;
    std::vector<Ident2Record> forced;
    int line = -1;
};

// One differential pad; absent pads keep empty names and line 0.
struct DiffPadEntry {
    int name_line = 0;
    int line = 0;
    int p_pad_line = 0;
    int n_pad_line = 0;
    std::string p_pad;
    std::string n_pad;
    std::string name;
};

// A %SET_TIMING block.
struct SetTimingRecord {
    int cycle = -1;
    std::vector<PinRecord> p_clock;
    std::vector<PinRecord> n_clock;
    std::vector<PinRecord> pi_time;
    std::vector<PinRecord> po_time;
    std::vector<PinRecord> io_time;
    double default_pi_time = -1.0;
    double default_po_time = -1.0;
    std::vector<double> default_io_times;
    int precision = -1;
    int line = -1;
    std::string type;
};

// A name and its value (don't-fix pins of cores and scan modules).
struct DontFixEntry {
    std::string name;
    std::string value;
};

// --------------------------------- scan selection, ports, GUI, hookups

struct SelectScanRecord {  // %SELECT_SCAN
    std::optional<ValueRecord> scan_init;
    std::optional<ValueRecord> scan_incr;
    std::optional<ValueRecord> scan_max;
    TextList dont_scan_type;
    TextList dont_scan_module;
    TextList must_scan_type;
    TextList dont_scan;
    TextList must_scan;
    int keyword_line = -1;
    int line = -1;
};

struct PortPadEntry {  // %PAD or %PORT_MAP of a port
    std::string name;
    DynArray<std::string> names;
};

// Port types of %PORT_INFO.
enum PortInfoType : int { PORT_TYPE_INPUT = 0, PORT_TYPE_OUTPUT = 1, PORT_TYPE_CLOCK = 2 };

struct PortInfoEntry {  // one port of %PORT_INFO
    std::string name;
    int type = PORT_TYPE_INPUT;
    DynArray<PortPadEntry> pads;
    DynArray<PortPadEntry> port_maps;
};

struct GuiInfoRecord {  // %GUI
    std::string path;
    std::string extraction;
    std::string drc;
    std::string init_conflict;
    std::string unknown;
};

struct CaptureClockEntry {  // one pair of %CAPTURE_CLOCK
    std::string first;
    std::string second;
};

struct HookupEntry {  // one entry of %HOOKUP
    std::string name;
    std::string instance_name;
    std::string pin_name;
};

struct HookupList {
    std::vector<HookupEntry> entries;
};

// ---------------------------------------------- paths and clock periods

struct PathEntry {  // one %PATH of %MULTICYCLE_PATH or %FALSE_PATH
    DynArray<std::string> from;
    DynArray<TextList> through;  // one list per %THROUGH
    DynArray<std::string> to;
    int cycle = -1;
    DynArray<std::string> file_names;
    DynArray<int> file_index;  // per file name: its PathFileRecord, -1 until read
};

struct PathFileRecord {  // one path file read
    std::string file_name;
    DynArray<PathEntry> paths;
};

struct ClockPeriodEntry {  // one clock of %CLOCK_PERIOD
    std::string name;
    double period = -1.0;
    int line = -1;
};

struct ClockPeriodRecord {  // %CLOCK_PERIOD
    std::vector<ClockPeriodEntry> clocks;
    int keyword_line = -1;
    int line = -1;
};

// ----------------------------------- test files, MBIST control, decoder

struct TestFilesRecord {  // %TEST_FILES
    int keyword_line = -1;
    int line = -1;
    std::string mbist_file;
    int mbist_file_line = -1;
    std::string lbist_file;
    int lbist_file_line = -1;
    std::string bsd_file;
    int bsd_file_line = -1;
    std::string macro_test;
    int macro_test_line = -1;
};

struct MbistSignalRecord {  // one signal of a memory-BIST control entry
    std::string instance;  // empty for a port
    std::string pin;
    int connected = 0;
};

// The signals of a memory-BIST control entry, in statement order.
enum MbistSignal : int {
    MBIST_BISTMODE, MBIST_BISTFAIL, MBIST_ERRMAP, MBIST_BIST_RESULT_EN, MBIST_BIST_RESULT_IN,
    MBIST_BIST_RESULT_OUT, MBIST_FINISH, MBIST_UTI_SCAN_IN, MBIST_UTI_SCAN_OUT, MBIST_MEMGROUPSEL,
    MBIST_MEMGROUPSEL_IN, MBIST_MEMGROUPSEL_OUT, MBIST_BIST_SEL_EN, MBIST_QDX_TIS, MBIST_VCLK, MBIST_QDX_UTI_IN,
    MBIST_QDX_UTI_OUT, MBIST_QDX_UTI_SHIFT, MBIST_QDX_UTI_HOLD_IN, MBIST_QDX_UTI_HOLD_OUT, MBIST_BYPASS,
    MBIST_BIST_CLK, MBIST_SHIFTEND, MBIST_SIGNATUREOUT, MBIST_SIGNAL_COUNT
};

struct MbistControlEntry {  // one %MBIST_CONTROL entry
    int number = -1;
    int keyword_line = -1;
    int line = -1;
    std::array<std::optional<MbistSignalRecord>, MBIST_SIGNAL_COUNT> signals;
};

struct ControlPortRecord {  // one decoder control port
    std::string port_name;
    std::string pad_name;
    std::string pad_out;
    std::string polarity;
    int keyword_line = -1;
    int line = -1;  // -1 in the one-line form
};

struct KrModePort {
    std::string port_name;
    int value = 0;
};

struct KrModeRecord {  // %KR_MODE of the decoder
    DynArray<KrModePort> ports;
    std::string pad_name;
    std::string pad_out;
    std::string polarity;
    int reserved4 = -1;
    int reserved5 = -1;
};

struct DecoderOutRecord {  // one decoder output
    std::string instance_name;
    std::string pin_name;
    int keyword_line = -1;
    int line = -1;
};

struct ScanDecoderRecord {  // %SCAN_DECODER
    std::string decoder_name;
    std::string decoder_scan_mode;
    std::string decoder_scan_mode_inv;
    std::string decoder_test_mode;
    std::string decoder_test_mode_inv;
    std::optional<ControlPortRecord> scan_mode;
    std::optional<ControlPortRecord> test_mode;
    std::optional<KrModeRecord> kr_mode;
    std::optional<ControlPortRecord> override_mode;
    std::optional<ControlPortRecord> ram_write;
    std::optional<DecoderOutRecord> scan_mode_out;
    std::optional<DecoderOutRecord> scan_mode_inv_out;
    std::optional<DecoderOutRecord> test_mode_out;
    std::optional<DecoderOutRecord> test_mode_inv_out;
    std::optional<DecoderOutRecord> override_mode_out;
    std::optional<DecoderOutRecord> override_mode_inv_out;
    // Form flags of the four control ports: 1 for the block form.
    int scan_mode_form = 0;
    int test_mode_form = 0;
    int override_mode_form = 0;
    int ram_write_form = 0;
    std::string scan_clk;
    std::string position;
    int keyword_line = -1;
    int line = -1;
};

// ----------------------- sequences, schedule, sessions and architecture

struct ForceItemRecord {  // one %FORCE or %FORCE_CLOCK item
    std::string name;
    std::string value;
    int line = -1;
};

// Kinds of the force order.
inline constexpr int FORCE_ORDER_FORCE = 0, FORCE_ORDER_FORCE_CLOCK = 1;

struct ForceOrderEntry {
    int kind = FORCE_ORDER_FORCE;  // which list `index` points into
    std::size_t index = 0;         // into forces or force_clocks
};

struct SequenceRecord {  // one %SEQUENCE
    std::string name;
    std::vector<ForceItemRecord> forces;
    std::vector<ForceItemRecord> force_clocks;
    DynArray<ForceOrderEntry> force_order;
    int cycle_length = 1;
    int frame_length = -1;
    std::optional<SetTimingRecord> set_timing;
    std::optional<SetTimingRecord> launch_timing;
    std::optional<SetTimingRecord> capture_timing;
    int name_line = -1;
    int line = -1;
};

struct TestScheduleRecord {  // %TEST_SCHEDULE
    DynArray<std::string> sessions;
};

struct TestSessionPair {
    std::string first;
    std::string second;
};

struct TestSessionEntry {  // one %TEST_SESSION
    std::string name;
    DynArray<TestSessionPair> pairs;
};

struct TamPortRecord {
    std::string name;
    std::string port;
    std::string pad;
    std::string pad_other;
};

struct TamPortInfoEntry {
    std::string name;
    std::string type;
    DynArray<std::string> port_map;
};

struct TamCoreEntry {
    std::string core_name;
    std::optional<TamPortRecord> tam_in;   // the last %TAM_IN block of the core
    std::optional<TamPortRecord> tam_out;  // the last %TAM_OUT block
    DynArray<TamPortInfoEntry> ports;
    // The %TAM_IN and %TAM_OUT blocks before the last, in file order: a
    // core may give several, and each is written back.
    std::vector<TamPortRecord> earlier_tam_ins;
    std::vector<TamPortRecord> earlier_tam_outs;
};

struct TestArchitectureRecord {  // %TEST_ARCHITECTURE
    std::string type;
    std::string test_controller;
    DynArray<TamCoreEntry> tam_cores;
};

// ------------------------------------------------- cores and instructions

// The step kinds of instructions and of the instruction order table.
enum InstructionStepKind : int {
    STEP_OTHER = 0,
    STEP_MODE = 1,
    STEP_PREAMBLE = 2,
    STEP_SHIFT = 3,
    STEP_PROPAGATE = 4,
    STEP_HOLD = 5,
    STEP_RUNBIST = 6,
    STEP_CAPTURE = 7,
    STEP_POSTAMBLE = 8,
    STEP_RAM_WRITE = 9,
    STEP_EXTRA_SEQ = 10,
};

struct CorePatsetRecord {  // one %PATSET of a %CORE block or of its %INSTRUCTION
    std::string name;
    std::string dft_file;
    DynArray<const SequenceRecord*> preamble;
    DynArray<const SequenceRecord*> force_sequences;
    std::string btp;
    std::string tp;
    std::string int_value;
    std::string option;
};

struct CoreInstructionRecord {  // one %INSTRUCTION of a %CORE block
    std::string name;
    std::string mode;
    DynArray<const SequenceRecord*> sequences;
    DynArray<int> sequence_kinds;  // an InstructionStepKind per sequence
    std::vector<CorePatsetRecord> patsets;  // its %PATSET entries (a name and a %BTP each)
};

struct CoreInfoRecord {  // one core of %CORE (one per %NAME of a block)
    std::string block_name;
    std::string core_name;
    DynArray<std::string> clock_ports;
    DynArray<std::string> set_reset_ports;
    DynArray<std::string> bidi_ports;
    DynArray<std::string> scan_in_ports;
    DynArray<std::string> scan_out_ports;
    DynArray<std::string> tie0;
    DynArray<std::string> tie1;
    DynArray<CoreInstructionRecord> instructions;
    std::string dft_file;
    std::string lbist_file;
    DynArray<const SequenceRecord*> preamble;
    DynArray<CorePatsetRecord> patsets;
    int source_line = -1;
    DynArray<DontFixEntry> dont_fix_info;
};

struct CoreSectionRecord {  // %CORE
    std::vector<CoreInfoRecord> cores;
    int keyword_line = -1;
    int line = -1;
    // The blocks without %NAME, each with what it says: they make no core,
    // and are kept so that the file is written back as it was read.
    std::vector<CoreInfoRecord> unnamed_blocks;
};

struct InstructionRecord {  // one top-level %INSTRUCTION
    std::string name;
    std::string mode;
    std::vector<const SequenceRecord*> preamble_list;  // an entry is null for an undefined name
    const SequenceRecord* first_preamble = nullptr;
    const SequenceRecord* shift = nullptr;
    std::vector<const SequenceRecord*> extra_seq_list;
    const SequenceRecord* propagate = nullptr;
    const SequenceRecord* hold = nullptr;
    const SequenceRecord* runbist = nullptr;
    const SequenceRecord* capture = nullptr;
    const SequenceRecord* ram_write = nullptr;
    const SequenceRecord* first_postamble = nullptr;
    std::vector<const SequenceRecord*> postamble_list;
    int name_line = -1;
    int item_line = -1;
    // The sequence names each step wrote, one list per step in source
    // order (the steps of instr_order_tab; none for %MODE).  A file
    // without %SEQUENCE may name sequences it never defines: their
    // records above are null, and the writer writes these names back.
    std::vector<TextList> step_names;
};

struct MbistBsdInstructionRecord {  // one entry of %MBIST_BSD
    std::string name;
    std::string mbist_clock;
    std::string mbist_mdf;
    int name_line = -1;
    int item_line = -1;
    // Which %MBIST_BSD block of the file holds the entry (0 for the
    // first): the entries of every block are kept, and the writer writes
    // each block back as it was.
    int block = 0;
};

// One step of an instruction, in source order: the instruction's position
// in the %INSTRUCTION section and the step's InstructionStepKind.
struct InstrOrderTabRecord {
    int instruction_index = -1;
    int step_kind = -1;
};

// ---------------------------------------- PLL clock fixes, PLLs, blackboxes

struct PllClockFixItem {
    int kind = 0;
    std::string name;
    int period = -1;
    std::string pll_clock_inport;
    std::string pll_clock_outport;
    std::string from_internal_pll_clock_wire;
    std::string from_internal_scan_clock_wire;
    std::string from_external_pll_clock_inport;
    std::string from_external_scan_clock_inport;
    std::string from_clock_generator;
    std::string from_clock_generator_outport;
    std::string new_internal_pll_clock_wire;
    std::string new_external_pll_clock_inport;
    std::string new_scan_clock_enable_inport;
    std::string new_lbist_domain_clock_outport;
    std::string through_clock_generator;
    std::string through_clock_generator_inport;
    std::string drive_clock_wire;
};

struct PllClockFixEntry {  // one %PLL_CLOCK_FIX
    std::string name;
    std::string scope;
    std::string pll_path;
    DynArray<PllClockFixItem> fixes;
    int reserved4 = 0;
    int line = -1;
};

// A reference, feedback or output clock of a PLL (a feedback clock uses
// neither of the last two fields).
struct PllClockInfo {
    double period = -1.0;
    std::string clock_name;
    std::string clock_value;
    std::string clock_net;
    std::string lb_clock_name;
    std::string lb_clock_value;
    std::string enable;
    std::string ext_port;           // reference clocks
    DynArray<std::string> buffers;  // output clocks
};

struct ScanCkMuxEntry {
    std::string name;
    std::string pll_ck_pin;
    std::string scan_ck_pin;
    std::string clk_net;
};

struct TwoPulseGenEntry {
    std::string name;
    std::string capture_mode;
    std::string finish_mode;
    std::string reset_mode;
};

struct PllInfo {  // one %PLL
    std::string name;
    std::string fix_fb_clock_in_test;
    std::string fb_enable;
    DynArray<PllClockInfo> ref_clocks;
    DynArray<PllClockInfo> fb_clocks;
    DynArray<PllClockInfo> output_clocks;
    DynArray<std::string> force0;
    DynArray<std::string> force1;
    DynArray<std::string> constant0;
    DynArray<std::string> constant1;
    DynArray<std::string> dont_modify;
    int auto_constant = -1;
    DynArray<ScanCkMuxEntry> scan_ck_muxes;
    DynArray<TwoPulseGenEntry> two_pulse_gens;
};

// Pin modes of a blackbox.
inline constexpr int BLACKBOX_MODE_DONT_MODIFY = 4;

struct BlackboxInfo {  // one %BLACKBOX
    std::string instance_name;
    std::string module_name;
    DynArray<std::string> force0;
    DynArray<std::string> force1;
    DynArray<std::string> constant0;
    DynArray<std::string> constant1;
    DynArray<std::string> dont_modify;
    DynArray<std::string> clocks;
    int input_mode = BLACKBOX_MODE_DONT_MODIFY;
    int output_mode = BLACKBOX_MODE_DONT_MODIFY;
};

// --------------------------------------------------- side-file sections

// %READ_MAP, %LOCKUP_LATCH_FILE and %SCAN_MODIFY_CMD.
struct FileRefRecord {
    std::string file_name;
    int top_line = -1;
    int line = -1;
};
using ReadMapRecord = FileRefRecord;
using LockupLatchFileRecord = FileRefRecord;
using ModifyCmdRecord = FileRefRecord;

struct ScanRepairRecord {  // %SCAN_REPAIR
    std::string net_name;
    std::string shift;
    std::string hold;
    std::string capture;
};

// ------------------------------------ connect scan, core and BIST

struct ScanDelayRecord {
    std::string delay_out;
    std::string delay_out_default;
    std::string scan_test;
    int line = -1;
};

struct ScanPadRecord {
    std::string sdi_pad_name;
    std::string sdo_pad_name;
    std::string sdi_pad_out;
    std::string sdo_pad_in;
    TextList sdi_pad_classes;
    TextList sdo_pad_classes;
    int line = -1;
};

struct PortRecord {
    std::string name;
    std::string scan_in;
    std::string scan_in2;
    std::string scan_out;
    std::string scan_out2;
    std::string default_value;
    int line = -1;
};

struct SelectRecord {
    std::string name;
    std::string select;
    std::string global_select;
    int line = -1;
};

// Clock polarities of %CONNECT_SCAN.
inline constexpr int CLOCK_POLARITY_NONE = 0, CLOCK_POLARITY_POSITIVE = 1, CLOCK_POLARITY_NEGATIVE = 2;

struct ClockRecord {
    std::string name;
    std::string clock;
    std::string global_clock;
    std::string global_clock_first;
    std::string global_clock_second;
    int polarity = CLOCK_POLARITY_NONE;
    int line = -1;
};

// The instances of a chain: written in the DFT file, or read from an
// instance file (`file_name` set).
struct InstancesRecord {
    std::string file_name;
    std::vector<InstanceElement> elements;
    std::vector<GroupListRecord> groups;
    int line = -1;
};

// Scan types of the scan-order table.
inline constexpr int PSO_ORDER_MUST_SCAN = 1, PSO_ORDER_MUST_BE_TRANS_B = 2, PSO_ORDER_MUST_BE_TRANS_F = 4,
                     PSO_ORDER_KR_SCAN = 5;

struct PsoOrderRow {  // one row of a chain's scan-order table
    int scan_type = 0;
    int second = 0;
    InstanceElement element;
};

// A scan pad of an instance file, with its inversion flags (0 or 1).
struct PsoScanPadRecord {
    std::string name;
    int complement = 0;
    int inverse1 = 0;
    int inverse2 = 0;
};

struct ConnectScanRecord {  // one %CONNECT_SCAN chain
    std::string first_name;
    std::string reserved1;
    std::string second_name;
    std::optional<ScanDelayRecord> scan_delay;
    std::optional<ScanPadRecord> scan_pad;
    std::optional<PortRecord> scan_port;
    std::vector<SelectRecord> scan_selects;
    std::vector<ClockRecord> scan_clocks;
    std::vector<InstancesRecord> instances;
    const InstructionRecord* scan_instruction = nullptr;
    int name_line = -1;
    int item_line = -1;
    DynArray<PsoOrderRow> pso_order_tab;
    TextList buffer_list;
    int pso_clock_order = -1;
    // The scan pads of the chain's last instance file; none without one.
    std::optional<PsoScanPadRecord> scan_in_pad;
    std::optional<PsoScanPadRecord> scan_out_pad;
    int ms_violation = -1;
    // The %SCAN_INSTRUCTION's name as written (see
    // BistInstruRecord::instruction_name).
    std::string scan_instruction_name;
};

struct ConnectCoreRecord {  // one %CONNECT_CORE
    std::string name;
    std::string instance_name;
    std::string module_name;
    std::string file_name;
    const InstructionRecord* core_instruction = nullptr;
    const InstructionRecord* system_instruction = nullptr;
    std::vector<PortRecord> scan_ports;
    // The two instructions' names as written (see
    // BistInstruRecord::instruction_name).
    std::string core_instruction_name;
    std::string system_instruction_name;
};

struct BistInstruRecord {
    const InstructionRecord* instruction = nullptr;
    std::string pattern;
    int line = -1;
    // The instruction's name as written: a file without %INSTRUCTION may
    // name one it never defines (`instruction` is then null, and the
    // statement is no error), and the writer writes the name back.
    std::string instruction_name;
    // True when the block holds a %SEED, whose pattern may be empty (a
    // quoted tab): the writer writes it back, so that the block reads
    // again without a missing-statement warning.
    bool seed_given = false;
};

struct ConnectBistRecord {  // one %CONNECT_BIST
    std::string first_name;
    std::string second_name;
    std::string bist_type;
    bool bist_type_given = false;  // a %BIST_TYPE stands in the block, maybe as ""
    std::optional<PortRecord> bist_port;
    std::vector<SelectRecord> bist_selects;
    std::vector<ClockRecord> bist_clocks;
    std::vector<InstancesRecord> instances;
    std::optional<BistInstruRecord> bist_instruction;
    int name_line = -1;
    int item_line = -1;
};

// --------------------- ATPG constraints, fault selection, conversion, TA

struct AtpgScanOptionRecord {  // one option block of %ATPG_CONSTRAINTS
    std::string name;
    std::vector<Ident2Record> force_list;
    std::vector<Ident2Record> control_list;
    std::vector<Ident2Record> control_cell_list;
    int autosave = -1;
    std::optional<Ident2Record> strobe;
    std::vector<int> skip_faults;
    std::vector<TwoIdent1ListNode> illegal_inputs;
    std::vector<TwoIdent1ListNode> legal_inputs;  // with the illegal ones' complement, merged
    std::vector<TwoIdent1ListNode> written_legal_inputs;  // the legal statements as written
    std::vector<TwoIdent1ListNode> gray_code;
    std::vector<PowerListNode> power_on_reset;
    std::vector<PowerListNode> power_on_set;
    std::vector<Ident2Record> reset_list;
    std::vector<Ident2Record> reset_disable_list;
    std::vector<Ident2Record> set_list;
    std::vector<Ident2Record> set_disable_list;
    std::vector<Ident2Record> ram_list;
    std::vector<Ident2Record> atpg_clock_list;
    TextList black_box;
    TextList bypass;
    TextList uncontrol;
    TextList uncontrol_chain;
    TextList unobserve;
    TextList unobserve_chain;
    TextList skip_bus;
    TextList no_floating;
    TextList skew_ff;
    TextList dont_fault_module;
    std::string feedback_loops;
    std::vector<TwoIdent1ListNode> ram_read_list;
    std::vector<TwoIdent1ListNode> ram_write_list;
    int item_line = -1;
    int contain_line = -1;
    std::vector<DoubleTwoIdentListRecord> combine_legal;
};

struct AtpgConstraintsRecord {  // %ATPG_CONSTRAINTS
    std::vector<AtpgScanOptionRecord> options;
    int top_line = -1;
    int line = -1;
    int left_brace_line = -1;  // the section's opening brace
};

struct StatisticRecord {
    std::optional<ValueRecord> precision;
    std::optional<ValueRecord> confidence;
    int line = -1;
};

struct DontFaultPathEntry {
    std::string name;
    std::string pattern;
};

struct SelectFaultRecord {  // %SELECT_FAULT
    std::string fault_model;
    std::optional<ValueRecord> random_sample;
    std::optional<StatisticRecord> statistical_sample;
    TextList dont_fault_type;
    TextList must_fault_type;
    TextList dont_fault;
    TextList must_fault;
    TextList dont_fault_module;
    std::string fault_order;
    std::string file_name;
    std::string dont_fault_file;
    std::string must_fault_file;
    int top_line = -1;
    int line = -1;
    DynArray<DontFaultPathEntry> dont_fault_paths;
    int left_brace_line = -1;  // the section's opening brace
    // How many DONT_FAULT / MUST_FAULT names the file writes itself (the
    // names of a fault file come after them); -1 without the statement
    // or its file.
    int dont_fault_num = -1;
    int must_fault_num = -1;
};

struct TestConversionRecord {  // %TEST_CONVERSION
    std::optional<SetTimingRecord> set_timing;
    std::vector<CaptureClockRecord> test_c_clock;
    std::vector<CaptureClockRecord> test_b_clock;
    std::vector<TwoIdent1ListNode> ram_read_list;
    std::vector<TwoIdent1ListNode> ram_write_list;
    DynArray<std::string> remove_pins;
    int top_line = -1;
    int line = -1;
    DynArray<DiffPadEntry> diff_pads;
    int left_brace_line = -1;          // the section's opening brace
    int clock_right_brace_line = -1;   // line of a %CLOCK block with clocks
};

struct TaConstraintsRecord {  // %TA_CONSTRAINTS
    std::vector<Ident2Record> ta_clock_list;
    std::vector<Ident2Record> force_list;
    std::vector<Ident2Record> force_clock_list;
    TextList ta_dft;
    std::vector<TaIsolateRecord> isolate_mod;
    std::vector<TaIsolateRecord> isolate_ram;
    std::vector<TaIsolateRecord> isolate_reg;
    std::string init_patterns;
    int top_line = -1;
    int line = -1;
};

// -------------------------------------- FENNOX configuration, scan modules

struct FennoxInfoEntry {  // one %FENNOX_INFO
    std::string name;
    DynArray<std::string> chain_order;
    DynArray<std::string> virtual_source;
    DynArray<std::string> virtual_control;
};

struct ScanModuleRecord {  // one %SCAN_MODULE
    std::string name;
    std::string scan_in;
    std::string scan_out;
    std::string scan_mode;
    std::string test_mode;
    DynArray<DontFixEntry> dont_fix_info;
    int name_line = -1;
    int item_line = -1;
};

// ------------------------------------------ wrapper, GRISTEL, DEF info

struct WrapperCellEntry {  // one %WRAPPER_CELL
    std::string first;
    std::string second;
    int line = -1;
};

struct WrapperChainEntry {  // one chain of %WRAPPER_CHAIN
    std::string name;
    std::string clock1;
    std::string clock2;
    int clock1_line = -1;
    int clock2_line = -1;
    int scan_in_line = -1;
    int scan_out_line = -1;
    std::string scan_in;
    std::string scan_out;
    int reserved9 = 0;
    int name_line = -1;
    int line = -1;
    // The clocks after the second (the language accepts them with a
    // warning), in source order.
    struct Clock {
        std::string name;
        int line = -1;
    };
    std::vector<Clock> more_clocks;
};

struct WrapperRecord {  // %WRAPPER
    std::string type;
    DynArray<WrapperCellEntry> cells;
    DynArray<WrapperChainEntry> chains;
    std::string bsc_lib_file;
    std::string bs_chain_file;
    std::string lbist_file;
    std::string mbist_file;
    std::string wrapper_chain_file;
    DynArray<std::string> skip_signals;
    DynArray<std::string> instructions;
    int keyword_line = -1;
    int line = -1;
};

struct GristelGroupRecord {  // one %TDDM_TDM_INFO entry
    int speed_ratio = -1;
    int speed_ratio_line = -1;
    std::string tddm_name;
    int tddm_name_line = -1;
    int tddm_group_line = -1;
    int tdm_name_line = -1;
    int tdm_group_line = -1;
    std::string tddm_in;
    int tddm_in_line = -1;
    std::string tddm_clock;
    int tddm_clock_line = -1;
    DynArray<std::string> tddm_chain_order;
    int tddm_chain_order_line = -1;
    std::string tdm_name;
    std::string tdm_out;
    int tdm_out_line = -1;
    std::string tdm_clock;
    int tdm_clock_line = -1;
    DynArray<std::string> tdm_chain_order;
    int tdm_chain_order_line = -1;
    int clear_line = -1;
    std::string clear;
    std::string name;
    int name_line = -1;
    int line = -1;
};

struct GristelInfoRecord {  // %GRISTEL_INFO
    std::string top_module;
    int speed_ratio = -1;
    int speed_ratio_line = 0;
    int top_module_line = 0;
    int keyword_line = -1;
    int line = -1;
    DynArray<GristelGroupRecord> groups;
};

struct DefPartitionEntry {
    int line = -1;
    DynArray<std::string> names;
};

struct DefInfoRecord {  // %DEF_INFO
    DynArray<DefPartitionEntry> partitions;
    int keyword_line = -1;
    int line = -1;
};

// ------------------------------------------------------------- map file

struct MapCellRecord {
    std::string cell_name;
    std::string scan_cell_name;
    std::string system_port_in;
    std::string scan_port_in;
    std::string scan_port_out;
    std::string scan_port_out_inv;
    std::vector<Ident2Record> scan_select;
    std::vector<Ident2Record> scan_clock;
    std::vector<Ident2Record> change_name;
    std::string scan_mode_active;
};

struct DelayCellRecord {
    std::string name;
    std::string port_in;
    std::string port_out;
    std::string loop_data_in;
    std::string loop_data_out;
    std::string delay_scan_test;
    std::string delay_scan_clock;
    std::string delay_scan_scan;
    std::string delay_map_cell;
    std::string delay_data_in;
    std::string delay_data_out;
};

struct MapScanRecord {
    std::string name;
    std::vector<MapCellRecord> map_cells;
    std::optional<DelayCellRecord> delay_cell;
};

struct GroupCellRecord {
    TextList cell_names;
    std::string target_name;
    std::vector<PositionPortRecord> connect;
    std::vector<PositionPortRecord> disconnect;
};

struct MapGroupRecord {
    std::vector<GroupCellRecord> group_cells;
};

struct RCellRecord {
    std::string cell_name;
    std::string repair_name;
    std::vector<Ident2Record> pins;
};

struct RepairCellRecord {
    std::vector<Ident2Record> buffers;
    std::vector<RCellRecord> r_cells;
};

struct TestPointCellRecord {
    std::string type;
    std::string name;
    std::vector<Ident2Record> pins;
};

// A parsed map file.
struct MapObject {
    std::vector<MapScanRecord> map_scans;
    std::vector<MapGroupRecord> map_groups;
    std::optional<RepairCellRecord> repair_cell;
    std::vector<TestPointCellRecord> test_point_cells;
};

// ------------------------------------------------------------- the root

// One DFT file.  A fresh object (NEW_OBJECT_DFT) has every section none
// and register_length -1.
struct DftObject {
    DynArray<CaptureClockEntry> capture_clock;          // %CAPTURE_CLOCK
    std::optional<TestScheduleRecord> test_schedule;    // %TEST_SCHEDULE
    std::vector<TestScheduleRecord> more_test_schedules;  // the %TEST_SCHEDULE blocks after the first
    DynArray<TestSessionEntry> test_session;            // %TEST_SESSION
    std::optional<TestArchitectureRecord> test_architecture;
    std::vector<TestArchitectureRecord> more_test_architectures;  // the blocks after the first
    std::optional<HookupList> hookup;                   // %HOOKUP
    std::string instruction_binary;                     // %INSTRUCTION_BINARY
    int register_length = -1;                           // %REGISTER_LENGTH
    DynArray<FennoxGroup> fennox_in_groups;             // %FENNOX_IN_<n>, or decoded
    DynArray<FennoxGroup> fennox_out_groups;            // %FENNOX_OUT_<n>, or decoded
    // True when the two group arrays were decoded from %CIPHERTEXT, false
    // when the file wrote them as plain groups (or has none).
    bool fennox_groups_decoded = false;
    DynArray<FennoxInfoEntry> fennox_info;              // %FENNOX_INFO
    std::optional<ClockPeriodRecord> clock_period;      // %CLOCK_PERIOD
    std::optional<CoreSectionRecord> core_section;      // %CORE
    std::string dft_file_name;                          // the file as opened
    std::string dft_file_dir;                           // its directory with "/", or none
    std::optional<TestFilesRecord> test_files;          // %TEST_FILES
    DynArray<MbistControlEntry> mbist_control;          // %MBIST_CONTROL
    std::vector<MbistBsdInstructionRecord> mbist_bsd;   // %MBIST_BSD
    std::optional<SelectScanRecord> select_scan;        // %SELECT_SCAN
    std::vector<SequenceRecord> sequences;              // %SEQUENCE
    std::vector<InstructionRecord> instructions;        // %INSTRUCTION
    std::vector<InstrOrderTabRecord> instr_order_tab;   // steps of %INSTRUCTION
    std::optional<ReadMapRecord> read_map;              // %READ_MAP
    std::optional<LockupLatchFileRecord> lockup_latch_file;
    // The %LOCKUP_LATCH_FILE sections after the first: each file is read
    // too, its names joining the list after those of the files before it.
    std::vector<LockupLatchFileRecord> more_lockup_latch_files;
    DynArray<std::string> lockup_latch_list;            // names of the lockup-latch files (top object)
    std::optional<ModifyCmdRecord> modify_cmd;          // %SCAN_MODIFY_CMD
    std::vector<ConnectScanRecord> connect_scan;        // %CONNECT_SCAN
    // Positions into connect_scan, each chain once in list order; built by
    // the connect-scan cursor on first use, dropped by a core switch.
    std::optional<std::vector<std::size_t>> connect_scan_index;
    std::vector<ConnectCoreRecord> connect_core;        // %CONNECT_CORE
    std::vector<ConnectBistRecord> connect_bist;        // %CONNECT_BIST
    std::optional<AtpgConstraintsRecord> atpg_constraints;
    // An %ATPG_CONSTRAINTS section without ATPG modes: atpg_constraints
    // stays none, as its readers expect, and the section is kept here
    // (its lines) only so that the file is written back with it.
    std::optional<AtpgConstraintsRecord> empty_atpg_constraints;
    std::optional<SelectFaultRecord> select_fault;      // %SELECT_FAULT
    std::optional<ScanRepairRecord> scan_repair;        // %SCAN_REPAIR
    std::optional<TestConversionRecord> test_conversion;
    std::optional<ScanDecoderRecord> scan_decoder;      // %SCAN_DECODER
    std::optional<TaConstraintsRecord> ta_constraints;  // %TA_CONSTRAINTS
    std::vector<ScanModuleRecord> scan_module;          // %SCAN_MODULE
    DynArray<PllClockFixEntry> pll_clock_fix;           // %PLL_CLOCK_FIX
    DynArray<PllInfo> pll;                              // %PLL
    DynArray<BlackboxInfo> blackbox;                    // %BLACKBOX
    std::string top_module;                             // %TOP_MODULE
    DynArray<std::string> ciphertext;                   // %CIPHERTEXT, as written
    std::vector<int> ciphertext_lines;                  // the source line of each string
    DynArray<PathEntry> multicycle_path;                // written and read from files
    DynArray<PathEntry> multicycle_path_list;           // %MULTICYCLE_PATH as written
    DynArray<PathFileRecord> multicycle_path_file;      // its path files
    DynArray<TextList> critical_path;                   // %CRITICAL_PATH
    DynArray<PathEntry> false_path;                     // written and read from files
    DynArray<PathEntry> false_path_list;                // %FALSE_PATH as written
    DynArray<PathFileRecord> false_path_file;           // its path files
    DynArray<std::string> scan_in_list;                 // %SCAN_IN_LIST
    DynArray<std::string> scan_out_list;                // %SCAN_OUT_LIST
    DynArray<PortInfoEntry> port_info;                  // %PORT_INFO
    std::optional<GuiInfoRecord> gui_info;              // %GUI
    DynArray<std::string> nontpi_instance;              // %NONTPI_INSTANCE
    DynArray<WrapperRecord> wrapper;                    // %WRAPPER (one element)
    DynArray<GristelInfoRecord> gristel_info;           // %GRISTEL_INFO (one element)
    DynArray<DefInfoRecord> def_info;                   // %DEF_INFO (one element)
    std::shared_ptr<MapObject> map_object;              // the map file read with this file
    DynArray<std::string> core_no_scan;                 // %CORE_NO_SCAN
    // The comments of this object's own file as the scanner saved them (a
    // DynaArray, none without comments); the writer puts them back.
    std::shared_ptr<ScanCommentRecord> comments;
};

// One DFT file of the design hierarchy: its name as the file that names
// it writes it, the core's name, its object once the file is read, the
// object of the file that lists the core (none for the top file) and the
// line of the core's %NAME in that file (-1 for the top file).
struct CoreListEntry {
    std::string dft_file;
    std::string core_name;
    DftObject* object = nullptr;
    const DftObject* parent = nullptr;
    int line = -1;
};

// A node of the DFT tree: the top object, handed to DFT_setup to return
// to the top.
struct DftTreeNode {
    DftObject* object = nullptr;
};
