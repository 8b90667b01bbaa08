// A small host of the command interpreter for the tests: a dictionary of
// test commands and the common procedures, a fixture that feeds prompt
// lines and collects what the commands print, and standard input taken
// from a text.
#pragma once

#include <gtest/gtest.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/cmd.h"
#include "runtime/dyna.h"
#include "runtime/reset.h"
#include "runtime/fnm.h"
#include "runtime/msg.h"
#include "runtime/rc.h"
#include "support/testsupport.h"

namespace cmdtest {

// "load": prints what its options, flags and plain arguments gave.
inline int load_proc(int, char**) {
    const char* name = "-";
    int n = -1;
    const char* file = "-";
    CMD_get_opt("-opt", &name, &n);
    CMD_get_opt("-file|-input", &file);
    std::string flags = CMD_print_flag(CMD_get_flag(0), 'a') + CMD_print_flag(CMD_get_flag(1), 'A');
    MSG_inform("load opt=%s,%d file=%s flags=%sargs=%s\n", name, n, file, flags.c_str(),
               CMD_get_arg_remain().c_str());
    return 0;
}

inline int list_proc(int, char**) {
    MSG_inform("list\n");
    return 0;
}

// "recurse": runs itself again.
inline int recurse_proc(int, char**) { return CMD_execute("recurse"); }

inline const CmdArgEntry kArgs[] = {
    // Flags -v, -x and -X of "load".
    {"load", "", 0, (1u << ('v' - 'a')) | (1u << ('x' - 'a')), 1u << ('X' - 'A'), 0},
    {"-opt", "%s %d", 2, 0, 0, 0},
    {"-file|-input", "%s", 1, 0, 0, 0},
};

inline const CmdProc kProcs[] = {load_proc, list_proc, CMD_echo, CMD_set, CMD_alias, CMD_setkey,
                                 CMD_batch, CMD_log,   CMD_help, CMD_history, CMD_shell, CMD_ls,
                                 CMD_save_profile, CMD_where, recurse_proc, CMD_unset, CMD_pause};

inline const CmdEntry kCommands[] = {
    {"load", 3, 0, 0, 0},     {"list", 0, 0, 1, 0},     {"echo", 0, 0, 2, 0},     {"set", 0, 0, 3, 0},
    {"alias", 0, 0, 4, 0},    {"keydef", 0, 0, 5, 0},   {"batch", 0, 0, 6, 0},    {"log", 0, 0, 7, 0},
    {"help", 0, 0, 8, 0},     {"history", 0, 0, 9, 0},  {"shell", 0, 0, 10, 0},   {"ls", 0, 0, 11, 0},
    {"save", 0, 0, 12, 0},    {"where", 0, 0, 13, 0},   {"recurse", 0, 0, 14, 0}, {"unset", 0, 0, 15, 0},
    {"pause", 0, 0, 16, 0},   {"nothing", 0, 0, -1, 0},
};

inline const CmdDictionary kDictionary = {kCommands, static_cast<int>(std::size(kCommands)), kArgs,
                                          static_cast<int>(std::size(kArgs)), kProcs,
                                          static_cast<int>(std::size(kProcs))};

// The prompt's lines.
inline std::vector<std::string> feed;
inline size_t fed = 0;
inline char* next_line(const char*) { return fed < feed.size() ? qdx_strdup(feed[fed++].c_str()) : nullptr; }

// Standard input read from a text for the lifetime of the object.
class StdinFrom {
public:
    explicit StdinFrom(const std::string& text) {
        std::fflush(stdin);
        file_ = std::tmpfile();
        std::fputs(text.c_str(), file_);
        std::rewind(file_);
        saved_ = ::dup(0);
        ::dup2(::fileno(file_), 0);
        __fpurge(stdin);
        std::clearerr(stdin);
    }
    ~StdinFrom() {
        ::dup2(saved_, 0);
        ::close(saved_);
        __fpurge(stdin);
        std::clearerr(stdin);
        std::fclose(file_);
    }
    StdinFrom(const StdinFrom&) = delete;
    StdinFrom& operator=(const StdinFrom&) = delete;

private:
    FILE* file_ = nullptr;
    int saved_ = -1;
};

// Each test runs in a fresh directory (the only search directory) with a
// fresh interpreter whose messages are collected.
class Interp : public ::testing::Test {
protected:
    void SetUp() override {
        RUNTIME_reset_globals();
        CMD_init();
        CMD_set_path(nullptr, ".", nullptr);
        CMD_set_dictionary(&kDictionary);
        CMD_set_expand(1);
        CMD_set_keyproc(next_line);
        out_ = std::tmpfile();
        MSG_set_fid(out_);
    }
    void TearDown() override {
        if (FILE* log = MSG_swap_log(nullptr, nullptr)) std::fclose(log);
        RUNTIME_reset_globals();
        std::fclose(out_);
        _product = nullptr;
    }
    // Runs the lines as typed at the prompt; what the commands printed.
    std::string run(const std::vector<std::string>& lines) {
        feed = lines;
        fed = 0;
        testing::internal::CaptureStderr();
        while (CMD_wait_cmd() != -5) {
        }
        err_ = testing::internal::GetCapturedStderr();
        return printed();
    }
    // What was printed since the last call.
    std::string printed() {
        std::fflush(out_);
        std::string text;
        std::fseek(out_, static_cast<long>(taken_), SEEK_SET);
        int c;
        while ((c = std::fgetc(out_)) != EOF) text += static_cast<char>(c);
        taken_ += text.size();
        return text;
    }
    testsupport::TempDir tmp;
    testsupport::ChangeDir cd{tmp.path()};
    std::string err_;  // standard error of the last run (prompts, pause marks)

private:
    FILE* out_ = nullptr;
    size_t taken_ = 0;
};

}  // namespace cmdtest
