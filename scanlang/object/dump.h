// The debugging listing of the current object model, and the release of
// an object.
#pragma once

#include <string>

// The listing of the current DFT object (DFT_OBJECT) and map object
// (MAP_OBJECT), with the lockup-latch names, as PRINT_OUT_OBJECT prints
// it.  Only the cursors of the accessors move.
std::string SL_object_dump_text();

// Prints SL_object_dump_text() on standard output (never to the report).
void PRINT_OUT_OBJECT();
