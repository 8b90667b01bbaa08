// The lines of a netlist-edit command file, each parsed as plovert
// parses it; a parsed end point is written back and parsed again.
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/plovert/command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        plovert::Command cmd;
        std::string err;
        if (!plovert::parse_command(line, cmd, err)) continue;
        for (const plovert::EndPoint* e : {&cmd.e1, &cmd.e2}) {
            if (e->name.empty()) continue;
            plovert::EndPoint again;
            std::string err2;
            if (!plovert::parse_end_point(e->text(), again, err2) || again.text() != e->text()) __builtin_trap();
        }
    }
    return 0;
}
