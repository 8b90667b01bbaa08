// File-name parts, the directory search path and searches along it.
#include "runtime/fnm.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "runtime/dyna.h"
#include "runtime/msg.h"
#include "runtime/run_inputs.h"
#include "runtime/str.h"

namespace {

namespace fs = std::filesystem;

char** search_path = nullptr;  // root directories; a null entry marks the end
char** search_dir = nullptr;   // subdirectory names; null slots after deletions

// The expanded list that searches walk, null-terminated.
std::vector<std::string> full_text;
std::vector<const char*> full_list;
int full_path_idxL = 0;
bool full_built = false;

struct stat fnm_stat_record {};

std::string lib_path_buffer;  // result of make_full_lib_path

char* dup(const std::string& s) { return qdx_strdup(s.c_str()); }

// The lists changed: the next search rebuilds the expanded list.
void path_changed() { full_built = false; }

void ensure_full_list() {
    if (!full_built) FNM_build_full_search_path();
}

bool is_directory(const std::string& name) {
    struct stat st {};
    return stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The name with a leading "~" expanded; false when the user is unknown.
bool expand_home(const char* name, std::string& out) {
    if (name[0] != '~') {
        out = name;
        return true;
    }
    char* h = FNM_get_home(name);
    if (!h) return false;
    out = h;
    std::free(h);
    return true;
}

// Index of the first entry equal to text under dir_comp, or -1.
int find_dir(char** list, const char* text) {
    for (int i = 0; i < DYNA_count(list); ++i)
        if (dir_comp(&list[i], &text) == 0) return i;
    return -1;
}

int append_entry(char*** list, char* text) {
    int i = DYNA_add(list, 1);
    (*list)[i] = text;
    return i;
}

void free_list(char*** list) {
    if (!*list) return;
    for (int i = 0; i < DYNA_count(*list); ++i) std::free((*list)[i]);
    DYNA_free(list);
    *list = nullptr;
}

// A name split into its parts.  The volume (text before a first ':' with
// no '/' in front of it) is held apart from the directory and base name.
struct NameParts {
    std::string volume;
    bool has_volume = false;
    bool has_dir = false;
    std::string dir;  // without the volume; empty for the root
    std::string base;
    std::string ext;  // without its dot
};

NameParts split_name(const std::string& name) {
    NameParts p;
    std::string rest = name;
    size_t colon = name.find(':');
    if (colon != std::string::npos && colon > 0 && name.find('/') > colon) {
        p.has_volume = true;
        p.volume = name.substr(0, colon);
        rest = name.substr(colon + 1);
    }
    size_t slash = rest.rfind('/');
    if (slash != std::string::npos) {
        p.has_dir = true;
        p.dir = rest.substr(0, slash);
        p.base = rest.substr(slash + 1);
    } else {
        p.base = rest;
    }
    // "." and ".." are names, not extensions; ".cshrc" keeps its dot in the base.
    size_t dot = p.base.rfind('.');
    if (dot != std::string::npos && p.base != "." && p.base != ".." && dot > 0) {
        p.ext = p.base.substr(dot + 1);
        p.base.resize(dot);
    }
    return p;
}

std::string volume_prefix(const NameParts& p) { return p.has_volume ? p.volume + ":" : std::string(); }

// The text of the parts that the letters select, in the order volume,
// directory, base name, extension.
std::string compose(const NameParts& p, const char* letters) {
    auto wants = [letters](char c) { return letters && std::strchr(letters, c) != nullptr; };
    std::string out;
    if (wants('v') && p.has_volume) out += volume_prefix(p);
    if (wants('p') && p.has_dir) {
        std::string d;
        if (!expand_home(p.dir.c_str(), d)) d = p.dir;
        out += d;
        if (d.empty() || d.back() != '/') out += '/';
    }
    if (wants('b')) out += p.base;
    if (wants('e') && !p.ext.empty()) {
        if (p.ext[0] != '.') out += '.';
        out += p.ext;
    }
    return out;
}

char* own_or_null(const std::string& s) { return s.empty() ? nullptr : dup(s); }

void add_subdir_name(const char* name) {
    if (find_dir(search_dir, name) >= 0) return;
    for (int i = 0; i < DYNA_count(search_dir); ++i)
        if (!search_dir[i]) {
            search_dir[i] = qdx_strdup(name);
            return;
        }
    append_entry(&search_dir, qdx_strdup(name));
}

}  // namespace

// ---------------------------------------------------------------- path

const char* CMD_set_path(const char* root, const char* dirs, ...) {
    FNM_clear_path();
    const char* first = nullptr;
    FNM_search_path(root, dirs, &first);
    FNM_clear_subdir();
    va_list ap;
    va_start(ap, dirs);
    for (const char* list = va_arg(ap, const char*); list; list = va_arg(ap, const char*))
        FNM_search_subdir(list);
    va_end(ap);
    FNM_build_full_search_path();
    return first;
}

const char* FNM_add_path(const char* list_text) {
    if (!search_path) search_path = DYNA_new<char*>();
    path_changed();
    if (!list_text) {
        append_entry(&search_path, nullptr);
        return nullptr;
    }
    if (!*list_text || *list_text == ' ') {
        if (find_dir(search_path, ".") < 0) append_entry(&search_path, qdx_strdup("."));
        return nullptr;
    }
    // One separator for the whole text: ':' when there is one, else a blank.
    const char sep = std::strchr(list_text, ':') ? ':' : ' ';
    const std::string text = list_text;
    const char* result = nullptr;
    bool first = true;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(sep, pos);
        if (end == std::string::npos) end = text.size();
        std::string piece = text.substr(pos, end - pos);
        pos = end + 1;
        bool is_first = first;
        first = false;
        if (piece.empty()) continue;
        std::string dir;
        if (!expand_home(piece.c_str(), dir)) continue;  // unknown user
        if (find_dir(search_path, dir.c_str()) >= 0) {
            if (is_first) result = search_path[0];
            continue;
        }
        int i = append_entry(&search_path, dup(dir));
        if (is_first) result = search_path[i];
    }
    return result;
}

char** FNM_search_path(const char* root, const char* dirs, const char** first) {
    if (!search_path) search_path = DYNA_new<char*>();
    const char* r = nullptr;
    if (dirs) FNM_add_path(dirs);
    if (root) r = FNM_add_path(root);
    if (dirs || root) FNM_add_path(nullptr);
    if (first) *first = r;
    return search_path;
}

char** FNM_search_subdir(const char* list_text) {
    if (!search_dir) search_dir = DYNA_new<char*>();
    path_changed();
    if (!list_text) return search_dir;
    const std::string text = list_text;
    size_t pos = 0;
    while (true) {
        pos = text.find_first_not_of(" ,:\t", pos);
        if (pos == std::string::npos) break;
        size_t end = text.find_first_of(" ,:\t", pos);
        if (end == std::string::npos) end = text.size();
        add_subdir_name(text.substr(pos, end - pos).c_str());
        pos = end;
    }
    return search_dir;
}

int FNM_add_lib_subdir(const char* name) {
    if (!name) return -1;
    if (!search_dir) search_dir = DYNA_new<char*>();
    if (find_dir(search_dir, name) >= 0) return -1;
    path_changed();
    for (int i = 0; i < DYNA_count(search_dir); ++i)
        if (!search_dir[i]) {
            search_dir[i] = qdx_strdup(name);
            return i;
        }
    return append_entry(&search_dir, qdx_strdup(name));
}

int FNM_add_default_search_dir(const char* name) {
    if (!name) return -1;
    if (!search_dir) search_dir = DYNA_new<char*>();
    path_changed();
    return append_entry(&search_dir, qdx_strdup(name));
}

int FNM_del_subdir(const char* name) {
    int i = name ? find_dir(search_dir, name) : -1;
    if (i < 0) return -1;
    std::free(search_dir[i]);
    search_dir[i] = nullptr;
    path_changed();
    return i;
}

void FNM_clear_path() {
    FNM_free_path();
    search_path = DYNA_new<char*>();
}

void FNM_free_path() {
    free_list(&search_path);
    path_changed();
}

void FNM_clear_subdir() {
    free_list(&search_dir);
    path_changed();
}

void FNM_build_full_search_path() {
    full_text.clear();
    full_list.clear();
    for (int i = 0; i < DYNA_count(search_path); ++i) {
        const char* entry = search_path[i];
        if (!entry) continue;
        std::string root = entry;
        if (is_directory(root)) full_text.push_back(root);
        std::string prefix = root;
        if (prefix.empty() || prefix.back() != '/') prefix += '/';
        for (int k = 0; k < DYNA_count(search_dir); ++k) {
            if (!search_dir[k]) continue;
            std::string sub = prefix + search_dir[k];
            if (is_directory(sub)) full_text.push_back(std::move(sub));
        }
    }
    for (const auto& s : full_text) full_list.push_back(s.c_str());
    full_list.push_back(nullptr);
    full_path_idxL = static_cast<int>(full_text.size());
    full_built = true;
}

const char* const* FNM_full_search_list(int* count) {
    ensure_full_list();
    if (count) *count = full_path_idxL;
    return full_list.data();
}

char* FNM_form_path() {
    std::string out;
    if (DYNA_count(search_path) > 1) {
        for (int i = 0; i < DYNA_count(search_path); ++i) {
            if (!search_path[i]) continue;
            if (!out.empty()) out += ' ';
            out += search_path[i];
        }
    }
    return dup(out);
}

const char* FNM_scan_searchpath() { return DYNA_count(search_dir) > 0 ? search_dir[0] : nullptr; }

int set_multiple_lib_search_path() {
    const char* value = std::getenv("QUENDAL_LIB_PATH");
    if (!value || !*value) return 1;
    const std::string text = value;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(':', pos);
        if (end == std::string::npos) end = text.size();
        std::string piece = text.substr(pos, end - pos);
        pos = end + 1;
        if (piece.empty()) continue;
        const char* full = make_full_lib_path(piece.c_str());
        if (!full) continue;
        std::string dir = full;
        if (add_lib_search_path(dir.c_str()) < 0) MSG_warning("Library search path '%s' already exists.\n", dir.c_str());
    }
    return 0;
}

const char* make_full_lib_path(const char* piece) {
    if (!piece) return nullptr;
    if (piece[0] != '~') {
        lib_path_buffer = piece;
        return lib_path_buffer.c_str();
    }
    const char* home_env = std::getenv("HOME");
    if (!home_env || !*home_env) {
        MSG_warning("Can not find home directory for library path - '%s'!\n", piece);
        return nullptr;
    }
    std::string home = home_env;
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    std::string last = home.substr(home.rfind('/') + 1);
    std::vector<std::string> parts;
    const std::string rest = piece + 1;
    size_t pos = 0;
    while (true) {
        pos = rest.find_first_not_of('/', pos);
        if (pos == std::string::npos) break;
        size_t end = rest.find('/', pos);
        if (end == std::string::npos) end = rest.size();
        parts.push_back(rest.substr(pos, end - pos));
        pos = end;
    }
    // "~me/x" with HOME ending in "me" names the same directory as "~/x".
    size_t from = (!parts.empty() && parts[0] == last) ? 1 : 0;
    lib_path_buffer = home;
    for (size_t i = from; i < parts.size(); ++i) {
        if (lib_path_buffer.back() != '/') lib_path_buffer += '/';
        lib_path_buffer += parts[i];
    }
    return lib_path_buffer.c_str();
}

int add_lib_search_path(const char* directory) {
    if (!directory) return -1;
    if (!search_path) search_path = DYNA_new<char*>();
    for (int i = 0; i < DYNA_count(search_path); ++i)
        if (search_path[i] && std::strcmp(search_path[i], directory) == 0) return -1;
    path_changed();
    int n = DYNA_count(search_path);
    int at;
    if (n > 0 && !search_path[n - 1]) {
        at = n - 1;
        search_path[at] = qdx_strdup(directory);
    } else {
        at = append_entry(&search_path, qdx_strdup(directory));
    }
    append_entry(&search_path, nullptr);
    return at;
}

// ---------------------------------------------------------------- searching

char* FNM_search(const char* name, int mode, int flag) {
    if (!name) return nullptr;
    std::string n;
    if (!expand_home(name, n)) return nullptr;
    if (flag == FNM_NAME_ONLY) return access(n.c_str(), mode) == 0 ? dup(n) : nullptr;
    if (flag != FNM_SEARCH_PATH && flag != -1) return nullptr;
    ensure_full_list();
    for (const auto& dir : full_text) {
        std::string p = dir;
        if (p.empty() || p.back() != '/') p += '/';
        p += n;
        if (access(p.c_str(), mode) == 0) return dup(p);
    }
    return nullptr;
}

char* FNM_search1(const char* name, int mode, int flag) {
    if (!name) return nullptr;
    std::string n;
    if (!expand_home(name, n)) return nullptr;
    if (flag == FNM_NAME_ONLY) return access(n.c_str(), mode) == 0 ? dup(n) : nullptr;
    if (flag != FNM_SEARCH_PATH && flag != -1) return nullptr;
    if (DYNA_count(search_path) == 0 || !search_path[0]) return nullptr;
    std::string p = search_path[0];
    if (p.empty() || p.back() != '/') p += '/';
    p += n;
    return access(p.c_str(), mode) == 0 ? dup(p) : nullptr;
}

namespace {

char* search_each_ext(const char* name, const char* ext_list, int flag, char* (*search)(const char*, int, int)) {
    if (!name || !ext_list) return nullptr;
    const std::string list = ext_list;
    size_t pos = 0;
    while (true) {
        pos = list.find_first_not_of(" ,\t", pos);
        if (pos == std::string::npos) return nullptr;
        size_t end = list.find_first_of(" ,\t", pos);
        if (end == std::string::npos) end = list.size();
        std::string ext = list.substr(pos, end - pos);
        pos = end;
        char* built = FNM_build(nullptr, name, ext.c_str());
        char* found = search(built, 0, flag);
        std::free(built);
        if (found) return found;
    }
}

}  // namespace

char* FNM_search_file(const char* name, const char* ext_list, int flag) {
    return search_each_ext(name, ext_list, flag, FNM_search);
}

char* FNM_search_file1(const char* name, const char* ext_list, int flag) {
    return search_each_ext(name, ext_list, flag, FNM_search1);
}

char* FNM_search_ext(const char* name, const char* const* exts, int flag) {
    if (!name) return nullptr;
    if (!split_name(name).ext.empty() || !exts) return FNM_search(name, 0, flag);
    for (const char* const* e = exts; *e; ++e) {
        char* built = FNM_build(nullptr, name, *e);
        char* found = FNM_search(built, 0, flag);
        std::free(built);
        if (found) return found;
    }
    return nullptr;
}

std::string FNM_find(const std::string& name) {
    char* found = FNM_search(name.c_str(), 0, !name.empty() && name[0] == '/' ? FNM_NAME_ONLY : FNM_SEARCH_PATH);
    std::string path = found ? found : "";
    std::free(found);
    return path;
}

FILE* FNM_fopen(const char* name, const char* mode) {
    if (!name || !mode) return nullptr;
    char* path = FNM_search(name, 0, FNM_SEARCH_PATH);
    if (!path && !std::strchr(mode, 'w')) return nullptr;
    FILE* f = std::fopen(path ? path : name, mode);
    std::free(path);
    return f;
}

// ---------------------------------------------------------------- inputs

namespace {

bool refuse_input(std::string* why, const char* reason) {
    if (why) *why = reason;
    return false;
}

}  // namespace

bool FNM_regular_input(const char* name, std::string* why) {
    struct stat st {};
    if (!name || ::stat(name, &st) != 0) return refuse_input(why, std::strerror(name ? errno : ENOENT));
    return S_ISREG(st.st_mode) || refuse_input(why, FNM_NOT_REGULAR);
}

int FNM_open_input_fd(const char* name, std::string* why) {
    // Nothing that is not a regular file is opened at all; and the open
    // does not wait, should the name have become a FIFO since.
    if (!FNM_regular_input(name, why)) return -1;
    const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        refuse_input(why, std::strerror(errno));
        return -1;
    }
    struct stat st {};
    const char* reason = nullptr;
    if (::fstat(fd, &st) != 0)
        reason = std::strerror(errno);
    else if (!S_ISREG(st.st_mode))
        reason = FNM_NOT_REGULAR;
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        reason = std::strerror(errno);
    if (!reason) {
        RT_note_input(fd, name);
        return fd;
    }
    refuse_input(why, reason);
    ::close(fd);
    return -1;
}

FILE* FNM_open_input(const char* name, std::string* why) {
    const int fd = FNM_open_input_fd(name, why);
    if (fd < 0) return nullptr;
    FILE* f = ::fdopen(fd, "r");
    if (!f) {
        refuse_input(why, std::strerror(errno));
        ::close(fd);
    }
    return f;
}

// ---------------------------------------------------------------- names

FnmParts* FNM_parse(const char* name) {
    auto* parts = static_cast<FnmParts*>(std::calloc(1, sizeof(FnmParts)));
    if (!parts) MSG_fatal_error(1);
    if (!name) return parts;
    NameParts p = split_name(name);
    std::string vol = volume_prefix(p);
    parts->volume = p.has_volume ? own_or_null(p.volume) : nullptr;
    if (p.has_dir) {
        // The root keeps its "/" so that the name can be rebuilt.
        std::string d = vol + p.dir;
        parts->directory = dup(d.empty() ? std::string("/") : d);
        parts->base = own_or_null(p.base);
    } else {
        parts->base = own_or_null(vol + p.base);
    }
    parts->extension = own_or_null(p.ext);
    return parts;
}

void FNM_free(FnmParts* parts) {
    if (!parts) return;
    std::free(parts->volume);
    std::free(parts->directory);
    std::free(parts->base);
    std::free(parts->extension);
    std::free(parts);
}

FnmParts* FNM_dup(const FnmParts* parts) {
    auto* copy = static_cast<FnmParts*>(std::calloc(1, sizeof(FnmParts)));
    if (!copy) MSG_fatal_error(1);
    if (!parts) return copy;
    copy->volume = parts->volume ? qdx_strdup(parts->volume) : nullptr;
    copy->directory = parts->directory ? qdx_strdup(parts->directory) : nullptr;
    copy->base = parts->base ? qdx_strdup(parts->base) : nullptr;
    copy->extension = parts->extension ? qdx_strdup(parts->extension) : nullptr;
    return copy;
}

void FNM_set_name(FnmParts* parts, const char* name) {
    if (!parts || !name) return;
    FnmParts* n = FNM_parse(name);
    if (n->volume) STR_replace_owned(parts->volume, n->volume);
    if (n->directory) STR_replace_owned(parts->directory, n->directory);
    if (n->base) STR_replace_owned(parts->base, n->base);
    if (n->extension) STR_replace_owned(parts->extension, n->extension);
    FNM_free(n);
}

char* FNM_make(FnmParts* parts) {
    if (!parts) return nullptr;
    std::string out;
    if (parts->directory) {
        if (parts->directory[0] == '~') {
            if (char* home = FNM_get_home(parts->directory)) {
                std::free(parts->directory);
                parts->directory = home;
            }
        }
        out = parts->directory;
        if (out.empty() || out.back() != '/') out += '/';
    }
    if (parts->base) out += parts->base;
    if (parts->extension && *parts->extension) {
        if (parts->extension[0] != '.') out += '.';
        out += parts->extension;
    }
    return dup(out);
}

char* FNM_get_name(const FnmParts* parts) {
    if (!parts) return nullptr;
    std::string out = parts->base ? parts->base : "";
    if (parts->extension && *parts->extension) {
        if (parts->extension[0] != '.') out += '.';
        out += parts->extension;
    }
    return dup(out);
}

char* FNM_build(const char* directory, const char* name, const char* extension) {
    FnmParts* parts = FNM_parse(name);
    if (directory) STR_replace_owned(parts->directory, directory);
    if (extension) STR_replace_owned(parts->extension, extension);
    char* out = FNM_make(parts);
    FNM_free(parts);
    return out;
}

char* FNM_strip(const char* name, const char* letters) {
    if (!name) return nullptr;
    std::string keep;
    for (char c : std::string("vpbe"))
        if (!letters || !std::strchr(letters, c)) keep += c;
    return dup(compose(split_name(name), keep.c_str()));
}

char* FNM_break(const char* name, const char* letters) {
    if (!name) return nullptr;
    return dup(compose(split_name(name), letters));
}

char* FNM_replace(const char* name, int letter, char* text) {
    if (!name) {
        std::free(text);
        return nullptr;
    }
    NameParts p = split_name(name);
    std::string t = text ? text : "";
    std::free(text);
    switch (letter) {
        case 'v':
            p.has_volume = !t.empty();
            p.volume = t;
            break;
        case 'p':
            p.has_dir = !t.empty();
            p.dir = t;
            break;
        case 'b': p.base = t; break;
        case 'e': p.ext = t; break;
        default: break;
    }
    return dup(compose(p, "vpbe"));
}

char* FNM_append_ext(const char* name, const char* extension) {
    if (!name) return nullptr;
    std::string s = name;
    size_t dot = s.rfind('.');
    size_t slash = s.rfind('/');
    bool has_dot = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    if (!extension) {
        if (has_dot) s.resize(dot);
        return dup(s);
    }
    if (has_dot && s.compare(dot, std::string::npos, extension) == 0) return dup(s);
    return dup(s + extension);
}

char* FNM_get_home(const char* name) {
    if (!name) return nullptr;
    if (name[0] != '~') return qdx_strdup(name);
    const char* rest = name + 1;
    const char* slash = std::strchr(rest, '/');
    std::string user = slash ? std::string(rest, slash) : std::string(rest);
    struct passwd* pw = user.empty() ? getpwuid(getuid()) : getpwnam(user.c_str());
    if (!pw || !pw->pw_dir) return nullptr;
    std::string out = pw->pw_dir;
    if (slash) out += slash;
    return dup(out);
}

char* FNM_get_link(const char* name) {
    if (!name || !*name || std::strcmp(name, ".") == 0) {
        std::error_code ec;
        fs::path cwd = fs::current_path(ec);
        if (ec) MSG_fatal("Can not get current working directory!. Please check file server.\n");
        return dup(cwd.string());
    }
    std::string current;
    if (!expand_home(name, current)) current = name;
    std::string chain = current;
    std::set<std::pair<dev_t, ino_t>> seen;
    struct stat st {};
    if (lstat(current.c_str(), &st) != 0) return dup(current);
    seen.insert({st.st_dev, st.st_ino});
    while (S_ISLNK(st.st_mode)) {
        std::error_code ec;
        fs::path target = fs::read_symlink(current, ec);
        if (ec) break;
        std::string next = target.string();
        if (!target.is_absolute()) {
            // A relative target is taken from the link's own directory.
            size_t slash = current.rfind('/');
            if (slash != std::string::npos) next = current.substr(0, slash + 1) + next;
        }
        current = next;
        chain += "->" + current;
        if (lstat(current.c_str(), &st) != 0) break;
        if (!seen.insert({st.st_dev, st.st_ino}).second) {
            MSG_printf("\n");
            MSG_fatal("Please remove self-link '%s' before proceeding!\n\n", chain.c_str());
        }
    }
    return dup(current);
}

int dir_comp(const void* a, const void* b) {
    if (!a || !b) return -1;
    const char* x = *static_cast<const char* const*>(a);
    const char* y = *static_cast<const char* const*>(b);
    if (!x || !y) return -1;
    if (std::strcmp(x, y) == 0) return 0;
    char* lx = FNM_get_link(x);
    char* ly = FNM_get_link(y);
    int r = std::strcmp(lx, ly);
    std::free(lx);
    std::free(ly);
    return r;
}

// ---------------------------------------------------------------- file tests

int FNM_fstat(const char* name) {
    fnm_stat_record = {};
    if (!name) return -1;
    std::string n;
    if (!expand_home(name, n)) return -1;
    int r = stat(n.c_str(), &fnm_stat_record);
    if (r != 0) fnm_stat_record = {};
    return r;
}

mode_t FNM_fmode(const char* name) {
    if (name) FNM_fstat(name);
    return fnm_stat_record.st_mode;
}

off_t FNM_fsize(const char* name) {
    if (name) FNM_fstat(name);
    return fnm_stat_record.st_size;
}

time_t FNM_mtime(const char* name) {
    if (name) FNM_fstat(name);
    return fnm_stat_record.st_mtime;
}

time_t FNM_atime(const char* name) {
    if (name) FNM_fstat(name);
    return fnm_stat_record.st_atime;
}

int FNM_isdir(const char* name) { return S_ISDIR(FNM_fmode(name)) ? 1 : 0; }

int FNM_islink(const char* name) {
    if (!name) return 0;
    std::string n;
    if (!expand_home(name, n)) return 0;
    struct stat st {};
    return lstat(n.c_str(), &st) == 0 && S_ISLNK(st.st_mode) ? 1 : 0;
}

void FNM_reset_globals() {
    free_list(&search_path);
    free_list(&search_dir);
    full_text.clear();
    full_list.clear();
    full_path_idxL = 0;
    full_built = false;
    fnm_stat_record = {};
    lib_path_buffer.clear();
}
