// The batch run of one command file on one design database.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "tools/plovert/command.h"
#include "tools/plovert/wiring.h"

struct SdbDatabase;

namespace plovert {

// A line that cannot be applied; what names the command file and line.
class EditError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Editor {
public:
    Editor() = default;
    ~Editor();  // closes the design without saving it
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // Applies one command; false after "quit".  Throws EditError.
    bool apply(const Command& cmd);

    // The design edited, "" before "edit".
    const std::string& design_file() const { return file_; }
    // True when the design holds edits that no "save" wrote.
    bool unsaved() const { return dirty_; }

private:
    void open(const std::string& name);
    void need_design(const char* command) const;
    int resolve_class(const std::string& master);
    int find_obj(const std::string& name);
    int find_sym(const std::string& name);
    int pin_node(const EndPoint& e);
    int find_pin_node(int sym, int obj);
    int port_node(int port);

    // An end point as the node it names, or as a net (bare net names).
    struct Target {
        int node = -1;
        int net = -1;  // the net of node, or the net named
    };
    Target resolve(const EndPoint& e);

    void add_instance(const std::string& inst, const std::string& master);
    void add_port(const std::string& name, int direction);
    void replace(const std::string& inst, const std::string& master);
    void disconnect(const EndPoint& e);
    void connect(const EndPoint& a, const EndPoint& b);
    void save();

    SdbDatabase* db_ = nullptr;
    std::string file_;
    std::string path_dir_;  // the "path" directory, "" when none was given
    bool dirty_ = false;
    Wiring wiring_;
    // The first node of each pin, by the pin's name symbol, of instances
    // with many pins: a pad ring connects thousands of pins of one core
    // instance, and a walk along its nodes for each of them would cost
    // pins times pads.  An instance's entry goes when its nodes change.
    std::unordered_map<int, std::unordered_map<std::int32_t, int>> pin_nodes_;
    // Names found before: instances, symbols and classes.  A command file
    // names each added cell on several lines and the same few pins and
    // masters on thousands, and a look-up in the design's symbol table
    // costs many string compares.  Only names that were found are kept:
    // records are never renamed or deleted here and symbol ids never
    // change, so an answer stays right until a save renumbers records.
    std::unordered_map<std::string, int> objs_, syms_, classes_;
};

}  // namespace plovert
