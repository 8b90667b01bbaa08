// The front end's reset.
#include "scanlang/front/front.h"

#include "scanlang/front/cursors.h"
#include "scanlang/front/scan_interface.h"
#include "scanlang/object/object_state.h"

void SCAN_FRONT_reset_globals() {
    SCAN_PARSE_reset_globals();
    SCAN_SEMAN_reset_globals();
    SCAN_DIAG_reset_globals();
    SCAN_KEY_reset_globals();
    SCAN_LEX_reset_globals();
    SCAN_AST_reset_globals();
    SCAN_ENTRY_reset_globals();
    SCAN_CURSOR_reset_globals();
    SCAN_OBJECT_reset_globals();
}
