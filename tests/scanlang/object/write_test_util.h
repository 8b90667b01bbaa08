// Writing DFT objects back in the tests: the writer's text of the current
// object, and the parse-write-parse round trip.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "scanlang/object/map_test_util.h"
#include "scanlang/object/write_dft.h"

namespace writetest {

// What print_scan_object_to_file writes for the current object.
inline std::string written(int flag = 1) {
    not_print_self_comment_flag = flag;
    FILE* f = std::tmpfile();
    if (!f) return "<no temporary file>";
    print_scan_object_to_file(f, flag);
    std::string text;
    std::rewind(f);
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);
    return text;
}

}  // namespace writetest
