/* %GUI (the files of the graphical front end) and %CAPTURE_CLOCK (the
   capture value of each clock).  The items pass up as a chain; the top
   level wraps them in the block's node. */

gui_part
    : "%GUI" "{" gui_items "}" { $$.node = $3.node; }
    ;
gui_items
    : gui_items gui_item { $$.node = scan_chain_append($1.node, $2.node); }
    | gui_item
    ;
gui_item
    : "%PATH" "=" STRING ";"          { $$.node = SCAN_MAKE_SOLO_AST(PATH_NODE, $3.node); }
    | "%EXTRACTION" "=" STRING ";"    { $$.node = SCAN_MAKE_SOLO_AST(EXTRACTION_NODE, $3.node); }
    | "%DRC" "=" STRING ";"           { $$.node = SCAN_MAKE_SOLO_AST(DRC_NODE, $3.node); }
    | "%INIT_CONFLICT" "=" STRING ";" { $$.node = SCAN_MAKE_SOLO_AST(INIT_CONFLICT_NODE, $3.node); }
    | "%UNKNOWN" "=" STRING ";"       { $$.node = SCAN_MAKE_SOLO_AST(UNKNOWN_NODE, $3.node); }
    ;

capture_clock_part
    : "%CAPTURE_CLOCK" "{" capture_clock_items "}" { $$.node = $3.node; }
    ;
capture_clock_items
    : capture_clock_items capture_clock_item { $$.node = scan_chain_append($1.node, $2.node); }
    | capture_clock_item
    ;
capture_clock_item
    : "%CLOCK" IDENT "=" PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(CLOCK_NODE, $2.node, $4.node); }
    ;
