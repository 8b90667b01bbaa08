// Look-ups in the current design.
#pragma once

struct SdbDatabase;

// The first port whose name is the symbol id sym, -1 when none.
int SDB_search_port(int sym);
// The port named name (a symbol of the current design), -1 when none.
int SDB_nl_search_port(const char* name);
// Orders db's ports stably by direction: output, bidirectional, input,
// then any other direction value in its old order; each port's node
// learns the port's new index.
void SDB_sort_port_tab(SdbDatabase* db);
