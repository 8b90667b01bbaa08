// Mapping scan-language texts into objects in the tests: a text parsed as
// "t.dft" and handed to the mapping, in this process or, for texts whose
// mapping ends the run, in a child process.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "scanlang/front/parse_util.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/scan_interface.h"

namespace maptest {

// Parses `text` as a DFT file (or, with kind MAP, as its map file).
inline void parse(const std::string& text, scantest::Kind kind = scantest::Kind::DFT) {
    SCAN_OBJECT_reset_globals();
    scantest::begin(kind);
    dft_file_name = "t.dft";
    scantest::parse_now(text);
    dft_file_nameG = "t.dft";
}

// The object of `text` after the whole mapping.
inline DftObject* map(const std::string& text) {
    parse(text);
    MAP_AST_2_OBJECT();
    return DFT_OBJECT;
}

// The names of a sequence list.
template <class List>
std::vector<std::string> names_of(const List& list) {
    std::vector<std::string> out;
    for (const SequenceRecord* s : list) out.push_back(s ? s->name : "(none)");
    return out;
}

// Tests that map: the front end's and the model's state go with each test.
class MapTest : public testing::Test {
protected:
    void TearDown() override { SCANLANG_reset_globals(); }
};

}  // namespace maptest
