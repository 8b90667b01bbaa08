// File names and the directory search path.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

// A file name split into its parts; each is an owned string or null.
struct FnmParts {
    char* volume;     // before the first ':'
    char* directory;  // before the last '/'
    char* base;
    char* extension;  // after the last '.' of the base, without the dot
};

// Flag values of FNM_search.  Callers that keep the flag in a char pass
// -1 for FNM_SEARCH_PATH; it is taken the same way.
inline constexpr int FNM_NAME_ONLY = 0;      // test the name as given
inline constexpr int FNM_SEARCH_PATH = 0xFF; // try every directory of the search path

// The search path is three lists: root directories (in the order added,
// ended by a null marker entry), subdirectory names, and the expanded list
// of existing directories that searches walk: each root, then each of its
// subdirectories, as far as they exist.  Any change to the first two
// lists makes the next search rebuild the expanded one.
//
// Setting the path.  CMD_set_path takes any number of subdirectory lists
// after dirs, ended by a null; it returns the first root entry's string
// (valid until the path is next changed), or null without a root.
// Directory list texts are split at ':' when they hold one, else at
// blanks; "~" and "~user" are expanded and directories already present
// (also through symbolic links) are dropped.
const char* CMD_set_path(const char* root, const char* dirs, ...);
const char* FNM_add_path(const char* list_text);
char** FNM_search_path(const char* root, const char* dirs, const char** first);
char** FNM_search_subdir(const char* list_text);
int FNM_add_lib_subdir(const char* name);
int FNM_add_default_search_dir(const char* name);
int FNM_del_subdir(const char* name);
void FNM_clear_path();
void FNM_free_path();
void FNM_clear_subdir();
void FNM_build_full_search_path();
char* FNM_form_path();
const char* FNM_scan_searchpath();
// Library directories from QUENDAL_LIB_PATH (':'-separated, "~" taken
// from HOME), kept in front of the end marker; 1 when the variable is
// unset or empty, else 0.
int set_multiple_lib_search_path();
// A library path piece with its leading "~" expanded from HOME (static
// text, valid until the next call), or null when HOME is not set.
const char* make_full_lib_path(const char* piece);
int add_lib_search_path(const char* directory);
// The directories that searches walk, in order (null-terminated; valid
// until the path changes).
const char* const* FNM_full_search_list(int* count);

// Searching: each returns a new string (free it) or null.  A leading "~"
// of the name is expanded first; mode is an access(2) mode.
// FNM_search: with flag FNM_NAME_ONLY the name itself when it is
// accessible; with FNM_SEARCH_PATH (or -1) the first directory of the
// search path that holds an accessible file of that name, joined to it.
char* FNM_search(const char* name, int mode, int flag);
// As FNM_search, but looks in the first directory of the path only.
char* FNM_search1(const char* name, int mode, int flag);
// The name with each extension of ext_list (blank- or comma-separated) in
// turn, searched as FNM_search (FNM_search1 for the "1" form) does: the
// first found.
char* FNM_search_file(const char* name, const char* ext_list, int flag);
char* FNM_search_file1(const char* name, const char* ext_list, int flag);
// A name with an extension (or no list) is searched as it is; else with
// each extension of the null-terminated list in turn.
char* FNM_search_ext(const char* name, const char* const* exts, int flag);
// The file found along the search path as FNM_search finds it, a name
// that begins with "/" tested as it stands; "" when none is found.
std::string FNM_find(const std::string& name);
// Opens the file found along the search path; a name not found is opened
// as given when mode writes, else null.
FILE* FNM_fopen(const char* name, const char* mode);

// Inputs.  Every file a run reads must be a regular file: opening a FIFO
// waits for a writer for ever, and a device such as /dev/zero never ends.
// FNM_open_input opens a file for reading and refuses what is not a
// regular file before anything could wait on it (the file is looked at,
// then opened without waiting and looked at again); the stream or
// descriptor then reads as an ordinary one.  Null (-1) when the file
// cannot be opened or is refused, with the reason in *why when given:
// FNM_NOT_REGULAR, or the system's text ("No such file or directory").
// A file opened is noted as an input of the run (runtime/run_inputs.h).
// FNM_regular_input makes the same test without opening the file.
inline constexpr const char* FNM_NOT_REGULAR = "not a regular file";
FILE* FNM_open_input(const char* name, std::string* why = nullptr);
int FNM_open_input_fd(const char* name, std::string* why = nullptr);
bool FNM_regular_input(const char* name, std::string* why = nullptr);

// Names.  A volume is the text before a first ':' that no '/' precedes;
// the directory and base name keep it in front, as written.  Part letters
// of FNM_strip, FNM_break and FNM_replace: 'v' volume (given back with
// its ':'), 'p' directory (with a trailing '/'), 'b' base name, 'e'
// extension (with its '.').
FnmParts* FNM_parse(const char* name);
void FNM_free(FnmParts* parts);
FnmParts* FNM_dup(const FnmParts* parts);
void FNM_set_name(FnmParts* parts, const char* name);
char* FNM_make(FnmParts* parts);
char* FNM_get_name(const FnmParts* parts);
char* FNM_build(const char* directory, const char* name, const char* extension);
char* FNM_strip(const char* name, const char* letters);
char* FNM_break(const char* name, const char* letters);
char* FNM_replace(const char* name, int letter, char* text);
char* FNM_append_ext(const char* name, const char* extension);
// "~" (current user, password database) or "~user" in front of a name
// expanded; a copy of any other name; null when the user is unknown.
char* FNM_get_home(const char* name);
// The name after following its symbolic links (the working directory for
// "." or an empty name).  A link chain that comes back to an earlier step
// ends the run with the self-link message.
char* FNM_get_link(const char* name);
// Comparator for DynaArrays of directory strings (the arguments point at
// char* elements): -1 when either is null, 0 when equal as texts or after
// following symbolic links (FNM_get_link).
int dir_comp(const void* a, const void* b);

// File tests.  FNM_fstat fills one module-wide status record; the getters
// with a null name read the last one.  FNM_isdir and FNM_islink are 1 or 0;
// FNM_islink looks at the name itself (lstat), not at what it points to.
int FNM_fstat(const char* name);
mode_t FNM_fmode(const char* name);
off_t FNM_fsize(const char* name);
time_t FNM_mtime(const char* name);
time_t FNM_atime(const char* name);
int FNM_isdir(const char* name);
int FNM_islink(const char* name);

// File listing.  An entry of a listing: directory ("." by default), name,
// and with status wanted the mode, access and modification times and size.
struct FnmEntry {
    std::string directory;
    std::string name;
    mode_t mode = 0;
    int reserved = 0;
    time_t atime = 0;
    time_t mtime = 0;
    off_t size = 0;
};
// With a pattern, starts a listing of the pattern's directory (names in
// order, "." and ".." never listed); a pattern without "*" or "?" gives its
// one file when it exists.  Each call (a null pattern continues) returns
// the next entry whose name matches the wildcard mask, or null at the
// end.  The entry stays valid until the next call.
const FnmEntry* FNM_get_file(const char* pattern, int with_status);
// The entry of one parsed name.
FnmEntry FNM_make_entry(const FnmParts* parts, int with_status);
// All entries of a pattern.
std::vector<FnmEntry> FNM_collect(const char* pattern, int with_status);
// Prints "Directory: %s" (or "Current directory:") and the matching names
// in columns of five; with search set and a pattern without directory, for
// every directory of the search path in turn.
int FNM_display(const char* pattern, int search);

// Returns the search path and the file-name module to their start-up state.
void FNM_reset_globals();
