#include "kestrand/kest_main.h"

int main(int argc, char** argv) { kestrand_main(argc, argv); }
