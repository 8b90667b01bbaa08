// Names and look-ups in the current design.
//
// Every service answers -1 when nothing is found unless its comment says
// otherwise.  Look-ups by name use indexes of the current design that
// are made at the first look-up and then kept up to date by the makers
// and the editing calls; closing the design drops them.  Code that
// writes name words (SOBJ, SNET, port or class names) straight into the
// tables calls SDB_update afterwards, which makes the look-ups read the
// tables afresh.
#pragma once

#include <string>

struct SdbDatabase;

// ---------------------------------------------------------------------
// Names by index.

// The name of object obj of db: "*UNDEF*" for -1; the symbol text of a
// flat name; the full hierarchical name in a buffer of the module that
// the next call overwrites (names up to the limit of PREFIX_get come
// back whole).  An illegal name word (or an object out of range) prints
// FA-02-0008 and gives null; a name word whose prefix entry does not
// name the object ends the run (FA-02-0020).
const char* SDB_obj_name(SdbDatabase* db, int obj);
// The same for net net, with a buffer of its own.
const char* SDB_net_name(SdbDatabase* db, int net);
// The class name of object obj of the current design: "*UNDEF*" when obj
// is out of range or its class has no name.
const char* SDB_class_name_of(int obj);
// The name of the pin that node of the current design connects: the class
// pin's name for a node of an instance, the port's name for a port node;
// null when the node, its pin or its port is out of range or has no name.
const char* SDB_pin_name(int node);

// ---------------------------------------------------------------------
// Look-ups by symbol id in the current design: the first record whose
// name is sym, or -1 when there is none or no design is current.

int SDB_search_port(int sym);
int SDB_search_class(int sym);
int SDB_search_obj(int sym);
int SDB_search_net(int sym);
// The first class of that type code.
int SDB_search_class_by_type(int type);
// The position among the pins of obj's class of the first pin named sym;
// -1 also for a class without pins or of type 16.
int SDB_search_pin(int sym, int obj);
// The node of obj that connects its class's pin named sym.
int SDB_search_node(int sym, int obj);
// The node before node on net's list (-1 for the first or a node not on it).
int SDB_search_nlink(int node, int net);

// Another node on node's net: the net's first node, or the node after it
// when the first is node itself; -1 for a node out of range or without a
// net, or a net with no other node.
int find_adjacent_node(int node);
// The node that port's net leads to (find_adjacent_node of the port's
// node).  A port out of range or without a node ends the run with "ERROR:
// SDB error. Port '<name>' can't map to the node table.", a port whose net
// has no other node with "ERROR: port '<name>' is floating." (status -1,
// through qdx_printf).
int get_node_connected_to_portnode(int port);

// ---------------------------------------------------------------------
// Look-ups by name.

// The port named name (a symbol of the current design).
int SDB_nl_search_port(const char* name);
// The object of that full name: a name without the separator is a flat
// name, any other is resolved through the prefix table.
int SDB_lookup_obj(const char* name);
// As SDB_lookup_obj, but a name that begins with a backslash (an escaped
// identifier) is always a flat name.
int SDB_lookup_obj_nonhier(const char* name);
// The net of that full name; a flat name that is no symbol and a
// hierarchical name not found are tried as aliases of the alias file.
int SDB_lookup_net(const char* name);
// Follows the alias pairs from name to a net.  A chain that comes back
// to a name met before is reported (FA-01-0006 with the alias file) and
// gives -1.
int SDB_lookup_alias_net(const char* name);
int SDB_nl_search_obj(const char* name);
int SDB_nl_search_net(const char* name);
// The node of object obj_name's pin pin_name; obj_name null or beginning
// with "*": the node of the top-level port pin_name.  -2 when obj_name
// names an object and pin_name is no symbol.
int SDB_nl_search_node(const char* obj_name, const char* pin_name);
// The position of name's symbol id in the port list (XPOR).
int SDB_nl_search_xport(const char* name);
// The class named by name in upper case, else by name in lower case.
int SDB_nl_search_class(const char* name);

// Orders db's ports stably by direction: output, bidirectional, input,
// then any other direction value in its old order; each port's node
// learns the port's new index.
void SDB_sort_port_tab(SdbDatabase* db);

// 1 when name ends in "]" and holds a "[": *base receives the text before
// the last "[" and *index the decimal number after it.  Otherwise 0,
// *base empty and *index -1.  Either pointer may be null.
int is_a_bus(const char* name, std::string* base, int* index);
