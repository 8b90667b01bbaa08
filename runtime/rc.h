// The definition file: key/value entries looked up by wildcard patterns.
#pragma once

// One entry of the definition table.
struct RcEntry {
    char* key;      // upper-cased; null after the entry was cleared
    char** values;  // DynaArray of owned strings, or null
};

extern RcEntry* rc_tab;
extern const char* RC_EXT;

int RC_load(const char* name, const char* section);
char* lookup_file(const char* name);
RcEntry* RC_add(const char* key, const char* value_text);
char** RC_search(const char* pattern);
char** RC_get(const char* pattern);
const char* RC_sget(const char* pattern, const char* deflt);
int RC_iget(const char* pattern, int deflt);
int RC_bget(const char* pattern, int deflt);
char** RC_lget(const char* pattern);
char** RC_tget(const char* pattern);
int RC_set(const char* pattern, char** values);
int RC_delete(const char* key, const char* value_text);
char** RC_break(const char* text, const char* separators);
RcEntry* RC_select(RcEntry* table);
void RC_free();
void RC_set_ext(const char* extension);
void RC_set_sc(int mode);
int RC_dump();

// Frees the table and returns the module to its start-up state.
void RC_reset_globals();
