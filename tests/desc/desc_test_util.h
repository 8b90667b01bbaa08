// Helpers of the description-layer tests: running a piece of code in a
// child process (for the messages and statuses of runs that end), and
// feeding texts to the scanners.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "desc/ast.h"
#include "desc/dft.h"
#include "desc/hash.h"
#include "desc/lib.h"
#include "desc/pin.h"
#include "desc/reader.h"
#include "desc/tables.h"
#include "runtime/exit.h"
#include "runtime/str.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace desctest {

using testsupport::ChildResult;
using testsupport::run_child;
using testsupport::stderr_of;
using testsupport::stdout_of;

// A temporary stream holding the text.
inline FILE* text_stream(const std::string& text) {
    FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    return f;
}

// Parses a library from the stream (which stays open), named `name` in
// messages.
inline void read_lib(FILE* in, const char* name = "t.lib") {
    desc_set_text(&LIB_FILE, name);
    make_lib_keyword_hash();
    lib_yyin = in;
    lib_yyparse();
    lib_yyin = nullptr;
}

// Parses a library text named `name` in messages.
inline void parse_lib(const std::string& text, const char* name = "t.lib") {
    FILE* in = text_stream(text);
    read_lib(in, name);
    std::fclose(in);
}

// Parses a pin file text in list mode (mode 1) or package mode (0).
inline void parse_pin(const std::string& text, const char* name = "p.pin", int mode = 1) {
    desc_set_text(&PIN_FILE, name);
    PIN_FLAG = mode;
    create_pin_check_tables();
    make_pin_keyword_hash();
    pin_yyin = text_stream(text);
    pin_yyparse();
    std::fclose(pin_yyin);
    pin_yyin = nullptr;
    free_pin_check_tables();
}

// Parses a configuration from the stream (which stays open), named
// `name` in messages (the library tables it checks its cells against
// must be filled first).
inline void read_dft(FILE* in, const char* name = "t.bsc") {
    desc_set_text(&DFT_FILE, name);
    make_dft_keyword_hash();
    dft_yyin = in;
    dft_yyparse();
    dft_yyin = nullptr;
}

// Parses a configuration text named `name` in messages.
inline void parse_dft(const std::string& text, const char* name = "t.bsc") {
    FILE* in = text_stream(text);
    read_dft(in, name);
    std::fclose(in);
}

// Reads a library and a configuration text the way a program reads a
// design: bsdft_init, then get_bs_dft_file on files "t.lib" and "t.bsc"
// written into `dir`, which is the working directory meanwhile (pin files
// are named relative to it).
inline void read_design(const testsupport::TempDir& dir, const std::string& lib, const std::string& bsc,
                        int dump = 0) {
    dir.write("t.lib", lib);
    dir.write("t.bsc", bsc);
    testsupport::ChangeDir cd(dir.path());
    bsdft_init();
    get_bs_dft_file("t.lib", "t.bsc", dump);
}

inline std::string str(const char* s) { return s ? s : "<none>"; }

// Every test starts from empty tables and the kestrand hash.
class DescTest : public ::testing::Test {
protected:
    void SetUp() override {
        DESC_set_hash_modulus(DESC_HASH_MODULUS_KESTRAND);
        DESC_reset_globals();
    }
    void TearDown() override {
        DESC_reset_globals();
        DESC_set_hash_modulus(DESC_HASH_MODULUS_KESTRAND);
    }
};

}  // namespace desctest
