// Texts of the connection errors, shared by the reader (masters known
// while reading) and Design::link (masters defined later).  Internal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vlog::msg {

inline std::string quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

inline std::string no_port(std::string_view master, std::string_view pin) {
    return "module " + quoted(master) + " has no port " + quoted(pin);
}

inline std::string connected_twice(std::string_view pin, std::string_view inst) {
    return "port " + quoted(pin) + " of instance " + quoted(inst) + " is connected twice";
}

inline std::string width(std::string_view pin, std::string_view inst, std::string_view master, std::uint32_t port_width,
                         std::uint32_t conn_width) {
    return "width mismatch on port " + quoted(pin) + " of instance " + quoted(inst) + " (module " + quoted(master) +
           "): the port has " + std::to_string(port_width) + (port_width == 1 ? " bit" : " bits") +
           ", the connection " + std::to_string(conn_width);
}

inline std::string too_many(std::string_view master, std::size_t ports) {
    return "too many connections to module " + quoted(master) + " (" + std::to_string(ports) +
           (ports == 1 ? " port)" : " ports)");
}

inline std::string ordered_unknown(std::string_view master) {
    return "ordered connections to unknown module " + quoted(master);
}

}  // namespace vlog::msg
