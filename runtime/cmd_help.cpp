// Help pages: a help file ("<name>.hlp", found along the search path and
// its "help" subdirectories) is a list of topics.  A line ".I name
// [number]" starts a topic; "#" lines are comments, other "." lines are
// ignored, and every other line is text of the current topic.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "runtime/cmd.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/msg.h"
#include "runtime/rc.h"
#include "runtime/str.h"
#include "runtime/strfmt.h"

namespace {

std::unique_ptr<HelpControlBlock> help;

std::string upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool is_topic_line(const std::string& l) { return l.size() >= 2 && l[0] == '.' && (l[1] == 'I' || l[1] == 'i'); }

// Topic name and number of a ".I" line.
void topic_fields(const std::string& l, std::string* name, int* number) {
    const char* sep = " \t,";
    size_t a = l.find_first_not_of(sep, 2);
    size_t b = a == std::string::npos ? a : l.find_first_of(sep, a);
    *name = a == std::string::npos ? "" : l.substr(a, b == std::string::npos ? b : b - a);
    size_t c = b == std::string::npos ? b : l.find_first_not_of(sep, b);
    *number = c == std::string::npos ? 0 : std::atoi(l.c_str() + c);
}

const HelpTopic* find_topic(const std::string& name) {
    auto it = std::lower_bound(help->index.begin(), help->index.end(), name,
                               [](const HelpTopic& t, const std::string& n) { return t.name < n; });
    return it != help->index.end() && it->name == name ? &*it : nullptr;
}

}  // namespace

HelpControlBlock::~HelpControlBlock() {
    if (file) std::fclose(file);
}

HelpControlBlock* HELP_init(const char* name) {
    if (help) return help.get();
    if (!name) return nullptr;
    std::string file = name;
    for (auto& c : file) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    file += ".hlp";
    bool added = FNM_add_lib_subdir("help") >= 0;
    char* path = FNM_search(file.c_str(), R_OK, FNM_SEARCH_PATH);
    if (added) FNM_del_subdir("help");
    if (!path) return nullptr;
    auto block = std::make_unique<HelpControlBlock>();
    block->path = path;
    std::free(path);
    block->file = std::fopen(block->path.c_str(), "r");
    if (!block->file) return nullptr;
    std::string line;
    HelpTopic* topic = nullptr;
    while (true) {
        if (!STR_read_line(block->file, line)) break;
        if (is_topic_line(line)) {
            if (static_cast<int>(block->index.size()) >= HELP_MAX_TOPICS) {
                // The runtime sits below the program frame: its own fatal
                // messages go to the screen only.
                std::printf("Too many help indexex. (Max %d)\n", HELP_MAX_TOPICS);
                qdx_exit(-1);
            }
            HelpTopic t;
            topic_fields(line, &t.name, &t.number);
            t.name = upper(t.name);
            t.position = std::ftell(block->file);
            t.lines = 0;
            block->index.push_back(t);
            topic = &block->index.back();
        } else if (topic && !line.empty() && line[0] != '#' && line[0] != '.') {
            ++topic->lines;
        } else if (topic && line.empty()) {
            ++topic->lines;
        }
    }
    std::stable_sort(block->index.begin(), block->index.end(),
                     [](const HelpTopic& a, const HelpTopic& b) { return a.name < b.name; });
    block->print_proc = help_print_proc;
    block->prompt_proc = help_prompt_proc;
    help = std::move(block);
    return help.get();
}

int HELP_context(const char* topic) {
    if (!help || !topic) return -1;
    std::string name = upper(topic);
    const HelpTopic* t = find_topic(name);
    if (!t) {
        if (name == "INDEX") {
            HELP_index();
            return 0;
        }
        return -1;
    }
    std::fseek(help->file, t->position, SEEK_SET);
    std::string line;
    int printed = 0, on_page = 0;
    while (printed < t->lines && STR_read_line(help->file, line)) {
        if (is_topic_line(line)) break;
        if (!line.empty() && (line[0] == '#' || line[0] == '.')) continue;
        line += '\n';
        if (help->print_proc) help->print_proc(line.c_str());
        ++printed;
        if (help->length > 1 && ++on_page >= help->length - 1) {
            on_page = 0;
            if (help->prompt_proc && help->prompt_proc() == -1) break;
        }
    }
    return 0;
}

int HELP_page(const char* topic) {
    const char* product = _product ? _product : "";
    if (!HELP_init(product)) {
        MSG_error("#021: Help file '%s.hlp' is not accessible\n", product);
        return -2;
    }
    if (HELP_context(topic) < 0) {
        MSG_error("#022: Help is not available for command '%s'\n", topic ? topic : "");
        return -3;
    }
    return 0;
}

int HELP_index() {
    if (!help) return -1;
    MSG_inform("Available help for commands:\n");
    std::string row;
    int n = 0;
    for (const auto& t : help->index) {
        row += STR_format("   %-12s", t.name.c_str());
        if (++n % 5 == 0) {
            MSG_inform("%s\n", row.c_str());
            row.clear();
        }
    }
    if (!row.empty()) MSG_inform("%s\n", row.c_str());
    return 0;
}

int HELP_setup(int x, int y, int width, int length, int help_color, int color) {
    if (!help) return -1;
    help->x = x;
    help->y = y;
    help->width = width;
    help->length = length;
    help->help_color = help_color;
    help->color = color;
    return 0;
}

int HELP_set_color(int help_color, int color) {
    if (!help) return -1;
    if (help_color != -1) help->help_color = help_color;
    if (color != -1) help->color = color;
    return 0;
}

int HELP_set_proc(HelpPrintProc print, HelpPromptProc prompt) {
    if (!help) return -1;
    if (print) help->print_proc = print;
    if (prompt) help->prompt_proc = prompt;
    return 0;
}

int HELP_terminate() {
    help.reset();
    return 0;
}

int help_print_proc(const char* line) {
    std::string copy = line ? line : "";
    return MSG_puts(copy.data());
}

int help_prompt_proc() { return 0; }
