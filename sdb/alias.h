// The alias file of a design.
//
// Beside a design file may lie a file of the same path with ".asn": its
// "ASSIGN a b" statements say that net a was merged into net b, and its
// "ALIAS port alias ... ;" statements give ports other names.  Opening a
// design reads it into the two tables below; saving writes the pairs back.
#pragma once

#include <cstdio>

struct AliasPair {
    char* first;   // asking for net first ...
    char* second;  // ... means net second
};

struct PortAlias {
    char* port;
    char** aliases;  // DynaArray of owned texts, null until the first alias
};

extern char* asn_file_name;  // the current design's alias path, or null
extern AliasPair* alias_net_tab;  // DynaArray
extern int alias_net_count;
extern PortAlias* sdb_port_aliasG;  // DynaArray, or null

// Empties the alias table and reads the ASSIGN and ALIAS lines of the
// alias file asn_file_name, when one is named and can be opened.
void ALIAS_init();
// Reads one "ALIAS" statement after its keyword.
void sdb_get_port_alias(FILE* stream);
int ALIAS_add(const char* first, const char* second);
int ALIAS_search(const char* name);
// Writes the pairs to the current alias path (found along the search path
// when none is set); nothing when there are no pairs.
void ALIAS_write();
// Writes the pairs as the alias file path, through a temporary file in
// its directory; nothing when there are no pairs.
void ALIAS_write_to(const char* path);
int ALIAS_file_name();
void ALIAS_dump();
void ALIAS_free();
void port_alias_free();
int ALIAS_fix();

// Frees the alias tables and forgets the alias file's name.
void ALIAS_reset_globals();
