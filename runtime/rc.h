// The definition file: key/value entries looked up by wildcard patterns.
#pragma once

// One entry of the definition table.
struct RcEntry {
    char* key;      // upper-cased; null after the entry was cleared
    char** values;  // DynaArray of owned strings, or null
};

extern RcEntry* rc_tab;    // DynaArray of entries in the order first met
extern const char* RC_EXT;  // extension of definition files, ".def" by default
// File and section names that RC_load with a null name reads (set by a
// host program; neither program of this system sets them).
extern const char* _company;
extern const char* _product;

// Reads a definition file found along the search path and adds its
// entries; 0 after reading, -1 when no file is found or it cannot be read.
int RC_load(const char* name, const char* section);
// The path of "." + name + RC_EXT, else name + RC_EXT, along the search
// path (a new string), or null.
char* lookup_file(const char* name);
RcEntry* RC_add(const char* key, const char* value_text);
// Look-ups take wildcard patterns, upper-cased before matching.  A null
// pattern continues after the entry that the last search stopped at.
char** RC_search(const char* pattern);
char** RC_get(const char* pattern);
const char* RC_sget(const char* pattern, const char* deflt);
int RC_iget(const char* pattern, int deflt);
int RC_bget(const char* pattern, int deflt);
char** RC_lget(const char* pattern);
char** RC_tget(const char* pattern);
int RC_set(const char* pattern, char** values);
// Removes each listed value from the entry; returns how many were removed.
int RC_delete(const char* key, const char* value_text);
char** RC_break(const char* text, const char* separators);
RcEntry* RC_select(RcEntry* table);
void RC_free();
void RC_set_ext(const char* extension);
void RC_set_sc(int mode);
int RC_dump();

// Frees the table and returns the module to its start-up state.
void RC_reset_globals();
