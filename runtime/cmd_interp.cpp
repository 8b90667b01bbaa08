// The command interpreter's parser: the host's dictionary, splitting a line
// into words, finding the command, sorting its words into options, flags
// and plain arguments, running it, and the argument access functions its
// procedure uses.
#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/cmd.h"
#include "runtime/msg.h"
#include "runtime/process.h"
#include "runtime/str.h"
#include "runtime/strfmt.h"

int verbose_flag = 0;

namespace {

const CmdDictionary* dictionary = nullptr;
// The option table of CMD_parse_main without a dictionary.
std::unique_ptr<CmdOptionTable> main_options;

enum class Word { Name, Plain, Option, Value, Flags, Unknown, Redirect };

// The parsed command.
struct ArgState {
    int cmd = -1;
    std::vector<std::string> words;  // words[0]: the command name as typed
    std::vector<Word> kind;
    std::vector<int> option;         // table entry of an Option word
    std::vector<bool> blanked;       // taken out by an access function
    size_t cursor = 1;               // next plain argument
    uint32_t flags[3] = {0, 0, 0};   // lower-case, upper-case, digits
    const CmdArgEntry* table = nullptr;  // option table, entry 0 the flags
    int ntable = 0;
    std::string redirect;  // ">" or ">>" target
    bool append = false;
    std::vector<char*> argv;  // CMD_argv's view of words
    std::deque<std::string> sticky;  // values written stuck to their option
};

// The parsed command, and the states that nested commands saved.  Each
// lives in its own block, so texts handed to a procedure stay valid while
// the procedure runs nested commands.
std::unique_ptr<ArgState> cur_state = std::make_unique<ArgState>();
std::vector<std::unique_ptr<ArgState>> saved;
ArgState& cur() { return *cur_state; }

// Splits at blank, tab, comma and newline; a quoted word keeps its blanks
// and loses its quotes.
std::vector<std::string> split_words(const char* text) {
    std::vector<std::string> out;
    const char* p = text;
    auto sep = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == '\n' || c == '\r'; };
    while (*p) {
        while (*p && sep(*p)) ++p;
        if (!*p) break;
        std::string w;
        if (*p == '"' || *p == '\'') {
            char q = *p++;
            while (*p && *p != q) w += *p++;
            if (*p) ++p;
        } else {
            while (*p && !sep(*p)) w += *p++;
        }
        out.push_back(std::move(w));
    }
    return out;
}

// The "|" alternatives of an option name.
std::vector<std::string> alternatives(const char* name) {
    std::vector<std::string> out;
    std::string s = name ? name : "";
    size_t pos = 0;
    while (true) {
        size_t bar = s.find('|', pos);
        out.push_back(s.substr(pos, bar == std::string::npos ? std::string::npos : bar - pos));
        if (bar == std::string::npos) break;
        pos = bar + 1;
    }
    return out;
}

bool iequal_prefix(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// The conversions of a format's "%" fields ("%s", "%d", "%ld", ...).
std::vector<std::string> format_fields(const char* format) {
    std::vector<std::string> out;
    for (const char* p = format ? format : ""; *p; ++p) {
        if (*p != '%') continue;
        if (p[1] == '%') {
            ++p;
            continue;
        }
        std::string f;
        ++p;
        while (*p && std::strchr("0123456789.-+# ", *p)) ++p;
        while (*p && std::strchr("hlLqjzt", *p)) f += *p++;
        if (!*p) break;
        f += *p;
        out.push_back(f);
    }
    return out;
}

// Stores a value text through the next place of ap as its field asks.
void convert(const std::string& field, const std::string& text, va_list* ap) {
    char last = field.back();
    bool longer = field.size() > 1 && field[0] == 'l';
    switch (last) {
        case 's': *va_arg(*ap, const char**) = text.c_str(); break;
        case 'c': *va_arg(*ap, char*) = text.empty() ? 0 : text[0]; break;
        case 'f': case 'e': case 'g':
            if (longer)
                *va_arg(*ap, double*) = std::strtod(text.c_str(), nullptr);
            else
                *va_arg(*ap, float*) = std::strtof(text.c_str(), nullptr);
            break;
        default: {
            int base = last == 'x' || last == 'X' ? 16 : last == 'o' ? 8 : last == 'i' ? 0 : 10;
            long v = std::strtol(text.c_str(), nullptr, base);
            if (longer)
                *va_arg(*ap, long*) = v;
            else
                *va_arg(*ap, int*) = static_cast<int>(v);
        }
    }
}

void set_flag_letter(CmdArgEntry& e, char c) {
    if (c >= 'a' && c <= 'z') e.lower_bits |= 1u << (c - 'a');
    if (c >= 'A' && c <= 'Z') e.upper_bits |= 1u << (c - 'A');
    if (c >= '0' && c <= '9') e.digit_bits |= 1u << (c - '0');
}

bool flag_valid(const CmdArgEntry& e, char c) {
    if (c >= 'a' && c <= 'z') return e.lower_bits >> (c - 'a') & 1u;
    if (c >= 'A' && c <= 'Z') return e.upper_bits >> (c - 'A') & 1u;
    if (c >= '0' && c <= '9') return e.digit_bits >> (c - '0') & 1u;
    return false;
}

void add_flag_letter(ArgState& s, char c) {
    if (c >= 'a' && c <= 'z') s.flags[0] |= 1u << (c - 'a');
    if (c >= 'A' && c <= 'Z') s.flags[1] |= 1u << (c - 'A');
    if (c >= '0' && c <= '9') s.flags[2] |= 1u << (c - '0');
}

// Takes a trailing ">file", ">>file", or "> file" / ">> file" pair off.
void take_redirection(ArgState& s) {
    size_t n = s.words.size();
    if (n < 2) return;
    const std::string& last = s.words[n - 1];
    if (n >= 3 && (s.words[n - 2] == ">" || s.words[n - 2] == ">>")) {
        s.append = s.words[n - 2] == ">>";
        s.redirect = last;
        s.kind[n - 2] = s.kind[n - 1] = Word::Redirect;
    } else if (last.size() > 1 && last[0] == '>') {
        s.append = last.size() > 2 && last[1] == '>';
        s.redirect = last.substr(s.append ? 2 : 1);
        if (s.redirect.empty()) return;
        s.kind[n - 1] = Word::Redirect;
    }
}

bool is_plain(size_t i) { return cur().kind[i] == Word::Plain && !cur().blanked[i]; }

// Index of the next plain argument from the cursor, or -1; moves past it.
int next_plain() {
    while (cur().cursor < cur().words.size()) {
        size_t i = cur().cursor++;
        if (is_plain(i)) return static_cast<int>(i);
    }
    return -1;
}

// The word holding one of the alternatives of name: exactly, or (sticky)
// followed by its first value.  -1 when absent.
int find_option_word(const char* name, bool* sticky) {
    std::vector<std::string> alts = alternatives(name);
    for (size_t i = 1; i < cur().words.size(); ++i) {
        if (cur().blanked[i] || (cur().kind[i] != Word::Option && cur().kind[i] != Word::Plain)) continue;
        for (const auto& a : alts) {
            if (a.empty()) continue;
            if (cur().words[i] == a) {
                *sticky = false;
                return static_cast<int>(i);
            }
            if (cur().kind[i] == Word::Option && cur().words[i].compare(0, a.size(), a) == 0) {
                *sticky = true;
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

}  // namespace

// ---------------------------------------------------------------- dictionary

void CMD_set_dictionary(const CmdDictionary* d) { dictionary = d; }
const CmdDictionary* CMD_get_dictionary() { return dictionary; }

void dump_ctab() {
    if (!dictionary) return;
    MSG_inform("CMD_TAB:\n");
    for (int i = 0; i < dictionary->ncommands; ++i) {
        const CmdEntry& c = dictionary->commands[i];
        MSG_inform(" %3d: name=%s narg=%d iarg=%d iproc=%0x ihelp=%d\n", i, c.name, c.narg, c.iarg,
                   static_cast<unsigned>(c.iproc), c.ihelp);
    }
}

void dump_atab() {
    if (!dictionary) return;
    MSG_inform("ARG_TAB:\n");
    for (int i = 0; i < dictionary->nargs; ++i) {
        const CmdArgEntry& a = dictionary->args[i];
        bool first = false;
        for (int c = 0; c < dictionary->ncommands; ++c)
            if (dictionary->commands[c].narg > 0 && dictionary->commands[c].iarg == i) first = true;
        if (first)
            MSG_inform(" %3d: name=%s bit=%08lx %08lx\n", i, a.name ? a.name : "",
                       static_cast<unsigned long>(a.lower_bits), static_cast<unsigned long>(a.upper_bits));
        else
            MSG_inform(" %3d: name=%s format=%s marg=%d\n", i, a.name ? a.name : "", a.format ? a.format : "",
                       a.marg);
    }
}

std::string CMD_flag_expand(const char* list) {
    std::string out;
    const char* p = list ? list : "";
    if (*p == '[') ++p;
    for (; *p && *p != ']'; ++p) {
        if (*p == '-' && out.empty()) continue;  // the leading "-" of "[-abc]"
        if (p[1] == '-' && p[2] && p[2] != ']') {
            for (char c = p[0]; c <= p[2]; ++c) out += c;
            p += 2;
        } else {
            out += *p;
        }
    }
    return out;
}

void setup_flag(CmdArgEntry& entry, const char* letters) {
    for (char c : CMD_flag_expand(letters)) set_flag_letter(entry, c);
}

std::unique_ptr<CmdOptionTable> setup_opt(const char* option_text) {
    auto t = std::make_unique<CmdOptionTable>();
    CmdArgEntry flags{};
    std::vector<std::string> words = split_words(option_text ? option_text : "");
    size_t i = 0;
    // A bracketed flag list may hold blanks: join its words back.
    if (i < words.size() && words[i][0] == '[') {
        std::string list;
        while (i < words.size()) {
            list += words[i];
            if (words[i++].back() == ']') break;
        }
        setup_flag(flags, list.c_str());
    }
    std::vector<std::pair<std::string, std::string>> opts;
    for (; i < words.size(); ++i) {
        if (words[i][0] == '%' && !opts.empty()) {
            std::string& f = opts.back().second;
            if (!f.empty()) f += ' ';
            f += words[i];
        } else {
            opts.emplace_back(words[i], "");
        }
    }
    // Own the texts first, then point the entries at them.
    t->names.push_back("");
    t->formats.push_back("");
    for (auto& o : opts) {
        t->names.push_back(o.first);
        t->formats.push_back(o.second);
    }
    flags.name = t->names[0].c_str();
    flags.format = t->formats[0].c_str();
    t->entries.push_back(flags);
    for (size_t k = 1; k < t->names.size(); ++k) {
        CmdArgEntry e{};
        e.name = t->names[k].c_str();
        e.format = t->formats[k].c_str();
        e.marg = static_cast<int16_t>(format_fields(e.format).size());
        t->entries.push_back(e);
    }
    return t;
}

// ---------------------------------------------------------------- matching

int abbrev_comp(const char* word, const char* name) {
    if (!word || !name || !*word) return -1;
    return iequal_prefix(name, word) ? 0 : -1;
}

int opt_search(const char* name, const CmdArgEntry* table, int n) {
    for (int i = 1; i < n; ++i)
        for (const auto& a : alternatives(table[i].name))
            if (a == name) return i;
    return -1;
}

int optlist_search(const char* name, const CmdArgEntry* table, int n) {
    for (int i = 1; i < n; ++i)
        for (const auto& a : alternatives(table[i].name))
            if (!a.empty() && iequal_prefix(a, name)) return i;
    return -1;
}

int CMD_search(const char* name) {
    if (!dictionary || !name) return -1;
    for (int i = 0; i < dictionary->ncommands; ++i)
        if (abbrev_comp(name, dictionary->commands[i].name) == 0) return i;
    return -1;
}

// ---------------------------------------------------------------- parsing

int CMD_line(const char* text) {
    cur() = ArgState{};
    cur().words = split_words(text ? text : "");
    if (cur().words.empty()) return -1;
    cur().cmd = CMD_search(cur().words[0].c_str());
    if (cur().cmd < 0) return -1;
    const CmdEntry& c = dictionary->commands[cur().cmd];
    if (c.narg > 0 && c.iarg >= 0 && c.iarg + c.narg <= dictionary->nargs) {
        cur().table = dictionary->args + c.iarg;
        cur().ntable = c.narg;
    }
    CMD_parse();
    return cur().cmd;
}

int CMD_parse() {
    if (cur().words.empty()) return -1;
    size_t n = cur().words.size();
    cur().kind.assign(n, Word::Plain);
    cur().option.assign(n, -1);
    cur().blanked.assign(n, false);
    cur().kind[0] = Word::Name;
    cur().flags[0] = cur().flags[1] = cur().flags[2] = 0;
    cur().cursor = 1;
    cur().redirect.clear();
    take_redirection(cur());
    if (!cur().table) return 0;  // no option table: every word is plain
    for (size_t i = 1; i < n; ++i) {
        std::string& w = cur().words[i];
        if (cur().kind[i] != Word::Plain || w.size() < 2 || w[0] != '-') continue;
        int take = 0;
        int o = optlist_search(w.c_str(), cur().table, cur().ntable);
        if (o > 0) {
            // Written out in full, so that procedures find it by name.
            for (const auto& a : alternatives(cur().table[o].name))
                if (iequal_prefix(a, w)) {
                    w = a;
                    break;
                }
            take = cur().table[o].marg;
        } else {
            for (int e = 1; e < cur().ntable && o < 0; ++e) {
                if (cur().table[e].marg <= 0) continue;
                for (const auto& a : alternatives(cur().table[e].name))
                    if (!a.empty() && w.size() > a.size() && w.compare(0, a.size(), a) == 0) {
                        o = e;
                        take = cur().table[e].marg - 1;
                        break;
                    }
            }
        }
        if (o > 0) {
            cur().kind[i] = Word::Option;
            cur().option[i] = o;
            for (size_t k = i + 1; k < n && take > 0 && cur().kind[k] == Word::Plain; ++k, --take)
                cur().kind[k] = Word::Value, ++i;
            continue;
        }
        bool ok = true;
        for (size_t k = 1; k < w.size(); ++k) ok = ok && flag_valid(cur().table[0], w[k]);
        if (ok) {
            cur().kind[i] = Word::Flags;
            for (size_t k = 1; k < w.size(); ++k) add_flag_letter(cur(), w[k]);
        } else {
            cur().kind[i] = Word::Unknown;
        }
    }
    return 0;
}

int CMD_activate() {
    if (cur().cmd < 0 || !dictionary) return -1;
    const CmdEntry& c = dictionary->commands[cur().cmd];
    // Redirection: the command's messages go to the file only.
    std::unique_ptr<AtomicFile> out;
    FILE* old_log = nullptr;
    int old_log_on = 0, old_fid = 1;
    if (!cur().redirect.empty()) {
        out = std::make_unique<AtomicFile>(cur().redirect);
        bool ok = out->open("w");
        if (ok && cur().append) {
            // ">>": the file's present text first, then the command's.
            std::ifstream in(cur().redirect, std::ios::binary);
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::fwrite(text.data(), 1, text.size(), out->stream());
        }
        if (!ok) {
            MSG_error("#029: Cannot open output file '%s'\n", cur().redirect.c_str());
            return -1;
        }
        old_log = MSG_swap_log(out->stream(), &old_log_on);
        old_fid = MSG_is_fid_on();
        MSG_fid_on(0);
    }
    int result;
    if (const char* x = CMD_get_xopt()) {
        MSG_error("#010: Invalid command option: %s\n", x);
        result = -1;
    } else if (c.iproc < 0 || c.iproc >= dictionary->nprocs || !dictionary->procs[c.iproc]) {
        result = 0;
    } else {
        char** argv = CMD_argv();
        result = dictionary->procs[c.iproc](CMD_argc(), argv);
    }
    if (out) {
        MSG_swap_log(old_log, nullptr);
        MSG_log_on(old_log_on);
        MSG_fid_on(old_fid);
        if (!out->commit()) {
            MSG_error("#029: Cannot open output file '%s'\n", out->target().c_str());
            result = -1;
        }
    }
    return result;
}

int CMD_save_arg() {
    if (static_cast<int>(saved.size()) >= CMD_MAX_NESTING) {
        MSG_error("#027: Commands nested too deeply (at most %d)\n", CMD_MAX_NESTING);
        return -1;
    }
    saved.push_back(std::move(cur_state));
    cur_state = std::make_unique<ArgState>(*saved.back());
    return 0;
}

int CMD_restore_arg() {
    if (saved.empty()) return -1;
    cur_state = std::move(saved.back());
    saved.pop_back();
    return 0;
}

void CMD_reset_arg_state() {
    cur_state = std::make_unique<ArgState>();
    saved.clear();
    main_options.reset();
}

int CMD_execute(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string line = STR_vformat(fmt, ap);
    va_end(ap);
    if (CMD_save_arg() < 0) return -1;
    int result = CMD_line(line.c_str()) < 0 ? -1 : CMD_activate();
    CMD_restore_arg();
    return result;
}

int CMD_action(int index) {
    if (!dictionary || index < 0 || index >= dictionary->ncommands) return -1;
    if (cur().words.empty()) cur().words.push_back(dictionary->commands[index].name);
    cur().cmd = index;
    return CMD_activate();
}

int CMD_parse_main(int argc, char** argv, const char* option_text) {
    cur() = ArgState{};
    for (int i = 0; i < argc; ++i) cur().words.emplace_back(argv[i] ? argv[i] : "");
    if (cur().words.empty()) cur().words.emplace_back("");
    if (dictionary && dictionary->ncommands > 0) {
        cur().cmd = 0;
        const CmdEntry& c = dictionary->commands[0];
        if (c.narg > 0 && c.iarg >= 0 && c.iarg + c.narg <= dictionary->nargs) {
            cur().table = dictionary->args + c.iarg;
            cur().ntable = c.narg;
        }
        CMD_parse();
        return CMD_activate();
    }
    main_options = setup_opt(option_text);
    cur().table = main_options->entries.data();
    cur().ntable = static_cast<int>(main_options->entries.size());
    CMD_parse();
    if (const char* x = CMD_get_xopt()) {
        MSG_error("#010: Invalid command option: %s\n", x);
        return -1;
    }
    return 0;
}

// ---------------------------------------------------------------- arguments

int CMD_get_arg(const char** first, ...) {
    int filled = 0;
    va_list ap;
    va_start(ap, first);
    for (const char** place = first; place; place = va_arg(ap, const char**)) {
        int i = next_plain();
        if (i < 0) break;
        *place = cur().words[i].c_str();
        ++filled;
    }
    va_end(ap);
    return filled;
}

int CMD_get_opt(const char* name, ...) {
    bool sticky = false;
    int i = find_option_word(name, &sticky);
    if (i < 0) return -1;
    int entry = cur().option[i] > 0 ? cur().option[i] : (cur().table ? opt_search(cur().words[i].c_str(), cur().table, cur().ntable) : -1);
    if (entry <= 0) {
        cur().blanked[i] = true;
        return 0;
    }
    std::vector<std::string> fields = format_fields(cur().table[entry].format);
    cur().blanked[i] = true;
    va_list ap;
    va_start(ap, name);
    int got = 0;
    size_t k = i + 1;
    for (size_t f = 0; f < fields.size(); ++f) {
        if (f == 0 && sticky) {
            // The value is the text after the option's name.
            std::string& w = cur().words[i];
            size_t len = 0;
            for (const auto& a : alternatives(name))
                if (!a.empty() && w.compare(0, a.size(), a) == 0) len = std::max(len, a.size());
            cur().sticky.push_back(w.substr(len));
            convert(fields[f], cur().sticky.back(), &ap);
            ++got;
            continue;
        }
        if (k >= cur().words.size() || cur().kind[k] != Word::Value) break;
        cur().blanked[k] = true;
        convert(fields[f], cur().words[k++], &ap);
        ++got;
    }
    va_end(ap);
    return got;
}

int CMD_scan_opt(const char* name, ...) {
    std::vector<std::string> alts = alternatives(name);
    for (size_t i = 1; i < cur().words.size(); ++i) {
        if (cur().blanked[i] || cur().kind[i] == Word::Redirect) continue;
        bool match = false;
        for (const auto& a : alts) match = match || (!a.empty() && cur().words[i] == a);
        if (!match) continue;
        cur().blanked[i] = true;
        int got = 0;
        size_t k = i + 1;
        va_list ap;
        va_start(ap, name);
        for (const char** place = va_arg(ap, const char**); place; place = va_arg(ap, const char**)) {
            if (k >= cur().words.size() || cur().kind[k] == Word::Redirect) break;
            cur().blanked[k] = true;
            *place = cur().words[k++].c_str();
            ++got;
        }
        va_end(ap);
        return got;
    }
    return -1;
}

const char* CMD_get_xopt() {
    for (size_t i = 1; i < cur().kind.size(); ++i)
        if (cur().kind[i] == Word::Unknown && !cur().blanked[i]) return cur().words[i].c_str();
    return nullptr;
}

const char* CMD_get_arg_str() {
    int i = next_plain();
    return i < 0 ? nullptr : cur().words[i].c_str();
}

int CMD_get_arg_int(int* value) {
    int i = next_plain();
    if (i < 0) return 0;
    *value = ctoi(cur().words[i].c_str());
    return 1;
}

int CMD_get_arg_bool(int* flag) {
    int i = next_plain();
    if (i < 0) return -1;
    return to_bool(cur().words[i].c_str(), flag);
}

int CMD_get_arg_list(std::vector<std::string>* list) {
    list->clear();
    for (int i = next_plain(); i >= 0; i = next_plain()) list->push_back(cur().words[i]);
    return static_cast<int>(list->size());
}

std::string CMD_get_arg_remain() {
    std::string out;
    for (int i = next_plain(); i >= 0; i = next_plain()) {
        if (!out.empty()) out += ' ';
        out += cur().words[i];
    }
    return out;
}

int CMD_combine_arg(int first, int n) {
    if (first < 1 || first >= static_cast<int>(cur().words.size())) return 0;
    size_t end = n < 0 ? cur().words.size() : std::min(cur().words.size(), static_cast<size_t>(first + n));
    for (size_t i = first + 1; i < end; ++i) cur().words[first] += " " + cur().words[i];
    auto erase = [&](auto& v) { v.erase(v.begin() + first + 1, v.begin() + end); };
    erase(cur().words);
    erase(cur().kind);
    erase(cur().option);
    erase(cur().blanked);
    return static_cast<int>(end - first);
}

std::string CMD_rebuild(const char* prefix) {
    std::string out = prefix ? prefix : "";
    for (int i = next_plain(); i >= 0; i = next_plain()) {
        if (!out.empty()) out += ' ';
        out += cur().words[i];
    }
    return out;
}

int CMD_is_opt_specify(const char* text) {
    for (size_t i = 1; i < cur().words.size(); ++i)
        if (text && cur().words[i] == text) return 1;
    return 0;
}

uint32_t CMD_get_flag(int which) { return which >= 0 && which < 3 ? cur().flags[which] : 0; }

std::string CMD_print_flag(uint32_t mask, char first) {
    std::string out;
    for (int b = 0; b < 32; ++b)
        if (mask >> b & 1u) {
            out += '-';
            out += static_cast<char>(first + b);
            out += ' ';
        }
    return out;
}

int CMD_argc() { return static_cast<int>(cur().words.size()); }

char** CMD_argv() {
    cur().argv.clear();
    for (auto& w : cur().words) cur().argv.push_back(w.data());
    cur().argv.push_back(nullptr);
    return cur().argv.data();
}

int CMD_get_cmd() { return cur().cmd; }

const char* CMD_name() {
    if (!dictionary || cur().cmd < 0) return nullptr;
    return dictionary->commands[cur().cmd].name;
}

int CMD_set_arg(int argc, char** argv) {
    int cmd = cur().cmd;
    const CmdArgEntry* table = cur().table;
    int ntable = cur().ntable;
    cur() = ArgState{};
    cur().cmd = cmd;
    cur().table = table;
    cur().ntable = ntable;
    for (int i = 0; i < argc; ++i) cur().words.emplace_back(argv[i] ? argv[i] : "");
    return CMD_parse();
}

void CMD_reset_arg_index() { cur().cursor = 1; }

int to_bool(const char* text, int* flag) {
    if (!text) return -1;
    std::string t = text;
    for (auto& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (t == "T" || t == "Y" || t == "TRUE" || t == "YES") {
        *flag = 255;
        return 1;
    }
    if (t == "F" || t == "N" || t == "FALSE" || t == "NO") {
        *flag = 0;
        return 1;
    }
    return -1;
}
