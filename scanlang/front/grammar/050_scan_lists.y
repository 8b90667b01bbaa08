/* %SCAN_IN_LIST and %SCAN_OUT_LIST: the list of names passes up (the top
   level wraps it). */

scan_in_list_part
    : "%SCAN_IN_LIST" "=" signal_list ";" { $$.node = $3.node; }
    ;
scan_out_list_part
    : "%SCAN_OUT_LIST" "=" signal_list ";" { $$.node = $3.node; }
    ;
