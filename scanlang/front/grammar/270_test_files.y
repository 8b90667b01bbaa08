/* %TEST_FILES: the memory-BIST, logic-BIST, boundary-scan and macro-test
   files of the design. */

test_files
    : "%TEST_FILES" "{" test_files_items "}"
      {
          $$.node = scan_take_children(SCAN_MAKE_AST(TEST_FILES_NODE), $3.node);
          check_missing(BLOCK_TEST_FILES);
          scan_clear_table(test_files_t);
      }
    ;
test_files_items
    : test_files_items test_files_item { $$.node = scan_append_item($1.node, $2.node); }
    | test_files_item                  { $$.node = scan_holder(DUMMY, $1.node); }
    ;
test_files_item
    : "%MBIST_FILE" "=" IDENT ";"
      { test_files_t[TF_MBIST_FILE] = 1; $$.node = SCAN_MAKE_SOLO_AST(MBIST_FILE_NODE, $3.node); }
    | "%LBIST_FILE" "=" IDENT ";"
      { test_files_t[TF_LBIST_FILE] = 1; $$.node = SCAN_MAKE_SOLO_AST(LBIST_FILE_NODE, $3.node); }
    | "%BSD_FILE" "=" IDENT ";"
      { test_files_t[TF_BSD_FILE] = 1; $$.node = SCAN_MAKE_SOLO_AST(BSD_FILE_NODE, $3.node); }
    | "%MACRO_TEST" "=" IDENT ";"
      { test_files_t[TF_MACRO_TEST] = 1; $$.node = SCAN_MAKE_SOLO_AST(MACRO_TEST_NODE, $3.node); }
    ;
