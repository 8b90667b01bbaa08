/* %CORE_NO_SCAN and %DEF_INFO: name lists of cores left unscanned and of
   placement partitions. */

core_no_scan
    : "%CORE_NO_SCAN" "{" core_no_scan_name "}" { $$.node = SCAN_MAKE_SOLO_AST(CORE_NO_SCAN, $3.node); }
    ;
core_no_scan_name
    : "%NAME" "=" name_list ";" { $$.node = SCAN_MAKE_SOLO_AST(NAME_NODE, $3.node); }
    ;

def_info
    : "%DEF_INFO" "{" partition_list "}" { $$.node = scan_holder(DEF_INFO_NODE, $3.node); }
    ;
partition_list
    : partition_list partition { $$.node = scan_chain_append($1.node, $2.node); }
    | partition
    ;
partition
    : "%PARTITION" name_list ";" { $$.node = SCAN_MAKE_SOLO_AST(PARTITION_NODE, $2.node); }
    ;
