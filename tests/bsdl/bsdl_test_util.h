// Helpers of tallowmere's tests: small designs made with the design
// database's makers, a working directory holding the fixture chip's
// description files, and runs of code that end the process.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bsdl/bsdl.h"
#include "desc/hash.h"
#include "desc/reader.h"
#include "desc/tables.h"
#include "runtime/dyna.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "sdb/sdb.h"
#include "support/child.h"
#include "support/testsupport.h"

namespace bsdltest {

namespace fs = std::filesystem;

using testsupport::ChildResult;
using testsupport::run_child;

inline constexpr int IN = SDB_DIR_INPUT;
inline constexpr int OUT = SDB_DIR_OUTPUT;
inline constexpr int INOUT = SDB_DIR_BIDIR;

// A design made with the makers and saved to a file.  Instances have flat
// names; a net is named by its first argument, and a port's own net is the
// net of the port's name.  Ends are "instance/pin" or a port name.
class DesignBuilder {
public:
    explicit DesignBuilder(const std::string& path) {
        db_ = SDB_open(path.c_str(), "w", 0);
        EXPECT_NE(db_, nullptr) << path;
        SDB_setup(db_);
    }
    ~DesignBuilder() {
        if (db_) SDB_close(db_, 0);
    }
    DesignBuilder(const DesignBuilder&) = delete;
    DesignBuilder& operator=(const DesignBuilder&) = delete;

    DesignBuilder& cell(const std::string& name, const std::vector<std::pair<std::string, int>>& pins) {
        std::vector<SdbPinDef> defs;
        for (const auto& p : pins) defs.push_back({const_cast<char*>(p.first.c_str()), p.second, 0});
        int c = SDB_make_class(SYM_setup(sym_tab, name.c_str()), 1, -1, 0);
        SDB_make_pinlist(c, static_cast<int>(defs.size()), defs.data());
        auto& pinnames = classes_[name];
        pinnames.first = c;
        for (const auto& p : pins) pinnames.second.push_back(p.first);
        return *this;
    }
    DesignBuilder& port(const std::string& name, int direction) {
        SDB_nl_make_port(name.c_str(), direction);
        return *this;
    }
    DesignBuilder& inst(const std::string& name, const std::string& cls) {
        auto it = classes_.find(cls);
        EXPECT_NE(it, classes_.end()) << cls;
        objects_[name] = {SDB_make_obj(SYM_setup(sym_tab, name.c_str()), it->second.first, 0, -1), cls};
        return *this;
    }
    DesignBuilder& net(const std::string& name, const std::vector<std::string>& ends) {
        int net = SDB_nl_make_net(name.c_str());
        for (const auto& e : ends) SDB_nl_connect_net(net, node(e));
        return *this;
    }
    void save() {
        ASSERT_EQ(SDB_save(db_), 0);
        SDB_close(db_, 0);
        db_ = nullptr;
    }

private:
    int node(const std::string& end) {
        size_t slash = end.find('/');
        if (slash == std::string::npos) {
            int p = SDB_nl_search_port(end.c_str());
            EXPECT_GE(p, 0) << end;
            return port_tab[p].node;
        }
        auto o = objects_.find(end.substr(0, slash));
        EXPECT_NE(o, objects_.end()) << end;
        const auto& pins = classes_[o->second.second].second;
        for (size_t i = 0; i < pins.size(); ++i)
            if (pins[i] == end.substr(slash + 1)) return obj_tab[o->second.first].first_node + static_cast<int>(i);
        ADD_FAILURE() << "no pin " << end;
        return -1;
    }
    SdbDatabase* db_ = nullptr;
    std::map<std::string, std::pair<int, std::vector<std::string>>> classes_;
    std::map<std::string, std::pair<int, std::string>> objects_;
};

// The classes of the fixture chip's cells with the pins the walks use.
inline void chip_classes(DesignBuilder& d) {
    d.cell("qdx_tap", {{"TDI", IN}, {"TMS", IN}, {"TCK", IN}, {"TDO", OUT}, {"HIGHZ", OUT}, {"first_Bcell", OUT},
                       {"BOUNDARY_out", IN}});
    for (const char* c : {"BC_IN", "BC_OUT", "BC_CTRL", "BC_2BIT", "BC_3BIT", "BC_TWO_CONTROLS", "BC_BAD_ORDER",
                          "BC_NO_ORDER", "BC_NO_TDO"})
        d.cell(c, {{"SI", IN}, {"DI", IN}, {"SO", OUT}, {"DO", OUT}});
    d.cell("PIN_IN", {{"PAD", IN}, {"Y", OUT}});
    d.cell("BUF", {{"A", IN}, {"Y", OUT}});
    d.cell("AND2", {{"A", IN}, {"B", IN}, {"Y", OUT}});
    for (const char* c : {"IO_MACRO", "IO_CELL"}) d.cell(c, {{"PAD", IN}, {"Y", OUT}, {"TI", IN}, {"TO", OUT}});
}

// The usual way in: port tdi -> pad -> TAP.TDI; port tdo from TAP.TDO.
inline void chip_front(DesignBuilder& d) {
    d.port("tdi", IN).port("tdo", OUT);
    d.inst("TAP", "qdx_tap").inst("pad_tdi", "PIN_IN");
    d.net("tdi", {"pad_tdi/PAD"}).net("tdi_core", {"pad_tdi/Y", "TAP/TDI"}).net("tdo", {"TAP/TDO"});
}

// A working directory with the fixture chip's description files (the
// library extended by the chain-walk cells), made current for the
// lifetime of the object, with the search path set to it.
class ChipDir {
public:
    ChipDir() : cd_(dir_.path()) {
        namespace ts = testsupport;
        dir_.write("chip.lib", ts::read_file(ts::source_path("tests/fixtures/chip/chip.lib")) +
                                   ts::read_file(ts::source_path("tests/fixtures/bsdl/chain_cells.lib")));
        dir_.write("chip.bsc", ts::read_file(ts::source_path("tests/fixtures/chip/chip.bsc")));
        dir_.write("chip.pin", ts::read_file(ts::source_path("tests/fixtures/chip/chip.pin")));
    }
    const fs::path& path() const { return dir_.path(); }
    std::string str() const { return dir_.str(); }
    std::string write(const std::string& name, const std::string& text) const { return dir_.write(name, text); }
    std::string file(const std::string& name) const { return (dir_.path() / name).string(); }

private:
    testsupport::TempDir dir_;
    testsupport::ChangeDir cd_;
};

// Every test starts from the start-up state of the layers it uses.
class BsdlTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override {
        if (sdb) SDB_close(sdb, 0);
        reset();
    }
    static void reset() {
        TALLOWMERE_reset_globals();
        DESC_set_hash_modulus(DESC_HASH_MODULUS_TALLOWMERE);
    }
};

// A test in a directory of its own holding the fixture chip's description,
// which is the search path while the test runs.
class ChipDirTest : public BsdlTest {
protected:
    void SetUp() override {
        BsdlTest::SetUp();
        dir = std::make_unique<ChipDir>();
        CMD_set_path(dir->str().c_str(), nullptr, static_cast<const char*>(nullptr));
    }
    void TearDown() override {
        BsdlTest::TearDown();
        dir.reset();
    }

    std::unique_ptr<ChipDir> dir;
};

}  // namespace bsdltest
