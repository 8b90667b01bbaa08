// The interpreter's files and companions: help pages, profiles, file
// listing, single-key input and the break flag.
#include <csignal>
#include <string>
#include <vector>

#include "runtime/cmd_test_util.h"
#include "support/child.h"

namespace {

using cmdtest::Interp;
using testsupport::read_file;

const char* kHelpFile =
    "# help of the test tool\n"
    ".I main\n"
    "Commands: load list\n"
    ".B a dot line, not shown\n"
    "\n"
    ".I load 3\n"
    "load [-v] -opt name n\n"
    "# a comment inside\n"
    "  reads a design\n";

TEST_F(Interp, HelpPagesFromTheHelpSubdirectory) {
    _product = "Tool";  // the file name is looked up lower-cased
    std::filesystem::create_directories(tmp.path() / "help");
    tmp.write("help/tool.hlp", kHelpFile);
    EXPECT_EQ(run({"help", "help LOAD", "help index", "help nope"}),
              "Commands: load list\n\n"
              "load [-v] -opt name n\n  reads a design\n"
              "Available help for commands:\n   LOAD           MAIN        \n"
              "ERROR 022: Help is not available for command 'nope'\n");
}

TEST_F(Interp, HelpPagingStopsWhenThePromptSaysSo) {
    _product = "tool";
    tmp.write("tool.hlp", ".I long\none\ntwo\nthree\nfour\n");
    ASSERT_NE(HELP_init("tool"), nullptr);
    static int prompts;
    prompts = 0;
    HELP_setup(0, 0, 80, 3, 0, 0);
    HELP_set_proc(nullptr, [] { return ++prompts == 1 ? 0 : -1; });
    EXPECT_EQ(HELP_context("long"), 0);
    EXPECT_EQ(printed(), "one\ntwo\nthree\nfour\n");
    EXPECT_EQ(prompts, 2);
    HELP_terminate();
}

TEST_F(Interp, HelpFileMissingOrTooBig) {
    _product = "tool";
    EXPECT_EQ(run({"help"}), "ERROR 021: Help file 'tool.hlp' is not accessible\n");
    std::string many;
    for (int i = 0; i <= HELP_MAX_TOPICS; ++i) many += ".I t" + std::to_string(i) + "\ntext\n";
    tmp.write("tool.hlp", many);
    auto r = testsupport::run_child([] { HELP_init("tool"); });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Too many help indexex. (Max 128)\n");
}

TEST_F(Interp, ProfileSavedAndReplayed) {
    _product = "tool";
    EXPECT_EQ(run({"save"}), "") << "nothing changed, nothing saved";
    EXPECT_EQ(run({"alias ll list", "set greeting hello world", "set dir $HOME.", "keydef f1 help", "save"}),
              "Profile is saved in tool.pro\n");
    std::string text = read_file(tmp.path() / "tool.pro");
    EXPECT_EQ(text.substr(0, text.find("# Created on ")), "# tool.pro \n");
    std::string body = text.substr(text.find('\n', text.find("# Created on ")) + 1);
    std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    EXPECT_EQ(body, "alias ll list\nset greeting \"hello world\"\nset dir " + home + "\nkeydef f1 help\n");

    // A fresh interpreter takes everything back from the file.
    CMD_init();
    CMD_set_path(nullptr, ".", nullptr);
    ASSERT_EQ(PRO_load(), 0);
    EXPECT_STREQ(CMD_get("ll"), "list");
    EXPECT_STREQ(CMD_get_set("greeting"), "hello world");
    EXPECT_STREQ(CMD_get_key("f1"), "help");
    EXPECT_EQ(PRO_is_modify(), 0);
    EXPECT_EQ(printed(), "");

    // Replay stops at the first unknown command, naming its line.
    tmp.write(".tool.pro", "# hidden profile, found first\nset a 1\nbogus x\nset b 2\n");
    CMD_init();
    ASSERT_EQ(PRO_load(), 0);
    EXPECT_EQ(printed(), "ERROR 024: Invalid command in profile, line 3\n");
    EXPECT_STREQ(CMD_get_set("a"), "1");
    EXPECT_EQ(CMD_get_set("b"), nullptr);
}

TEST_F(Interp, ProfileThatCannotBeWritten) {
    _product = "nodir/tool";
    CMD_define_set("a", "1");
    EXPECT_EQ(PRO_create(), "");
    EXPECT_EQ(printed(), "ERROR 025: Cannot save configuration to 'nodir/tool.pro'\n");
    EXPECT_EQ(PRO_is_modify(), 1);
}

std::vector<std::string> names(const char* pattern) {
    std::vector<std::string> out;
    for (const auto& e : FNM_collect(pattern, 1)) out.push_back(e.directory + "|" + e.name);
    return out;
}

TEST_F(Interp, FileListingByPattern) {
    for (const char* f : {"b.txt", "a.txt", "c.dat", ".hidden", "sub/d.txt"}) {
        std::filesystem::create_directories((tmp.path() / f).parent_path());
        tmp.write(f, "12345");
    }
    using V = std::vector<std::string>;
    EXPECT_EQ(names("*.txt"), (V{"|a.txt", "|b.txt"}));
    EXPECT_EQ(names("*"), (V{"|.hidden", "|a.txt", "|b.txt", "|c.dat", "|sub"})) << "no '.' or '..'";
    EXPECT_EQ(names("sub/*"), (V{"sub|d.txt"}));
    EXPECT_EQ(names("a.txt"), (V{"|a.txt"}));
    EXPECT_EQ(names("none.txt"), V{});
    EXPECT_EQ(names("nodir/*"), V{});
    const FnmEntry* e = FNM_get_file("c.dat", 1);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->size, 5);
    EXPECT_TRUE(S_ISREG(e->mode));
    EXPECT_EQ(FNM_get_file(nullptr, 1), nullptr);

    EXPECT_EQ(run({"ls *.txt sub/*"}),
              "Current directory:\n   a.txt          b.txt       \n\n"
              "Directory: sub\n   d.txt       \n\n");
}

TEST(TerminalInput, KeysFromALineWhenStdinIsNotATerminal) {
    cmdtest::StdinFrom keys("yes\n\nQ\n");
    EXPECT_EQ(STR_getc(), 'y');
    EXPECT_EQ(STR_getc(), '\n');
    EXPECT_EQ(STR_getc(), 'Q');
    EXPECT_EQ(STR_getc(), -1);
}

TEST(TerminalInput, PromptChoices) {
    struct Case {
        const char* keys;
        int want;
    };
    for (Case c : {Case{"\n", 'n'}, Case{"z\nY\n", 'y'}, Case{"x\n", 'q'}, Case{"", 'q'}, Case{"c\n", 'c'}}) {
        cmdtest::StdinFrom keys(c.keys);
        std::string err = testsupport::stderr_of([&] { EXPECT_EQ(STR_prompt("Go on ", "(y/n) ", 'n'), c.want) << c.keys; });
        EXPECT_EQ(err, "Go on (y/n) > ");
    }
}

TEST_F(Interp, BreakClosesTheBatchAndCallsItsProcedure) {
    static int calls;
    calls = 0;
    EXPECT_EQ(onbreak([] { ++calls; }), nullptr);
    tmp.write("b.cmd", "echo one\necho two\n");
    cmdtest::feed = {"batch b"};
    cmdtest::fed = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(CMD_wait_cmd(), 6);
    std::raise(SIGINT);
    EXPECT_EQ(isbreak(), 1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(CMD_wait_cmd(), -5) << "the batch was closed, the prompt has no more lines";
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed(), "");
    setbreak(1);
    EXPECT_EQ(isbreak(), 0);
    onbreak(nullptr);
}

}  // namespace
