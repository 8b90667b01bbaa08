%code {
/* A further %DONT_FIX pair joins the list node, or follows the bare pairs. */
static ScanAstNode* dont_fix_append(ScanAstNode* items, ScanAstNode* pair) {
    return items->kind == DONT_FIX_LIST_NODE ? scan_append_item(items, pair) : scan_chain_append(items, pair);
}
}
%%
/* %DONT_FIX: instance and pin pairs, separated by blanks or commas.  The
   first pair of the first statement (while dont_fix_flag is 0) opens a
   DONT_FIX_LIST_NODE holding the pairs; later statements hold their pairs
   bare.  The flag is cleared after each %CORE and %SCAN_MODULE block. */
dont_fix_info
    : "%DONT_FIX" dont_fix_items ";" { $$.node = scan_holder(DONT_FIX_INFO_NODE, $2.node); }
    ;
dont_fix_items
    : dont_fix_items dont_fix_item     { $$.node = dont_fix_append($1.node, $2.node); }
    | dont_fix_items "," dont_fix_item { $$.node = dont_fix_append($1.node, $3.node); }
    | dont_fix_item
      {
          if (dont_fix_flag) {
              $$.node = $1.node;
          } else {
              dont_fix_flag = 1;
              $$.node = scan_holder(DONT_FIX_LIST_NODE, $1.node);
          }
      }
    ;
dont_fix_item
    : signal "{" signal "}" { $$.node = SCAN_MAKE_DUET_AST(DONT_FIX_NODE, $1.node, $3.node); }
    ;
