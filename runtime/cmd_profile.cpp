// Profiles ("<product>.pro"): the interpreter's aliases, variables and key
// definitions saved as commands ("alias", "set", "keydef") and replayed.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/cmd.h"
#include "runtime/dyna.h"
#include "runtime/fnm.h"
#include "runtime/msg.h"
#include "runtime/process.h"
#include "runtime/rc.h"
#include "runtime/sysinfo.h"

namespace {

std::string profile_path;  // the profile last loaded or saved
bool active = false;
bool modified = false;

std::string searched(const std::string& name) {
    char* p = FNM_search(name.c_str(), R_OK, FNM_SEARCH_PATH);
    if (!p) return "";
    std::string out = p;
    std::free(p);
    return out;
}

void write_table(FILE* out, const char* command, CmdNameValue* table) {
    for (int i = 0; i < DYNA_count(table); ++i) {
        std::fprintf(out, "%s %s ", command, table[i].name);
        const char* v = table[i].value;
        std::fprintf(out, std::string(v).find(' ') != std::string::npos ? "\"%s\"\n" : "%s\n", v);
    }
}

}  // namespace

std::string PRO_create() {
    if (!CMD_get_dictionary() || !modified || !cmd_ccb) return "";
    std::string path = profile_path;
    if (path.empty()) {
        std::string name = std::string(_product ? _product : "") + ".pro";
        path = searched(name);
        if (path.empty()) path = name;
    }
    AtomicFile out(path);
    if (out.open("w")) {
        std::fprintf(out.stream(), "# %s \n", path.c_str());
        std::fprintf(out.stream(), "# Created on %s\n", ascdate(0, 3));
        write_table(out.stream(), "alias", cmd_ccb->aliases);
        write_table(out.stream(), "set", cmd_ccb->variables);
        write_table(out.stream(), "keydef", cmd_ccb->keys);
    }
    if (!out.commit()) {
        MSG_error("#025: Cannot save configuration to '%s'\n", path.c_str());
        return "";
    }
    modified = false;
    profile_path = path;
    return path;
}

int PRO_load() {
    if (!CMD_get_dictionary()) return -1;
    std::string product = _product ? _product : "";
    std::string path = searched("." + product + ".pro");
    if (path.empty()) path = searched(product + ".pro");
    if (path.empty()) return -1;
    FILE* in = std::fopen(path.c_str(), "r");
    if (!in) return -1;
    if (CMD_save_arg() < 0) {
        std::fclose(in);
        return -1;
    }
    active = true;
    std::string line;
    int number = 0;
    int c = 0;
    while (c != EOF) {
        line.clear();
        while ((c = std::fgetc(in)) != EOF && c != '\n') line += static_cast<char>(c);
        if (c == EOF && line.empty()) break;
        ++number;
        while (!line.empty() && line.back() == '\r') line.pop_back();
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#') continue;
        // Lines run as written: no alias or variable expansion, so that
        // saved values come back unchanged.
        if (CMD_line(line.c_str()) < 0) {
            MSG_error("#024: Invalid command in profile, line %d\n", number);
            break;
        }
        CMD_activate();
    }
    std::fclose(in);
    CMD_restore_arg();
    active = false;
    modified = false;
    profile_path = path;
    return 0;
}

int PRO_set_modify(int on) {
    modified = on != 0;
    return 0;
}
int PRO_is_active() { return active ? 1 : 0; }
int PRO_is_modify() { return modified ? 1 : 0; }

void PRO_reset_globals() {
    profile_path.clear();
    active = false;
    modified = false;
}
