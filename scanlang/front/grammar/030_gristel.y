/* %GRISTEL_INFO: the top module, the speed ratio and the TDDM/TDM
   groups. */

gristel_info
    : "%GRISTEL_INFO" "{" gristel_info_items "}"
      {
          $$.node = scan_holder(GRISTEL_INFO_NODE, $3.node);
          check_missing(BLOCK_GRISTEL_INFO);
          scan_clear_table(gristel_t);
      }
    ;
/* The first %TDDM_TDM_INFO opens the list node that later ones join. */
gristel_info_items
    : gristel_info_items gristel_info_item
      { $$.node = scan_merge_chain($1.node, $2.node, {{TDDM_TDM_INFO_NODE, TDDM_TDM_INFO_LIST_NODE}}); }
    | gristel_info_item
    ;
gristel_info_item
    : "%TOP_MODULE" IDENT ";"
      {
          gristel_t[GRISTEL_TOP_MODULE] = 1;
          $$.node = SCAN_MAKE_SOLO_AST(TOP_MODULE_NODE, $2.node);
      }
    | "%SPEED_RATIO" INTEGER ";" { $$.node = SCAN_MAKE_SOLO_AST(SPEED_RATIO_NODE, $2.node); }
    | tddm_tdm_info
      {
          $$.node = scan_first_in_list(gristel_t[GRISTEL_TDDM_TDM_INFO], TDDM_TDM_INFO_LIST_NODE, $1.node);
          check_missing(BLOCK_TDDM_TDM_INFO);
          scan_clear_table(tddm_tdm_info_t);
      }
    ;

tddm_tdm_info
    : "%TDDM_TDM_INFO" IDENT "{" tddm_tdm_info_items "}"
      {
          $$.node = scan_append_item(SCAN_MAKE_SOLO_AST(TDDM_TDM_INFO_NODE, $2.node), $4.node);
          scan_clear_table(tddm_group_t);
          scan_clear_table(tdm_group_t);
      }
    ;
tddm_tdm_info_items
    : tddm_tdm_info_items tddm_tdm_info_item { $$.node = scan_chain_append($1.node, $2.node); }
    | tddm_tdm_info_item
    ;
tddm_tdm_info_item
    : "%SPEED_RATIO" INTEGER ";"
      { $$.node = scan_once(tddm_tdm_info_t[TDDM_TDM_INFO_SPEED_RATIO], SCAN_MAKE_SOLO_AST(SPEED_RATIO_NODE, $2.node)); }
    | "%TDDM_GROUP" IDENT "{" tddm_group_items "}"
      {
          ScanAstNode* group = scan_append_item(SCAN_MAKE_SOLO_AST(TDDM_GROUP_NODE, $2.node), $4.node);
          $$.node = scan_once(tddm_tdm_info_t[TDDM_TDM_INFO_TDDM_GROUP], group);
          check_missing(BLOCK_TDDM_GROUP);
          scan_clear_table(tddm_group_t);
      }
    | "%TDM_GROUP" IDENT "{" tdm_group_items "}"
      {
          ScanAstNode* group = scan_append_item(SCAN_MAKE_SOLO_AST(TDM_GROUP_NODE, $2.node), $4.node);
          $$.node = scan_once(tddm_tdm_info_t[TDDM_TDM_INFO_TDM_GROUP], group);
          check_missing(BLOCK_TDM_GROUP);
          scan_clear_table(tdm_group_t);
      }
    ;

tddm_group_items
    : tddm_group_items tddm_group_item { $$.node = scan_chain_append($1.node, $2.node); }
    | tddm_group_item
    ;
tdm_group_items
    : tdm_group_items tdm_group_item { $$.node = scan_chain_append($1.node, $2.node); }
    | tdm_group_item
    ;
tddm_group_item
    : "%TDDM_IN" "=" IDENT ";"      { $$.node = scan_once(tddm_group_t[0], SCAN_MAKE_SOLO_AST(TDDM_IN_NODE, $3.node)); }
    | "%CLOCK" "=" IDENT ";"        { $$.node = scan_once(tddm_group_t[1], SCAN_MAKE_SOLO_AST(CLOCK_NODE, $3.node)); }
    | "%CHAIN_ORDER" name_list ";"  { $$.node = scan_once(tddm_group_t[2], SCAN_MAKE_SOLO_AST(CHAIN_ORDER_NODE, $2.node)); }
    ;
tdm_group_item
    : "%TDM_OUT" "=" IDENT ";"      { $$.node = scan_once(tdm_group_t[0], SCAN_MAKE_SOLO_AST(TDM_OUT_NODE, $3.node)); }
    | "%CLOCK" "=" IDENT ";"        { $$.node = scan_once(tdm_group_t[1], SCAN_MAKE_SOLO_AST(CLOCK_NODE, $3.node)); }
    | "%CHAIN_ORDER" name_list ";"  { $$.node = scan_once(tdm_group_t[2], SCAN_MAKE_SOLO_AST(CHAIN_ORDER_NODE, $2.node)); }
    | "%CLEAR" "=" IDENT ";"        { $$.node = scan_once(tdm_group_t[3], SCAN_MAKE_SOLO_AST(CLEAR_NODE, $3.node)); }
    ;
