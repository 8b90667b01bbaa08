// Mapping of %MULTICYCLE_PATH and %FALSE_PATH (with the path files they
// name), %CRITICAL_PATH, %NONTPI_INSTANCE and %CLOCK_PERIOD.
#include <cstdio>
#include <memory>

#include "scanlang/front/diagnostics.h"
#include "scanlang/front/parser.h"
#include "scanlang/front/scanner.h"
#include "scanlang/object/map_frame.h"
#include "scanlang/object/map_util.h"
#include "scanlang/object/nested_parse.h"
#include "scanlang/object/object_state.h"
#include "scanlang/object/readers.h"
#include "scanlang/object/side_file_path.h"

namespace {

void append_points(DynArray<std::string>& list, const ScanAstNode* statement) {
    for (const ScanAstNode* p = statement->child; p; p = p->sibling) {
        if (!list) list.emplace();
        list->push_back(pin_ref_text(p));
    }
}

std::string line_of(const ScanAstNode* statement) { return std::to_string(value_line(statement)); }

// Which list a path belongs to and where it was written: the messages and
// checks differ.
struct PathSource {
    bool false_path = false;
    const std::string* path_file = nullptr;  // the name as written, or null in the DFT file
};

void check_cycle(const ScanAstNode* statement, int cycle, const PathSource& src) {
    if (src.false_path && src.path_file)
        map_fatal_stderr("ERROR: line " + line_of(statement) +
                         ", the CYCLE can not be accepted in the %FALSE_PATH in file " + *src.path_file + ".\n");
    if (src.false_path)
        map_fatal_stderr("ERROR: line " + line_of(statement) + ", the CYCLE can not be supported in FALSE_PATH.\n");
    if (cycle <= 0) map_fatal_stderr("ERROR: line " + line_of(statement) + ", the CYCLE must be greater than 0.\n");
}

void refuse_file_name_in_path_file(const ScanAstNode* statement, const PathSource& src) {
    if (src.false_path)
        map_fatal_stderr("ERROR: line " + line_of(statement) + ", the FILE_NAME  can not  be accepted in the path file " +
                         *src.path_file + " again .\n");
    map_fatal_stderr("ERROR: line " + line_of(statement) +
                     ", the FILE_NAME  can not  be accepted in the path file again .\n");
}

PathEntry read_path(const ScanAstNode* path, const PathSource& src) {
    PathEntry e;
    for (const ScanAstNode* c = path->child; c; c = c->sibling) {
        switch (c->kind) {
        case FROM_NODE: append_points(e.from, c); break;
        case TO_NODE: append_points(e.to, c); break;
        case THROUGH_NODE: {
            if (!e.through) e.through.emplace();
            DynArray<std::string> points;
            append_points(points, c);
            e.through->push_back(points ? std::move(*points) : TextList{});
            break;
        }
        case CYCLE_NODE: {
            // The false-path checks refuse any cycle before it is read.
            if (src.false_path) check_cycle(c, 0, src);
            e.cycle = map_node_int(c->child);
            check_cycle(c, e.cycle, src);
            break;
        }
        case FILE_NAME_NODE:
            if (src.path_file) refuse_file_name_in_path_file(c, src);
            if (!e.file_names) {
                e.file_names.emplace();
                e.file_index.emplace();
            }
            e.file_names->push_back(first_child_text(c));
            e.file_index->push_back(-1);
            break;
        default: break;
        }
    }
    return e;
}

// The combined list takes the points and cycle of a path.
PathEntry combined_copy(const PathEntry& p) {
    PathEntry c;
    c.from = p.from;
    c.through = p.through;
    c.to = p.to;
    c.cycle = p.cycle;
    return c;
}

// Parses one path file; its paths as a record (none when the file left
// no path tree).
std::optional<PathFileRecord> read_path_file(const std::string& name, bool false_path) {
    const std::string path = resolve_against_current_path(name);
    std::unique_ptr<FILE, int (*)(FILE*)> in(scan_open_input(path), &std::fclose);
    if (!in) error_handler(path.c_str(), 0, SCAN_ERR_OPEN_INPUT, path.c_str(), nullptr);
    ScanAstNode* tree = nullptr;
    {
        NestedParse nested(NestedParse::PATH_FILE);
        in_file_name = path;
        initial_parser();
        scan_yylineno = 1;
        scan_yyin = in.get();
        scan_yyparse();
        tree = thepathAST;
    }
    if (!tree) return std::nullopt;
    PathFileRecord record;
    record.file_name = name;
    record.paths.emplace();
    const PathSource src{false_path, &name};
    for (const ScanAstNode* p = SCAN_FIND_AST(tree->child, PATH_NODE); p; p = p->sibling)
        record.paths->push_back(read_path(p, src));
    return record;
}

// The paths of one section into `list`, its files into `files`, and all
// of them into `combined`: first the written paths without files, then
// the paths of each file in file order.
void map_path_section(const ScanAstNode* section, bool false_path, DynArray<PathEntry>& list,
                      DynArray<PathFileRecord>& files, DynArray<PathEntry>& combined) {
    if (!section) return;
    const PathSource written{false_path, nullptr};
    for (const ScanAstNode* p = section->child; p; p = p->sibling) {
        if (!list) list.emplace();
        list->push_back(read_path(p, written));
    }
    if (!list) return;
    for (const PathEntry& p : *list) {
        if (p.file_names) continue;
        if (!combined) combined.emplace();
        combined->push_back(combined_copy(p));
    }
    for (PathEntry& p : *list) {
        if (!p.file_names) continue;
        for (std::size_t i = 0; i < p.file_names->size(); ++i) {
            std::optional<PathFileRecord> record = read_path_file((*p.file_names)[i], false_path);
            if (!record) continue;
            if (!files) files.emplace();
            (*p.file_index)[i] = static_cast<int>(files->size());
            files->push_back(std::move(*record));
        }
    }
    if (!files) return;
    for (const PathFileRecord& f : *files)
        for (const PathEntry& p : *f.paths) {
            if (!combined) combined.emplace();
            combined->push_back(combined_copy(p));
        }
}

}  // namespace

void map_multicycle_path(const ScanAstNode* section) {
    map_path_section(section, false, dft_multicycle_pathG, file_dft_multicycle_pathG, DFT_OBJECT->multicycle_path);
}

void map_critical_path(const ScanAstNode* section) {
    if (!section) return;
    for (const ScanAstNode* cpath = section->child; cpath; cpath = cpath->sibling) {
        if (!dft_critical_pathG) dft_critical_pathG.emplace();
        TextList points;
        for (const ScanAstNode* p = cpath->child; p; p = p->sibling) points.push_back(pin_ref_text(p));
        dft_critical_pathG->push_back(std::move(points));
    }
}

void map_false_path(const ScanAstNode* section) {
    map_path_section(section, true, dft_false_pathG, file_dft_false_pathG, DFT_OBJECT->false_path);
    // The object keeps its own copies of the process-wide path lists, so
    // that making it current again restores them.
    DFT_OBJECT->multicycle_path_list = dft_multicycle_pathG;
    DFT_OBJECT->multicycle_path_file = file_dft_multicycle_pathG;
    DFT_OBJECT->critical_path = dft_critical_pathG;
    DFT_OBJECT->false_path_list = dft_false_pathG;
    DFT_OBJECT->false_path_file = file_dft_false_pathG;
}

void map_nontpi_instance(const ScanAstNode* section) {
    if (!section) return;
    std::vector<std::string> names;
    for (const ScanAstNode* c = section->child; c; c = c->sibling) names.push_back(first_child_text(c));
    DFT_OBJECT->nontpi_instance = std::move(names);
}

void map_clock_period(const ScanAstNode* section) {
    if (!section || !section->child) return;
    ClockPeriodRecord r;
    r.keyword_line = clock_period_top_line;
    r.line = section->line;
    for (const ScanAstNode* c = SCAN_FIND_AST(section->child, CLOCK_NODE); c; c = c->sibling) {
        ClockPeriodEntry e;
        e.line = c->line;
        if (const ScanAstNode* n = SCAN_FIND_AST(c->child, IDENT_NODE)) e.name = node_text(n);
        if (const ScanAstNode* n = SCAN_FIND_AST(c->child, NUMBER_NODE)) e.period = map_node_int(n);
        if (const ScanAstNode* n = SCAN_FIND_AST(c->child, REAL_NUM_NODE)) e.period = map_node_real(n);
        r.clocks.push_back(std::move(e));
    }
    DFT_OBJECT->clock_period = std::move(r);
}
