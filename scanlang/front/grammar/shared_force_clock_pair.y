/* A forced clock of the test-access constraints: the two %FORCE_CLOCK
   forms of a sequence. */
force_clock_pair
    : force_clock_1
    | force_clock_2
    ;
