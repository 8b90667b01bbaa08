// The design database.
//
// A design is one ".sdb" file: a 32-bit image of its database record, its
// symbol section and its tables.  In memory every table is a DynaArray of
// fixed-size records referred to by index, -1 meaning none, and each
// array holds one record more than its count, filled with 0xFF bytes so
// that it reads as all -1.  Files are read and written word by word in an
// explicit byte order; big-endian files are converted on reading.
//
// Both programs only read designs: SDB_start_load_def once at start-up,
// then per design SDB_open(path, "r", 0), SDB_setup, reads through the
// current-design globals below, and SDB_close(db, 0).  The makers, the
// editing operations and SDB_save make and write designs.
//
// This header is the one the rest of the system includes; it brings in
// the symbol table, the hierarchical names, the coded messages, the alias
// tables and the look-ups.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "sdb/alias.h"
#include "sdb/prefix.h"
#include "sdb/sdb_err.h"
#include "sdb/sym.h"

// ---------------------------------------------------------------------
// Records.  The comments number the 32-bit words of the file image.

// The 32 table slots of a database: 16 standard tables, 16 user tables.
enum SdbSlot : int {
    SDB_CLAS = 0,   // SdbClass: classes (modules, cells, primitives)
    SDB_PORT = 1,   // SdbPort: ports of the design itself
    SDB_OBJ = 2,    // SdbObject: objects (instances)
    SDB_NET = 3,    // SdbNet: nets
    SDB_NODE = 4,   // SdbNode: instance pins and port nodes
    SDB_PIN = 5,    // SdbPin: pins of all classes, class by class
    SDB_SOBJ = 6,   // int32 name word per object
    SDB_SNET = 7,   // int32 name word per net
    SDB_XPIN = 8,   // int32 list, not interpreted
    SDB_XNOD = 9,   // int32 list, not interpreted
    SDB_PREF = 10,  // SdbPrefixEntry: tree of hierarchical names
    SDB_XPOR = 11,  // int32 list: symbol ids of port names
    SDB_PROP = 12,  // raw 4-byte records, not interpreted
    SDB_S13 = 13,   // record size 0, not interpreted
    SDB_S14 = 14,   // record size 0, not interpreted
    SDB_S15 = 15,   // raw 732-byte records, not interpreted
    SDB_NUM_STD_SLOTS = 16,
    SDB_FIRST_USER_SLOT = 16,
    SDB_NUM_SLOTS = 32,
};

// A table slot (5 words).
struct SdbTableSlot {
    char name[4];      // 0: four characters, NUL-padded
    int32_t count;     // 1: number of records
    int32_t size;      // 2: bytes per record
    void* data;        // 3: the record array (DynaArray); 0 in the file
    int32_t offset;    // 4: byte offset of the records in the file
};

// One open design (732 bytes in the file).
struct SdbDatabase {
    char* name;                        // 0: base name of the file, no extension; 0 in the file
    int32_t writable;                  // 1: opened for writing or update
    int32_t reserved;                  // 2
    SdbTableSlot slot[SDB_NUM_SLOTS];  // 3-162
    SymbolTable* symbols;              // 163: 0 in the file
    FILE* file;                        // 164: the open stream, null for a new design; 0 in the file
    int32_t version;                   // 165: 300 or 301
    int32_t spare[17];                 // 166-182
    // Memory only.
    char* path;          // the path it was opened or created with; SDB_save writes here
    int32_t big_endian;  // 1 when it was read from a big-endian file
    int32_t partial;     // 1 when read with a task that leaves tables out: never saved
};

inline constexpr int SDB_IMAGE_SIZE = 732;
inline constexpr int SDB_FILE_VERSION = 300;

// Static description of a standard slot.
struct SdbSlotInfo {
    const char* name;
    int size;     // record size
    int initial;  // initial capacity of a new table (times sdb_model)
    int growth;   // growth step (times sdb_model for new tables)
};
extern const SdbSlotInfo sdb_slot_info[SDB_NUM_STD_SLOTS];

struct SdbClass {          // 32 bytes
    int32_t name;          // 0: symbol id
    int32_t type;          // 1: class-type code; 0-15 design-level, 16 and above primitives
    int32_t first_pin;     // 2: index into PIN of the first pin; the pins are contiguous
    int32_t pin_count;     // 3
    int32_t made;          // 4: 1 when made
    int32_t zero5;         // 5: 0 when made
    int32_t zero6;         // 6: 0 when made
    int32_t last_pin;      // 7: pin count - 1
};

// Directions of ports and pins (readers take the low two bits).
inline constexpr int SDB_DIR_OUTPUT = 0;
inline constexpr int SDB_DIR_BIDIR = 1;
inline constexpr int SDB_DIR_INPUT = 2;

struct SdbPort {           // 16 bytes
    int32_t name;          // 0: symbol id, -1 for a deleted port
    int32_t direction;     // 1
    int32_t node;          // 2: index of the port's node
    uint32_t flags;        // 3: bit-field word, carried as stored (SDB_PORT_THREE_STATE)
};

// Bit of a port's flags word: in the design of a library cell, an output
// that the cell leaves floating at times (a three-state output), the bit
// that marks one in the pin definitions (SdbPinDef).
inline constexpr uint32_t SDB_PORT_THREE_STATE = 2;

struct SdbObject {         // 12 bytes; the name is the object's SOBJ word
    int32_t cls;           // 0: index into CLAS, -1 for none
    int32_t first_node;    // 1: index of the first node, -1 for none
    uint32_t flags;        // 2: bit-field word
};

struct SdbNet {            // 8 bytes; the name is the net's SNET word
    int32_t first_node;    // 0: head of the node list, -1 for an empty net
    uint32_t flags;        // 1: bit-field word
};

struct SdbNode {           // 20 bytes
    int32_t object;        // 0: index into OBJ, -1 for a port node
    int32_t pin;           // 1: index into PIN; for a port node the port's index
    int32_t net;           // 2: index into NET, -1 unconnected
    int32_t next;          // 3: next node on the same net, -1 at the end
    uint32_t flags;        // 4: bit-field word
};

struct SdbPin {            // 8 bytes
    int32_t name;          // 0: symbol id
    int32_t direction;     // 1
};

// An entry of the prefix table (see sdb/prefix.h for the owner words).
struct SdbPrefixEntry {    // 12 bytes
    int32_t name;          // 0: symbol id of a segment, or -6 - e: the name of entry e stands in
    int32_t parent;        // 1: entry one level up, -1 at the top
    int32_t owner;         // 2: 0x40000000 + object, a net, -6 - x for a level, -1 for nothing
};

// A pin definition given to SDB_make_pinlist.
struct SdbPinDef {
    char* name;
    int32_t direction;
    int32_t flags;  // bit 0 clock pin, bit 1 three-state output
};

// Name words (SOBJ, SNET): a symbol id, -1 for deleted, or -6 - p for the
// hierarchical name ending at prefix entry p.
inline constexpr int32_t sdb_prefix_word(int32_t entry) { return -6 - entry; }
inline constexpr bool sdb_is_prefix_word(int32_t w) { return w <= -6; }
inline constexpr int32_t sdb_prefix_of(int32_t w) { return -6 - w; }

// ---------------------------------------------------------------------
// The current design (SDB_setup) and the module's state.

extern SdbDatabase* sdb;
extern SdbClass* class_tab;
extern SdbPort* port_tab;
extern SdbObject* obj_tab;
extern SdbNet* net_tab;
extern SdbNode* node_tab;
extern SdbPin* pin_tab;
extern int32_t* sobj_tab;
extern int32_t* snet_tab;
extern int32_t* xpin_tab;
extern int32_t* xnode_tab;
extern SdbPrefixEntry* prefix_tab;
extern int32_t* xport_tab;
extern SymbolTable* sym_tab;
extern int class_count, port_count, obj_count, net_count, node_count, pin_count;
extern int prefix_count, xport_count, xpin_count, xnode_count;

// Failure kinds of SDB_open (0 after success).
inline constexpr int SDB_CORRUPT = -1;        // magic length 0, or a file that fails the checks
inline constexpr int SDB_BAD_VERSION = -2;    // wrong magic, or a version other than 300/301
inline constexpr int SDB_BAD_PLATFORM = -5;   // platform byte 11 or 17, or version 0
inline constexpr int SDB_TOO_SMALL = -6;      // under 732 bytes
inline constexpr int SDB_READ_FAILED = -7;    // no status, a short read, a bad symbol section
extern int sdb_errnoG;
extern int sdb_obj_count;  // object and net counts of the design opened last
extern int sdb_net_count;
extern int which_task;  // stays 0; -2 would skip the alias file
extern char sdb_hier_dot;
extern const char* quendal_write_dir;  // first directory of QUENDAL_DIRS, or null
extern const int task_load[5];         // load masks of SDB_open's task, bit k = slot k
extern int sdb_model;                  // size multiplier of new tables (1..500)

// ---------------------------------------------------------------------
// Set-up, opening and closing.

// Start-up: command library, search path (QUENDAL_DIRS, else QUENDAL with
// ".", "designs:lib:mirdale_lib"), the definition file "quendal" and the
// hierarchy separator from its key "hier_dot*".
void SDB_start_load_def();
void SDB_start_load_rpc_def(const char* dir);
void SDB_load_def();

// mode with "r": an existing file, writable with "+" or "w"; without
// "r": a new, writable design that SDB_save writes to path, holding only
// the supply nets GND (net 0) and VCC (net 1).  task
// picks the tables loaded (task_load).  Null on failure, with the kind in
// sdb_errnoG and one coded message (none when the file cannot be opened).
SdbDatabase* SDB_open(const char* path, const char* mode, int task);
// Reads a design from size bytes in memory as SDB_open reads a file
// (with the same checks and messages); path names it (its alias file,
// its name).  The design is read-only.
SdbDatabase* SDB_open_memory(const void* data, size_t size, const char* path, int task);
SdbDatabase* SDB_setup(SdbDatabase* db);
void SDB_update(SdbDatabase* db);
// Saves first when save is non-zero and db is writable.
void SDB_close(SdbDatabase* db, int save);
// name with ".sdb" added unless present; mode 'w' new, 'u' update, else read.
SdbDatabase* SDB_nl_open(const char* name, char mode);
void SDB_free(SdbDatabase* db);
void SDB_free_tab(SdbDatabase* db, int k);
int SDB_is_empty(SdbDatabase* db);
const char* SDB_error();
void SDB_set_model(int n);
void SDB_set_hier_dot(char c);
char SDB_get_hier_dot(char* c);
void SDB_set_log(FILE* stream);
int SDB_for_PALVORIN(SdbDatabase* db);
int SDB_for_DESSAMIT(SdbDatabase* db);
// Reads a length word and that many bytes from the current design's
// stream into a new buffer handed to *buffer when buffer is non-null (free
// it with free()); returns the number of bytes read, -1 when the length
// runs past the end of the file.
int SDB_SREAD(char** buffer = nullptr);
// Reads table k of db from its file (0, or 1 on failure).  k -1 or 999
// first reads the symbol section again at the stream's position; 999
// then reads no table, -1 reads slot 0.
int SDB_read_tab(SdbDatabase* db, int k);
// Conversions for the byte order of the design read last; each returns
// its argument unchanged for a little-endian file.
uint32_t SDB_reverse(uint32_t w);
uint32_t SDB_reverse_all(uint32_t w);
uint8_t SDB_reverse_byte(uint8_t b);

// ---------------------------------------------------------------------
// Making and editing the current design.  Each maker appends and returns
// the new index (-1 when there is no current design or an argument is
// out of range).  The cached arrays, counts and slots stay in step.

// A class of a primitive type (16 or more, outside 4096 .. 12287) whose
// name has a primitive definition (SDB_load_primitives) gets the
// definition's pins, appended to PIN; any other class gets count unnamed
// input pins when first_pin is -1, else first_pin and count as given.
int SDB_make_class(int name, int type, int first_pin, int count);
int SDB_make_port(int name, int direction, int node, uint32_t flags);
int SDB_make_pin(int name, int direction);
// n nodes (the class's pin count when n is -1, the class type is below 17
// or the class has fewer than 16 pins); n above the pin count ends the run
// (FA-02-0005).
int SDB_make_obj(int name_word, int cls, int reserved, int n);
int SDB_make_nodeobj(int obj, int n);
// Makes n objects as n calls of SDB_make_obj(name_word, cls, 0, -1) would,
// each with a node for every pin of its class, taking the words of
// object i from get(ctx, i, &name_word, &cls); the tables grow once.
// Returns the index of the first, or -1 with nothing made when there is
// no current design, a table is missing or a class is out of range.
int SDB_make_objs(int n, void (*get)(void* ctx, int i, int32_t* name_word, int32_t* cls), void* ctx);
// Asking for GND or VCC again gives net 0 or 1 (with first_node, when
// given, connected to it).
int SDB_make_net(int name_word, int first_node);
// Makes n nets as n calls of SDB_make_net(name_words[i], -1) would; the
// tables grow once.  0, or -1 with nothing made when there is no current
// design or a table is missing.
int SDB_make_nets(int n, const int32_t* name_words);
int SDB_make_node(int obj, int pin, int net);
int SDB_make_pinlist(int cls, int n, const SdbPinDef* pins);
int SDB_make_port_list(int sym);
int SDB_alloc_utab(SdbDatabase* db, const char* name, int count, int size);

// Deletions return 1 when done (SDB_delete_port 0 for no port, the
// others -1).  A deleted object or net gets the name word -1 and its
// prefix entry the owner -1; deleting the last record shortens its table.
// SDB_delete_node removes a node from its net and from its object
// (object and pin -1); SDB_delete_net only takes its nodes off the net.
// SDB_relink_node puts b in a's place on a's net and takes a off it.
int SDB_delete_node(int node);
int SDB_relink_node(int a, int b);
int SDB_delete_obj(int obj);
int SDB_delete_port(int port);
int SDB_delete_net(int net);
int SDB_resize_node(int n);

// Appends node to net's list unless it is on it already; a node on
// another net leaves that one first.  0, or 1 for an index out of range.
int SDB_nl_connect_net(int net, int node);
// Connects the n nodes first .. first + n - 1, none of them on a net yet,
// to nets[k] each (-1 leaves a node open), as n calls of
// SDB_nl_connect_net in node order would: each node at the end of its
// net's list.  0, or 1 (nothing connected) when a net or node is out of
// range or a node already lies on a net.
int SDB_nl_connect_new_nodes(int first, const int32_t* nets, int n);
// Takes node off its net: 1 when done or when it has no net, else 0.
int nl_delete_node(int node);
void SDB_nl_close(int save);

// Writes db to its path: to a temporary file in the same directory,
// renamed over the design when complete, with the ".asn" alias file
// beside it.  0, or 1 on a write error (the old file is then untouched)
// or for a design read without all of its tables.
int SDB_save(SdbDatabase* db);
// Why the last SDB_save or SDB_save_objs returned 1: the system's text of
// the error that stopped the write ("File name too long"), or why the
// design cannot be written.
const char* SDB_save_why();
// Makes path the file that SDB_save writes db to, and its base name the
// design's name (a design opened from a working copy and saved as the
// design it becomes).
void SDB_set_path(SdbDatabase* db, const char* path);
// Objects that SDB_save_objs adds to a design as it writes it: n of them,
// object i with the name word and class that get(ctx, i, ...) gives (as
// for SDB_make_objs), and the net of each of their nodes in nets (-1:
// open), node after node in the order of the objects and of their
// classes' pins; nnets is the count of those nodes.
struct SdbObjectSource {
    int n;
    void (*get)(void* ctx, int i, int32_t* name_word, int32_t* cls);
    void* ctx;
    const int32_t* nets;
    int64_t nnets;
};
// Writes the current design db as SDB_save does, with the objects of src
// behind its own: the file is the one that SDB_make_objs and
// SDB_nl_connect_new_nodes followed by SDB_save would write, but the
// objects and their nodes are made as they are written instead of in
// memory (each node still goes at the end of its net's list).  db itself
// takes its nets' and ports' links to the new nodes only: it is to be
// closed afterwards.  0; -1 with nothing changed when there is no such
// design, a table is missing, a class or a net is out of range, nnets is
// not the objects' node count or a table would grow too large; 1 on a
// write error (the old file is then untouched).
int SDB_save_objs(SdbDatabase* db, const SdbObjectSource* src);
// Writes the records of slot k (every slot for -1) at the stream's
// position, noting each offset; 0, or 1 on a write error.
int SDB_write_tab(SdbDatabase* db, int k, FILE* stream);
// Remake every table with room for exactly its records (and the 0xFF
// record); SDB_pack_mem also moves the symbol names into storage of their
// exact size.
int SDB_pack_mem(SdbDatabase* db);
int SDB_fast_pack_mem(SdbDatabase* db);

// Returns every global of the design database to its start-up value
// (open databases are not closed; the alias tables are freed).
void SDB_reset_globals();

#include "sdb/lookup.h"
#include "sdb/nl_edit.h"
#include "sdb/prim.h"
