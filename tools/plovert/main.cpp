// plovert: the netlist editor.  Runs a netlist-edit command file in batch
// on a design database of the current directory.
//
//     plovert [-nologo] -b NAME
//
// NAME.cmd is the command file (see command.h for its lines).  Its "edit"
// line names the design (NAME.sdb) in the current directory, which is
// read from its unedited working copy when one lies there
// (sdb_unedited_file_name: kestrand's copies wait there); masters of
// added and replaced instances are classes of that design, else design
// databases found in the "path" directory, the current directory or
// along the search path.  "save" writes the design back under its name
// (through a temporary file, renamed when complete); the end of the file
// counts as "quit".  A line that cannot be applied is reported with the
// command file's name and line number, and the run ends with status 1
// without saving what followed the last "save".

#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "sdb/sdb.h"
#include "tools/common/tool.h"
#include "tools/plovert/command.h"
#include "tools/plovert/editor.h"

namespace {

const char* const kUsage =
    "usage: plovert [-nologo] -b NAME\n"
    "  -b NAME   run the command file NAME.cmd in batch\n"
    "  -nologo   print no banner\n";

// Runs the command file; the design is closed again before it returns.
int run_batch(ntool::ToolRun& run, const std::string& cmd_file) {
    std::string why;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(FNM_open_input(cmd_file.c_str(), &why), &std::fclose);
    if (!in) {
        run.error("cannot open command file '" + cmd_file + "': " + why);
        return 1;
    }
    plovert::Editor editor;
    long number = 0;
    auto fail = [&](const std::string& what) {
        run.error(cmd_file + ":" + std::to_string(number) + ": error: " + what);
        if (editor.unsaved())
            run.error("the edits of '" + editor.design_file() + "' since its last save are not saved");
        return 1;
    };
    try {
        // The file is read in blocks and its lines taken where they lie in
        // the block; a line cut by the block's end waits for the next one.
        plovert::Command cmd;
        std::string err;
        auto run_line = [&](std::string_view line) {
            ++number;
            if (!plovert::parse_command(line, cmd, err)) throw plovert::EditError("malformed line: " + err);
            return editor.apply(cmd);
        };
        std::vector<char> block(std::size_t{1} << 16);
        std::string text;
        for (bool more = true; more;) {
            const std::size_t got = std::fread(block.data(), 1, block.size(), in.get());
            more = got == block.size();
            text.append(block.data(), got);
            std::size_t at = 0;
            for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
                if (!run_line(std::string_view(text).substr(at, end - at))) return 0;
            text.erase(0, at);
        }
        if (std::ferror(in.get())) return fail("cannot read the command file");
        // The last line without its line end.
        if (!text.empty() && !run_line(text)) return 0;
    } catch (const plovert::EditError& e) {
        return fail(e.what());
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    }
    return 0;  // the end of the file counts as quit
}

}  // namespace

int main(int argc, char** argv) {
    ntool::ToolRun run("plovert");
    bool logo = true;
    std::string name;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-nologo") {
            logo = false;
        } else if (a == "-b") {
            if (i + 1 >= argc) run.usage("plovert: -b needs a command file name\n" + std::string(kUsage));
            if (!name.empty()) run.usage("plovert: more than one command file named\n" + std::string(kUsage));
            name = argv[++i];
        } else if (a == "-h" || a == "-help" || a == "--help") {
            run.usage(kUsage);
        } else {
            run.usage("plovert: unknown argument " + a + "\n" + kUsage);
        }
    }
    if (name.empty()) run.usage("plovert: no command file named (-b)\n" + std::string(kUsage));
    if (logo) run.note("plovert: netlist editor of design databases (batch)");

    std::string cmd_file = name;
    if (cmd_file.size() < 4 || cmd_file.compare(cmd_file.size() - 4, 4, ".cmd") != 0) cmd_file += ".cmd";
    SDB_start_load_def();
    const int status = run_batch(run, cmd_file);
    run.finish(status);
}
