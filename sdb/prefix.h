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
#include <string>

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
// Appends n entries at once and returns the first of them for the caller
// to fill (their contents are undefined until then), or null when the
// table would grow too large.  The table follows as with PREFIX_add.
SdbPrefixEntry* PREFIX_add_room(SdbPrefixEntry** table, int n);
// The full name of an entry, segments joined by the separator.  The text
// lives in a buffer of the module that the next call overwrites.  An
// illegal name word (FA-02-0026), an empty segment (FA-02-0027) or a name
// over the limit (FA-02-0044) ends the run.
const char* PREFIX_get(SdbPrefixEntry* table, int entry);

// The hierarchy separator that joins the parts of a hierarchical name
// ('.' at start-up).
void PREFIX_set_dot(char c);
char PREFIX_get_dot();
// The last part of a hierarchical name: what follows its last separator,
// the whole name when it has none.
std::string PREFIX_last_part(const std::string& name);

// What the last segment of a name looked up must name.
inline constexpr int PREFIX_KIND_NET = 0;     // an entry whose owner is a net
inline constexpr int PREFIX_KIND_OBJECT = 1;  // an entry whose owner is an object
inline constexpr int PREFIX_KIND_LEVEL = 2;   // an entry that stands for a hierarchy level
// (any other kind: a level or an object)

// The entry whose full name is name (segments split at the separator),
// below entry start (-1: from the top) and with an index above start,
// whose owner fits kind; -1 when there is none or a segment is no symbol.
// Of several entries with the same name under the same parent the one
// with the highest index wins.  The first look-up in a table builds an
// index of it that later look-ups bring up to date with the entries
// appended since; the index lives until the table is forgotten
// (PREFIX_forget, which closing a design does) or PREFIX_reset_sys.
int PREFIX_lookup(SdbPrefixEntry* table, const char* name, int kind, int start);

// Splits the full name of entry at its cell-instance level, the nearest
// entry on the way up (entry included) whose owner is -6 or less: lower
// receives the segments below that entry, upper its full name and *cell
// the symbol id of the cell's class name (-6 - owner); the text of upper
// is returned.  Without such an entry, lower receives the whole name,
// upper is empty, *cell -1 and the text of lower is returned.  Names
// that PREFIX_get refuses end the run the same way.
const char* PREFIX_get_cio_names(SdbPrefixEntry* table, int entry, int* cell, std::string& upper,
                                 std::string& lower);

// The look-up index of a table, made or brought up to date; *heads (when
// given) receives the largest segment symbol id of the table plus one.
// Null for an empty table.  The index belongs to the module.
struct PrefixIdTable;
const PrefixIdTable* PREFIX_build_id_table(SdbPrefixEntry* table, int* heads);
// Drops the index of one table (before the table is freed or remade).
void PREFIX_forget(const SdbPrefixEntry* table);
// Drops the indexes of every table.  reset_prefix_num_tabsL is the same.
void PREFIX_reset_sys();
void reset_prefix_num_tabsL();

// dst = src, with every separator turned into "_" unless the separator
// is "."; "" for a null src.
void SDB_flatten_name(std::string& dst, const char* src);

// Returns the prefix tables, the separator and the name buffer to start-up.
void PREFIX_reset_globals();
