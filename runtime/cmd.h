// The command interpreter's control block.  The programs only run
// CMD_init, through the design database's set-up, which sets the default
// search path.
#pragma once

int CMD_init();
int CMD_terminate();
