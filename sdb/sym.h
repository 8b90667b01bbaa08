// The symbol table of a design.
//
// Every name of a design is stored once and referred to by its id, the
// index of its entry.  Names hash into buckets; each bucket holds a binary
// search tree of entries linked through their left and right ids.  Id 0
// of every table made by SYM_init is "*UNDEF*".  Ids are never reused or
// renumbered while a table lives.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

struct SymbolEntry {
    char* name;     // owned by the table
    int32_t left;   // id of the left child in the bucket's tree, -1 none
    int32_t right;  // id of the right child, -1 none
};

struct SymbolNamePool;

struct SymbolTable {
    int32_t nbuckets = 0;
    std::vector<int32_t> roots;      // root id of each bucket's tree, -1 empty
    SymbolEntry* entries = nullptr;  // DynaArray; the id is the index
    std::unique_ptr<SymbolNamePool> pool;  // storage of the names
    SymbolTable();
    ~SymbolTable();
};

// Bucket count of every table the system makes.
inline constexpr int SYM_NBUCKETS = 1023;

// Size multiplier of new symbol tables (1..500).
extern int sym_model;

// A new table (free it with SYM_free) with its "*UNDEF*" entry, sized by
// sym_model; null for a bucket count below 1.
SymbolTable* SYM_init(int nbuckets);
// The id of name, or -1 when it is not in the table (or either is null).
int SYM_lookup(SymbolTable* table, const char* name);
// Adds name as a new entry and returns its id, even when the name is
// there already (the copy is then not linked, so look-ups find the
// first); -1 for a null table or name.
int SYM_install(SymbolTable* table, const char* name);
// The id of name, added first when it is not there; -1 for null.
int SYM_setup(SymbolTable* table, const char* name);
// Installs n distinct names of one bucket, given in strcmp order, as a
// balanced tree without searching it: the middle name first, then each
// half the same way, so the ids come in that order.  ids[k] receives the
// id of names[k].  The names of a bucket that already holds entries go
// in one by one in the same order, each found or installed as
// SYM_setup does.
void SYM_install_sorted(SymbolTable* table, const char* const* names, int32_t* ids, size_t n);
// A copy of the len bytes of text with a terminator behind them, in the
// table's own storage, for SYM_install_kept; it lives as long as the table.
const char* SYM_keep(SymbolTable* table, const char* text, size_t len);
// As SYM_install_sorted, for names that SYM_keep put in this table: a new
// entry takes its name where it lies instead of a copy.
void SYM_install_kept(SymbolTable* table, const char* const* names, int32_t* ids, size_t n);
// The name of id (owned by the table), or null for an id out of range.
const char* SYM_get(const SymbolTable* table, int id);
// The entry of id, or null for an id out of range.
SymbolEntry* SYM_query(SymbolTable* table, int id);
// Frees the table, its entries and names (null is allowed).
void SYM_free(SymbolTable* table);
// Sets sym_model when n is 1..500; other values are ignored.
void SYM_set_model(int n);
// Number of entries (ids 0 .. count-1); 0 for a null table.
int SYM_count(const SymbolTable* table);
// The hash of a name before the bucket is chosen: rotate left by 3 and
// add each byte taken as a signed value.
uint32_t SYM_hash(const char* name);

// The symbol section of a design file, at the stream's position, in the
// byte order of the design opened last.  SYM_load returns null for a
// wrong magic (no message), a short read (FA-01-0005) or a section whose
// bucket count, ids or trees are not sound.
SymbolTable* SYM_load(FILE* stream);
// Writes the section in little-endian order; 0, or 1 on a write error.
int SYM_save(FILE* stream, const SymbolTable* table);
// restore 0: moves the entries and names out to the stream and frees
// them; restore 1: reads them back.  0, or 1 on a short read or write.
int SYM_pack_mem(int restore, FILE* stream, SymbolTable* table);

// Returns the module state (the size multiplier, the packed count, the
// byte order of the last design) to start-up.
void SYM_reset_globals();
