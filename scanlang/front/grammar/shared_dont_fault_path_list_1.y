/* %DONT_FAULT_PATH: paths (a start name and a pattern) that are not
   faulted, chained under one DONT_FAULT_PATH_LIST. */
dont_fault_path_list_1
    : "%DONT_FAULT_PATH" "{" dont_fault_path_list_2 "}" { $$.node = scan_holder(DONT_FAULT_PATH_LIST, $3.node); }
    ;
dont_fault_path_list_2
    : dont_fault_path_list_2 dont_fault_path { $$.node = scan_chain_append($1.node, $2.node); }
    | dont_fault_path
    ;
dont_fault_path
    : signal PATTERN ";" { $$.node = SCAN_MAKE_DUET_AST(DONT_FAULT_PATH, $1.node, $2.node); }
    ;
