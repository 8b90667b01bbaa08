// The DFT file writer: its frame and comments, the scan selection and the
// instruction sequences, and the round trip parse -> write -> parse.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "scanlang/object/write_test_util.h"

namespace {

using namespace maptest;
using writetest::written;
using WriteSelection = MapTest;

std::string values(const std::optional<ValueRecord>& v) {
    if (!v) return "none";
    std::ostringstream s;
    s << v->integer << "/" << v->real;
    return s.str();
}

std::string names(const TextList& l) {
    std::string s;
    for (const std::string& n : l) s += n + ",";
    return s;
}

std::string timing(const std::optional<SetTimingRecord>& t) {
    if (!t) return "none";
    std::ostringstream s;
    auto pins = [&](const std::vector<PinRecord>& l) {
        for (const PinRecord& p : l) {
            s << "[" << names(p.pins);
            for (double d : p.times) s << d << " ";
            s << "]";
        }
        s << ";";
    };
    s << t->cycle << ";";
    pins(t->p_clock), pins(t->n_clock), pins(t->pi_time), pins(t->po_time), pins(t->io_time);
    s << t->default_pi_time << ";" << t->default_po_time << ";";
    for (double d : t->default_io_times) s << d << " ";
    s << ";" << t->precision << ";" << t->type;
    return s.str();
}

// Everything the written sections hold, source lines aside.
std::string describe(const DftObject& o) {
    std::ostringstream s;
    if (o.select_scan) {
        const SelectScanRecord& r = *o.select_scan;
        s << "select " << values(r.scan_init) << " " << values(r.scan_incr) << " " << values(r.scan_max) << " "
          << names(r.dont_scan_type) << " " << names(r.must_scan_type) << " " << names(r.dont_scan_module) << " "
          << names(r.dont_scan) << " " << names(r.must_scan) << "\n";
    }
    for (const SequenceRecord& q : o.sequences) {
        s << "sequence " << q.name << " " << q.cycle_length << " " << q.frame_length << " {";
        if (q.force_order)
            for (const ForceOrderEntry& e : *q.force_order) {
                const ForceItemRecord& f = (e.kind == FORCE_ORDER_FORCE ? q.forces : q.force_clocks).at(e.index);
                s << e.kind << ":" << f.name << "=" << f.value << " ";
            }
        s << "} " << timing(q.set_timing) << " | " << timing(q.launch_timing) << " | " << timing(q.capture_timing)
          << "\n";
    }
    return s.str();
}

// Parses `text`, writes the object, parses that and writes it again: the
// second object equals the first and the second text the first.
void expect_round_trip(const std::string& text, const std::string& dir = "") {
    DftObject* first = map_text(text, dir);
    ASSERT_NE(first, nullptr);
    const std::string before = describe(*first);
    const std::string out1 = written(1);
    if (before.empty()) {
        // Nothing of the sections written: nothing but the frame comes out.
        EXPECT_EQ(out1.find("\n  %"), std::string::npos) << out1;
        return;
    }
    DftObject* second = map_text(out1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(describe(*second), before) << out1;
    EXPECT_EQ(written(1), out1);
}

const char* kRich =
    "// The scan selection of the chip.\n"
    "%SELECT_SCAN {\n"
    "  // the start\n"
    "  %SCAN_INIT 29%;\n"
    "  %SCAN_INCR 57%;\n"
    "  %SCAN_MAX 58%;\n"
    "  %DONT_SCAN_TYPE a, b, c;\n"
    "  %DONT_SCAN u1/r0;\n"
    "}\n"
    "// loads the chain\n"
    "%SEQUENCE load {\n"
    "  %FORCE a = '01';\n"
    "  %FORCE_CLOCK clk = '1';\n"
    "  %FORCE_CLOCK ck2;\n"
    "  %FRAME_LENGTH = 4;\n"
    "  %SET_TIMING { %CYCLE 100; %P_CLOCK = 10.5 20 clk ck2; %DEFAULT_PI_TIME 5;\n"
    "                %DEFAULT_IO_TIME 1 2; %PRECISION 3; }\n"
    "  %SET_TIMING { %TYPE LAUNCH; %CYCLE 50; %PRECISION 2; }\n"
    "  %SET_TIMING { %TYPE CAPTURE; %PO_TIME = 7 q; }\n"
    "}\n";

TEST_F(WriteSelection, GoldenTextOfARichFile) {
    map_text(kRich);
    EXPECT_EQ(written(1),
              "\n"
              "  // The scan selection of the chip.\n"
              "// Scan selection\n"
              "  %SELECT_SCAN\n"
              "     {\n"
              "     // the start\n"
              "     %SCAN_INIT  29% ;\n"
              "     %SCAN_INCR  57% ;\n"
              "     %SCAN_MAX   58% ;\n"
              "     %DONT_SCAN_TYPE  a ,\n"
              "                      b ,\n"
              "                      c ;\n"
              "\n"
              "     %DONT_SCAN  u1/r0 ;\n"
              "\n"
              "     }\n\n\n"
              "// Scan instruction sequence\n"
              "  // loads the chain\n"
              "  %SEQUENCE load\n"
              "     {\n"
              "     %FORCE  a             = '01' ;\n"
              "     %FORCE_CLOCK  clk     = '1' ;\n"
              "     %FORCE_CLOCK  ck2 ;\n"
              "     %CYCLE_LENGTH  = 1 ;\n"
              "     %FRAME_LENGTH  = 4 ;\n"
              "     %SET_TIMING\n"
              "        {\n"
              "          %CYCLE 100 ;\n"
              "          %P_CLOCK = 10.50 20.00 clk ck2 ;\n"
              "          %DEFAULT_PI_TIME  5.00 ;\n"
              "          %DEFAULT_IO_TIME   1.00 2.00 ;\n"
              "          %PRECISION 3 ;\n"
              "        }\n"
              "     %SET_TIMING\n"
              "        {\n"
              "          %TYPE LAUNCH ; \n"
              "          %CYCLE 50 ;\n"
              "          %PRECISION 2 ;\n"
              "        }\n"
              "     %SET_TIMING\n"
              "        {\n"
              "          %TYPE CAPTURE ; \n"
              "          %PO_TIME = 7.00 q ;\n"
              "        }\n"
              "     }\n\n\n");
}

TEST_F(WriteSelection, RoundTripKeepsObjectTextAndComments) {
    expect_round_trip(kRich);
    // Comments neither multiply nor drift over further cycles.
    map_text(kRich);
    const std::string out1 = written(1);
    map_text(out1);
    const std::string out2 = written(1);
    map_text(out2);
    EXPECT_EQ(written(1), out2);
    EXPECT_EQ(out2, out1);
}

TEST_F(WriteSelection, PercentagesAndValueForms) {
    struct Row {
        const char* statement;
        const char* line;
    } rows[] = {{"%SCAN_MAX 12%;", "     %SCAN_MAX   12% ;\n"},
                {"%SCAN_MAX 29%;", "     %SCAN_MAX   29% ;\n"},
                {"%SCAN_INIT 57%;", "     %SCAN_INIT  57% ;\n"},
                {"%SCAN_INCR 7;", "     %SCAN_INCR  7 ;\n"},
                {"%SCAN_INIT 0;", "     %SCAN_INIT  0 ;\n"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.statement);
        map_text(std::string("%SELECT_SCAN { ") + r.statement + " }");
        EXPECT_NE(written(0).find(r.line), std::string::npos) << written(0);
        expect_round_trip(std::string("%SELECT_SCAN { ") + r.statement + " }");
    }
}

TEST_F(WriteSelection, WithoutFlagNoBannersAndNoFiltering) {
    map_text("// Scan selection\n%SELECT_SCAN { %MUST_SCAN a; }\n%SEQUENCE s { %FORCE a = '1'; }");
    const std::string out = written(0);
    EXPECT_EQ(out.find("// Scan instruction sequence"), std::string::npos);
    // The user's comment stays a comment when the writer prints no banner.
    EXPECT_NE(out.find("  // Scan selection\n  %SELECT_SCAN\n"), std::string::npos) << out;
}

TEST_F(WriteSelection, CommentsAfterTheKeywordGoToTheEnd) {
    map_text("%SELECT_SCAN {\n %MUST_SCAN a;\n}\n// trailing words\n");
    const std::string out = written(1);
    EXPECT_EQ(out.substr(out.size() - 18), "// trailing words\n") << out;
}

// Every fixture: what the writer writes of it reads back equal and writes
// the same text again.
class WriteFixture : public MapTest, public testing::WithParamInterface<std::string> {};

TEST_P(WriteFixture, RoundTrip) {
    const std::filesystem::path file = testsupport::source_path(GetParam());
    expect_round_trip(testsupport::read_file(file), file.parent_path().string() + "/");
}

// The fixtures that map on their own (the others need their side files or
// are the parser's error cases).
std::vector<std::string> fixtures() {
    std::vector<std::string> all;
    for (const char* name : {"atpg_constraints", "compression", "connect_bist", "connect_core", "mbist",
                             "pll_blackbox", "ports_sequences", "select_fault", "selection", "test_conversion",
                             "test_sessions", "wrapper"})
        all.push_back(std::string("tests/fixtures/scanlang/") + name + ".dft");
    return all;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WriteFixture, testing::ValuesIn(fixtures()), [](const auto& info) {
    std::string name = std::filesystem::path(info.param).stem().string();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

}  // namespace
