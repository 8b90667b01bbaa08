// Checks of a BSDL file for the tests: liburjtag's BSDL parser (run as the
// program urjtag_bsdl_check built in this tree) and our own reading of the
// file for what that parser accepts but IEEE 1149.1 forbids.
//
// The reader understands what a generator writes: comments ("--" to the
// line end), the entity header, the generic, the port list, use clauses
// and "attribute NAME of TARGET : CLASS is VALUE;" and
// "constant NAME : TYPE := VALUE;" statements, where VALUE is a string,
// a concatenation of strings joined with "&", or a plain token sequence.
// It keeps every statement in file order and decodes the ones that tests
// compare with a design: the ports, the pin maps, the instruction register,
// the IDCODE and the boundary register.
//
// Our checks (each failure is one line in BsdlCheck::problems):
// - the statements 1149.1 requires are there, in the order it requires;
// - BOUNDARY_LENGTH equals the number of BOUNDARY_REGISTER rows, and every
//   cell 0 to BOUNDARY_LENGTH-1 is described exactly once;
// - each control cell named by a row is a control (or controlr) row, each
//   output3 and bidir row names one, and each named port is declared;
// - control, controlr and internal rows name no port ("*"), the others
//   (input, clock, output2, output3, bidir, observe_only) a system pin;
// - each opcode has INSTRUCTION_LENGTH bits, BYPASS, EXTEST and SAMPLE are
//   there and BYPASS is all ones, the capture pattern has
//   INSTRUCTION_LENGTH bits and ends in "01";
// - a given IDCODE_REGISTER or USERCODE_REGISTER is a string of 32 bits
//   0, 1 or X (a list of such patterns, comma-separated, only with the
//   2013 package: the earlier packages type both as ID_STRING, one array
//   of 32 bits), and each IDCODE has bit 0 (the last character) 1.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace bsdlcheck {

// One statement of the entity, in file order.
struct Statement {
    int line = 0;        // line of its first token
    std::string kind;    // "generic", "port", "use", "attribute", "constant" or the first word
    std::string name;    // attribute or constant name, upper case ("BOUNDARY_LENGTH"); use: the package
    std::string target;  // attribute: the entity or port it is "of"
    std::string value;   // strings joined without the quotes and "&"; else the tokens joined by blanks
    bool literal = false;  // the value is a string, or strings joined by "&"
};

// One row of BOUNDARY_REGISTER.
struct BoundaryRow {
    int num = -1;
    std::string cell;      // "BC_1"
    std::string port;      // "D(0)" or "*"
    std::string function;  // lower case: "input", "output3", "control", ...
    std::string safe;      // "X", "0" or "1"
    int ccell = -1;        // control cell, -1 when the row names none
    int disval = -1;       // disable value, -1 when the row names no control cell
    std::string rslt;      // "Z", "WEAK0", ...; empty when the row names no control cell
    bool operator==(const BoundaryRow&) const = default;
};

// "3 BC_1 Q output3 X 2 0 Z": a row in one line, for comparisons whose
// failure should show the whole row.
std::string to_string(const BoundaryRow& row);
inline std::ostream& operator<<(std::ostream& os, const BoundaryRow& row) { return os << to_string(row); }

// One port of the port list.
struct Port {
    std::string name;
    std::string direction;  // lower case: "in", "out", "buffer", "inout", "linkage"
    bool vector = false;
    int left = -1, right = -1;  // bit_vector(left to right); -1 for a bit
};

struct Instruction {
    std::string name;                  // as written
    std::vector<std::string> opcodes;  // bit patterns, most significant bit first
};

// What the reader found in a BSDL file.
struct BsdlFile {
    std::string entity;
    std::vector<Statement> statements;
    std::vector<Port> ports;
    std::string physical_pin_map;  // the generic's default (package) name
    // Pin maps by constant name: port name -> pins in the order written.
    std::map<std::string, std::map<std::string, std::vector<std::string>>> pin_maps;
    int instruction_length = -1;
    std::vector<Instruction> instructions;
    std::string instruction_capture;
    std::string idcode;  // 32 characters, bit 31 first; empty when not given
    std::string usercode;  // likewise
    int boundary_length = -1;
    std::vector<BoundaryRow> boundary;  // in file order
    std::vector<std::string> errors;    // what the reader could not read ("line N: ...")

    // The first attribute of that name (upper case), or null.
    const Statement* attribute(const std::string& name) const;
    // The BOUNDARY_REGISTER row of that cell number (the first one), or null.
    const BoundaryRow* row(int num) const;
    const Port* port(const std::string& name) const;
    const Instruction* instruction(const std::string& name) const;  // name compared case-blind
    // The pins of a port in the pin map of the generic's package.
    std::vector<std::string> pins(const std::string& port) const;
};

// Reads BSDL text; never fails (what it cannot read goes to `errors`).
BsdlFile read_bsdl(const std::string& text);

// Our semantic checks of a read file: one line per problem, empty when none.
std::vector<std::string> semantic_problems(const BsdlFile& file);

struct BsdlCheck {
    bool urjtag_ran = false;   // false when the urjtag checker is not built
    bool urjtag_ok = false;    // it ran, printed "OK" and exited 0
    std::string urjtag_output; // its output and errors, or why it did not run
    std::vector<std::string> problems;  // reader errors and semantic problems
    BsdlFile file;

    bool ok() const { return urjtag_ok && problems.empty(); }
    // Everything a failed test should show.
    std::string describe() const;
};

// Reads the file, runs our checks and liburjtag's parser (test mode) on it.
BsdlCheck check_bsdl_file(const std::string& path);

// Path of the built urjtag_bsdl_check program, empty when the build found
// no liburjtag (then urjtag_skip_reason() says why).
std::string urjtag_checker();
std::string urjtag_skip_reason();

// Runs the urjtag checker on a file; with dump it prints what the parser
// derived (instruction length, registers, "bit N F S PORT [C D R]" lines).
testsupport::RunResult run_urjtag(const std::string& path, bool dump);

// The boundary cells of a dump: num, port, safe ("X" for the dump's "?"),
// ccell, disval, rslt as printed, and as function the parser's one-letter
// type (I input or clock, O output2 or output3, B bidir, C control or
// controlr, X internal).  The parser prints "Z" as rslt whatever the file says.
std::vector<BoundaryRow> urjtag_dump_rows(const std::string& dump);

}  // namespace bsdlcheck
