// The one way the programs end.
#pragma once

// Flushes standard output and standard error and ends the process with
// the given status (-1 is seen by the shell as 255).
//
// In the fuzz build (KEST_FUZZ) the run does not end the process: the
// call throws QdxExit instead, so that a fuzz target can take the next
// input after a reader has refused one.
[[noreturn]] void qdx_exit(int status);

#ifdef KEST_FUZZ
struct QdxExit {
    int status;
};
#endif
