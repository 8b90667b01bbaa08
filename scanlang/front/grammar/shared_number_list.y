/* Numbers (INTEGER or REAL leaves) separated by commas or blanks, under a
   DUMMY holder. */
number_list
    : number_list "," number { $$.node = scan_append_item($1.node, $3.node); }
    | number_list number     { $$.node = scan_append_item($1.node, $2.node); }
    | number                 { $$.node = scan_holder(DUMMY, $1.node); }
    ;
number
    : INTEGER
    | REAL
    ;
