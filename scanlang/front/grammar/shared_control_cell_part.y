/* %CONTROL_CELL: a cell class and its control pin, in either order; the
   node holds the class first and the pin second whichever order they were
   written in, since the values alone do not say which is which. */
control_cell_part
    : "%CONTROL_CELL" "{" control_cell "}" { $$.node = $3.node; }
    ;
control_cell
    : class_name_part pin_name_part { $$.node = SCAN_MAKE_DUET_AST(CONTROL_CELL_NODE, $1.node, $2.node); }
    | pin_name_part class_name_part { $$.node = SCAN_MAKE_DUET_AST(CONTROL_CELL_NODE, $2.node, $1.node); }
    ;
class_name_part
    : "%CLASS_NAME" "=" signal ";" { $$.node = $3.node; }
    ;
pin_name_part
    : "%PIN_NAME" "=" signal ";" { $$.node = $3.node; }
    ;
