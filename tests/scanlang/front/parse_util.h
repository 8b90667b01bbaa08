// Parsing scan-language texts in the tests: the set-up a real parse run
// makes, the root of each file kind, a parse in this process that captures
// what it prints, and a parse in a child process for inputs that end the
// run.  Every parse names its file "t.dft".
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "scanlang/front/front.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace scantest {

enum class Kind { DFT, MAP, PATH, PSO, LOCKUP };

// Fresh front-end state for a parse of a file of `kind`.
inline void begin(Kind kind = Kind::DFT) {
    SCAN_FRONT_reset_globals();
    in_file_name = "t.dft";
    scan_lang_Option_type = 2;
    make_keyword_hash();
    initial_parser();
    scan_new_comment_tab();
    parse_path_fileG = kind == Kind::PATH;
    sl_lockup_latch_flag = kind == Kind::LOCKUP;
}

// The root a parse of `kind` fills.
inline ScanAstNode* root_of(Kind kind) {
    switch (kind) {
    case Kind::DFT: return thedftAST;
    case Kind::MAP: return themapAST;
    case Kind::PATH: return thepathAST;
    case Kind::PSO: return thepsoAST;
    case Kind::LOCKUP: return thelockupAST;
    }
    return nullptr;
}

// Parses `text` as it stands (begin() first).
inline void parse_now(const std::string& text) {
    ScanScanner scanner;
    scanner.start_text(text);
    scan_yyparse(&scanner);
}

struct Parsed {
    std::string tree;  // the printed root of the kind (theAST when it has none)
    std::string out;   // what the parse wrote on standard output
    std::string err;   // what the parse wrote on standard error
    int warned;        // has_error after the parse
};

// Parses in this process (for inputs that at most warn).
inline Parsed parse(const std::string& text, Kind kind = Kind::DFT) {
    begin(kind);
    Parsed p;
    p.out = testsupport::stdout_of([&] { p.err = testsupport::stderr_of([&] { parse_now(text); }); });
    p.warned = has_error;
    ScanAstNode* root = root_of(kind) ? root_of(kind) : theAST;
    p.tree = testsupport::stdout_of([&] { SCAN_PRINT_AST(root, 0); });
    return p;
}

// Parses in a child process (for inputs that end the run); with
// `print_tree` the child prints the DFT tree after a parse that returns.
inline testsupport::ChildResult parse_in_child(const std::string& text, Kind kind = Kind::DFT,
                                               bool print_tree = false) {
    return testsupport::run_child([&] {
        begin(kind);
        parse_now(text);
        if (print_tree) SCAN_PRINT_AST(thedftAST, 0);
    });
}

// Tests that parse: the front end's state goes with each test.
class ParseTest : public testing::Test {
protected:
    void TearDown() override { SCAN_FRONT_reset_globals(); }
};

}  // namespace scantest
