/* Name references and name lists, shared by the blocks of every file
   kind. */

/* A signal, port or instance name. */
signal
    : IDENT { $$.node = scan_signal($1.node); }
    ;

/* Identifiers separated by commas or blanks, under an IDENT_LIST_NODE. */
name_list
    : names
    ;
names
    : names "," IDENT { $$.node = scan_append_item($1.node, $3.node); }
    | names IDENT     { $$.node = scan_append_item($1.node, $2.node); }
    | IDENT           { $$.node = scan_holder(IDENT_LIST_NODE, $1.node); }
    ;

/* The same over signals. */
signal_list
    : signals
    ;
signals
    : signals "," signal { $$.node = scan_append_item($1.node, $3.node); }
    | signals signal     { $$.node = scan_append_item($1.node, $2.node); }
    | signal             { $$.node = scan_holder(IDENT_LIST_NODE, $1.node); }
    ;
