// The statements of the BSDL file that come from the pin table and the
// description: the port list, the pin maps, the names printed, the scan
// ports, the compliance patterns and the instruction statements.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "bsdl_text_util.h"

namespace {

using namespace bsdltest;

// ------------------------------------------------------------------ names

TEST(BsdlNames, EveryNamePrintedIsAnIdentifier) {
    struct Case {
        const char* name;
        const char* printed;
    } cases[] = {
        {"din", "din"},          {"D_0", "D_0"},           {"a__b", "a_b"},       {"trail_", "trail"},
        {"_lead", "lead"},       {"3v3", "P_3v3"},         {"\\esc.name ", "esc_name"},
        {"bus[3]", "bus_3"},     {"in", "in_P"},           {"Signal", "Signal_P"}, {"Z", "Z_P"},
        {"weak1", "weak1_P"},    {"PULL0", "PULL0_P"},     {"KEEPER", "KEEPER_P"}, {"bidir", "bidir_P"},
        {"output3", "output3_P"}, {"controlr", "controlr_P"}, {"BOUNDARY", "BOUNDARY_P"},
        {"device_id", "device_id_P"}, {"BC_1", "BC_1_P"}, {"x", "x_P"},  {"", "P"},
    };
    for (const Case& c : cases) EXPECT_EQ(bsdl_identifier(c.name), c.printed) << c.name;
}

// -------------------------------------------------------------- port sets

struct PortSet {
    std::string name;
    std::vector<PinRow> rows;
    // Design ports: name, direction, pad class ("" for none).
    struct Port {
        std::string name;
        int direction;
        std::string pad;
    };
    std::vector<Port> ports;
    std::string port_list;
    std::string pin_map;
    std::vector<std::string> register_names;  // bsdl_name of each BUF_TAB row
};
void PrintTo(const PortSet& c, std::ostream* os) { *os << c.name; }

class PortSets : public WriterTest, public ::testing::WithParamInterface<PortSet> {};

TEST_P(PortSets, DeclaredAndMappedAlike) {
    const PortSet& c = GetParam();
    design([&](DesignBuilder& d) {
        for (const auto& p : c.ports) {
            if (p.pad.empty())
                d.port(p.name, p.direction);
            else
                padded(d, p.name, p.direction, p.pad);
        }
    });
    read_description();
    set_pin_rows(c.rows);
    SDB_setup(SDB_open("chip.c.sdb", "r", 0));
    testsupport::stdout_of([] { create_BUF_TAB(); });
    EXPECT_EQ(bsdl_text(insert_port), c.port_list);
    EXPECT_EQ(bsdl_text(insert_pin), c.pin_map);
    std::vector<std::string> names;
    for (const auto& r : BUF_TAB) names.push_back(r.bsdl_name);
    EXPECT_EQ(names, c.register_names);
}

std::vector<PinRow> bus(const std::string& base, int from, int to, int first_pin) {
    std::vector<PinRow> v;
    for (int i = from; i <= to; ++i) {
        const std::string bit = base + "[" + std::to_string(i) + "]";
        v.push_back({std::to_string(first_pin + i - from), bit, bit});
    }
    return v;
}
std::vector<PortSet::Port> bus_ports(const std::string& base, int from, int to, int dir, const std::string& pad) {
    std::vector<PortSet::Port> v;
    for (int i = from; i <= to; ++i) v.push_back({base + "[" + std::to_string(i) + "]", dir, pad});
    return v;
}

INSTANTIATE_TEST_SUITE_P(
    Writer, PortSets,
    ::testing::Values(
        PortSet{"scalars_by_pad",
                {{"1", "a", "A"}, {"2", "b", "B"}, {"3", "t", "T", PAD_EN_HIGH}, {"4", "io", "IO"}},
                {{"a", IN, "PIN_IN"}, {"b", OUT, "PIN_OUT"}, {"t", OUT, "PIN_TRI"}, {"io", INOUT, "PIN_BIDIR"}},
                "          A: in bit;\n          B: out bit;\n          T: out bit;\n          IO: inout bit\n",
                "          \"A : 1,\" &\n          \"B : 2,\" &\n          \"T : 3,\" &\n          \"IO : 4\";\n",
                {"A", "B", "T", "IO"}},
        PortSet{"vector_of_twelve_bits",
                bus("D", 0, 11, 1),
                bus_ports("D", 0, 11, IN, "PIN_IN"),
                "          D: in bit_vector(0 to 11)\n",
                "          \"D :(1,2,3,4,5,6,7,8,9,10,\" &\n"
                "              \"11,12)\";\n",
                {"D(0)", "D(1)", "D(2)", "D(3)", "D(4)", "D(5)", "D(6)", "D(7)", "D(8)", "D(9)", "D(10)", "D(11)"}},
        // Bits 0, 1 and 3: no bit_vector can hold them, each bit is a port.
        PortSet{"vector_with_a_gap",
                {{"1", "D[0]", "D[0]"}, {"2", "D[1]", "D[1]"}, {"3", "D[3]", "D[3]"}},
                {{"D[0]", IN, "PIN_IN"}, {"D[1]", IN, "PIN_IN"}, {"D[3]", IN, "PIN_IN"}},
                "          D_0: in bit;\n          D_1: in bit;\n          D_3: in bit\n",
                "          \"D_0 : 1,\" &\n          \"D_1 : 2,\" &\n          \"D_3 : 3\";\n",
                {"D_0", "D_1", "D_3"}},
        PortSet{"vector_with_two_functions",
                {{"1", "D[0]", "D[0]"}, {"2", "D[1]", "D[1]"}},
                {{"D[0]", IN, "PIN_IN"}, {"D[1]", OUT, "PIN_OUT"}},
                "          D_0: in bit;\n          D_1: out bit\n",
                "          \"D_0 : 1,\" &\n          \"D_1 : 2\";\n",
                {"D_0", "D_1"}},
        // A one-bit vector is a scalar, in the rows as well.
        PortSet{"vector_of_one_bit",
                {{"7", "d[3]", "D[3]"}},
                {{"d[3]", IN, "PIN_IN"}},
                "          D: in bit\n",
                "          \"D : 7\";\n",
                {"D"}},
        // A core name without index finds the only port of its bus.
        PortSet{"core_name_without_index",
                {{"1", "a", "A"}, {"2", "b", "B"}},
                {{"a[0]", IN, "PIN_IN"}, {"b[0]", IN, "PIN_IN"}, {"b[1]", IN, "PIN_IN"}},
                "          A: in bit;\n          B: linkage bit\n",
                "          \"A : 1,\" &\n          \"B : 2\";\n",
                {"A"}},
        // Names that are no VHDL identifiers, or BSDL's own words.
        PortSet{"names_mapped",
                {{"1", "in", "in"}, {"2", "z", "Z"}, {"3", "a", "a__b_"}, {"4", "b", "3v"}, {"5", "c", "\\c$x"}},
                {{"in", IN, "PIN_IN"}, {"z", IN, "PIN_IN"}, {"a", IN, "PIN_IN"}, {"b", IN, "PIN_IN"},
                 {"c", IN, "PIN_IN"}},
                "          in_P: in bit;\n          Z_P: in bit;\n          a_b: in bit;\n          P_3v: in bit;\n"
                "          c_x: in bit\n",
                "          \"in_P : 1,\" &\n          \"Z_P : 2,\" &\n          \"a_b : 3,\" &\n"
                "          \"P_3v : 4,\" &\n          \"c_x : 5\";\n",
                {"in_P", "Z_P", "a_b", "P_3v", "c_x"}},
        // Supply pins: no design port; a repeated %ALLOWED_MULTIPLE name
        // gathers its pins.
        PortSet{"supply_pins",
                {{"1", "a", "A"}, {"2", "", "VDD"}, {"3", "", "VSS"}, {"4", "", "VDD"}},
                {{"a", IN, "PIN_IN"}},
                "          A: in bit;\n          VDD: linkage bit_vector(1 to 2);\n          VSS: linkage bit\n",
                "          \"A : 1,\" &\n          \"VDD :(2,4),\" &\n          \"VSS : 3\";\n",
                {"A"}}),
    [](const auto& info) { return info.param.name; });

// A port declared under another name than its pin-file name is named in
// one warning, however many pins it has; the others are not.
TEST_F(WriterTest, RenamedPortsAreWarnedOfOnce) {
    design([](DesignBuilder& d) {
        for (const char* p : {"z", "in[0]", "in[1]", "a", "b"}) padded(d, p, IN, "PIN_IN");
    });
    read_description();
    set_pin_rows({{"1", "z", "Z"}, {"2", "in[0]", "in[0]"}, {"3", "in[1]", "in[1]"}, {"4", "a", "a__b_"},
                  {"5", "b", "B"}});
    SDB_setup(SDB_open("chip.c.sdb", "r", 0));
    EXPECT_EQ(testsupport::stdout_of([] { create_BUF_TAB(); }),
              "WARNING: port 'Z' of file 'chip.pin' is a reserved word of BSDL or VHDL;\n"
              "         it is declared as 'Z_P' in the BSDL file.\n\n"
              "WARNING: port 'in' of file 'chip.pin' is a reserved word of BSDL or VHDL;\n"
              "         it is declared as 'in_P' in the BSDL file.\n\n"
              "WARNING: port 'a__b_' of file 'chip.pin' is not a VHDL identifier;\n"
              "         it is declared as 'a_b' in the BSDL file.\n\n");
    EXPECT_EQ(bsdl_text(insert_port),
              "          Z_P: in bit;\n          in_P: in bit_vector(0 to 1);\n          a_b: in bit;\n"
              "          B: in bit\n");
}

TEST_F(WriterTest, NamesThatPrintAlikeAreRefused) {
    design([](DesignBuilder& d) {
        padded(d, "a", IN, "PIN_IN");
        padded(d, "b", IN, "PIN_IN");
    });
    read_description();
    auto r = run_child([] {
        set_pin_rows({{"1", "a", "a__b"}, {"2", "b", "A_B"}});
        SDB_setup(SDB_open("chip.c.sdb", "r", 0));
        create_BUF_TAB();
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("ERROR: ports 'a__b' and 'A_B' of file 'chip.pin' both become 'A_B' in the BSDL file.\n"
                         "       Please rename one of them.\n\n"),
              std::string::npos)
        << r.out;
}

TEST_F(WriterTest, ScalarAndVectorOfOneNameAreRefused) {
    design([](DesignBuilder& d) { padded(d, "a", IN, "PIN_IN"); });
    read_description();
    for (const std::vector<PinRow>& rows : {std::vector<PinRow>{{"1", "a", "X"}, {"2", "a", "X(1)"}},
                                            std::vector<PinRow>{{"1", "a", "-X(3)"}, {"2", "a", "X"}}}) {
        auto r = run_child([&] {
            set_pin_rows(rows);
            SDB_setup(SDB_open("chip.c.sdb", "r", 0));
            create_BUF_TAB();
        });
        EXPECT_EQ(r.status, 255);
        EXPECT_NE(r.out.find("ERROR: port 'X' was declared as scalar type and vector type.\n\n"), std::string::npos)
            << r.out;
    }
}

// ------------------------------------------------- scan ports, compliance

TEST_F(WriterTest, ScanPortsAndCompliancePatterns) {
    configure("%SKIP_SIGNAL_NAMES { tdi, tms, tck, trst, tdo; }",
              "%SKIP_SIGNAL_NAMES { tdi, tms, tck, trst, tdo, e0(0), e1(1), e2(1), e3(0), e4(1); }");
    design([](DesignBuilder& d) {
        for (const char* p : {"tdi", "tms", "trst", "e0", "e1", "e2", "e3", "e4"}) padded(d, p, IN, "PIN_IN");
        padded(d, "tdo", OUT, "PIN_TRI");
        padded(d, "clk[2]", IN, "PIN_IN");
    });
    configure("%GLOBAL_TCK  tck;", "%GLOBAL_TCK  clk[2];");
    read_description();
    set_pin_rows({{"1", "tdi", "TDI"},
                  {"2", "tms", "TMS"},
                  {"3", "tdo", "TDO"},
                  {"4", "trst", "TRST"},
                  {"5", "clk[2]", "CLK[2]"},
                  {"6", "clk[2]", "CLK[3]"},
                  {"7", "e0", "E0"},
                  {"8", "e1", "E1"},
                  {"9", "e2", "E2"},
                  {"10", "e3", "E3"},
                  {"11", "e4", "E4"}});
    SDB_setup(SDB_open("chip.c.sdb", "r", 0));
    testsupport::stdout_of([] { create_BUF_TAB(); });
    EXPECT_EQ(bsdl_text(print_scan_port_identification),
              "\n  --\n  -- Scan Port Identification\n  --\n"
              "  attribute TAP_SCAN_IN of TDI : signal is true;\n"
              "  attribute TAP_SCAN_MODE of TMS : signal is true;\n"
              "  attribute TAP_SCAN_OUT of TDO : signal is true;\n"
              "  attribute TAP_SCAN_RESET of TRST : signal is true;\n"
              "  attribute TAP_SCAN_CLOCK of CLK(2) : signal is (25.0e6,BOTH);\n");
    // Five pins: three to the first line; every literal closes on its line.
    EXPECT_EQ(bsdl_text(print_compliance_enable_description),
              "\n  attribute COMPLIANCE_PATTERNS of chip: entity is\n"
              "   \"(E0, E1, E2,\" &\n"
              "     \"E3, E4) (01101) \";");
}

// With -verify the ports are declared under their design names, and the
// TAP_SCAN and compliance lines name them so, whatever the package names
// are (the same letters in upper case, or other names altogether).
TEST_F(WriterTest, VerifyNamesTheScanPortsAsDeclared) {
    configure("%SKIP_SIGNAL_NAMES { tdi, tms, tck, trst, tdo; }",
              "%SKIP_SIGNAL_NAMES { tdi, tms, tck, trst, tdo, e0(1); }");
    design([](DesignBuilder& d) {
        for (const char* p : {"tdi", "tms", "tck", "trst", "e0"}) padded(d, p, IN, "PIN_IN");
        padded(d, "tdo", OUT, "PIN_TRI");
    });
    read_description();
    option_check[BSDL_OPT_VERIFY] = 1;
    SDB_setup(SDB_open("chip.c.sdb", "r", 0));
    for (const char* prefix : {"", "JTAG_"}) {
        SCOPED_TRACE(std::string("package names ") + prefix + "TDI ...");
        std::vector<PinRow> rows;
        int number = 1;
        for (const char* p : {"tdi", "tms", "tdo", "trst", "tck", "e0"}) {
            std::string package = std::string(prefix) + p;
            for (char& c : package) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            rows.push_back({std::to_string(number++), p, package});
        }
        set_pin_rows(rows);
        testsupport::stdout_of([] { create_BUF_TAB(); });
        std::string text;
        const std::string out = testsupport::stdout_of([&] {
            text = bsdl_text([] {
                print_scan_port_identification();
                print_compliance_enable_description();
            });
        });
        EXPECT_EQ(text,
                  "\n  --\n  -- Scan Port Identification\n  --\n"
                  "  attribute TAP_SCAN_IN of tdi : signal is true;\n"
                  "  attribute TAP_SCAN_MODE of tms : signal is true;\n"
                  "  attribute TAP_SCAN_OUT of tdo : signal is true;\n"
                  "  attribute TAP_SCAN_RESET of trst : signal is true;\n"
                  "  attribute TAP_SCAN_CLOCK of tck : signal is (25.0e6,BOTH);\n"
                  "\n  attribute COMPLIANCE_PATTERNS of chip: entity is\n"
                  "   \"(e0) (1) \";");
        EXPECT_EQ(out, "");
    }
}

TEST_F(WriterTest, UndeclaredScanPortsAreComments) {
    configure("%GLOBAL_TRST trst;\n", "");
    configure("%GLOBAL_TMS  tms;\n", "");
    design([](DesignBuilder& d) { padded(d, "tdi", IN, "PIN_IN"); });
    read_description();
    set_pin_rows({{"1", "tdi", "TDI"}});
    SDB_setup(SDB_open("chip.c.sdb", "r", 0));
    testsupport::stdout_of([] { create_BUF_TAB(); });
    std::string text;
    const std::string out = testsupport::stdout_of([&] { text = bsdl_text(print_scan_port_identification); });
    EXPECT_EQ(text,
              "\n  --\n  -- Scan Port Identification\n  --\n"
              "  attribute TAP_SCAN_IN of TDI : signal is true;\n"
              "  -- attribute TAP_SCAN_MODE of Unknown : signal is true;\n"
              "  -- attribute TAP_SCAN_OUT of tdo : signal is true;\n"
              "  -- attribute TAP_SCAN_CLOCK of tck : signal is (25.0e6,BOTH);\n");
    EXPECT_NE(out.find("WARNING: can't find %GLOBAL_TMS in file 'chip.bsc'.\n"
                       "         Please add TAP_SCAN_MODE in './chip.bsd' manually.\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("WARNING: can't find %GLOBAL_TDO \"tdo\" in file 'chip.pin'.\n"
                       "         Please add the port description in './chip.bsd' manually.\n"),
              std::string::npos)
        << out;
}

// ------------------------------------------------------------ instructions

const std::string kTable =
    "    %INSTRUCTION EXTEST = (0000) ACCESS BOUNDARY;\n"
    "    %INSTRUCTION SAMPLE = (0001) ACCESS BOUNDARY;\n"
    "    %INSTRUCTION IDCODE = (0010) ACCESS IDCODE;\n"
    "    %INSTRUCTION BYPASS = (1111) ACCESS BYPASS;\n";

TEST_F(WriterTest, InstructionStatements) {
    configure(kTable, kTable +
                          "    %INSTRUCTION HIGHZ = (0101, 0110, 0111) ACCESS BYPASS;\n"
                          "    %INSTRUCTION USERCODE = (0011) ACCESS USERCODE;\n"
                          "    %INSTRUCTION MYSCAN = (1000) ACCESS MYREG;\n");
    configure("%INSTRUCTION_CAPTURE (0001);", "%INSTRUCTION_CAPTURE (0001, 0101);");
    configure("", "%USERCODE_REGISTER 00000000000000000000000000000011, 0000000000000000000000000000010X;\n");
    read_description();
    std::string text;
    const std::string out = testsupport::stdout_of([&] { text = bsdl_text([] { print_TAP_description("chip"); }); });
    EXPECT_EQ(text,
              "\n  --\n  -- TAP Instruction Description\n  --\n"
              "  attribute INSTRUCTION_LENGTH of chip : entity is 4;\n"
              "  attribute INSTRUCTION_OPCODE of chip : entity is\n"
              "    \"EXTEST     (0000),\"  &\n"
              "    \"SAMPLE     (0001),\"  &\n"
              "    \"IDCODE     (0010),\"  &\n"
              "    \"BYPASS     (1111),\"  &\n"
              "    \"HIGHZ      (0101,\" &\n"
              "    \"            0110,\" &\n"
              "    \"            0111),\"  &\n"
              "    \"USERCODE   (0011),\"  &\n"
              "    \"MYSCAN     (1000)\";\n"
              "  attribute INSTRUCTION_CAPTURE of chip : entity is \"0001\";\n"
              "  attribute IDCODE_REGISTER of chip : entity is\n"
              "      \"0001\" &                -- 4-bit version\n"
              "      \"0000000000000001\" &    -- 16-bit part number\n"
              "      \"00001010011\" &         -- 11-bit manufacturer\n"
              "      \"1\";                    -- mandatory LSB\n\n"
              "  attribute USERCODE_REGISTER of chip : entity is\n"
              "      \"0000\" &\n      \"0000000000000000\" &\n      \"00000000001\" &\n      \"1\";\n\n"
              "  attribute REGISTER_ACCESS of chip : entity is\n"
              "  -- these are given by standard\n"
              "  -- \"BOUNDARY(EXTEST,SAMPLE,INTEST)\";\n"
              "  -- \"BYPASS(BYPASS)\";\n"
              "     \"BOUNDARY  (EXTEST),\" &\n"
              "     \"BOUNDARY  (SAMPLE),\" &\n"
              "     \"DEVICE_ID (IDCODE),\" &\n"
              "     \"BYPASS    (BYPASS),\" &\n"
              "     \"BYPASS    (HIGHZ),\" &\n"
              "     \"DEVICE_ID (USERCODE)\";\n\n\n");
    for (const char* keyword : {"INSTRUCTION_CAPTURE", "USERCODE_REGISTER"})
        EXPECT_NE(out.find(std::string("WARNING: (chip.bsc) only the first pattern of %") + keyword + " is written.\n"),
                  std::string::npos)
            << out;
    EXPECT_NE(out.find("WARNING: (chip.bsc) the length of register 'MYREG' of INSTRUCTION MYSCAN is unknown.\n"
                       "         Please add \"MYREG[<length>] (MYSCAN)\" to REGISTER_ACCESS in './chip.bsd' "
                       "manually.\n\n"),
              std::string::npos)
        << out;
}

// HIGHZ is written only when something in the design takes the TAP's
// %HIGHZ_COMMAND (or a MODE pin carries the command): a TAP whose command
// drives nothing leaves every output driving under HIGHZ.  HIGHZ is the
// last instruction here, so leaving it out moves the closing of the list.
TEST_F(WriterTest, HighzOnlyWhenTheDesignTakesTheCommand) {
    struct Case {
        const char* what;
        bool connected;       // the TAP's HIGHZ pin drives a buffer
        bool shared_mode;     // %HIGHZ_COMMAND names the MODE_1 pin
        bool written;
    } cases[] = {
        {"command on no net", false, false, false},
        {"command drives a buffer", true, false, true},
        {"command shared with MODE_1", false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (sdb) SDB_close(sdb, 0);
        reset();
        dir.reset();  // back to the first directory before the next one is entered
        dir = std::make_unique<ChipDir>();
        CMD_set_path(dir->str().c_str(), nullptr, static_cast<const char*>(nullptr));
        configure(kTable, kTable + "    %INSTRUCTION HIGHZ = (0101) ACCESS BYPASS;\n");
        if (c.shared_mode) {
            std::string lib = testsupport::read_file(dir->file("chip.lib"));
            const std::string from = "%HIGHZ_COMMAND HIGHZ;";
            ASSERT_NE(lib.find(from), std::string::npos);
            lib.replace(lib.find(from), from.size(), "%HIGHZ_COMMAND MODE1;");
            dir->write("chip.lib", lib);
        }
        design([&](DesignBuilder& d) {
            d.cell("qdx_tap_hz", {{"TDI", IN}, {"TDO", OUT}, {"HIGHZ", OUT}, {"MODE1", OUT}});
            d.inst("TAP", "qdx_tap_hz").inst("hz_buf", "BUF");
            if (c.connected) d.net("hz", {"TAP/HIGHZ", "hz_buf/A"});
        });
        read_description();
        open_and_check_sdb();
        std::string text;
        const std::string out =
            testsupport::stdout_of([&] { text = bsdl_text([] { print_TAP_description("chip"); }); });
        const std::string listed = "    \"BYPASS     (1111),\"  &\n    \"HIGHZ      (0101)\";\n";
        const std::string closed = "    \"BYPASS     (1111)\";\n";
        EXPECT_NE(text.find(c.written ? listed : closed), std::string::npos) << text;
        EXPECT_EQ(text.find("(HIGHZ)") != std::string::npos, c.written) << text;
        const std::string warning = "WARNING: nothing in the design takes %HIGHZ_COMMAND 'HIGHZ' of TAP 'TAP':\n"
                                    "         the outputs keep driving under INSTRUCTION HIGHZ, which is left out\n"
                                    "         of BSDL file './chip.bsd'.\n\n";
        EXPECT_EQ(out.find(warning) != std::string::npos, !c.written) << out;
    }
}

// The reader refuses codes of another length; the writer refuses an IDCODE
// without its mandatory last bit.
TEST_F(WriterTest, IdentificationCodesAreChecked) {
    struct Case {
        const char* what;
        std::string bsc_from, bsc_to;
        std::string message;
    } cases[] = {
        {"idcode without the mandatory 1", "00010000000000000001000010100111;", "00010000000000000001000010100110;",
         "ERROR: (chip.bsc) %IDCODE_REGISTER '00010000000000000001000010100110' must be 32 bits of 0, 1 or X ending "
         "with the mandatory 1.\n\n"},
    };
    for (const Case& c : cases) {
        dir->write("chip.bsc", testsupport::read_file(testsupport::source_path("tests/fixtures/chip/chip.bsc")));
        configure(c.bsc_from, c.bsc_to);
        auto r = run_child([] {
            read_description();
            bsdl_text([] { print_TAP_description("chip"); });
        });
        EXPECT_EQ(r.status, 255) << c.what;
        EXPECT_NE(r.out.find(c.message), std::string::npos) << c.what << "\n" << r.out;
    }
}


// A row of the instruction table left without opcodes (the reader never
// makes one, but the writer must not print an empty opcode).
TEST_F(WriterTest, AnInstructionWithoutOpcodeIsAnError) {
    auto r = run_child([] {
        read_description();
        STR_free(&INSTRUCTIONS[1].opcodes);
        bsdl_text([] { print_TAP_description("chip"); });
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.out.find("ERROR: (chip.bsc) INSTRUCTION SAMPLE has no opcode in %INSTRUCTION_TABLE.\n\n"),
              std::string::npos)
        << r.out;
}

}  // namespace
