#include "bsdl/bsdl.h"

int main(int argc, char** argv) { tallowmere_main(argc, argv); }
