// Fault name-list files read into the tree, and plain instance files.
#include <gtest/gtest.h>

#include "scanlang/front/diagnostics.h"
#include "scanlang/front/nodes.h"
#include "scanlang/object/map_test_util.h"
#include "scanlang/object/name_files.h"

namespace {

using namespace maptest;
using NameFiles = MapTest;
using Names = std::vector<std::string>;

Names child_texts(const ScanAstNode* n) {
    Names out;
    for (const ScanAstNode* c = n ? n->child : nullptr; c; c = c->sibling) out.push_back(c->attribute ? c->attribute : "");
    return out;
}

TEST_F(NameFiles, FaultListSeparatorsAndSoundReading) {
    testsupport::TempDir dir;
    const std::string long_name(3000, 'n');
    struct Case {
        const char* what;
        std::string text;
        Names names;
    };
    const Case cases[] = {
        {"separators", "a,b;c\n", {"a", "b", "c"}},
        {"doubled commas", "a,,b\t c", {"a", "b", "c"}},
        {"crlf", "a\r\nb\r\n", {"a", "b"}},
        {"0xff is data", "x\xffy z", {"x\xffy", "z"}},
        {"long name", long_name + " end", {long_name, "end"}},
    };
    for (const Case& c : cases) {
        ScanAstNode* holder = SCAN_MAKE_AST(SELECT_FAULT_NODE);
        sl_convert_file_dont_fault(dir.write("f.lst", c.text), holder);
        EXPECT_EQ(child_texts(SCAN_FIND_AST(holder->child, DONT_FAULT_NODE)), c.names) << c.what;
        EXPECT_EQ(sl_dont_fault_num, 0);
        SCAN_FREE_AST(holder);
    }
}

TEST_F(NameFiles, FileNamesFollowTheNamesAlreadyWritten) {
    testsupport::TempDir dir;
    ScanAstNode* holder = SCAN_MAKE_AST(SELECT_FAULT_NODE);
    ScanAstNode* must = SCAN_MAKE_AST(MUST_FAULT_NODE);
    SCAN_APPEND_CHILD(holder, must);
    for (const char* n : {"w1", "w2", "w3"}) SCAN_APPEND_CHILD(must, SCAN_PUT_ATTRIBUTE(SCAN_MAKE_AST(IDENT_NODE), n));
    sl_convert_file_must_fault(dir.write("m.lst", "f1 f2"), holder);
    EXPECT_EQ(child_texts(must), (Names{"w1", "w2", "w3", "f1", "f2"}));
    EXPECT_EQ(sl_must_fault_num, 3);
    SCAN_FREE_AST(holder);
}

TEST_F(NameFiles, MissingOrEmptyFaultListWarnsAndChangesNothing) {
    testsupport::TempDir dir;
    struct Case {
        std::string file, warning;
    };
    for (const Case& c : {Case{dir.str() + "/missing.lst", "WARNING : Can not open input file - '" + dir.str() +
                                                               "/missing.lst'.\n"},
                          Case{dir.write("empty.lst", " ,;\n"), "WARNING : '" + dir.str() + "/empty.lst' file is empty file.\n"}}) {
        ScanAstNode* holder = SCAN_MAKE_AST(SELECT_FAULT_NODE);
        has_error = 0;
        std::string err = testsupport::stderr_of([&] { sl_convert_file_dont_fault(c.file, holder); });
        EXPECT_EQ(err, c.warning);
        EXPECT_EQ(has_error, 1);
        EXPECT_EQ(holder->child, nullptr);
        SCAN_FREE_AST(holder);
    }
}

TEST_F(NameFiles, InstanceFilesWithAndWithoutHeader) {
    testsupport::TempDir dir;
    struct Case {
        const char* what;
        const char* text;
        Names names;
    };
    for (const Case& c : {Case{"plain", "u1 u2,\nu3;\n", {"u1", "u2", "u3"}},
                          Case{"header", "MUST_SCAN u0 u1, u2;\nu3\n", {"u1", "u2"}},
                          Case{"short first word", "_SCA a b", {"_SCA", "a", "b"}}}) {
        EXPECT_EQ(GET_FILE_INSTANCES(dir.write("i.lst", c.text)), c.names) << c.what;
    }
    has_error = 0;
    std::string err = testsupport::stderr_of([&] { EXPECT_TRUE(GET_FILE_INSTANCES(dir.write("e.lst", "\n")).empty()); });
    EXPECT_NE(err.find("is an empty file"), std::string::npos);
    EXPECT_EQ(has_error, 1);
    auto r = testsupport::run_child([&] { GET_FILE_INSTANCES(dir.str() + "/nope.lst"); });
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.err.find("ERROR : Can't open input file - '" + dir.str() + "/nope.lst'."), std::string::npos);
}

}  // namespace
