// Helpers of the description-layer tests: running a piece of code in a
// child process (for the messages and statuses of runs that end), and
// feeding texts to the scanners.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
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
#include "support/testsupport.h"

namespace desctest {

struct ChildResult {
    int status = -1;  // exit status, -1 when the child did not exit
    std::string out;
    std::string err;
};

// Runs fn in a child process with standard output and standard error
// captured; a child that returns from fn exits with 0.
inline ChildResult run_child(const std::function<void()>& fn) {
    std::fflush(stdout);
    std::fflush(stderr);
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        fn();
        qdx_exit(0);
    }
    ChildResult r;
    int st = 0;
    waitpid(pid, &st, 0);
    if (WIFEXITED(st)) r.status = WEXITSTATUS(st);
    for (auto [f, s] : {std::pair{out, &r.out}, std::pair{err, &r.err}}) {
        std::rewind(f);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s->append(buf, n);
        std::fclose(f);
    }
    return r;
}

// A temporary stream holding the text.
inline FILE* text_stream(const std::string& text) {
    FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    return f;
}

// Parses a library text named `name` in messages.
inline void parse_lib(const std::string& text, const char* name = "t.lib") {
    desc_set_text(&LIB_FILE, name);
    make_lib_keyword_hash();
    lib_yyin = text_stream(text);
    lib_yyparse();
    std::fclose(lib_yyin);
    lib_yyin = nullptr;
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

// Parses a configuration text named `name` in messages (the library
// tables it checks its cells against must be filled first).
inline void parse_dft(const std::string& text, const char* name = "t.bsc") {
    desc_set_text(&DFT_FILE, name);
    make_dft_keyword_hash();
    dft_yyin = text_stream(text);
    dft_yyparse();
    std::fclose(dft_yyin);
    dft_yyin = nullptr;
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

// Standard output of fn run in this process.
inline std::string stdout_of(const std::function<void()>& fn) {
    testing::internal::CaptureStdout();
    fn();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

inline std::string stderr_of(const std::function<void()>& fn) {
    testing::internal::CaptureStderr();
    fn();
    std::fflush(stderr);
    return testing::internal::GetCapturedStderr();
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
