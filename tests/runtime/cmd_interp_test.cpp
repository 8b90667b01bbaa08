// The command interpreter's rules, driven through the prompt as a user
// types them: abbreviations, ";" splitting, history, aliases, variables,
// options, redirection, batch files and the special variables.
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "runtime/cmd_test_util.h"
#include "support/child.h"

namespace {

using cmdtest::Interp;
using testsupport::read_file;

struct RuleCase {
    const char* name;
    std::map<std::string, std::string> files;  // written before the run
    std::vector<std::string> lines;
    std::string printed;
    std::map<std::string, std::string> written;  // files expected after it
};

void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }

std::string repeat(const std::string& s, int n) {
    std::string out;
    while (n-- > 0) out += s;
    return out;
}

const RuleCase kRules[] = {
    {"AbbreviatedCommandFirstMatchInTableOrder", {}, {"lo a b", "LI", "l"},
     "load opt=-,-1 file=- flags=args=a b\nlist\nload opt=-,-1 file=- flags=args=\n", {}},
    {"UnknownCommandRunsNothing", {}, {"frobnicate x", "nothing -z", "echo after"}, "after\n", {}},
    {"SemicolonSplitsAndBarIsALiteralSemicolon", {}, {"echo a; echo b|c ;list"}, "a\nb;c\nlist\n", {}},
    {"HistoryRecall", {}, {"echo one", "echo two", "=", "!1", "!!", "!9", "history"},
     "one\ntwo\ntwo\none\none\n    1  echo one\n    2  echo two\n    3  history\n", {}},
    {"AliasReplacesTheFirstWord", {}, {"alias hi echo hello", "hi there", "alias", "hi,you"},
     "hello there\nhi echo hello\nhello you\n", {}},
    {"Variables", {}, {"set who world", "echo $who. and $who.s", "echo \\$who [$nobody]", "echo $KEST_CMD_ENV"},
     "world and worlds\n\\$who [\nfrom-env\n", {}},
    {"OptionsTakeValuesByTheirFormat", {},
     {"load -opt name 5 -file in.txt x y", "load -o n2 7 -in b.txt", "load -optn3 9", "load -vX z -x"},
     "load opt=name,5 file=in.txt flags=args=x y\n"
     "load opt=n2,7 file=b.txt flags=args=\n"
     "load opt=n3,9 file=- flags=args=\n"
     "load opt=-,-1 file=- flags=-v -x -X args=z\n",
     {}},
    {"InvalidCommandOption", {}, {"load -z", "load -vq a", "load -Opt"},
     "ERROR 010: Invalid command option: -z\nERROR 010: Invalid command option: -vq\n"
     "load opt=-,-1 file=- flags=args=\n",
     {}},
    {"Redirection", {{"keep.txt", "old\n"}},
     {"echo hi > out.txt", "echo more >>out.txt", "echo new >keep.txt", "load -z >err.txt", "echo screen"},
     "screen\n",
     {{"out.txt", "hi\nmore\n"}, {"keep.txt", "new\n"}, {"err.txt", "ERROR 010: Invalid command option: -z\n"}}},
    {"BatchFileWithEcho", {{"steps.cmd", "echo first\n@echo quiet\n# note\necho last;echo end\n"}},
     {"echo -on", "<steps", "echo -off", "echo done"},
     "echo first\nfirst\nquiet\n# note\necho last;echo end\nlast\nend\ndone\n", {}},
    {"NestedBatchIsBounded", {{"self.cmd", "echo x\nbatch self\n"}}, {"batch self.cmd", "echo after"},
     repeat("x\n", 16) + "ERROR 026: Batch files nested too deeply (at most 16)\nafter\n", {}},
    {"LongLinesAreKeptWhole", {{"long.cmd", "echo " + std::string(3000, 'y') + "\n"}},
     {"batch long", "echo " + std::string(2000, 'z') + " >long.txt"}, std::string(3000, 'y') + "\n",
     {{"long.txt", std::string(2000, 'z') + "\n"}}},
    {"MissingBatchFile", {}, {"batch nothere", "echo on"}, "ERROR 042: Cannot open input file 'nothere.cmd'\non\n",
     {}},
    {"SpecialVariables", {{"sub/found.txt", ""}},
     {"set log -o my.log", "echo x", "log noted", "where found.txt", "set path sub", "where found.txt", "set"},
     "x\nsub/found.txt\n", {{"my.log", "x\nnoted\nsub/found.txt\n"}}},
};

class Rules : public Interp, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(Rules, PrintsAndWrites) {
    const RuleCase& c = GetParam();
    testsupport::ScopedEnv env("KEST_CMD_ENV", "from-env");
    for (const auto& [name, text] : c.files) {
        std::filesystem::create_directories(tmp.path() / std::filesystem::path(name).parent_path());
        tmp.write(name, text);
    }
    EXPECT_EQ(run(c.lines), c.printed);
    for (const auto& [name, text] : c.written) EXPECT_EQ(read_file(tmp.path() / name), text) << name;
}

INSTANTIATE_TEST_SUITE_P(Interpreter, Rules, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Interp, WaitCmdResults) {
    cmdtest::feed = {"", "# remark", "frob", "list"};
    cmdtest::fed = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(CMD_wait_cmd(), -3);
    EXPECT_EQ(CMD_wait_cmd(), -4);
    EXPECT_EQ(CMD_wait_cmd(), -1);
    EXPECT_EQ(CMD_wait_cmd(), 1);
    EXPECT_EQ(CMD_wait_cmd(), -5);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("\n ? "), std::string::npos) << "the default prompt";
}

TEST_F(Interp, SelfReferringVariableIsReportedNotExpanded) {
    CMD_define_set("a", "x$a");
    CMD_define_set("b", "$c");
    CMD_define_set("c", "[$b ]");
    CMD_define_set("d", "$e$e");
    CMD_define_set("e", "ok");
    EXPECT_EQ(run({"echo $a", "echo $b", "echo $d"}),
              "ERROR 028: Variable 'a' refers to itself\n"
              "ERROR 028: Variable 'b' refers to itself\n"
              "okok\n");
}

TEST_F(Interp, NestedCommandsAreBounded) {
    EXPECT_EQ(run({"recurse"}), "ERROR 027: Commands nested too deeply (at most 20)\n");
    EXPECT_EQ(CMD_last_status(), -1);
    // The saved states all came back: the next command parses normally.
    EXPECT_EQ(run({"load -opt a 1"}), "load opt=a,1 file=- flags=args=\n");
}

TEST_F(Interp, BatchPauseReadsKeysWhenStdinIsNotATerminal) {
    tmp.write("p.cmd", "echo one\necho two\necho three\n");
    cmdtest::StdinFrom keys("i\nc\n");
    EXPECT_EQ(run({"set batch.pause yes", "batch p"}), "two\nthree\n");
    // Two pause marks after the prompts, none after the "c".
    EXPECT_NE(err_.find(" ? ??\n"), std::string::npos) << err_;
    EXPECT_EQ(err_.find("???"), std::string::npos) << err_;
}

TEST_F(Interp, PauseQuitClosesTheBatch) {
    tmp.write("q.cmd", "echo one\npause stop here\necho never\n");
    cmdtest::StdinFrom keys("q\n");
    EXPECT_EQ(run({"batch q", "echo after"}), "one\nafter\n");
    EXPECT_NE(err_.find("stop here\nPress ENTER key to continue or Q to quit:\n"), std::string::npos);
}

TEST_F(Interp, ShellHandsTheLineToShAndStartsShWithoutWords) {
    // "|" stands for the ";" that would otherwise split the line.
    std::string out = testsupport::stdout_of(
        [&] { EXPECT_EQ(run({"shell echo from-line| exit 3"}), "\nWARNING 020: System status = 3\n"); });
    EXPECT_EQ(out, "from-line\n");
    cmdtest::StdinFrom script("echo from-sh\nexit 4\n");
    out = testsupport::stdout_of([&] { EXPECT_EQ(run({"shell"}), "\nWARNING 020: System status = 4\n"); });
    EXPECT_EQ(out, "from-sh\n");
}

TEST(CmdParseMain, WithoutDictionaryUsesTheOptionText) {
    RUNTIME_reset_globals();
    const char* argv[] = {"prog", "-ab", "-out", "x.txt", "-n5", "file"};
    ASSERT_EQ(CMD_parse_main(6, const_cast<char**>(argv), "[-a-c] -out %s -n %d"), 0);
    const char* out = nullptr;
    int n = 0;
    EXPECT_EQ(CMD_get_opt("-out", &out), 1);
    EXPECT_STREQ(out, "x.txt");
    EXPECT_EQ(CMD_get_opt("-n", &n), 1);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(CMD_print_flag(CMD_get_flag(0), 'a'), "-a -b ");
    EXPECT_STREQ(CMD_get_arg_str(), "file");
    EXPECT_EQ(CMD_get_arg_str(), nullptr);
    const char* bad[] = {"prog", "-d"};
    std::string err = testsupport::stderr_of([&] { EXPECT_EQ(CMD_parse_main(2, const_cast<char**>(bad), "[-a-c]"), -1); });
    EXPECT_EQ(err, "ERROR 010: Invalid command option: -d\n");
    RUNTIME_reset_globals();
}

}  // namespace
