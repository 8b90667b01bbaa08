// Tokens of Verilog source, read straight from one in-memory block.
// Internal to the reader.
#pragma once

#include <cstdint>
#include <string>
#include <memory>
#include <string_view>
#include <vector>

#include "tools/verilog/netlist.h"

namespace vlog {

// Reserved words (the configuration words of the 2001 standard are left
// out: netlists use them as names).  They are interned first, in this
// order, so a simple identifier is a keyword exactly when its Id is below
// kNumKeywords.
#define VLOG_KEYWORDS(X)                                                                                  \
    X(module) X(macromodule) X(endmodule) X(input) X(output) X(inout) X(wire) X(tri) X(supply0)           \
    X(supply1) X(reg) X(signed) X(assign) X(function) X(endfunction) X(task) X(endtask) X(primitive)      \
    X(endprimitive) X(always) X(and) X(automatic) X(begin) X(buf) X(bufif0) X(bufif1) X(case) X(casex)    \
    X(casez) X(cmos) X(deassign) X(default) X(defparam) X(disable) X(edge) X(else) X(end) X(endcase)      \
    X(endgenerate) X(endspecify) X(endtable) X(event) X(for) X(force) X(forever) X(fork) X(generate)      \
    X(genvar) X(highz0) X(highz1) X(if) X(ifnone) X(initial) X(integer) X(join) X(large) X(localparam)    \
    X(medium) X(nand) X(negedge) X(nmos) X(nor) X(noshowcancelled) X(not) X(notif0) X(notif1) X(or)       \
    X(parameter) X(pmos) X(posedge) X(pull0) X(pull1) X(pulldown) X(pullup) X(pulsestyle_onevent)         \
    X(pulsestyle_ondetect) X(rcmos) X(real) X(realtime) X(release) X(repeat) X(rnmos) X(rpmos) X(rtran)   \
    X(rtranif0) X(rtranif1) X(scalared) X(showcancelled) X(small) X(specify) X(specparam) X(strong0)      \
    X(strong1) X(table) X(time) X(tran) X(tranif0) X(tranif1) X(tri0) X(tri1) X(triand) X(trior)          \
    X(trireg) X(unsigned) X(vectored) X(wait) X(wand) X(weak0) X(weak1) X(while) X(wor) X(xnor) X(xor)

enum Keyword : Id {
#define VLOG_KW_ENUM(k) kw_##k,
    VLOG_KEYWORDS(VLOG_KW_ENUM)
#undef VLOG_KW_ENUM
    kNumKeywords
};

extern const char* const kKeywordNames[kNumKeywords];

// Reads a whole file into text; false with the reason in why ("cannot
// open file: ..." or "cannot read file: ...").  Only a regular file is
// read ("cannot open file: not a regular file" for a FIFO or a device).
bool load_file(const std::string& path, std::string& text, std::string& why);

// The text of a file to be read once from start to end: mapped into
// memory, or read whole when it is empty or cannot be mapped.  The pages of a
// mapped text that the reading has passed can be given back (they come
// back from the file if touched again), so a large netlist does not stay
// in memory beside what was built from it.
class FileText {
public:
    FileText() = default;
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;
    ~FileText();

    // False with the reason in why, as load_file gives it.
    bool load(const std::string& path, std::string& why);
    std::string_view view() const { return map_ ? std::string_view(map_, size_) : std::string_view(copy_); }
    // The text before p (a place in view()) is read.
    void read_up_to(const char* p);

private:
    char* map_ = nullptr;
    std::size_t size_ = 0;
    std::size_t given_back_ = 0;  // bytes from the start whose pages went
    std::string copy_;
};

enum class Tok : std::uint8_t {
    End,      // end of the text
    Ident,    // simple or escaped identifier: id
    Keyword,  // reserved word: id (a Keyword)
    Number,   // unsigned decimal: value (overflow set when too large)
    Based,    // based literal 'b0101: base letter, digits in text
    String,   // "...": text without the quotes
    Punct,    // any other character: punct; text holds the whole operator
              // for the operators of two or three characters ("<<", "**")
};

struct Token {
    Tok kind = Tok::End;
    char punct = 0;
    char base = 0;  // b, o, d or h
    bool overflow = false;
    std::uint32_t line = 1;  // in a macro's text: counted from the line of its use
    Id id = kNoId;
    std::uint64_t value = 0;
    std::string_view text;  // source text (digits only for Based)
};

// The lexer runs the compiler directives as it meets them, so that the
// parser sees the text a Verilog compiler would compile:
//
//     `define NAME text          `define NAME(a, b) text with a and b
//     `undef NAME                `NAME  `NAME(x, y)   (a macro's text)
//     `ifdef / `ifndef NAME, `elsif NAME, `else, `endif
//     `include "file"            beside the including file, then in the
//                                include directories of the design
//     `timescale ..., `default_nettype ..., `celldefine, `endcelldefine,
//     `resetall, the fault and delay modes of cell libraries: no effect
//
// Macros stay defined from file to file (they live in the Design).  The
// text of included files and expanded macros stays alive as long as the
// lexer, so token texts never dangle.
class Lexer {
public:
    Lexer(std::string_view src, Design& design, std::string file);

    void next(Token& t) {
        // Most punctuation of a netlist follows the token before it at
        // once, and is one character that nothing else begins with: it is
        // read here, without the call.
        if (p_ < end_ && is_plain_punct(*p_)) {
            t.kind = Tok::Punct;
            t.punct = *p_;
            t.line = line_;
            t.text = std::string_view(p_, 1);
            ++p_;
            return;
        }
        next_token(t);
    }

    // While set (skipped bodies of library cells), attribute brackets are
    // plain characters, and unknown compiler directives and undefined
    // macros are ignored.
    bool skipping = false;

    // The file being read (an included one while its text is read).
    const std::string& file() const { return file_; }
    std::uint32_t line() const { return line_; }

    [[noreturn]] void fail(std::uint32_t line, const std::string& msg) const;

    // The file whose text the lexer was made for, told how far the
    // reading got (null: a text held elsewhere).
    FileText* file_text = nullptr;

    // Told the id of a name known already that lies a little ahead, so
    // that the reader can have what it keeps for the name fetched before
    // it gets there (null: nobody is told).
    void (*name_ahead)(void* context, Id id) = nullptr;
    void* name_ahead_context = nullptr;

private:
    // A text whose reading another one interrupted (a file, an included
    // file or a macro's text): where the reading resumes.
    struct Source {
        const char* p;
        const char* end;
        std::uint32_t line;
        std::string file;
        bool is_file;          // a file (not a macro's text)
        std::size_t cond_base; // open conditionals when it began
    };
    // One open `ifdef: whether a branch was taken, and where it began.
    struct Cond {
        bool taken;
        std::uint32_t line;
    };

    // Characters that are a token of their own wherever a token begins.
    static bool is_plain_punct(char c) {
        switch (c) {
            case '.': case ',': case ';': case ')': case '[': case ']': case ':': case '{': case '}': case '#':
                return true;
            default: return false;
        }
    }
    void next_token(Token& t);
    std::size_t operator_length() const;
    void skip_line();
    void skip_block_comment();
    void skip_attribute();
    void skip_string_body(std::uint32_t start);
    void directive();
    std::string_view directive_name();
    std::string_view macro_name(const char* directive);
    void skip_blanks();
    void define();
    void expand(const Macro& m, std::string_view name);
    std::string macro_arguments(const Macro& m, std::string_view name);
    void include();
    void skip_inactive();
    void prefetch_names();
    Id intern_name(const char* s, std::size_t n);
    void push(const char* text, std::size_t size, std::string file, bool is_file);
    bool pop();

    const char* p_;
    const char* end_;
    // How far ahead of p_ the slots of names were prefetched (null: not
    // in this source yet).
    const char* ahead_ = nullptr;
    // The names met by that scan, in order, with their hashes: a name the
    // lexer then reads at the same place is not hashed again.
    struct Ahead {
        const char* p;
        std::uint32_t size;
        std::uint32_t hash;
        bool looked_up;  // looked for by the scan after the one that met it
        Id id;           // what that found, kNoId for nothing
    };
    static constexpr std::size_t kAhead = 256;  // a power of two
    Ahead ring_[kAhead];
    std::size_t ring_head_ = 0, ring_tail_ = 0;  // taken and added, counted from the start
    Design& design_;
    NameTable& names_;
    std::string file_;
    std::uint32_t line_ = 1;
    bool is_file_ = true;
    std::size_t cond_base_ = 0;
    std::vector<Source> outer_;  // the sources the current one interrupts
    std::vector<Cond> conds_;
    // Texts of included files and expanded macros.
    std::vector<std::shared_ptr<const std::string>> texts_;
};

}  // namespace vlog
