// Under AddressSanitizer a failed allocation must reach the program's own
// out-of-memory handling, as it does in a normal build, instead of
// aborting inside the sanitizer.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
