// The one way the programs end.
#pragma once

// Flushes standard output and standard error and ends the process with
// the given status (-1 is seen by the shell as 255).
[[noreturn]] void qdx_exit(int status);
