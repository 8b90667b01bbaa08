/* %CONNECT_CORE: how a core instance is connected: its package file,
   module and instance names, core and system instructions, scan ports. */

connect_core
    : "%CONNECT_CORE" signal "{" connect_core_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_SOLO_AST(CONNECT_CORE_NODE, $2.node), $4.node);
          scan_clear_table(connect_core_tt);
      }
    ;
/* Every scan port after the first joins the SCAN_PORT_LIST_NODE. */
connect_core_items
    : connect_core_items connect_core_item
      { $$.node = scan_merge_item($1.node, $2.node, {{SCAN_PORT_NODE, SCAN_PORT_LIST_NODE}}); }
    | connect_core_item { $$.node = scan_holder(DUMMY, $1.node); }
    ;
connect_core_item
    : file_name_1        { $$.node = scan_once(connect_core_tt[CC_FILE_NAME], $1.node); }
    | module_name        { $$.node = scan_once(connect_core_tt[CC_MODULE_NAME], $1.node); }
    | instance_name_2    { $$.node = scan_once(connect_core_tt[CC_INSTANCE_NAME], $1.node); }
    | core_instruction   { $$.node = scan_once(connect_core_tt[CC_CORE_INSTRUCTION], $1.node); }
    | system_instruction { $$.node = scan_once(connect_core_tt[CC_SYSTEM_INSTRUCTION], $1.node); }
    | scan_port          { $$.node = scan_first_in_list(connect_core_tt[CC_SCAN_PORT], SCAN_PORT_LIST_NODE, $1.node); }
    ;
file_name_1
    : "%CORE_PACKAGE_FILE" "=" STRING ";" { $$.node = SCAN_MAKE_SOLO_AST(FILE_NAME_NODE, $3.node); }
    ;
module_name
    : "%MODULE_NAME" "=" IDENT ";" { $$.node = SCAN_MAKE_SOLO_AST(MODULE_NAME_NODE, $3.node); }
    ;
instance_name_2
    : "%INSTANCE_NAME" "=" signal ";" { $$.node = SCAN_MAKE_SOLO_AST(INSTANCE_NAME_NODE, $3.node); }
    ;
core_instruction
    : "%CORE_INSTRUCTION" "{" "%INSTRUCTION" "=" IDENT ";" "}"
      { $$.node = SCAN_MAKE_SOLO_AST(CORE_INSTRUCTION_NODE, $5.node); }
    ;
system_instruction
    : "%SYSTEM_INSTRUCTION" "{" "%INSTRUCTION" "=" IDENT ";" "}"
      { $$.node = SCAN_MAKE_SOLO_AST(SYSTEM_INSTRUCTION_NODE, $5.node); }
    ;
