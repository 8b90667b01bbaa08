// Reading the lines of a netlist-edit command file.
#include "tools/plovert/command.h"

#include <array>

#include "sdb/sdb.h"

namespace plovert {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// The fields of a line: the first three, and how many there are (a line
// with more is refused, by its count).  Kept on the stack: a command
// file has a line for every pin edited.
struct Fields {
    std::array<std::string_view, 3> first;
    std::size_t count = 0;

    bool empty() const { return count == 0; }
    std::size_t size() const { return count; }
    std::string_view operator[](std::size_t i) const { return first[i]; }
};

Fields split_fields(std::string_view line) {
    Fields fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && blank(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !blank(line[i])) ++i;
        if (i > start) {
            if (fields.count < fields.first.size()) fields.first[fields.count] = line.substr(start, i - start);
            ++fields.count;
        }
    }
    return fields;
}

bool fail(std::string& err, std::string text) {
    err = std::move(text);
    return false;
}

}  // namespace

bool parse_end_point(std::string_view field, EndPoint& e, std::string& err) {
    e.clear();
    const std::size_t open = field.find('{');
    if (open == std::string_view::npos) {
        if (field.find('}') != std::string_view::npos)
            return fail(err, "end point '" + std::string(field) + "' has a '}' without a '{'");
        e.name.assign(field);
        return true;
    }
    const std::string_view inst = field.substr(0, open);
    if (inst.empty()) return fail(err, "end point '" + std::string(field) + "' names no instance before its '{'");
    if (field.back() != '}') return fail(err, "end point '" + std::string(field) + "' does not end with '}'");
    const std::string_view pin = field.substr(open + 1, field.size() - open - 2);
    if (pin.empty()) return fail(err, "end point '" + std::string(field) + "' names no pin between its braces");
    if (pin.find_first_of("{}") != std::string_view::npos || inst.find('}') != std::string_view::npos)
        return fail(err, "end point '" + std::string(field) + "' holds more than one pair of braces");
    e.inst.assign(inst);
    e.name.assign(pin);
    return true;
}

bool parse_command(std::string_view line, Command& cmd, std::string& err) {
    // The strings keep their storage from line to line.
    cmd.clear();
    const Fields f = split_fields(line);
    if (f.empty()) return true;
    const std::string_view key = f[0];
    auto count = [&](std::size_t n, const char* form) {
        if (f.size() == n) return true;
        return fail(err, "'" + std::string(key) + "' takes the form \"" + form + "\" (" + std::to_string(f.size() - 1) +
                             " field" + (f.size() == 2 ? "" : "s") + " given)");
    };
    // A name that stands alone must not look like an instance pin.
    auto plain = [&](std::string_view name, const char* what) {
        if (name.find_first_of("{}") == std::string_view::npos) return true;
        return fail(err, std::string(what) + " '" + std::string(name) + "' holds a brace");
    };

    if (key == "edit") {
        if (!count(2, "edit NAME") || !plain(f[1], "design name")) return false;
        cmd.op = Op::Edit;
        cmd.a.assign(f[1]);
    } else if (key == "path") {
        if (!count(2, "path DIRECTORY")) return false;
        cmd.op = Op::Path;
        cmd.a.assign(f[1]);
    } else if (key == "add") {
        if (!count(3, "add NAME MASTER|input|output") || !plain(f[1], "name") || !plain(f[2], "master")) return false;
        cmd.a.assign(f[1]);
        if (f[2] == "input" || f[2] == "output") {
            cmd.op = Op::AddPort;
            cmd.direction = f[2] == "input" ? SDB_DIR_INPUT : SDB_DIR_OUTPUT;
        } else {
            cmd.op = Op::AddInst;
            cmd.b.assign(f[2]);
        }
    } else if (key == "replace") {
        if (!count(3, "replace INSTANCE MASTER") || !plain(f[1], "instance") || !plain(f[2], "master")) return false;
        cmd.op = Op::Replace;
        cmd.a.assign(f[1]);
        cmd.b.assign(f[2]);
    } else if (key == "disconnect") {
        if (!count(2, "disconnect INSTANCE{PIN}|PORT") || !parse_end_point(f[1], cmd.e1, err)) return false;
        cmd.op = cmd.e1.is_pin() ? Op::DisconnectPin : Op::DisconnectPort;
    } else if (key == "connect") {
        if (!count(3, "connect END END") || !parse_end_point(f[1], cmd.e1, err) || !parse_end_point(f[2], cmd.e2, err))
            return false;
        cmd.op = Op::Connect;
    } else if (key == "save" || key == "quit") {
        if (!count(1, key == "save" ? "save" : "quit")) return false;
        cmd.op = key == "save" ? Op::Save : Op::Quit;
    } else {
        return fail(err, "unknown command '" + std::string(key) + "'");
    }
    return true;
}

}  // namespace plovert
