/* A braced %CLOCK block of clock items (the %HOOKUP form); its items pass
   up as a chain for the enclosing rule to wrap. */

clock_block
    : "%CLOCK" "{" clock_block_items "}" { $$.node = $3.node; }
    ;
