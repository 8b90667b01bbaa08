// Mapping scan-language texts in the tests: parse a DFT text as the real
// entry does, map it, and hand back the object; or do it in a child
// process for texts whose mapping ends the run.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "scanlang/front/parse_util.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/scan_interface.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace maptest {

// Parses `text` as the DFT file "t.dft" (in `dir`, which relative side
// files are resolved against) and maps it.
inline DftObject* map_text(const std::string& text, const std::string& dir = "") {
    scantest::begin();
    dft_file_nameG = "t.dft";
    current_pathG = dir;
    scantest::parse_now(text);
    MAP_AST_2_OBJECT();
    return DFT_OBJECT;
}

// The same in a child process: what it printed and its status.
inline testsupport::ChildResult map_in_child(const std::string& text, const std::string& dir = "") {
    return testsupport::run_child([&] { map_text(text, dir); });
}

// The fixture file tests/fixtures/scanlang/<name>, mapped.
inline DftObject* map_fixture(const std::string& name) {
    return map_text(testsupport::read_file(testsupport::source_path("tests/fixtures/scanlang/" + name)));
}

// Tests that map: the front end's and the model's state go with each test.
class MapTest : public testing::Test {
protected:
    void TearDown() override { SCANLANG_reset_globals(); }
};

}  // namespace maptest
