// The lines of a netlist-edit command file.
//
//     edit NAME                 the design NAME.sdb of the current directory
//                               (read from its unedited working copy when
//                               there is one, sdb/nl_edit.h)
//     path DIR                  directory of the edited designs of lower modules
//     add INST MASTER           a new instance of MASTER
//     add PORT input|output     a new port of the edited design
//     replace INST MASTER       INST gets MASTER, keeping its connections
//     disconnect INST{PIN}      the pin leaves its net
//     disconnect PORT           the port leaves its net
//     connect END END           both end points on one net
//     save                      writes the design
//     quit                      ends the run
//
// An end point is INST{PIN} (the pin may be a bus bit, "D[3]") or a bare
// name: a port or a net of the edited design.  Fields are separated by
// any run of blanks (spaces, tabs, a carriage return before the line
// end); a line of blanks only is skipped.
#pragma once

#include <string>
#include <string_view>

namespace plovert {

struct EndPoint {
    std::string inst;  // empty for a bare name
    std::string name;  // the pin of inst, or the bare port or net name

    bool is_pin() const { return !inst.empty(); }
    // Empties both names, keeping their storage.
    void clear() {
        inst.clear();
        name.clear();
    }
    // As written in a command file.
    std::string text() const { return is_pin() ? inst + "{" + name + "}" : name; }
};

enum class Op { None, Edit, Path, AddInst, AddPort, Replace, DisconnectPin, DisconnectPort, Connect, Save, Quit };

struct Command {
    Op op = Op::None;  // None: a blank line
    std::string a;     // edit/path: the name; add/replace: the instance or port
    std::string b;     // add/replace: the master
    int direction = 0; // add of a port: a direction of the design database
    EndPoint e1, e2;   // disconnect: e1; connect: e1 and e2

    // Back to a blank line, keeping the strings' storage.
    void clear() {
        op = Op::None;
        a.clear();
        b.clear();
        direction = 0;
        e1.clear();
        e2.clear();
    }
};

// Parses one line (without its line end).  False with the reason in err
// when the line is malformed.
bool parse_command(std::string_view line, Command& cmd, std::string& err);

// Parses one end point; false with the reason in err when malformed.
bool parse_end_point(std::string_view field, EndPoint& e, std::string& err);

}  // namespace plovert
