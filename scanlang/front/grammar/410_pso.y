/* The PSO file: which instances must be scanned, scanned by the
   compression feature, not scanned or not modified, must be transparent,
   form scan groups, full or selected scan; scan pads, clocks and their
   order, buffers, pipelines and lockup latches.  Keywords are written
   without "%". */

pso_item_list
    : pso_item_list pso_item { $$.node = scan_pso_item($1.node, $2.node); }
    | pso_item               { $$.node = scan_pso_item(nullptr, $1.node); }
    ;
pso_item
    : must_scan_stmt
    | kr_scan_stmt
    | "DONT_SCAN" instance_groups ";"   { $$.node = scan_take_children(SCAN_MAKE_AST(PSO_DONT_SCAN_NODE), $2.node); }
    | "DONT_MODIFY" instance_groups ";"
      { $$.node = scan_take_children(SCAN_MAKE_AST(PSO_DONT_MODIFY_NODE), $2.node); }
    | "MUST_BE_TRANSPARENT" instance_groups ";"
      { $$.node = scan_take_children(SCAN_MAKE_AST(PSO_MUST_BE_TRANS_NODE), $2.node); }
    | "MUST_BE_TRANSPARENT_B" instance_groups ";"
      { $$.node = scan_take_children(SCAN_MAKE_AST(PSO_MUST_BE_TRANS_NODE), $2.node); }
    | "MUST_BE_TRANSPARENT_F" instance_groups ";"
      { $$.node = scan_take_children(SCAN_MAKE_AST(PSO_MUST_BE_TRANS_NODE), $2.node); }
    | "SCAN_GROUP" instance_groups ";"
      { $$.node = scan_take_children(SCAN_MAKE_AST(PSO_SCAN_GROUP_NODE), $2.node); }
    | "FULL_SCAN" instance_groups ";"   { $$.node = scan_take_children(SCAN_MAKE_AST(PSO_FULL_SCAN_NODE), $2.node); }
    | "SELECTED_SCAN" instance_groups ";"
      { $$.node = scan_take_children(SCAN_MAKE_AST(PSO_SELECTED_SCAN_NODE), $2.node); }
    | "SCAN_IN_PAD" complement_mark inverse1_mark IDENT inverse2_mark ";"
      { $$.node = SCAN_MAKE_QUARTET_AST(SCAN_IN_PAD_NODE, $2.node, $3.node, $4.node, $5.node); }
    | "SCAN_OUT_PAD" complement_mark inverse1_mark IDENT inverse2_mark ";"
      { $$.node = SCAN_MAKE_QUARTET_AST(SCAN_OUT_PAD_NODE, $2.node, $3.node, $4.node, $5.node); }
    | "CLOCK" STRING ";"        { $$.node = $2.node; }
    | "CLOCK_ORDER" INTEGER ";" { $$.node = SCAN_MAKE_SOLO_AST(PSO_CLOCK_ORDER_NODE, $2.node); }
    | "BUFFER" signal ";"       { $$.node = SCAN_MAKE_SOLO_AST(PSO_BUFFER_NODE, $2.node); }
    | "PIPELINE" IDENT ";"      { $$.node = SCAN_MAKE_SOLO_AST(PSO_PIPELINE_NODE, $2.node); }
    | "LOCKUP_LATCH" IDENT ";"  { $$.node = SCAN_MAKE_SOLO_AST(PSO_LOCKUP_LATCH_NODE, $2.node); }
    ;
must_scan_stmt
    : "MUST_SCAN" instance_groups ";" { $$.node = scan_take_children(SCAN_MAKE_AST(PSO_MUST_SCAN_NODE), $2.node); }
    | "MUST_SCAN" long_element ";"    { $$.node = SCAN_MAKE_SOLO_AST(PSO_MUST_SCAN_NODE, $2.node); }
    ;
kr_scan_stmt
    : "KR_SCAN" instance_groups ";" { $$.node = scan_take_children(SCAN_MAKE_AST(PSO_KR_SCAN_NODE), $2.node); }
    | "KR_SCAN" long_element ";"    { $$.node = SCAN_MAKE_SOLO_AST(PSO_KR_SCAN_NODE, $2.node); }
    ;
/* chain index, cell, control weight, observe block, transition, pipeline */
long_element
    : opt_chain_index "(" long_cell ")" opt_control_weight opt_observe_block opt_transition opt_pipeline
      {
          $$.node = scan_pso_long_element(SCAN_MAKE_SESTET_AST(INSTANCE_ELEMENT_NODE, $1.node, $3.node, $5.node,
                                                               $6.node, $7.node, $8.node));
      }
    ;
long_cell
    : opt_cell_spec
    | signal { $$.node = SCAN_MAKE_SOLO_AST(PSO_CELL_NAME_NODE, $1.node); }
    ;
opt_pipeline
    : "PIPELINE" { $$.node = SCAN_MAKE_SOLO_AST(PSO_PIPELINE_NODE, scan_word_node(IDENT_NODE, $1.text)); }
    | %empty     { $$.node = SCAN_MAKE_AST(DUMMY); }
    ;
opt_transition
    : "TRANSITION" { $$.node = SCAN_MAKE_SOLO_AST(PSO_TRANSITION_NODE, scan_word_node(IDENT_NODE, $1.text)); }
    | %empty       { $$.node = SCAN_MAKE_AST(DUMMY); }
    ;
opt_control_weight
    : "CONTROL" { $$.node = SCAN_MAKE_SOLO_AST(PSO_CONTROL_NODE, scan_word_node(IDENT_NODE, $1.text)); }
    | %empty    { $$.node = SCAN_MAKE_AST(DUMMY); }
    ;
opt_observe_block
    : "OBSERVE" { $$.node = SCAN_MAKE_SOLO_AST(PSO_OBSERVE_NODE, scan_word_node(IDENT_NODE, $1.text)); }
    | %empty    { $$.node = SCAN_MAKE_AST(DUMMY); }
    ;

/* Instances, single or in braced groups, separated by commas. */
instance_groups
    : instance_groups "," instance_group { $$.node = scan_append_item($1.node, $3.node); }
    | instance_group                     { $$.node = scan_holder(DUMMY, $1.node); }
    ;
instance_group
    : "{" instance_elements "}" { $$.node = $2.node; }
    | instance_element
    ;
instance_elements
    : instance_elements "," instance_element { $$.node = scan_append_item($1.node, $3.node); }
    | instance_element                       { $$.node = scan_holder(GROUP_NODE, $1.node); }
    ;
instance_element
    : opt_chain_index complement_mark inverse1_mark instance_name inverse2_mark opt_cell_spec
      {
          $$.node = SCAN_MAKE_SESTET_AST(INSTANCE_ELEMENT_NODE, $1.node, $2.node, $3.node, $4.node, $5.node,
                                         $6.node);
      }
    ;
opt_chain_index
    : INTEGER
    | %empty { $$.node = SCAN_MAKE_AST(DUMMY); }
    ;
complement_mark
    : "~"    { $$.node = SCAN_MAKE_AST(PSO_COMPLEMENT_NODE); }
    | %empty { $$.node = SCAN_MAKE_AST(DUMMY); }
    ;
inverse1_mark
    : "!"    { $$.node = SCAN_MAKE_AST(PSO_INVERSE1_NODE); }
    | %empty { $$.node = SCAN_MAKE_AST(DUMMY); }
    ;
instance_name
    : signal
    | signal "CAPTURE1" { $$.node = SCAN_MAKE_SOLO_AST(CAPTURE_NODE, $1.node); }
    ;
inverse2_mark
    : "!"    { $$.node = SCAN_MAKE_AST(PSO_INVERSE2_NODE); }
    | %empty { $$.node = SCAN_MAKE_AST(DUMMY); }
    ;
opt_cell_spec
    : "{" signal "}" "{" signal "}"        { $$.node = SCAN_MAKE_DUET_AST(PSO_PORT_NAME_NODE, $2.node, $5.node); }
    | signal "{" signal "}"                { $$.node = SCAN_MAKE_DUET_AST(PSO_CELL_NAME_NODE, $1.node, $3.node); }
    | "{" signal "}" signal "{" signal "}"
      { $$.node = SCAN_MAKE_TRIO_AST(PSO_CELL_NAME_NODE, $4.node, $6.node, $2.node); }
    | %empty { $$.node = SCAN_MAKE_AST(DUMMY); }
    ;
