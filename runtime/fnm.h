// File names and the directory search path.
#pragma once

#include <sys/types.h>

#include <ctime>

// A file name split into its parts; each is an owned string or null.
struct FnmParts {
    char* volume;     // before the first ':'
    char* directory;  // before the last '/'
    char* base;
    char* extension;  // after the last '.' of the base, without the dot
};

// Flag values of FNM_search.
inline constexpr int FNM_NAME_ONLY = 0;      // test the name as given
inline constexpr int FNM_SEARCH_PATH = 0xFF; // try every directory of the search path

// Setting the path.  CMD_set_path takes any number of subdirectory lists
// after dirs, ended by a null; it returns the first root entry's string.
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
int set_multiple_lib_search_path();
const char* make_full_lib_path(const char* piece);
int add_lib_search_path(const char* directory);
// The directories that searches walk, in order (null-terminated; valid
// until the path changes).
const char* const* FNM_full_search_list(int* count);

// Searching: each returns a new string (free it) or null.
char* FNM_search(const char* name, int mode, int flag);
char* FNM_search1(const char* name, int mode, int flag);
char* FNM_search_file(const char* name, const char* ext_list, int flag);
char* FNM_search_file1(const char* name, const char* ext_list, int flag);
char* FNM_search_ext(const char* name, const char* const* exts, int flag);
FILE* FNM_fopen(const char* name, const char* mode);

// Names.
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
char* FNM_get_home(const char* name);
char* FNM_get_link(const char* name);
int dir_comp(const void* a, const void* b);
char* FNM_make_opath(const char* name, const char* target);

// File tests.
int FNM_fstat(const char* name);
mode_t FNM_fmode(const char* name);
off_t FNM_fsize(const char* name);
time_t FNM_mtime(const char* name);
time_t FNM_atime(const char* name);
int FNM_isdir(const char* name);
int FNM_islink(const char* name);

// Returns the search path and the file-name module to their start-up state.
void FNM_reset_globals();
