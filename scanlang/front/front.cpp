// The front end's reset.
#include "scanlang/front/front.h"

void SCAN_FRONT_reset_globals() {
    SCAN_PARSE_reset_globals();
    SCAN_SEMAN_reset_globals();
    SCAN_DIAG_reset_globals();
    SCAN_KEY_reset_globals();
    SCAN_LEX_reset_globals();
    SCAN_AST_reset_globals();
}
