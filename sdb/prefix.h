// Hierarchical names.
//
// A flattened design names its objects and nets with segments joined by
// a separator ("." by default), as in cpu.alu.sum.  The PREF table holds
// a tree of name segments (SdbPrefixEntry, sdb/sdb.h); the SOBJ or SNET
// word of an object or net refers to the entry that ends its name.  The
// prefix table keeps a pointer to its symbol table in the free words of
// its DynaArray header.
#pragma once

#include <cstdint>

struct SdbPrefixEntry;
struct SymbolTable;

// Owner words of prefix entries.
inline constexpr int32_t SDB_OWNER_OBJECT = 0x40000000;  // plus the object's index
inline constexpr int32_t SDB_OWNER_NET_MASK = 0x20000000;  // clear in a net's owner word

// Longest full name with its separators, as the message FA-02-0044 gives it.
inline constexpr int PREFIX_NAME_LIMIT = 4096;

// Makes an empty prefix table when table is null; records symbols as the
// table's symbol table; returns the table.
SdbPrefixEntry* PREFIX_init(SdbPrefixEntry* table, SymbolTable* symbols);
// The symbol table recorded by PREFIX_init, or null.
SymbolTable* PREFIX_symbols(const SdbPrefixEntry* table);
// Appends an entry and returns its index.  When the table is the PREF
// table of the current design, the design's slot and the cached table
// and count follow it.
int PREFIX_add(SdbPrefixEntry** table, int name, int parent, int owner);
// The full name of an entry, segments joined by the separator.  The text
// lives in a buffer of the module that the next call overwrites.  An
// illegal name word (FA-02-0026), an empty segment (FA-02-0027) or a name
// over the limit (FA-02-0044) ends the run.
const char* PREFIX_get(SdbPrefixEntry* table, int entry);

void PREFIX_set_dot(char c);
char PREFIX_get_dot();

void PREFIX_reset_globals();
