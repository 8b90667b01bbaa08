// Output files written whole: temporary names that fit, the removal of a
// killed writer's temporaries (and of nothing else), joint commits that
// replace all files or none, copies, and the cleanup at the end of a run.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "runtime/exit.h"
#include "runtime/output_file.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace {

namespace fs = std::filesystem;
using testsupport::read_file;
using testsupport::TempDir;

// Every entry of dir with its bytes.
std::map<std::string, std::string> contents(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(dir))
        files[e.path().filename().string()] = e.is_regular_file() ? read_file(e.path()) : std::string("<dir>");
    return files;
}

bool write_whole(const std::string& target, const std::string& text) {
    AtomicFile f(target);
    if (!f.open()) return false;
    std::fputs(text.c_str(), f.stream());
    return f.commit();
}

class OutputFile : public ::testing::Test {
protected:
    void SetUp() override {
        RT_reset_output_files();
        RT_reset_exit_state();
    }
    void TearDown() override {
        RT_reset_output_files();
        RT_reset_exit_state();
    }
};

// A target name of any length that the folder takes gets a temporary
// name that fits too, distinct for names that share a long beginning.
TEST_F(OutputFile, TemporaryNameFitsWheneverTheTargetDoes) {
    TempDir dir;
    const long max = RT_name_max(dir.str());
    std::set<std::string> templates;
    for (long length : {1L, 100L, max - 12, max - 11, max - 8, max - 4, max - 1, max}) {
        SCOPED_TRACE(length);
        for (char last : {'a', 'b'}) {
            const std::string name = std::string(static_cast<size_t>(length - 1), 'n') + last;
            const std::string target = (dir.path() / name).string();
            const std::string templ = RT_temp_template(target);
            EXPECT_LE(static_cast<long>(fs::path(templ).filename().string().size()), max);
            EXPECT_TRUE(templates.insert(templ).second) << "two targets share " << templ;
            ASSERT_TRUE(write_whole(target, "text " + name)) << "a target of " << length << " bytes";
            EXPECT_EQ(read_file(target), "text " + name);
        }
    }
}

// A temporary left by a writer that was killed goes when its target is
// opened again; a live writer's temporary, another target's, and files
// that only look alike stay.
TEST_F(OutputFile, StaleTemporariesOfTheTargetOnlyAreRemoved) {
    TempDir dir;
    const std::string target = (dir.path() / "chip.bso").string();
    // A writer killed with its file open.
    const pid_t pid = fork();
    if (pid == 0) {
        AtomicFile f(target);
        if (!f.open()) _exit(1);
        std::fputs("half", f.stream());
        std::fflush(f.stream());
        ::kill(getpid(), SIGKILL);
    }
    int st = 0;
    waitpid(pid, &st, 0);
    AtomicFile other((dir.path() / "chip.v").string());
    ASSERT_TRUE(other.open());
    const std::vector<std::string> lookalikes = {".chip.bso.backup", ".chip.bso.tmp.ab", "chip.bso.tmp.abcdef",
                                                 ".chip.bsox.tmp.abcdef"};
    for (const std::string& n : lookalikes) std::ofstream(dir.path() / n) << "mine";
    size_t stale = 0;
    for (const auto& [name, text] : contents(dir.path())) stale += name.rfind(".chip.bso.tmp.", 0) == 0 && name.size() == 20;
    ASSERT_EQ(stale, 1u);

    RT_reset_output_files();  // a new run
    AtomicFile live(target);
    ASSERT_TRUE(live.open());
    AtomicFile second(target);  // a second writer of the target while the first lives
    ASSERT_TRUE(second.open());
    std::set<std::string> left;
    for (const auto& [name, text] : contents(dir.path())) left.insert(name);
    std::set<std::string> want = {fs::path(live.temp()).filename().string(), fs::path(second.temp()).filename().string(),
                                  fs::path(other.temp()).filename().string()};
    want.insert(lookalikes.begin(), lookalikes.end());
    EXPECT_EQ(left, want);
}

struct CommitCase {
    std::string name;
    // Makes the n-th file fail: at its write (a file size limit), or at
    // its rename (a folder stands where it goes).
    enum class Fault { Write, Rename } fault;
    int at;
};
void PrintTo(const CommitCase& c, std::ostream* os) { *os << c.name; }

class JointCommit : public ::testing::TestWithParam<CommitCase> {};

// Three files replaced together: a failure at any file of any step leaves
// every old file as it was, makes no new one and leaves no temporary.
TEST_P(JointCommit, AllOrNothing) {
    const CommitCase& c = GetParam();
    TempDir dir;
    const std::vector<std::string> names = {"chip.bsc", "chip.lib", "chip.pin"};
    // The old files: the first two exist, the third is new.
    std::ofstream(dir.path() / names[0]) << "old bsc";
    std::ofstream(dir.path() / names[1]) << "old lib";
    if (c.fault == CommitCase::Fault::Rename) {
        fs::remove(dir.path() / names[static_cast<size_t>(c.at)]);
        fs::create_directory(dir.path() / names[static_cast<size_t>(c.at)]);
    }
    const auto before = contents(dir.path());
    const auto r = testsupport::run_child([&] {
        RT_reset_output_files();
        testsupport::FileSizeLimit limit(50000);
        std::vector<std::unique_ptr<AtomicFile>> files;
        std::vector<AtomicFile*> all;
        for (size_t i = 0; i < names.size(); ++i) {
            files.push_back(std::make_unique<AtomicFile>((dir.path() / names[i]).string()));
            all.push_back(files.back().get());
            if (!files.back()->open()) qdx_exit(3);
            const bool big = c.fault == CommitCase::Fault::Write && static_cast<int>(i) == c.at;
            std::fputs(std::string(big ? 100000 : 10, 'x').c_str(), files.back()->stream());
        }
        std::string failed, why;
        const bool ok = RT_commit_all(all, &failed, &why);
        std::printf("%s|%s|%s", ok ? "ok" : "failed", fs::path(failed).filename().c_str(), why.c_str());
        qdx_exit(0);
    });
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const std::string why = c.fault == CommitCase::Fault::Write ? "File too large" : "Is a directory";
    EXPECT_EQ(r.out, "failed|" + names[static_cast<size_t>(c.at)] + "|" + why);
    EXPECT_EQ(contents(dir.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, JointCommit,
    ::testing::Values(CommitCase{"first_write", CommitCase::Fault::Write, 0},
                      CommitCase{"last_write", CommitCase::Fault::Write, 2},
                      CommitCase{"second_target_a_folder", CommitCase::Fault::Rename, 1},
                      CommitCase{"last_target_a_folder", CommitCase::Fault::Rename, 2}),
    [](const auto& info) { return info.param.name; });

TEST_F(OutputFile, JointCommitReplacesEveryFile) {
    TempDir dir;
    std::ofstream(dir.path() / "a") << "old a";
    AtomicFile a((dir.path() / "a").string()), b((dir.path() / "b").string());
    ASSERT_TRUE(a.open() && b.open());
    std::fputs("new a", a.stream());
    std::fputs("new b", b.stream());
    ASSERT_TRUE(RT_commit_all({&a, &b}));
    EXPECT_EQ(contents(dir.path()), (std::map<std::string, std::string>{{"a", "new a"}, {"b", "new b"}}));
}

// A copy that does not fit leaves the old target and no temporary, and
// says why, and of which path.
TEST_F(OutputFile, CopyIsWholeOrNothing) {
    TempDir dir;
    std::ofstream(dir.path() / "design.sdb") << std::string(100000, 'd');
    std::ofstream(dir.path() / "copy.sdb") << "old copy";
    const std::string design = (dir.path() / "design.sdb").string(), copy = (dir.path() / "copy.sdb").string();
    const auto r = testsupport::run_child([&] {
        testsupport::FileSizeLimit limit(50000);
        std::string why, about;
        const bool ok = RT_copy_file(design, copy, &why, &about);
        std::printf("%s %s: %s", ok ? "copied" : "failed", about.c_str(), why.c_str());
    });
    EXPECT_EQ(r.out, "failed " + copy + ": File too large");
    EXPECT_EQ(contents(dir.path()),
              (std::map<std::string, std::string>{{"design.sdb", std::string(100000, 'd')}, {"copy.sdb", "old copy"}}));
    std::string why, about;
    ASSERT_TRUE(RT_copy_file(design, copy, &why)) << why;
    EXPECT_EQ(read_file(dir.path() / "copy.sdb"), std::string(100000, 'd'));
    // A source that cannot be read is the path the reason is about.
    const std::string missing = (dir.path() / "missing.sdb").string();
    EXPECT_FALSE(RT_copy_file(missing, copy, &why, &about));
    EXPECT_EQ(about + ": " + why, missing + ": No such file or directory");
    // A target in the way is.
    fs::create_directory(dir.path() / "folder.sdb");
    EXPECT_FALSE(RT_copy_file(design, (dir.path() / "folder.sdb").string(), &why, &about));
    EXPECT_EQ(about + ": " + why, (dir.path() / "folder.sdb").string() + ": Is a directory");
}

// The end of a run: the exit removes what is to go at the exit and keeps
// what only a kill takes; a kill removes both, and ends the running child
// first.  A folder of the run goes with the files in it.
TEST_F(OutputFile, EndOfRunRemovesTheRunsOwnFiles) {
    TempDir dir;
    const fs::path at_exit = dir.path() / "copy.sdb", when_killed = dir.path() / "report", kept = dir.path() / "kept";
    const fs::path folder = dir.path() / "check", in_folder = folder / "check.lib";
    auto prepare = [&] {
        fs::create_directory(folder);
        for (const fs::path& p : {at_exit, when_killed, kept, in_folder}) std::ofstream(p) << "x";
        RT_remove_folder_at_end(folder.string());
        RT_remove_at_end(in_folder.string());
        RT_remove_at_end(at_exit.string());
        RT_remove_at_end(when_killed.string(), RtRemove::WhenKilled);
        RT_remove_at_end(kept.string());
        RT_forget(kept.string());
    };
    auto r = testsupport::run_child([&] {
        prepare();
        qdx_exit(255);
    });
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(contents(dir.path()), (std::map<std::string, std::string>{{"report", "x"}, {"kept", "x"}}));

    const pid_t pid = fork();
    if (pid == 0) {
        prepare();
        RT_install_kill_cleanup();
        const pid_t child = fork();
        if (child == 0) {
            // The outside program, waiting to be ended.
            signal(SIGTERM, [](int) { _exit(0); });
            for (;;) pause();
        }
        RT_set_running_child(child);
        ::kill(getpid(), SIGTERM);
        _exit(9);  // not reached
    }
    int st = 0;
    waitpid(pid, &st, 0);
    EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == SIGTERM) << st;
    EXPECT_EQ(contents(dir.path()), (std::map<std::string, std::string>{{"kept", "x"}}));
}

// A kill that comes while a joint commit renames its files waits for the
// end of the renames, puts every old file back (removes the new ones that
// had none) and then ends the run, which removes the temporaries.  Here
// the kill is waiting when the commit begins, as one that came after its
// first rename would be.
TEST_F(OutputFile, KillDuringJointCommitPutsTheOldFilesBack) {
    TempDir dir;
    std::ofstream(dir.path() / "chip.bsc") << "old bsc";
    std::ofstream(dir.path() / "chip.lib") << "old lib";
    const auto before = contents(dir.path());
    const pid_t pid = fork();
    if (pid == 0) {
        RT_install_kill_cleanup();
        std::vector<std::unique_ptr<AtomicFile>> files;
        std::vector<AtomicFile*> all;
        for (const char* name : {"chip.bsc", "chip.lib", "chip.pin"}) {
            files.push_back(std::make_unique<AtomicFile>((dir.path() / name).string()));
            all.push_back(files.back().get());
            if (!files.back()->open()) _exit(3);
            std::fputs("new", files.back()->stream());
        }
        {
            RtKillHold hold;
            ::kill(getpid(), SIGTERM);
            if (RT_commit_all(all)) _exit(4);
        }
        _exit(5);  // not reached: the kill is taken at the end of the hold
    }
    int st = 0;
    waitpid(pid, &st, 0);
    EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == SIGTERM) << st;
    EXPECT_EQ(contents(dir.path()), before);
}

}  // namespace
