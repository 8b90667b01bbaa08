#include <gtest/gtest.h>

#include "support/param_name.h"
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/cmd.h"
#include "runtime/dyna.h"
#include "runtime/reset.h"
#include "runtime/fnm.h"
#include "runtime/msg.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ChangeDir;
using testsupport::ScopedEnv;
using testsupport::TempDir;

// Takes a malloc'd result and gives it back as a string ("(null)" for null).
std::string take(char* s) {
    std::string r = s ? s : "(null)";
    std::free(s);
    return r;
}

// Every "@" of a text replaced by the root directory.
std::string at(const std::string& text, const std::string& root) {
    std::string out;
    for (char c : text) {
        if (c == '@')
            out += root;
        else
            out += c;
    }
    return out;
}

std::vector<std::string> full_list() {
    int n = -1;
    const char* const* list = FNM_full_search_list(&n);
    std::vector<std::string> out;
    for (int i = 0; list[i]; ++i) out.push_back(list[i]);
    EXPECT_EQ(static_cast<int>(out.size()), n);
    return out;
}

// The root entries of the search path ("(end)" for the end marker).
std::vector<std::string> roots() {
    char** path = FNM_search_path(nullptr, nullptr, nullptr);
    std::vector<std::string> out;
    for (int i = 0; i < DYNA_count(path); ++i) out.push_back(path[i] ? path[i] : "(end)");
    return out;
}

class FnmBase : public ::testing::Test {
protected:
    void SetUp() override { RUNTIME_reset_globals(); }
    void TearDown() override { RUNTIME_reset_globals(); }
};

// A tree of directories: the working directory "work" with designs, lib and
// mirdale_lib; "q" with designs and lib only; "r"; a link "qlink" to q and
// "worklink" to work; "home/mylib/designs".
class SearchTree {
public:
    SearchTree() {
        for (const char* d : {"work/designs", "work/lib", "work/mirdale_lib", "q/designs", "q/lib", "r",
                              "home/mylib/designs"})
            fs::create_directories(tmp.path() / d);
        fs::create_directory_symlink(tmp.path() / "q", tmp.path() / "qlink");
        fs::create_directory_symlink(tmp.path() / "work", tmp.path() / "worklink");
    }
    std::string root() const { return tmp.str(); }
    fs::path work() const { return tmp.path() / "work"; }

private:
    TempDir tmp;
};

struct OrderCase {
    const char* name;
    const char* quendal;   // "@" stands for the tree's root; null: unset
    const char* lib_path;  // QUENDAL_LIB_PATH, with HOME at @/home; null: not read
    std::vector<std::string> want;
};

const std::vector<std::string> kLocal = {".", "./designs", "./lib", "./mirdale_lib"};

std::vector<std::string> local_and(std::vector<std::string> more) {
    std::vector<std::string> v = kLocal;
    v.insert(v.end(), more.begin(), more.end());
    return v;
}

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

class SearchOrder : public FnmBase, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(SearchOrder, FollowsTheDirectoriesInOrder) {
    const OrderCase& c = GetParam();
    SearchTree tree;
    ChangeDir cd(tree.work());
    std::string quendal = c.quendal ? at(c.quendal, tree.root()) : "";
    ScopedEnv q("QUENDAL", c.quendal ? quendal.c_str() : nullptr);
    ScopedEnv home("HOME", (tree.root() + "/home").c_str());
    std::string lib_path = c.lib_path ? at(c.lib_path, tree.root()) : "";
    ScopedEnv lib("QUENDAL_LIB_PATH", c.lib_path ? lib_path.c_str() : nullptr);
    ASSERT_EQ(CMD_init(), 0);
    if (c.lib_path) {
        EXPECT_EQ(set_multiple_lib_search_path(), 0);
    }
    std::vector<std::string> want;
    for (const auto& w : c.want) want.push_back(at(w, tree.root()));
    EXPECT_EQ(full_list(), want);
}

const std::vector<std::string> kQ = {"@/q", "@/q/designs", "@/q/lib"};

INSTANTIATE_TEST_SUITE_P(
    Table, SearchOrder,
    ::testing::Values(
        OrderCase{"Unset", nullptr, nullptr, kLocal},
        OrderCase{"Root", "@/q", nullptr, local_and(kQ)},
        OrderCase{"LinkDuplicateDropped", "@/q:@/qlink", nullptr, local_and(kQ)},
        OrderCase{"TextDuplicateDropped", "@/q:@/q", nullptr, local_and(kQ)},
        OrderCase{"WorkingDirectoryThroughLink", "@/worklink", nullptr, kLocal},
        OrderCase{"MissingSkipped", "@/missing:@/q", nullptr, local_and(kQ)},
        OrderCase{"BlankSeparated", "@/q @/r", nullptr, local_and({"@/q", "@/q/designs", "@/q/lib", "@/r"})},
        OrderCase{"ColonWinsOverBlank", "@/r:@/q @/r", nullptr, local_and({"@/r"})},
        OrderCase{"UnknownUserSkipped", "~no_such_user_kest/x:@/q", nullptr, local_and(kQ)},
        OrderCase{"Empty", "", nullptr, kLocal},
        OrderCase{"LibraryPathFromHome", "@/q", "~/mylib",
                  local_and({"@/q", "@/q/designs", "@/q/lib", "@/home/mylib", "@/home/mylib/designs"})},
        OrderCase{"LibraryPathHomeUserSkipped", nullptr, "~home/mylib:@/r",
                  local_and({"@/home/mylib", "@/home/mylib/designs", "@/r"})}),
    [](const ::testing::TestParamInfo<OrderCase>& i) { return std::string(i.param.name); });

TEST_F(FnmBase, SetPathReturnsTheFirstRootEntry) {
    SearchTree tree;
    ChangeDir cd(tree.work());
    const std::string r = tree.root();
    EXPECT_EQ(take(qdx_strdup(CMD_set_path((r + "/q:" + r + "/r").c_str(), ".", "designs", nullptr))), r + "/q");
    EXPECT_EQ(roots(), (std::vector<std::string>{".", r + "/q", r + "/r", "(end)"}));
    // A root already present gives entry 0.
    EXPECT_STREQ(CMD_set_path((r + "/worklink").c_str(), ".", nullptr), ".");
    EXPECT_EQ(CMD_set_path(nullptr, ".", "designs", nullptr), nullptr);
    // The database's second call: a root alone, no subdirectories.
    EXPECT_EQ(take(qdx_strdup(CMD_set_path((r + "/q").c_str(), nullptr, nullptr, nullptr))), r + "/q");
    EXPECT_EQ(full_list(), std::vector<std::string>{r + "/q"});
}

TEST_F(FnmBase, InitCreatesTheControlBlock) {
    SearchTree tree;
    ChangeDir cd(tree.work());
    ScopedEnv q("QUENDAL", nullptr);
    ASSERT_EQ(CMD_init(), 0);
    ASSERT_NE(cmd_ccb, nullptr);
    EXPECT_EQ(cmd_ccb->batch, nullptr);
    EXPECT_EQ(cmd_ccb->prompt, nullptr);
    EXPECT_EQ(cmd_ccb->mode, 0u);
    EXPECT_EQ(DYNA_header(cmd_ccb->history)->fixed, static_cast<uint32_t>(CMD_HISTORY_SIZE));
    EXPECT_EQ(DYNA_count(cmd_ccb->queue), 0);
    EXPECT_EQ(CMD_queue_cursor(), -1);
    EXPECT_EQ(DYNA_count(cmd_ccb->variables), 0);
    EXPECT_EQ(full_list(), kLocal);
    // A second set-up replaces the block; terminate frees it.
    ASSERT_EQ(CMD_init(), 0);
    EXPECT_EQ(CMD_terminate(), 0);
    EXPECT_EQ(cmd_ccb, nullptr);
}

struct AddPathCase {
    const char* text;
    std::vector<std::string> want;
    const char* result;  // null: no result
};

void PrintTo(const AddPathCase& c, std::ostream* os) { *os << testsupport::quoted(c.text); }

class AddPath : public FnmBase, public ::testing::WithParamInterface<AddPathCase> {};

TEST_P(AddPath, SplitsAndDropsDuplicates) {
    const AddPathCase& c = GetParam();
    TempDir tmp;
    ChangeDir cd(tmp.path());
    FNM_clear_path();
    FNM_add_path("a");
    const char* r = FNM_add_path(c.text);
    if (c.result) {
        EXPECT_STREQ(r, c.result);
    } else {
        EXPECT_EQ(r, nullptr);
    }
    EXPECT_EQ(roots(), c.want);
}

INSTANTIATE_TEST_SUITE_P(Table, AddPath,
                         ::testing::Values(AddPathCase{"x:y z", {"a", "x", "y z"}, "x"},
                                           AddPathCase{"x y", {"a", "x", "y"}, "x"},
                                           AddPathCase{"a:b", {"a", "b"}, "a"},
                                           AddPathCase{"x::y:", {"a", "x", "y"}, "x"},
                                           AddPathCase{"", {"a", "."}, nullptr},
                                           AddPathCase{" x", {"a", "."}, nullptr},
                                           AddPathCase{nullptr, {"a", "(end)"}, nullptr}),
    [](const auto& i) { return testsupport::param_name(i.param.text, i.index, 40); });

TEST_F(FnmBase, SelfLinkEndsTheRun) {
    TempDir tmp;
    ChangeDir cd(tmp.path());
    fs::create_symlink("loop", tmp.path() / "loop");
    fs::create_symlink("b", tmp.path() / "a");
    fs::create_symlink("a", tmp.path() / "b");
    const std::string r = tmp.str();
    EXPECT_EXIT(CMD_set_path((r + "/loop").c_str(), ".", nullptr), ::testing::ExitedWithCode(255),
                "Please remove self-link '" + r + "/loop->" + r + "/loop' before proceeding!");
    EXPECT_EXIT(CMD_set_path((r + "/a").c_str(), ".", nullptr), ::testing::ExitedWithCode(255),
                "self-link '" + r + "/a->" + r + "/b->" + r + "/a'");
}

TEST_F(FnmBase, GetLinkAndDirComp) {
    TempDir tmp;
    fs::create_directories(tmp.path() / "real/sub");
    fs::create_directory_symlink("real", tmp.path() / "rel");                // relative target
    fs::create_directory_symlink(tmp.path() / "rel", tmp.path() / "chain");  // link to a link
    const std::string r = tmp.str();
    EXPECT_EQ(take(FNM_get_link((r + "/rel").c_str())), r + "/real");
    EXPECT_EQ(take(FNM_get_link((r + "/chain").c_str())), r + "/real");
    EXPECT_EQ(take(FNM_get_link((r + "/real").c_str())), r + "/real");
    {
        ChangeDir cd(tmp.path() / "real");
        EXPECT_EQ(take(FNM_get_link(".")), r + "/real");
        EXPECT_EQ(take(FNM_get_link("")), r + "/real");
    }
    auto cmp = [](const char* a, const char* b) { return dir_comp(&a, &b); };
    EXPECT_EQ(cmp((r + "/chain").c_str(), (r + "/real").c_str()), 0);
    EXPECT_NE(cmp((r + "/real").c_str(), (r + "/real/sub").c_str()), 0);
    EXPECT_EQ(cmp("x", "x"), 0);
    EXPECT_EQ(cmp(nullptr, "x"), -1);
    EXPECT_EQ(dir_comp(nullptr, nullptr), -1);
}

TEST_F(FnmBase, SearchTriesOnlyWhatTheFlagSays) {
    SearchTree tree;
    const std::string r = tree.root();
    fs::path w = tree.work();
    std::ofstream(w / "here.txt") << "x";
    std::ofstream(w / "lib/both.sdb") << "x";
    std::ofstream(fs::path(r) / "q/both.sdb") << "x";
    std::ofstream(fs::path(r) / "q/designs/chip.sdb") << "x";
    ChangeDir cd(w);
    CMD_set_path((r + "/q").c_str(), nullptr, "designs:lib", nullptr);  // "." not on the path
    EXPECT_EQ(take(FNM_search("here.txt", 0, FNM_NAME_ONLY)), "here.txt");
    EXPECT_EQ(take(FNM_search("here.txt", 0, FNM_SEARCH_PATH)), "(null)");
    EXPECT_EQ(take(FNM_search("both.sdb", 0, FNM_SEARCH_PATH)), r + "/q/both.sdb");
    EXPECT_EQ(take(FNM_search("chip.sdb", 0, -1)), r + "/q/designs/chip.sdb");
    EXPECT_EQ(take(FNM_search("chip.sdb", 0, 7)), "(null)");
    EXPECT_EQ(take(FNM_search1("chip.sdb", 0, FNM_SEARCH_PATH)), "(null)");  // only entry 0 itself
    EXPECT_EQ(take(FNM_search1("both.sdb", 0, FNM_SEARCH_PATH)), r + "/q/both.sdb");
    EXPECT_EQ(take(FNM_search_file("chip.v", ".v, .sdb", FNM_SEARCH_PATH)), r + "/q/designs/chip.sdb");
    const char* exts[] = {".v", ".sdb", nullptr};
    EXPECT_EQ(take(FNM_search_ext("chip", exts, FNM_SEARCH_PATH)), r + "/q/designs/chip.sdb");
    EXPECT_EQ(take(FNM_search_ext("chip.v", exts, FNM_SEARCH_PATH)), "(null)");

    CMD_set_path(nullptr, ".", "designs:lib", nullptr);
    EXPECT_EQ(take(FNM_search("both.sdb", 0, FNM_SEARCH_PATH)), "./lib/both.sdb");
    // A change of the lists is seen by the next search.
    FNM_add_path((r + "/q").c_str());
    EXPECT_EQ(take(FNM_search("chip.sdb", 0, FNM_SEARCH_PATH)), r + "/q/designs/chip.sdb");
    FNM_clear_path();
    EXPECT_EQ(take(FNM_search("both.sdb", 0, FNM_SEARCH_PATH)), "(null)");
}

TEST_F(FnmBase, SubdirectoryList) {
    TempDir tmp;
    ChangeDir cd(tmp.path());
    char** dirs = FNM_search_subdir("designs, lib:designs\tlib");
    ASSERT_EQ(DYNA_count(dirs), 2);
    EXPECT_EQ(FNM_add_lib_subdir("lib"), -1);
    EXPECT_EQ(FNM_add_lib_subdir("help"), 2);
    EXPECT_EQ(FNM_del_subdir("designs"), 0);
    dirs = FNM_search_subdir(nullptr);
    EXPECT_EQ(dirs[0], nullptr);
    EXPECT_EQ(FNM_add_lib_subdir("extra"), 0);  // the freed slot is reused
    EXPECT_STREQ(FNM_scan_searchpath(), "extra");
    EXPECT_EQ(FNM_add_default_search_dir("lib"), 3);  // no duplicate test
    FNM_clear_path();
    EXPECT_EQ(take(FNM_form_path()), "");
    FNM_search_path("b c", "a", nullptr);
    EXPECT_EQ(take(FNM_form_path()), "a b c");
}

TEST_F(FnmBase, LibraryPathWarnings) {
    TempDir tmp;
    ChangeDir cd(tmp.path());
    CMD_set_path(nullptr, ".", nullptr);
    {
        ScopedEnv lib("QUENDAL_LIB_PATH", nullptr);
        EXPECT_EQ(set_multiple_lib_search_path(), 1);
    }
    ScopedEnv lib("QUENDAL_LIB_PATH", "/x/lib:/x/lib:~/y");
    ScopedEnv home("HOME", nullptr);
    testing::internal::CaptureStderr();
    EXPECT_EQ(set_multiple_lib_search_path(), 0);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("WARNING Library search path '/x/lib' already exists.\n"), std::string::npos) << err;
    EXPECT_NE(err.find("WARNING Can not find home directory for library path - '~/y'!\n"), std::string::npos)
        << err;
    EXPECT_EQ(roots(), (std::vector<std::string>{".", "/x/lib", "(end)"}));
}

struct LibPieceCase {
    const char* piece;
    const char* want;
};

void PrintTo(const LibPieceCase& c, std::ostream* os) { *os << testsupport::quoted(c.piece); }

class LibPiece : public FnmBase, public ::testing::WithParamInterface<LibPieceCase> {};

TEST_P(LibPiece, ExpandsFromHome) {
    ScopedEnv home("HOME", "/h/me");
    EXPECT_STREQ(make_full_lib_path(GetParam().piece), GetParam().want);
}

INSTANTIATE_TEST_SUITE_P(Table, LibPiece,
                         ::testing::Values(LibPieceCase{"~/lib", "/h/me/lib"}, LibPieceCase{"~me/lib", "/h/me/lib"},
                                           LibPieceCase{"~", "/h/me"}, LibPieceCase{"~/a//b/", "/h/me/a/b"},
                                           LibPieceCase{"/abs/lib", "/abs/lib"}),
    [](const auto& i) { return testsupport::param_name(i.param.piece, i.index, 40); });

TEST_F(FnmBase, HomeExpansion) {
    struct passwd* pw = getpwuid(getuid());
    ASSERT_NE(pw, nullptr);
    const std::string home = pw->pw_dir;
    const std::string user = pw->pw_name;
    ScopedEnv env_home("HOME", "/somewhere/else");  // "~" comes from the password database
    EXPECT_EQ(take(FNM_get_home("~")), home);
    EXPECT_EQ(take(FNM_get_home("~/x/y.def")), home + "/x/y.def");
    EXPECT_EQ(take(FNM_get_home(("~" + user + "/x").c_str())), home + "/x");
    EXPECT_EQ(take(FNM_get_home("~no_such_user_kest/x")), "(null)");
    EXPECT_EQ(take(FNM_get_home("plain/x")), "plain/x");
    EXPECT_EQ(take(FNM_break("~/d/x.v", "p")), home + "/d/");
    FnmParts* parts = FNM_parse(("~" + user + "/f.v").c_str());
    EXPECT_EQ(take(FNM_make(parts)), home + "/f.v");
    EXPECT_EQ(std::string(parts->directory), home);  // the expansion is kept
    FNM_free(parts);
}

struct ParseCase {
    const char* name;
    const char* volume;
    const char* directory;
    const char* base;
    const char* extension;
    const char* made;  // FNM_make of the parts
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << testsupport::quoted(c.name); }

class Parse : public FnmBase, public ::testing::WithParamInterface<ParseCase> {};

std::string orNull(const char* s) { return s ? s : "(null)"; }

TEST_P(Parse, SplitsAndRebuilds) {
    const ParseCase& c = GetParam();
    FnmParts* p = FNM_parse(c.name);
    EXPECT_EQ(orNull(p->volume), orNull(c.volume));
    EXPECT_EQ(orNull(p->directory), orNull(c.directory));
    EXPECT_EQ(orNull(p->base), orNull(c.base));
    EXPECT_EQ(orNull(p->extension), orNull(c.extension));
    FnmParts* d = FNM_dup(p);
    EXPECT_EQ(take(FNM_make(d)), c.made);
    FNM_free(d);
    FNM_free(p);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Parse,
    ::testing::Values(ParseCase{"dir/sub/file.v", nullptr, "dir/sub", "file", "v", "dir/sub/file.v"},
                      ParseCase{"file", nullptr, nullptr, "file", nullptr, "file"},
                      ParseCase{"a.b.c", nullptr, nullptr, "a.b", "c", "a.b.c"},
                      ParseCase{".cshrc", nullptr, nullptr, ".cshrc", nullptr, ".cshrc"},
                      ParseCase{"dir/.cshrc", nullptr, "dir", ".cshrc", nullptr, "dir/.cshrc"},
                      ParseCase{"/etc/passwd", nullptr, "/etc", "passwd", nullptr, "/etc/passwd"},
                      ParseCase{"/x.v", nullptr, "/", "x", "v", "/x.v"},
                      ParseCase{"../up", nullptr, "..", "up", nullptr, "../up"},
                      ParseCase{"x.", nullptr, nullptr, "x", nullptr, "x"},
                      ParseCase{"C:dir/x.v", "C", "C:dir", "x", "v", "C:dir/x.v"},
                      ParseCase{"C:x.v", "C", nullptr, "C:x", "v", "C:x.v"},
                      ParseCase{"dir/a:b.c", nullptr, "dir", "a:b", "c", "dir/a:b.c"}),
    [](const auto& i) { return testsupport::param_name(i.param.name, i.index, 40); });

struct PartsCase {
    const char* op;  // "break", "strip"
    const char* name;
    const char* letters;
    const char* want;
};

void PrintTo(const PartsCase& c, std::ostream* os) {
    *os << c.op << " " << testsupport::quoted(c.name) << " " << testsupport::quoted(c.letters);
}

class Parts : public FnmBase, public ::testing::WithParamInterface<PartsCase> {};

TEST_P(Parts, SelectsParts) {
    const PartsCase& c = GetParam();
    std::string got = std::strcmp(c.op, "break") == 0 ? take(FNM_break(c.name, c.letters))
                                                      : take(FNM_strip(c.name, c.letters));
    EXPECT_EQ(got, c.want);
}

INSTANTIATE_TEST_SUITE_P(Table, Parts,
                         ::testing::Values(PartsCase{"break", "dir/chip.sdb", "b", "chip"},
                                           PartsCase{"break", "dir/chip.sdb", "be", "chip.sdb"},
                                           PartsCase{"break", "dir/chip.sdb", "e", ".sdb"},
                                           PartsCase{"break", "dir/chip.sdb", "p", "dir/"},
                                           PartsCase{"break", "dir/chip.sdb", "eb?p", "dir/chip.sdb"},
                                           PartsCase{"break", "chip.sdb", "p", ""},
                                           PartsCase{"break", "chip", "e", ""},
                                           PartsCase{"break", "/x.v", "p", "/"},
                                           PartsCase{"break", "C:dir/x.v", "v", "C:"},
                                           PartsCase{"break", "C:dir/x.v", "p", "dir/"},
                                           PartsCase{"break", "C:dir/x.v", "vpbe", "C:dir/x.v"},
                                           PartsCase{"strip", "dir/chip.sdb", "e", "dir/chip"},
                                           PartsCase{"strip", "dir/chip.sdb", "p", "chip.sdb"},
                                           PartsCase{"strip", "C:dir/x.v", "v", "dir/x.v"}),
    [](const auto& i) {
        return testsupport::param_name(std::string(i.param.op) + "_" + i.param.name + "_" +
               i.param.letters, i.index, 40);
    });

TEST_F(FnmBase, BuildReplaceAppend) {
    struct {
        const char *dir, *name, *ext, *want;
    } builds[] = {{nullptr, "chip.v", ".sdb", "chip.sdb"},
                  {"out", "dir/chip.v", nullptr, "out/chip.v"},
                  {"out/", "chip", ".sdb", "out/chip.sdb"},
                  {nullptr, "core", "dft", "core.dft"},
                  {nullptr, "/x.v", ".sdb", "/x.sdb"}};
    for (const auto& b : builds) EXPECT_EQ(take(FNM_build(b.dir, b.name, b.ext)), b.want) << b.name;

    EXPECT_EQ(take(FNM_replace("dir/chip.v", 'e', qdx_strdup("sdb"))), "dir/chip.sdb");
    EXPECT_EQ(take(FNM_replace("dir/chip.v", 'p', qdx_strdup("out"))), "out/chip.v");
    EXPECT_EQ(take(FNM_replace("dir/chip.v", 'b', qdx_strdup("top"))), "dir/top.v");
    EXPECT_EQ(take(FNM_replace("dir/chip.v", 'p', nullptr)), "chip.v");

    struct {
        const char *name, *ext, *want;
    } appends[] = {{"x.def", ".def", "x.def"}, {"x", ".def", "x.def"},       {"x.def", nullptr, "x"},
                   {"x.d", ".def", "x.d.def"},  {"./x", nullptr, "./x"},     {"a.b/x", ".def", "a.b/x.def"}};
    for (const auto& a : appends) EXPECT_EQ(take(FNM_append_ext(a.name, a.ext)), a.want) << a.name;

    FnmParts* p = FNM_parse("dir/chip.v");
    FNM_set_name(p, "other.sdb");  // has a base and an extension, no directory
    EXPECT_EQ(take(FNM_make(p)), "dir/other.sdb");
    EXPECT_EQ(take(FNM_get_name(p)), "other.sdb");
    FNM_free(p);
}

TEST_F(FnmBase, FileTests) {
    TempDir tmp;
    const std::string file = tmp.write("f.txt", "12345");
    const std::string dir = tmp.str();
    fs::create_symlink(file, tmp.path() / "flink");
    const std::string link = (tmp.path() / "flink").string();
    // A regular file is not a link (the file-type bits are compared whole).
    EXPECT_EQ(FNM_islink(file.c_str()), 0);
    EXPECT_EQ(FNM_islink(dir.c_str()), 0);
    EXPECT_EQ(FNM_islink(link.c_str()), 1);
    EXPECT_EQ(FNM_islink((dir + "/missing").c_str()), 0);
    EXPECT_EQ(FNM_isdir(dir.c_str()), 1);
    EXPECT_EQ(FNM_isdir(file.c_str()), 0);
    EXPECT_EQ(FNM_isdir(link.c_str()), 0);
    EXPECT_EQ(FNM_fstat(file.c_str()), 0);
    EXPECT_EQ(FNM_fsize(nullptr), 5);  // of the last status
    EXPECT_EQ(FNM_fsize(link.c_str()), 5);
    EXPECT_NE(FNM_mtime(nullptr), 0);
    EXPECT_EQ(FNM_fstat((dir + "/missing").c_str()), -1);
    EXPECT_EQ(FNM_fmode(nullptr), 0u);
}

TEST_F(FnmBase, OpenAlongThePath) {
    TempDir tmp;
    ChangeDir cd(tmp.path());
    tmp.write("lib/in.txt", "hello");
    CMD_set_path(nullptr, ".", "lib", nullptr);
    FILE* f = FNM_fopen("in.txt", "r");
    ASSERT_NE(f, nullptr);
    char buf[8] = {};
    EXPECT_EQ(std::fread(buf, 1, 5, f), 5u);
    std::fclose(f);
    EXPECT_STREQ(buf, "hello");
    EXPECT_EQ(FNM_fopen("absent.txt", "r"), nullptr);
    f = FNM_fopen("new.txt", "w");  // not found: the name itself
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    EXPECT_TRUE(fs::exists(tmp.path() / "new.txt"));
}

// An input is a regular file (through links too); anything else is
// refused before it is opened, so a FIFO without a writer never blocks.
TEST_F(FnmBase, OpenInputTakesRegularFilesOnly) {
    TempDir tmp;
    const std::string file = tmp.write("f.txt", "hello");
    const std::string fifo = tmp.str() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink(file, tmp.path() / "flink");
    fs::create_symlink(fifo, tmp.path() / "fifolink");
    struct Case {
        std::string name;
        std::string why;  // empty: opened
    };
    const Case cases[] = {
        {file, ""},
        {tmp.str() + "/flink", ""},
        {fifo, FNM_NOT_REGULAR},
        {tmp.str() + "/fifolink", FNM_NOT_REGULAR},
        {tmp.str(), FNM_NOT_REGULAR},
        {"/dev/zero", FNM_NOT_REGULAR},
        {tmp.str() + "/missing", std::strerror(ENOENT)},
    };
    for (const Case& c : cases) {
        std::string why = "unset";
        FILE* f = FNM_open_input(c.name.c_str(), &why);
        EXPECT_EQ(f != nullptr, c.why.empty()) << c.name;
        if (f) {
            char buf[8] = {};
            EXPECT_EQ(std::fread(buf, 1, sizeof buf, f), 5u) << c.name;
            EXPECT_STREQ(buf, "hello");
            std::fclose(f);
        } else {
            EXPECT_EQ(why, c.why) << c.name;
        }
        EXPECT_EQ(FNM_regular_input(c.name.c_str()), c.why.empty()) << c.name;
    }
}

}  // namespace
