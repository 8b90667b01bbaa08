/* A file name statement; its value is the name's leaf. */
file_name_part
    : "%FILE_NAME" "=" STRING ";" { $$.node = $3.node; }
    ;
