#include "bscan/bscan.h"

int main(int argc, char** argv) { kestrand_main(argc, argv); }
