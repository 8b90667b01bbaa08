// Test files, the top module, memory-BIST control entries and the scan
// decoder mapped from their sections.
#include <gtest/gtest.h>

#include "scanlang/front/parser.h"
#include "scanlang/object/map_test_util.h"

namespace {

using namespace maptest;
using MapTestFiles = MapTest;

TEST_F(MapTestFiles, TestFilesFromTheFixture) {
    DftObject* o = map_fixture("connect_core.dft");
    ASSERT_TRUE(o->test_files);
    const TestFilesRecord& t = *o->test_files;
    EXPECT_EQ(t.keyword_line, 17);
    EXPECT_EQ(t.mbist_file, "mbist.v");
    EXPECT_EQ(t.mbist_file_line, 18);
    EXPECT_EQ(t.lbist_file, "lbist.v");
    EXPECT_EQ(t.bsd_file, "chip.bsd");  // the first of two
    EXPECT_EQ(t.bsd_file_line, 20);
    EXPECT_EQ(t.macro_test, "macro.pat");
    EXPECT_EQ(t.macro_test_line, 21);
    EXPECT_EQ(map_fixture("ports_sequences.dft")->top_module, "chip");
}

TEST_F(MapTestFiles, MbistControlFromTheFixture) {
    DftObject* o = map_fixture("mbist.dft");
    ASSERT_TRUE(o->mbist_control);
    ASSERT_EQ(o->mbist_control->size(), 2u);
    const MbistControlEntry& e0 = (*o->mbist_control)[0];
    EXPECT_EQ(e0.number, 0);
    EXPECT_EQ(e0.keyword_line, 8);  // the scanner keeps the last %MBIST_CONTROL keyword
    struct Row {
        MbistSignal signal;
        const char* instance;
        const char* pin;
    };
    for (const Row& row : {Row{MBIST_BISTMODE, "ctl_0", "mode"}, Row{MBIST_BISTFAIL, "mbist_ctl_12", "fail"},
                           Row{MBIST_FINISH, "", "ctl.done"}, Row{MBIST_BYPASS, "", "byp"}}) {
        ASSERT_TRUE(e0.signals[row.signal]) << row.pin;
        EXPECT_EQ(e0.signals[row.signal]->instance, row.instance);
        EXPECT_EQ(e0.signals[row.signal]->pin, row.pin);
        EXPECT_EQ(e0.signals[row.signal]->connected, 0);
    }
    EXPECT_FALSE(e0.signals[MBIST_ERRMAP]);
    const MbistControlEntry& e1 = (*o->mbist_control)[1];
    EXPECT_EQ(e1.number, 1);
    ASSERT_TRUE(e1.signals[MBIST_SIGNATUREOUT]);
    EXPECT_EQ(e1.signals[MBIST_SIGNATUREOUT]->instance, "ctl_1");
}

constexpr const char* kDecoder = R"(%SCAN_DECODER {
    %DECODER_NAME = dec1;
    %DECODER_SCAN_MODE = dsm;
    %DECODER_TEST_MODE_INV = dtmi;
    %SCAN_MODE = SE;
    %TEST_MODE {
        %PORT_NAME = tm;
        %PAD_NAME = tm_pad;
        %PAD_OUT = tm_po;
        %POLARITY = ACTIVE_LOW;
    }
    %KR_MODE {
        %PORT_NAME kr0 = 1;
        %PORT_NAME = kr1;
        %PORT_NAME = kr2;
        %POLARITY = ACTIVE_LOW;
    }
    %RAM_WRITE = rw;
    %SCAN_CLK = sclk;
    %SCAN_MODE_OUT { %INSTANCE_NAME = u_smo; %PIN_NAME = Z; }
    %OVERRIDE_MODE_INV_OUT { %PIN_NAME = Q; }
    %POSITION = top_left;
}
)";

TEST_F(MapTestFiles, ScanDecoderFieldByField) {
    DftObject* o = map_text(kDecoder);
    ASSERT_TRUE(o->scan_decoder);
    const ScanDecoderRecord& d = *o->scan_decoder;
    EXPECT_EQ(d.decoder_name, "dec1");
    EXPECT_EQ(d.decoder_scan_mode, "dsm");
    EXPECT_EQ(d.decoder_scan_mode_inv, "");
    EXPECT_EQ(d.decoder_test_mode_inv, "dtmi");
    EXPECT_EQ(d.keyword_line, 1);
    // Plain form: the port name only.
    ASSERT_TRUE(d.scan_mode);
    EXPECT_EQ(d.scan_mode->port_name, "SE");
    EXPECT_EQ(d.scan_mode->pad_name, "");
    EXPECT_EQ(d.scan_mode->line, -1);
    EXPECT_EQ(d.scan_mode->keyword_line, 5);
    EXPECT_EQ(d.scan_mode_form, 0);
    // Block form: all four texts and the statement's line.
    ASSERT_TRUE(d.test_mode);
    EXPECT_EQ(d.test_mode->port_name, "tm");
    EXPECT_EQ(d.test_mode->pad_name, "tm_pad");
    EXPECT_EQ(d.test_mode->pad_out, "tm_po");
    EXPECT_EQ(d.test_mode->polarity, "ACTIVE_LOW");
    EXPECT_NE(d.test_mode->line, -1);
    EXPECT_EQ(d.test_mode->keyword_line, 6);
    EXPECT_EQ(d.test_mode_form, 1);
    // KR ports: ACTIVE_LOW makes the default 0; a written value stays.
    ASSERT_TRUE(d.kr_mode && d.kr_mode->ports);
    ASSERT_EQ(d.kr_mode->ports->size(), 3u);
    EXPECT_EQ((*d.kr_mode->ports)[0].port_name, "kr0");
    EXPECT_EQ((*d.kr_mode->ports)[0].value, 1);
    EXPECT_EQ((*d.kr_mode->ports)[1].value, 0);
    EXPECT_EQ((*d.kr_mode->ports)[2].value, 0);
    EXPECT_EQ(d.kr_mode->polarity, "ACTIVE_LOW");
    EXPECT_FALSE(d.override_mode);
    ASSERT_TRUE(d.ram_write);
    EXPECT_EQ(d.ram_write->port_name, "rw");
    EXPECT_EQ(d.ram_write_form, 0);
    EXPECT_EQ(d.scan_clk, "sclk");
    ASSERT_TRUE(d.scan_mode_out);
    EXPECT_EQ(d.scan_mode_out->instance_name, "u_smo");
    EXPECT_EQ(d.scan_mode_out->pin_name, "Z");
    EXPECT_EQ(d.scan_mode_out->line, 20);
    ASSERT_TRUE(d.override_mode_inv_out);
    EXPECT_EQ(d.override_mode_inv_out->instance_name, "");
    EXPECT_EQ(d.override_mode_inv_out->pin_name, "Q");
    EXPECT_FALSE(d.test_mode_out);
    EXPECT_EQ(d.position, "top_left");
}

// The form of %RAM_WRITE is that of this file's statement, whatever an
// earlier file left in the parser's flag.
TEST_F(MapTestFiles, ControlPortFormIsPerFile) {
    map_text("%SCAN_DECODER { %RAM_WRITE { %PORT_NAME = rw; } }");
    DftObject* o = map_text("%SCAN_DECODER { %RAM_WRITE = rw2; }");
    ASSERT_TRUE(o->scan_decoder && o->scan_decoder->ram_write);
    EXPECT_EQ(o->scan_decoder->ram_write_form, 0);
    EXPECT_EQ(o->scan_decoder->ram_write->port_name, "rw2");
    EXPECT_EQ(new_decoder_ram_write, 0);
}

struct DecoderError {
    const char* name;
    const char* block;
    const char* message;
};
void PrintTo(const DecoderError& e, std::ostream* os) { *os << e.name; }

class MapDecoderErrors : public testing::TestWithParam<DecoderError> {};

TEST_P(MapDecoderErrors, EndTheRunWithTheirDiagnostic) {
    auto r = map_in_child(std::string("%SCAN_DECODER {\n") + GetParam().block + "\n}\n");
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    MapTestFiles, MapDecoderErrors,
    testing::Values(
        DecoderError{"PadNameWithoutPadOut", "%SCAN_MODE { %PORT_NAME = s;\n %PAD_NAME = p; }",
                     "ERROR : 't.dft', line-4, '%PAD_OUT' wasn't defined.\n"},
        DecoderError{"PadOutWithoutPadName", "%TEST_MODE { %PORT_NAME = s;\n\n %PAD_OUT = p; }",
                     "ERROR : 't.dft', line-3, '%PAD_NAME' wasn't defined.\n"},
        DecoderError{"LowerCasePolarity", "%OVERRIDE_MODE { %PORT_NAME = s; %POLARITY = active_high; }",
                     "ERROR : 't.dft', line-2, POLARITY can only be ACTIVE_HIGH or ACTIVE_LOW.\n"},
        DecoderError{"ValuelessPolarity", "%OVERRIDE_MODE { %PORT_NAME = s;\n %POLARITY; }",
                     "ERROR : 't.dft', line-3, POLARITY can only be ACTIVE_HIGH or ACTIVE_LOW.\n"},
        DecoderError{"KrPolarity", "%KR_MODE { %PORT_NAME = k; %POLARITY = HIGH; }",
                     "POLARITY can only be ACTIVE_HIGH or ACTIVE_LOW.\n"},
        DecoderError{"KrPadNameWithoutPadOut", "%KR_MODE { %PORT_NAME = k; %PAD_NAME = p; }",
                     "'%PAD_OUT' wasn't defined.\n"}),
    [](const testing::TestParamInfo<DecoderError>& info) { return std::string(info.param.name); });

TEST_F(MapTestFiles, AbsentSectionsStayNone) {
    DftObject* o = map_text("%TOP_MODULE = t;");
    EXPECT_FALSE(o->test_files);
    EXPECT_FALSE(o->mbist_control);
    EXPECT_FALSE(o->scan_decoder);
    EXPECT_EQ(o->top_module, "t");
}

}  // namespace
