// Helpers of the BSDL writer's tests: a chip directory with a design made
// by the makers, pin rows set straight into the pin table, and the text a
// section writer prints.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bsdl/bsdl_writer.h"
#include "bsdl_test_util.h"
#include "desc/pin.h"
#include "runtime/fnm.h"
#include "runtime/str.h"

namespace bsdltest {

// What a writer prints to BSD_FILE.
inline std::string bsdl_text(const std::function<void()>& fn) {
    char* data = nullptr;
    size_t size = 0;
    BSD_FILE = open_memstream(&data, &size);
    fn();
    std::fclose(BSD_FILE);
    BSD_FILE = nullptr;
    std::string s(data ? data : "", size);
    std::free(data);
    return s;
}

// The pad and cell classes the writer's designs use, on top of the chain
// walk's classes.
inline void writer_classes(DesignBuilder& d) {
    chip_classes(d);
    d.cell("PIN_CLK", {{"PAD", IN}, {"Y", OUT}});
    d.cell("PIN_OUT", {{"A", IN}, {"PAD", OUT}});
    d.cell("PIN_TRI", {{"A", IN}, {"OE", IN}, {"PAD", OUT}});
    d.cell("PIN_BIDIR", {{"PAD", INOUT}, {"A", IN}, {"OE", IN}, {"Y", OUT}});
    d.cell("INV", {{"A", IN}, {"Y", OUT}});
    d.cell("BC_BIDIR", {{"SI", IN}, {"DI", IN}, {"FROM_PAD", IN}, {"SO", OUT}, {"DO", OUT}, {"TO_CORE", OUT}});
}

// A design port wired to the PAD pin of a pad instance "p_<port>".
inline void padded(DesignBuilder& d, const std::string& port, int direction, const std::string& cls) {
    d.port(port, direction).inst("p_" + port, cls).net(port, {"p_" + port + "/PAD"});
}

// One row of the pin table: number, core-side name, package name (empty:
// none), pad enable.
struct PinRow {
    std::string number, core, io;
    int enable = PAD_EN_NONE;
};

// Replaces the pin table read from the pin file by the rows given.
inline void set_pin_rows(const std::vector<PinRow>& rows) {
    free_pin_tables();
    int line = 1;
    for (const PinRow& r : rows) {
        PinListEntry* e = save_pin(r.number.c_str(), line++);
        if (!r.core.empty()) desc_set_text(&e->core_name, r.core.c_str());
        if (!r.io.empty()) desc_set_text(&e->io_name, r.io.c_str());
        e->pad_enable = r.enable;
    }
    desc_build_listing(PIN_HASH_TAB, &PIN_TABLE);
}

// A test of the writer: the fixture chip's description in a directory of
// its own, read into the tables; designs are made and opened there.
class WriterTest : public ChipDirTest {
protected:
    // The fixture's configuration with one text replaced (appended when
    // `from` is empty).
    void configure(const std::string& from, const std::string& to) {
        std::string bsc = testsupport::read_file(dir->file("chip.bsc"));
        if (from.empty()) {
            bsc += to;
        } else {
            size_t at = bsc.find(from);
            ASSERT_NE(at, std::string::npos) << from;
            bsc.replace(at, from.size(), to);
        }
        dir->write("chip.bsc", bsc);
    }
    void add_library(const std::string& text) {
        dir->write("chip.lib", testsupport::read_file(dir->file("chip.lib")) + text);
    }
    static void read_description() {
        BS_TOP_MODULE = "chip";
        BS_LIB_FILE = "chip.lib";
        BS_BSC_FILE = "chip.bsc";
        BS_SDB_FILE = "chip.c.sdb";
        BS_BSD_FILE = "./chip.bsd";
        bsdft_init();
        get_bs_dft_file("chip.lib", "chip.bsc", 0);
        check_necessary_information();
    }
    void design(const std::function<void(DesignBuilder&)>& body) {
        DesignBuilder d(dir->file("chip.c.sdb"));
        writer_classes(d);
        body(d);
        d.save();
    }
    // The BOUNDARY_REGISTER statement of the design made, with these pin
    // rows (the description read, the chain walked), and in *out what the
    // search printed.
    static std::string register_rows(const std::vector<PinRow>& rows, std::string* out) {
        read_description();
        set_pin_rows(rows);
        open_and_check_sdb();
        get_bs_chain();
        testsupport::stdout_of([] { create_BUF_TAB(); });
        std::string text;
        *out = testsupport::stdout_of([&] { text = bsdl_text([] { print_attribute_of_bd_register("chip"); }); });
        return text;
    }
};

}  // namespace bsdltest
