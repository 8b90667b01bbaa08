// Start-up: search path and hierarchy separator from the definition file.
#include <cstdlib>
#include <filesystem>

#include "runtime/cmd.h"
#include "sdb_test_util.h"

namespace {

using namespace sdbtest;
using testsupport::ChangeDir;
using testsupport::ScopedEnv;

class Setup : public SdbTest {};

TEST_F(Setup, SeparatorFromTheDefinitionFileInTheWorkingDirectory) {
    dir.write("work/quendal.def", "hier_dot = /;\n");
    ChangeDir cd(dir.path() / "work");
    ScopedEnv dirs("QUENDAL_DIRS", nullptr);
    ScopedEnv q("QUENDAL", nullptr);
    SDB_start_load_def();
    EXPECT_EQ(sdb_hier_dot, '/');
    EXPECT_EQ(PREFIX_get_dot(), '/');
    EXPECT_EQ(quendal_write_dir, nullptr);
    ASSERT_NE(cmd_ccb, nullptr);
}

TEST_F(Setup, QuendalDirsGivesThePathAndTheWriteDirectory) {
    std::string site = (dir.path() / "site").string();
    dir.write("site/quendal.def", "# site settings\nHIER_DOT_CHAR = |;\n");
    dir.write("work/quendal.def", "hier_dot = /;\n");
    ChangeDir cd(dir.path() / "work");
    ScopedEnv dirs("QUENDAL_DIRS", site.c_str());
    SDB_start_load_def();
    EXPECT_EQ(sdb_hier_dot, '|') << "the working directory is not on the path";
    ASSERT_NE(quendal_write_dir, nullptr);
    EXPECT_EQ(std::string(quendal_write_dir), site);
}

TEST_F(Setup, WithoutADefinitionFileTheSeparatorStays) {
    dir.write("work/readme", "");
    ChangeDir cd(dir.path() / "work");
    ScopedEnv dirs("QUENDAL_DIRS", "");
    ScopedEnv q("QUENDAL", nullptr);
    SDB_start_load_def();
    EXPECT_EQ(sdb_hier_dot, '.');
    EXPECT_EQ(quendal_write_dir, nullptr);
}

TEST_F(Setup, RpcSetUpSearchesTheGivenDirectory) {
    std::string other = (dir.path() / "other").string();
    dir.write("other/quendal.def", "hier_dot = +;\n");
    dir.write("work/readme", "");
    ChangeDir cd(dir.path() / "work");
    ScopedEnv dirs("QUENDAL_DIRS", nullptr);
    ScopedEnv q("QUENDAL", nullptr);
    SDB_start_load_rpc_def(other.c_str());
    EXPECT_EQ(sdb_hier_dot, '+');
}

// Without an alias path of its own, the current design's alias file is
// put beside the design found along the search path.
TEST_F(Setup, AliasWriteFindsTheDesignOnThePath) {
    std::filesystem::create_directory(dir.path() / "lib");
    saved_sample(dir, "lib/chip.sdb");
    std::string lib = (dir.path() / "lib").string();
    ChangeDir cd(dir.path());
    ScopedEnv dirs("QUENDAL_DIRS", lib.c_str());
    SDB_start_load_def();
    SdbDatabase* db = SDB_open(path("lib/chip.sdb").c_str(), "r", 0);
    ASSERT_NE(db, nullptr);
    SDB_setup(db);
    std::free(asn_file_name);
    asn_file_name = nullptr;
    ALIAS_add("x", "y");
    ALIAS_write();
    EXPECT_EQ(testsupport::read_file(path("lib/chip.asn")), "ASSIGN a_old a\nASSIGN x y\n");
    SDB_close(db, 0);
}

}  // namespace
