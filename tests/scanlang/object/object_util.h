// Mapping scan-language texts into DFT objects in the tests, and the
// model's state that goes with each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "scanlang/front/front.h"
#include "scanlang/front/parse_util.h"
#include "scanlang/object/cursors.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/scan_interface.h"

namespace objtest {

// Parses `text` as the DFT file "t.dft" (no directory) and maps it; the
// new object (or null) is DFT_OBJECT.
inline DftObject* map_text(const std::string& text) {
    scantest::begin();
    dft_file_name = "t.dft";
    scantest::parse_now(text);
    dft_file_nameG = "t.dft";
    current_pathG.clear();
    MAP_AST_2_OBJECT();
    return DFT_OBJECT;
}

// Tests that build objects: the front end's and the model's state go with
// each test.
class ObjectTest : public testing::Test {
protected:
    void SetUp() override { SCANLANG_reset_globals(); }
    void TearDown() override { SCANLANG_reset_globals(); }
};

}  // namespace objtest
