/* %BLACKBOX: an instance of a module the tools do not see into, its
   constant and untouched pins, its clocks and how its inputs and outputs
   are handled; then %READ_MAP and %SCAN_MODIFY_CMD, which name a file.
   The scanner gives %OUTPUT a leaf of its own, which no tree takes. */

blackbox
    : "%BLACKBOX" "{" blackbox_items "}" { $$.node = scan_holder(BLACKBOX_NODE, $3.node); }
    ;
blackbox_items
    : blackbox_items blackbox_item { $$.node = scan_chain_append($1.node, $2.node); }
    | blackbox_item
    ;
blackbox_item
    : "%INSTANCE_NAME" "=" IDENT ";"   { $$.node = SCAN_MAKE_SOLO_AST(INSTANCE_NAME_NODE, $3.node); }
    | "%MODULE_NAME" "=" IDENT ";"     { $$.node = SCAN_MAKE_SOLO_AST(MODULE_NAME_NODE, $3.node); }
    | "%FORCE0" "=" names ";"          { $$.node = SCAN_MAKE_SOLO_AST(FORCE0_NODE, $3.node); }
    | "%FORCE1" "=" names ";"          { $$.node = SCAN_MAKE_SOLO_AST(FORCE1_NODE, $3.node); }
    | "%CONSTANT0" "=" names ";"       { $$.node = SCAN_MAKE_SOLO_AST(CONSTANT0_NODE, $3.node); }
    | "%CONSTANT1" "=" names ";"       { $$.node = SCAN_MAKE_SOLO_AST(CONSTANT1_NODE, $3.node); }
    | "%DONT_MODIFY" "=" names ";"     { $$.node = SCAN_MAKE_SOLO_AST(DONT_MODIFY_NODE, $3.node); }
    | "%CLOCK" "=" names ";"           { $$.node = SCAN_MAKE_SOLO_AST(CLOCK_NODE, $3.node); }
    | "%INPUT" "=" pso_observe_1 ";"   { $$.node = SCAN_MAKE_SOLO_AST(INPUT_NODE, $3.node); }
    | "%OUTPUT" "=" pso_control_1 ";"  { scan_drop($1.node); $$.node = SCAN_MAKE_SOLO_AST(OUTPUT_NODE, $3.node); }
    ;
/* The word that stands for the handling is kept as the node's text. */
pso_observe_1
    : "OBSERVE"     { $$.node = scan_word_node(PSO_OBSERVE_NODE, $1.text); }
    | "DONT_MODIFY" { $$.node = scan_word_node(PSO_DONT_MODIFY_NODE, $1.text); }
    ;
pso_control_1
    : "CONTROL"     { $$.node = scan_word_node(PSO_CONTROL_NODE, $1.text); }
    | "DONT_MODIFY" { $$.node = scan_word_node(PSO_DONT_MODIFY_NODE, $1.text); }
    | INTEGER       { $$.node = scan_bit_value($1.node); }
    ;

read_map
    : "%READ_MAP" "{" file_name_part "}" { $$.node = SCAN_MAKE_SOLO_AST(READ_MAP_NODE, $3.node); }
    ;
modify_cmd
    : "%SCAN_MODIFY_CMD" "{" file_name_part "}" { $$.node = SCAN_MAKE_SOLO_AST(MODIFY_CMD_NODE, $3.node); }
    ;
