// The BSDL file of one circuit, in the fixed layout or into a user's
// template.  The text is made in memory and written to a temporary file
// that is renamed over "<top>.bsd" once complete: an error on the way
// leaves no partial file.
#include "bsdl/bsdl_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bsdl/bsdl.h"
#include "bsdl/template.h"
#include "desc/tables.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"
#include "runtime/strfmt.h"

FILE* BSD_FILE = nullptr;

namespace {

// BSD_FILE as an in-memory stream for the time of one file.
class MemoryText {
public:
    MemoryText() {
        stream_ = open_memstream(&data_, &size_);
        if (!stream_) {
            qdx_exit_printf(-1, "ERROR: memory allcation error.\n");
        }
        BSD_FILE = stream_;
    }
    ~MemoryText() {
        if (stream_) std::fclose(stream_);
        std::free(data_);
        BSD_FILE = nullptr;
    }
    MemoryText(const MemoryText&) = delete;
    MemoryText& operator=(const MemoryText&) = delete;

    std::string take() {
        std::fclose(stream_);
        stream_ = nullptr;
        BSD_FILE = nullptr;
        return std::string(data_ ? data_ : "", size_);
    }

private:
    FILE* stream_ = nullptr;
    char* data_ = nullptr;
    size_t size_ = 0;
};

[[noreturn]] void cannot_write(const std::string& path) {
    qdx_exit_printf(-1, "ERROR: can't open file '%s' to write.\n\n", path.c_str());
}

std::string stars() { return "--  " + std::string(68, '*') + "\n"; }

// Each bit of the boundary register, BOUNDARY_LENGTH of them, is
// described by exactly one row: a cell of several bits needs a row for
// each.  A bit without a row, a bit with two, or a row beyond the
// register ends the run before the file is written, naming them.
void refuse_register_gaps() {
    const int length = CHAIN_CELL_COUNT;
    std::vector<int> rows(static_cast<size_t>(std::max(length, 0)), 0);
    std::string faults;
    for (const BdRegEntry& r : BD_REG_TAB) {
        if (r.num >= 0 && r.num < length)
            ++rows[static_cast<size_t>(r.num)];
        else
            faults += STR_format("       row %d lies beyond BOUNDARY_LENGTH %d.\n", r.num, length);
    }
    for (int i = 0, n = DYNA_count(CHAIN_TAB); i < n; ++i) {
        const ChainCellEntry* c = CHAIN_TAB[i];
        for (int j = 0; j < c->bits; ++j) {
            const int bit = c->order + j;
            const int k = bit >= 0 && bit < length ? rows[static_cast<size_t>(bit)] : 0;
            if (k == 1) continue;
            faults += STR_format("       bit %d (cell '%s'(%s)) has %s.\n", bit, c->instance_name, c->cell_name,
                                 k == 0 ? "no row" : STR_format("%d rows", k).c_str());
        }
    }
    if (faults.empty()) return;
    bsdl_not_written("every bit of the boundary register needs exactly one row.\n" + faults + "\n");
}

// The port list and each PIN_MAP_STRING constant name one port at least:
// a pin file without a port (only INTERNAL and OBSERVE rows, say) or a
// %PACKAGE_LIST file without a pin leaves them nothing to say, and the
// file would stop in the middle of them.
void refuse_empty_pin_maps(bool template_mode) {
    const bool ports_written = !template_mode || bs_tpl_check[TPL_LOGICAL_PORT] == 2 ||
                               bs_tpl_check[TPL_PACKAGE_PIN] == 2;
    if (ports_written && Port_header.empty()) {
        bsdl_not_written(STR_format("the pin file '%s' declares no port, and the port list and "
                                    "PIN_MAP_STRING need one at least.\n\n",
                                    PIN_FILE ? PIN_FILE : ""));
    }
    if (template_mode) return;
    for (const PackageListEntry& pkg : Package_list) {
        if (!pkg.ports.empty()) continue;
        bsdl_not_written(STR_format("package '%s' of %%PACKAGE_LIST maps no pin, and its PIN_MAP_STRING needs one "
                                    "at least.\n\n",
                                    pkg.package.c_str()));
    }
}

}  // namespace

void bsdl_not_written(const std::string& reason) {
    qdx_exit_printf(-1, "ERROR: BSDL file \"%s\" was not written: %s", BS_BSD_FILE.c_str(), reason.c_str());
}

void fill_template_blocks(const std::vector<TemplateBlock>& blocks, const std::string& entity) {
    for (const TemplateBlock& b : blocks) {
        switch (b.kind) {
        case TPL_TEXT:
            std::fputs(b.text.c_str(), BSD_FILE);
            break;
        case TPL_LOGICAL_PORT:
            insert_port();
            break;
        case TPL_PACKAGE_PIN:
            insert_pin();
            break;
        case TPL_SCAN_PORT:
            print_scan_port_identification();
            break;
        case TPL_TAP_DESCRIPTION:
            print_TAP_description(entity);
            break;
        case TPL_BOUNDARY_REGISTER:
            print_attribute_of_bd_cell_and_bd_len(entity);
            print_attribute_of_bd_register(entity);
            break;
        default:
            break;
        }
    }
    for (int k = 0; k < TPL_BLOCK_COUNT; ++k) {
        if (bs_tpl_check[k] == 2)
            qdx_printf(" - Text block of < %s > has been replaced.\n", BS_TPL_STR[k]);
        else
            qdx_printf("WARNING: No < %s > found to be replaced.\n", BS_TPL_STR[k]);
    }
}

void dump_quendal_title() {
    const std::string top = BS_TOP_MODULE;
    std::fputs(stars().c_str(), BSD_FILE);
    std::fputs("--  *\n", BSD_FILE);
    std::fprintf(BSD_FILE, "--  *  Module : %s\n", top.c_str());
    std::fprintf(BSD_FILE, "--  *  Created: %s", get_time_string().c_str());
    std::fputs("--  *  By     : TALLOWMERE\n", BSD_FILE);
    std::fprintf(BSD_FILE, "--  *           tallowmere %s\n", top.c_str());
    std::fputs("--  *\n", BSD_FILE);
    std::fputs(stars().c_str(), BSD_FILE);
    std::fputs("\n", BSD_FILE);
}

void put_statement_before_port_des() {
    if (!PACKAGE_TYPE) desc_set_text(&PACKAGE_TYPE, "UNDEFINE");
    const std::string entity = bsdl_entity_name(BS_TOP_MODULE);
    std::fprintf(BSD_FILE, "entity %s is\n  --\n", entity.c_str());
    std::fputs("  -- Generic Parameter\n  --\n", BSD_FILE);
    std::fprintf(BSD_FILE, "  generic (PHYSICAL_PIN_MAP : string := \"%s\");\n", bsdl_identifier(PACKAGE_TYPE).c_str());
    std::fputs("\n  --\n  -- Logical Port Description\n  --\n", BSD_FILE);
    std::fputs("  port (\n", BSD_FILE);
}

void put_statement_before_pin_des() {
    const std::string entity = bsdl_entity_name(BS_TOP_MODULE);
    std::fputs("       );\n", BSD_FILE);
    std::fputs("\n  --\n  -- Use Statements\n  --\n", BSD_FILE);
    std::fputs("  use STD_1149_1_1994.all;", BSD_FILE);
    std::fputs("  -- Get Std 1149.1-1994 attributes and definitions\n", BSD_FILE);
    std::fputs("\n", BSD_FILE);
    std::fprintf(BSD_FILE, "  attribute COMPONENT_CONFORMANCE of %s : entity is ", entity.c_str());
    std::fputs("\"STD_1149_1_1993\";\n", BSD_FILE);
    std::fputs("\n  --\n  -- Package Pin Mapping\n  --\n", BSD_FILE);
    std::fprintf(BSD_FILE, "  attribute PIN_MAP of %s : entity is ", entity.c_str());
    std::fputs("PHYSICAL_PIN_MAP;\n", BSD_FILE);
    std::fprintf(BSD_FILE, "  constant %s:PIN_MAP_STRING:=\n", bsdl_identifier(PACKAGE_TYPE).c_str());
}

void insert_port_and_pin_description() {
    put_statement_before_port_des();
    insert_port();
    put_statement_before_pin_des();
    insert_pin();
    insert_package_pin_map();
}

void insert_bd_reg_description() {
    const std::string entity = bsdl_entity_name(BS_TOP_MODULE);
    std::fputs("\n  --\n  -- Boundary Register Description ", BSD_FILE);
    std::fputs("for 1149.1 Boundary_Scan_Cell\n  --\n", BSD_FILE);
    print_attribute_of_bd_cell_and_bd_len(entity);
    print_attribute_of_bd_register(entity);
    std::fprintf(BSD_FILE, "\nend %s;\n", entity.c_str());
}

void insert_BSDL_description() {
    const std::string path = BS_BSD_FILE;
    // The target must be writable before any work is done.
    {
        AtomicFile probe(path);
        if (!probe.open()) cannot_write(path);
    }

    std::vector<TemplateBlock> blocks;
    std::string entity;
    if (option_check[BSDL_OPT_TEMPLATE]) {
        const char* word = bsdl_option_word(BSDL_OPT_TEMPLATE);
        if (word) {
            const std::string name = template_file_path(word);
            std::unique_ptr<FILE, int (*)(FILE*)> in(FNM_open_input(name.c_str()), std::fclose);
            if (in) {
                blocks = read_template_file(in.get(), entity);
            } else {
                qdx_printf("WARNING: template file \"%s\" open error.\n", name.c_str());
                qdx_printf("         tallowmere will generate bsdl file ");
                qdx_printf("without template.\n");
                option_check[BSDL_OPT_TEMPLATE] = 0;
            }
        } else {
            qdx_printf("WARNING: no template file specified after option");
            qdx_printf(" -tempalte.\n");
            option_check[BSDL_OPT_TEMPLATE] = 0;
        }
    }
    const bool template_mode = option_check[BSDL_OPT_TEMPLATE] != 0;

    create_BUF_TAB();
    refuse_empty_pin_maps(template_mode);

    std::string text;
    bool register_written = true;
    {
        MemoryText memory;
        if (template_mode) {
            if (entity.empty()) entity = bsdl_entity_name(BS_TOP_MODULE);
            fill_template_blocks(blocks, entity);
            register_written = bs_tpl_check[TPL_BOUNDARY_REGISTER] == 2;
        } else {
            dump_quendal_title();
            insert_port_and_pin_description();
            print_port_grouping_decl();
            print_scan_port_identification();
            print_compliance_enable_description();
            print_TAP_description(bsdl_entity_name(BS_TOP_MODULE));
            insert_bd_reg_description();
        }
        text = memory.take();
    }

    // Chain cells without a row.
    std::vector<const ChainCellEntry*> lost;
    for (int i = 0, n = DYNA_count(CHAIN_TAB); i < n; ++i)
        if (!CHAIN_TAB[i]->in_register) lost.push_back(CHAIN_TAB[i]);
    if (!lost.empty()) {
        qdx_printf("WARNING: the following boundary register(s) will be lost in BOUNDARY_REGISTER \n");
        qdx_printf("         declaration of BSDL file.\n");
        qdx_printf("         Maybe they connected to skipping-signal, please check %%SKIP_SIGNAL_\n");
        qdx_printf("         NAMES of \"%s\" file.\n\n", BS_BSC_FILE.c_str());
        for (size_t i = 0; i < lost.size(); ++i) qdx_printf("         (%d) %s\n", static_cast<int>(i) + 1, lost[i]->instance_name);
    }
    // A register with cells left out describes a chip other than this one.
    if (!lost.empty() && register_written) {
        qdx_printf("\n");
        bsdl_not_written("every cell of the boundary register needs a row.\n\n");
    }
    if (register_written) refuse_register_gaps();
    // BOUNDARY_REGISTER lists one cell at least.
    if (register_written && BD_REG_TAB.empty())
        bsdl_not_written("the design's boundary register has no cell, and BOUNDARY_REGISTER needs one at least.\n\n");

    // Every input of the circuit is read now, the template too.
    bsdl_check_outputs_spare_inputs();
    AtomicFile out(path);
    if (!out.open()) cannot_write(path);
    std::fwrite(text.data(), 1, text.size(), out.stream());
    if (!out.commit()) top_write_failed(path, out.why());

    if (option_check[BSDL_OPT_WINDOW])
        RT_run({"flag", "-title", "BSDL File", "-info", "BSDL file was written into " + path + "."}, "");
    qdx_printf("\n - BSDL file was written into \"%s\".\n\n", path.c_str());
}

void BSDL_writer_reset() {
    BUF_TAB.clear();
    Port_header.clear();
    Package_list.clear();
    BD_REG_TAB.clear();
    BSD_FILE = nullptr;
}
