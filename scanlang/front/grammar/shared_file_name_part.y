/* A file-name statement: the name's leaf passes up. */

file_name_part
    : "%FILE_NAME" "=" STRING ";" { $$.node = $3.node; }
    ;
