// The tallowmere program: its whole run is tallowmere_main.
#include "bsdl/bsdl.h"

int main(int argc, char** argv) { tallowmere_main(argc, argv); }
