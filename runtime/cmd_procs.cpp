// Ready-made procedures for the common commands of an interpreter host:
// shell, log, history, more, ls, echo, path, help, pause, batch, the
// name/value tables, verbose/debug, where and save-profile.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/cmd.h"
#include "runtime/dyna.h"
#include "runtime/fnm.h"
#include "runtime/msg.h"
#include "runtime/process.h"
#include "runtime/str.h"

namespace {

// Lists a table as "name value" lines, pausing through the page prompt
// procedure after each line when one is set (a -1 from it stops).
void list_table(CmdNameValue* table) {
    for (int i = 0; i < DYNA_count(table); ++i) {
        MSG_inform("%s %s\n", table[i].name, table[i].value);
        CmdPromptProc page = CMD_get_prompt_proc();
        if (page && page("") == -1) break;
    }
}

// set / alias / setkey: a special variable's name runs its procedure;
// else the remaining words become the value (none: the entry goes).
int define_from_args(int (*define)(const char*, const char*), CmdNameValue* table, bool specials) {
    const char* name = CMD_get_arg_str();
    if (!name) {
        list_table(table);
        return 0;
    }
    if (specials && cmd_ccb)
        for (const auto& s : cmd_ccb->specials)
            if (STR_ucomp(s.first.c_str(), name) == 0) return s.second ? s.second(CMD_argc(), CMD_argv()) : 0;
    std::string value = CMD_get_arg_remain();
    return define(name, value.empty() ? nullptr : value.c_str());
}

int undefine_args(int (*define)(const char*, const char*)) {
    for (const char* name = CMD_get_arg_str(); name; name = CMD_get_arg_str()) define(name, nullptr);
    return 0;
}

int set_flag_from_args(int* flag) {
    if (CMD_scan_opt("-on", nullptr) >= 0) *flag = 1;
    if (CMD_scan_opt("-off", nullptr) >= 0) *flag = 0;
    return 0;
}

}  // namespace

int CMD_shell(int argc, char** argv) {
    // The user's own line is handed to the shell, as typed; no words start
    // an interactive shell.
    std::string line = CMD_get_arg_remain();
    std::vector<std::string> run = {"sh"};
    if (!line.empty()) {
        run.push_back("-c");
        run.push_back(line);
    }
    int status = RT_run_attached(run);
    MSG_inform("\n");
    if (status != 0) MSG_warning("#020: System status = %d\n", status);
    return status;
}

int CMD_log(int argc, char** argv) {
    const char* file = nullptr;
    for (const char* opt : {"-out", "-o", "-f", "-file"})
        if (CMD_scan_opt(opt, &file, nullptr) >= 0) break;
    if (file) {
        FILE* log = std::fopen(file, "w");
        if (!log) {
            MSG_error("#029: Cannot open output file '%s'\n", file);
            return -1;
        }
        MSG_set_log(log);
    }
    if (CMD_scan_opt("-on", nullptr) >= 0) MSG_log_on(1);
    if (CMD_scan_opt("-off", nullptr) >= 0) MSG_log_on(0);
    std::string text = CMD_get_arg_remain();
    if (!text.empty()) MSG_log("%s\n", text.c_str());
    return 0;
}

int CMD_history(int argc, char** argv) {
    if (!cmd_ccb) return -1;
    int last = DYNA_count(cmd_ccb->history) - 1;
    auto move = [&](const char* opt, int sign) {
        const char* n = nullptr;
        int got = CMD_scan_opt(opt, &n, nullptr);
        if (got < 0) return false;
        int step = got > 0 ? ctoi(n) : 1;
        int pos = cmd_ccb->history_pos + sign * step;
        cmd_ccb->history_pos = std::max(0, std::min(pos, std::max(last, 0)));
        return true;
    };
    if (move("-up", -1) || move("-down", 1)) return 0;
    const char* n = nullptr;
    if (CMD_scan_opt("-exec", &n, nullptr) >= 0) return 0;
    for (int i = 0; i <= last; ++i) {
        MSG_inform("%5d  %s\n", cmd_ccb->history_first + i, cmd_ccb->history[i]);
        CmdPromptProc page = CMD_get_prompt_proc();
        if (page && page("") == -1) break;
    }
    return 0;
}

int CMD_more(int argc, char** argv) {
    for (const char* name = CMD_get_arg_str(); name; name = CMD_get_arg_str()) {
        FILE* in = std::fopen(name, "r");
        if (!in) {
            MSG_error("#042: Cannot open input file '%s'\n", name);
            continue;
        }
        std::string line;
        int c;
        while ((c = std::fgetc(in)) != EOF) {
            line += static_cast<char>(c);
            if (c == '\n') {
                MSG_inform("%s", line.c_str());
                line.clear();
            }
        }
        if (!line.empty()) MSG_inform("%s\n", line.c_str());
        std::fclose(in);
    }
    return 0;
}

int CMD_ls(int argc, char** argv) {
    std::vector<std::string> patterns;
    if (CMD_get_arg_list(&patterns) == 0) patterns.push_back("*");
    for (const auto& p : patterns) FNM_display(p.c_str(), 0);
    return 0;
}

int CMD_echo(int argc, char** argv) {
    if (CMD_scan_opt("-on", nullptr) >= 0) {
        CMD_define_set("echo", "on");
        CMD_set_echo(1);
    }
    if (CMD_scan_opt("-off", nullptr) >= 0) {
        CMD_define_set("echo", "off");
        CMD_set_echo(0);
    }
    std::string text = CMD_get_arg_remain();
    if (!text.empty()) MSG_inform("%s\n", text.c_str());
    return 0;
}

int CMD_path(int argc, char** argv) {
    std::string dirs = CMD_get_arg_remain();
    CMD_set_path(dirs.empty() ? nullptr : dirs.c_str(), ".", nullptr);
    return 0;
}

int CMD_help(int argc, char** argv) {
    const char* topic = CMD_get_arg_str();
    return HELP_page(topic ? topic : "main");
}

int CMD_pause(int argc, char** argv) {
    std::string text = CMD_get_arg_remain();
    if (!text.empty()) MSG_printf("%s\n", text.c_str());
    MSG_printf("Press ENTER key to continue or Q to quit:\n");
    int key = STR_getc();
    if (key == 'q' || key == 'Q') {
        CMD_set_batch(nullptr);
        return -1;
    }
    return 0;
}

int CMD_batch(int argc, char** argv) {
    const char* name = CMD_get_arg_str();
    if (!name) return -1;
    std::string file = name;
    char* ext = FNM_break(name, "e");
    if (!ext || std::string(ext) != ".cmd") file += ".cmd";
    std::free(ext);
    FILE* in = std::fopen(file.c_str(), "r");
    if (!in) {
        MSG_error("#042: Cannot open input file '%s'\n", file.c_str());
        return -1;
    }
    return CMD_set_batch(in);
}

int CMD_set(int argc, char** argv) {
    return define_from_args(CMD_define_set, cmd_ccb ? cmd_ccb->variables : nullptr, true);
}
int CMD_alias(int argc, char** argv) {
    return define_from_args(CMD_define_alias, cmd_ccb ? cmd_ccb->aliases : nullptr, false);
}
int CMD_setkey(int argc, char** argv) {
    return define_from_args(CMD_define_key, cmd_ccb ? cmd_ccb->keys : nullptr, true);
}
int CMD_unset(int argc, char** argv) { return undefine_args(CMD_define_set); }
int CMD_unalias(int argc, char** argv) { return undefine_args(CMD_define_alias); }
int CMD_unsetkey(int argc, char** argv) { return undefine_args(CMD_define_key); }

int CMD_set_verbose(int argc, char** argv) { return set_flag_from_args(&verbose_flag); }
int CMD_set_debug(int argc, char** argv) { return set_flag_from_args(&debug_flag); }

int CMD_where(int argc, char** argv) {
    for (const char* name = CMD_get_arg_str(); name; name = CMD_get_arg_str()) {
        char* path = FNM_search(name, F_OK, FNM_SEARCH_PATH);
        if (path) MSG_inform("%s\n", path);
        std::free(path);
    }
    return 0;
}

int CMD_save_profile(int argc, char** argv) {
    std::string path = PRO_create();
    if (path.empty()) return -1;
    MSG_inform("Profile is saved in %s\n", path.c_str());
    return 0;
}
