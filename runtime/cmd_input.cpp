// The command interpreter's input: the pending-command queue, batch files,
// the prompt with its history and recall lines, alias and variable
// expansion, the name/value tables and the settings of the control block.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/cmd.h"
#include "runtime/dyna.h"
#include "runtime/msg.h"
#include "runtime/str.h"

namespace {

constexpr char kEscape = 27;

void free_queue() {
    char** q = cmd_ccb->queue;
    for (int i = 0; i < DYNA_count(q); ++i) std::free(q[i]);
    DYNA_set_count(q, 0);
}

void add_history(const std::string& line) {
    char**& h = cmd_ccb->history;
    if (DYNA_count(h) >= CMD_HISTORY_SIZE) {
        std::free(h[0]);
        for (int i = 1; i < DYNA_count(h); ++i) h[i - 1] = h[i];
        DYNA_set_count(h, DYNA_count(h) - 1);
        ++cmd_ccb->history_first;
    }
    DYNA_append(&h, qdx_strdup(line.c_str()));
    cmd_ccb->history_pos = DYNA_count(h) - 1;
}

const char* set_value(const char* name) { return lookup_macro(name); }

int define(CmdNameValue** table, const char* name, const char* value) {
    if (!name) return -1;
    if (value)
        MACRO_add(table, name, value);
    else
        MACRO_delete(table, name);
    return 0;
}

}  // namespace

// ---------------------------------------------------------------- queue

int CMD_push_cmd(const char* line) {
    if (!cmd_ccb || !line) return -1;
    if (CMD_queue_cursor() < 0) {
        free_queue();
        CMD_set_queue_cursor(0);
    }
    DYNA_append(&cmd_ccb->queue, qdx_strdup(line));
    return DYNA_count(cmd_ccb->queue);
}

bool CMD_pop_cmd(std::string* line) {
    if (!cmd_ccb) return false;
    int at = CMD_queue_cursor();
    if (at < 0 || at >= DYNA_count(cmd_ccb->queue)) {
        free_queue();
        CMD_set_queue_cursor(-1);
        return false;
    }
    *line = cmd_ccb->queue[at];
    CMD_set_queue_cursor(at + 1);
    return true;
}

const char* CMD_history_line(int number) {
    if (!cmd_ccb) return nullptr;
    int i = number - cmd_ccb->history_first;
    if (i < 0 || i >= DYNA_count(cmd_ccb->history)) return nullptr;
    return cmd_ccb->history[i];
}

// ---------------------------------------------------------------- settings

int CMD_set_prompt(const char* prompt) {
    if (!cmd_ccb) return -1;
    std::free(cmd_ccb->prompt);
    cmd_ccb->prompt = prompt ? qdx_strdup(prompt) : nullptr;
    return 0;
}

int CMD_set_batch(FILE* stream) {
    if (!cmd_ccb) {
        if (stream) std::fclose(stream);
        return -1;
    }
    auto& outer = cmd_ccb->outer_batches;
    if (!stream) {
        if (cmd_ccb->batch) std::fclose(cmd_ccb->batch);
        cmd_ccb->batch = nullptr;
        if (!outer.empty()) {
            cmd_ccb->batch = outer.back();
            outer.pop_back();
        }
        return 0;
    }
    if (cmd_ccb->batch) {
        if (static_cast<int>(outer.size()) + 1 >= CMD_MAX_BATCH_DEPTH) {
            MSG_error("#026: Batch files nested too deeply (at most %d)\n", CMD_MAX_BATCH_DEPTH);
            std::fclose(stream);
            return -1;
        }
        outer.push_back(cmd_ccb->batch);
    }
    cmd_ccb->batch = stream;
    return 0;
}

static int set_mode(unsigned bit, int on) {
    if (!cmd_ccb) return -1;
    if (on)
        cmd_ccb->mode |= bit;
    else
        cmd_ccb->mode &= ~bit;
    return 0;
}

int CMD_set_echo(int on) { return set_mode(CMD_MODE_ECHO, on); }
int CMD_set_pause(int on) { return set_mode(CMD_MODE_PAUSE, on); }
int CMD_set_expand(int on) { return set_mode(CMD_MODE_EXPAND, on); }

int CMD_set_keyproc(CmdLineProc proc) {
    if (!cmd_ccb) return -1;
    cmd_ccb->line_proc = proc;
    return 0;
}

int CMD_set_prompt_proc(CmdPromptProc proc) {
    if (!cmd_ccb) return -1;
    cmd_ccb->prompt_proc = proc;
    return 0;
}

CmdPromptProc CMD_get_prompt_proc() { return cmd_ccb ? cmd_ccb->prompt_proc : nullptr; }

// ---------------------------------------------------------------- tables

int CMD_define_alias(const char* name, const char* value) {
    return cmd_ccb ? define(&cmd_ccb->aliases, name, value) : -1;
}

int CMD_define_set(const char* name, const char* value) {
    if (!cmd_ccb) return -1;
    int r = define(&cmd_ccb->variables, name, value);
    if (r == 0) PRO_set_modify(1);
    if (r == 0 && std::strcmp(name, "batch.pause") == 0)
        CMD_set_pause(value && !(value[0] && std::strchr("0fnFN", value[0])));
    return r;
}

int CMD_define_key(const char* name, const char* value) {
    return cmd_ccb ? define(&cmd_ccb->keys, name, value) : -1;
}

const char* CMD_get(const char* name) { return cmd_ccb ? MACRO_search(&cmd_ccb->aliases, name) : nullptr; }
const char* CMD_get_set(const char* name) { return cmd_ccb ? MACRO_search(&cmd_ccb->variables, name) : nullptr; }
const char* CMD_get_key(const char* name) { return cmd_ccb ? MACRO_search(&cmd_ccb->keys, name) : nullptr; }

const char* lookup_macro(const char* name) {
    const char* v = CMD_get_set(name);
    return v ? v : std::getenv(name);
}

int CMD_special_set(const char* name, CmdProc proc) {
    if (!cmd_ccb || !name) return -1;
    for (auto& s : cmd_ccb->specials)
        if (STR_ucomp(s.first.c_str(), name) == 0) {
            s.second = proc;
            return 0;
        }
    cmd_ccb->specials.emplace_back(name, proc);
    return 0;
}

void CMD_free_special_set() {
    if (cmd_ccb) cmd_ccb->specials.clear();
}

// ---------------------------------------------------------------- expansion

std::string CMD_expand_alias(const std::string& line) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) return line;
    size_t end = line.find_first_of(" ,;\t\n", start);
    std::string word = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const char* alias = CMD_get(word.c_str());
    if (!alias) return line;
    return line.substr(0, start) + alias + (end == std::string::npos ? "" : line.substr(end));
}

bool CMD_expand_macro(const std::string& line, std::string* out) {
    return MACRO_expand(line, set_value, out);
}

// ---------------------------------------------------------------- reading

bool cmd_prompt(std::string* line) {
    if (!cmd_ccb) return false;
    const char* name = _program ? _program : "";
    if (cmd_ccb->prompt)
        MSG_printf("\n%s ", cmd_ccb->prompt);
    else
        MSG_printf("\n%s ? ", name);
    char* got = cmd_ccb->line_proc ? cmd_ccb->line_proc(cmd_ccb->prompt ? cmd_ccb->prompt : name) : STR_gets();
    if (!got) return false;
    std::string text = got;
    std::free(got);
    if (!text.empty() && text[0] == '#') {
        *line = text;
        return true;
    }
    size_t start = text.find_first_not_of(" \t\n");
    text = start == std::string::npos ? "" : text.substr(start);
    if (!cmd_ccb->prompt && !text.empty() && !std::strchr("=!#<>", text[0])) add_history(text);
    if (text.find(kEscape) != std::string::npos) text = "cancel";
    auto rest = [&](size_t from) {
        size_t s = text.find_first_not_of(" \t", from);
        return s == std::string::npos ? std::string() : text.substr(s);
    };
    if (text.empty()) {
        *line = text;
    } else if (text[0] == '=') {
        *line = cmd_ccb->last_command;
    } else if (text[0] == '!') {
        if (text.size() > 1 && text[1] == '!') {
            *line = cmd_ccb->last_command;
        } else {
            const char* h = CMD_history_line(std::atoi(text.c_str() + 1));
            *line = h ? h : "";
            if (h) cmd_ccb->last_command = h;
        }
    } else if (text[0] == '<') {
        *line = "batch " + rest(1);
    } else if (text[0] == '>') {
        *line = "log -o " + rest(1);
    } else if (text[0] == '@') {
        *line = rest(1);
    } else {
        *line = text;
        cmd_ccb->last_command = text;
    }
    return true;
}

bool get_command(std::string* line) {
    if (!cmd_ccb) return false;
    if (CMD_pop_cmd(line)) return true;
    std::string text;
    bool got = false;
    while (cmd_ccb->batch && !cmd_ccb->prompt && !got) {
        if (isbreak() || !STR_read_line(cmd_ccb->batch, text)) {
            CMD_set_batch(nullptr);
            continue;
        }
        bool quiet = !text.empty() && text[0] == '@';
        if (quiet) text.erase(0, 1);
        if ((cmd_ccb->mode & CMD_MODE_ECHO) && !quiet) {
            MSG_inform("%s\n", text.c_str());
            ++cmd_ccb->batch_echoed;
        }
        if (cmd_ccb->mode & CMD_MODE_PAUSE) {
            std::fputs("?", stderr);
            std::fflush(stderr);
            int key = std::tolower(STR_getc());
            if (key == 'i') continue;
            if (key == 'x') {
                CMD_set_batch(nullptr);
                continue;
            }
            if (key == 'c') CMD_set_pause(0);
        }
        got = true;
    }
    if (!got && !cmd_prompt(&text)) return false;
    if (!text.empty() && text[0] == '#') {
        *line = text;
        return true;
    }
    // Split at ";" into queued commands; "|" stands for a literal ";".
    std::vector<std::string> parts;
    size_t pos = 0;
    while (true) {
        size_t semi = text.find(';', pos);
        std::string part = text.substr(pos, semi == std::string::npos ? std::string::npos : semi - pos);
        for (auto& c : part)
            if (c == '|') c = ';';
        parts.push_back(part);
        if (semi == std::string::npos) break;
        pos = semi + 1;
    }
    if (parts.size() == 1) {
        *line = parts[0];
        return true;
    }
    for (const auto& p : parts) CMD_push_cmd(p.c_str());
    return CMD_pop_cmd(line);
}

int CMD_wait_cmd() {
    std::string line;
    if (!get_command(&line)) return -5;
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) return -3;
    if (line[start] == '#') return -4;
    line = CMD_expand_alias(line);
    if (cmd_ccb->mode & CMD_MODE_EXPAND) {
        std::string expanded;
        if (!CMD_expand_macro(line, &expanded)) return -1;
        line = expanded;
    }
    int index = CMD_line(line.c_str());
    if (index < 0) return -1;
    cmd_ccb->last_status = CMD_activate();
    return index;
}

int CMD_last_status() { return cmd_ccb ? cmd_ccb->last_status : 0; }
