#include "tools/verilog/lexer.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "runtime/fnm.h"

namespace vlog {

const char* const kKeywordNames[kNumKeywords] = {
#define VLOG_KW_NAME(k) #k,
    VLOG_KEYWORDS(VLOG_KW_NAME)
#undef VLOG_KW_NAME
};

namespace {

// Character classes, one table look-up each.
enum : std::uint8_t { C_SPACE = 1, C_IDSTART = 2, C_IDCHAR = 4, C_DIGIT = 8, C_BASEDIGIT = 16, C_OPSTART = 32 };

struct CharTable {
    std::uint8_t t[256] = {};
    constexpr CharTable() {
        for (int c : {' ', '\t', '\n', '\r', '\f', '\v'}) t[c] |= C_SPACE;
        for (int c = 'a'; c <= 'z'; ++c) t[c] |= C_IDSTART | C_IDCHAR;
        for (int c = 'A'; c <= 'Z'; ++c) t[c] |= C_IDSTART | C_IDCHAR;
        t[static_cast<int>('_')] |= C_IDSTART | C_IDCHAR;
        t[static_cast<int>('$')] |= C_IDCHAR;
        for (int c = '0'; c <= '9'; ++c) t[c] |= C_IDCHAR | C_DIGIT | C_BASEDIGIT;
        for (int c = 'a'; c <= 'f'; ++c) t[c] |= C_BASEDIGIT;
        for (int c = 'A'; c <= 'F'; ++c) t[c] |= C_BASEDIGIT;
        for (int c : {'x', 'X', 'z', 'Z', '?', '_'}) t[c] |= C_BASEDIGIT;
        // The first characters of the operators of two or three.
        for (int c : {'*', '&', '|', '<', '>', '=', '!'}) t[c] |= C_OPSTART;
    }
};
constexpr CharTable kChars;

inline bool is(char c, std::uint8_t cls) { return kChars.t[static_cast<unsigned char>(c)] & cls; }

// The scan of a run of name characters, the lexer's commonest loop,
// takes sixteen bytes at a time where sixteen are left: a run then ends
// without a branch per byte.
#if defined(__SSE2__)
using Bytes = __m128i;
inline Bytes load16(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
// Bytes b with lo <= b < lo + n (n at most 128): b - lo, its top bit
// flipped, compares below n - 128 as a signed byte.
inline Bytes in_range(Bytes v, int lo, int n) {
    return _mm_cmplt_epi8(_mm_add_epi8(v, _mm_set1_epi8(static_cast<char>((128 - lo) & 0xFF))),
                          _mm_set1_epi8(static_cast<char>(n - 128)));
}
inline unsigned mask_of(Bytes v) { return static_cast<unsigned>(_mm_movemask_epi8(v)); }
// The bytes that are name characters (C_IDCHAR).
inline unsigned idchar_mask(const char* p) {
    const Bytes v = load16(p);
    const Bytes letter = in_range(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 26);
    const Bytes digit = in_range(v, '0', 10);
    const Bytes other = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('_')), _mm_cmpeq_epi8(v, _mm_set1_epi8('$')));
    return mask_of(_mm_or_si128(_mm_or_si128(letter, digit), other));
}
#endif

// The end of the run of name characters from p.
inline const char* skip_idchars(const char* p, const char* end) {
#if defined(__SSE2__)
    for (; end - p >= 16; p += 16) {
        const unsigned m = idchar_mask(p);
        if (m != 0xFFFF) return p + __builtin_ctz(~m);
    }
#endif
    while (p < end && is(*p, C_IDCHAR)) ++p;
    return p;
}

// Directives that change nothing a netlist holds: simulation and fault
// modes of cell libraries.
bool no_effect(std::string_view name) {
    static const std::string_view kNames[] = {
        "celldefine",         "endcelldefine",         "resetall",        "suppress_faults",
        "nosuppress_faults",  "enable_portfaults",     "disable_portfaults", "delay_mode_distributed",
        "delay_mode_path",    "delay_mode_unit",       "delay_mode_zero", "end_keywords",
    };
    for (std::string_view n : kNames)
        if (n == name) return true;
    return false;
}

// Directives whose line is ignored: time units, the net type of implicit
// nets (an implicit net is always a wire here), keyword sets.
bool rest_of_line_ignored(std::string_view name) {
    return name == "timescale" || name == "default_nettype" || name == "begin_keywords";
}

// Included files and macro texts, one inside the other, at most.
constexpr std::size_t kMaxSources = 64;

std::string_view trim(std::string_view s) {
    while (!s.empty() && is(s.front(), C_SPACE)) s.remove_prefix(1);
    while (!s.empty() && is(s.back(), C_SPACE)) s.remove_suffix(1);
    return s;
}

}  // namespace

bool load_file(const std::string& path, std::string& text, std::string& why) {
    std::string reason;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(FNM_open_input(path.c_str(), &reason), &std::fclose);
    if (!f) {
        why = "cannot open file: " + reason;
        return false;
    }
    text.clear();
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec) text.resize(size);
    text.resize(std::fread(text.data(), 1, text.size(), f.get()));
    char chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f.get())) > 0;) text.append(chunk, n);
    if (std::ferror(f.get())) {
        why = std::string("cannot read file: ") + std::strerror(errno);
        return false;
    }
    return true;
}

namespace {
// Pages of a mapped text are given back in steps of this many bytes: a
// step is a few system calls per megabyte, and what it holds back is in
// the peak memory of reading a small netlist.
constexpr std::size_t kGiveBackStep = std::size_t{64} << 10;
}  // namespace

FileText::~FileText() {
    if (map_) ::munmap(map_, size_);
}

bool FileText::load(const std::string& path, std::string& why) {
    // Only a regular file is opened (a FIFO would wait for ever).
    const int fd = FNM_open_input_fd(path.c_str());
    if (fd >= 0) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_size > 0) {
            void* m = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (m != MAP_FAILED) {
                ::close(fd);
                map_ = static_cast<char*>(m);
                size_ = static_cast<std::size_t>(st.st_size);
                ::madvise(map_, size_, MADV_SEQUENTIAL);
                return true;
            }
        }
        ::close(fd);
    }
    // Empty, not mapped or not opened: read it (which also gives the
    // messages of a file that cannot be opened or read).
    return load_file(path, copy_, why);
}

void FileText::read_up_to(const char* p) {
    if (!map_ || p < map_ || p > map_ + size_) return;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t done = static_cast<std::size_t>(p - map_) / page * page;
    if (done < given_back_ + kGiveBackStep) return;
    ::madvise(map_ + given_back_, done - given_back_, MADV_DONTNEED);
    given_back_ = done;
}

Lexer::Lexer(std::string_view src, Design& design, std::string file)
    : p_(src.data()),
      end_(src.data() + src.size()),
      design_(design),
      names_(design.names),
      file_(std::move(file)) {}

void Lexer::fail(std::uint32_t line, const std::string& msg) const {
    throw Error(file_ + ":" + std::to_string(line) + ": error: " + msg);
}

void Lexer::skip_line() {
    while (p_ < end_ && *p_ != '\n') ++p_;
}

void Lexer::skip_blanks() {
    while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r' || *p_ == '\f' || *p_ == '\v')) ++p_;
}

void Lexer::skip_block_comment() {
    const std::uint32_t start = line_;
    p_ += 2;
    for (;;) {
        if (p_ + 1 >= end_) fail(start, "unterminated comment");
        if (p_[0] == '*' && p_[1] == '/') {
            p_ += 2;
            return;
        }
        if (*p_ == '\n') ++line_;
        ++p_;
    }
}

// Moves to the closing quote of a string whose opening quote is behind.
void Lexer::skip_string_body(std::uint32_t start) {
    while (p_ < end_ && *p_ != '"' && *p_ != '\n') {
        if (*p_ == '\\' && p_ + 1 < end_) {
            if (p_[1] == '\n') ++line_;
            ++p_;
        }
        ++p_;
    }
    if (p_ >= end_ || *p_ != '"') fail(start, "unterminated string");
}

// (* name = value, ... *): attributes carry nothing the netlist needs.
void Lexer::skip_attribute() {
    const std::uint32_t start = line_;
    p_ += 2;
    for (;;) {
        if (p_ + 1 >= end_) fail(start, "unterminated attribute");
        if (p_[0] == '*' && p_[1] == ')') {
            p_ += 2;
            return;
        }
        if (*p_ == '"') {
            ++p_;
            skip_string_body(start);
        } else if (*p_ == '\n') {
            ++line_;
        }
        ++p_;
    }
}

// Names are looked up in a table far larger than the processor's caches,
// so nearly every look-up waits for memory.  The lexer scans the text a
// little ahead for words that look like names and has their slots
// fetched meanwhile: by the time it reaches them they are at hand.  The
// scan is only a hint (comments, strings and directives ahead may
// prefetch what is never looked up); it changes nothing the lexer reads.
namespace {
constexpr std::ptrdiff_t kPrefetchLead = 256;
}

void Lexer::prefetch_names() {
    // Names the lexer passed without reading them (in comments, say).
    while (ring_head_ != ring_tail_ && ring_[ring_head_ & (kAhead - 1)].p < p_) ++ring_head_;
    // The slots of the names met by the last scan have come meanwhile:
    // those names are looked for now, and the reader told of the ones it
    // knows, which it will meet shortly.
    if (name_ahead) {
        for (std::size_t i = ring_head_; i != ring_tail_; ++i) {
            Ahead& a = ring_[i & (kAhead - 1)];
            if (a.looked_up) continue;
            a.looked_up = true;
            a.id = names_.find(std::string_view(a.p, a.size), a.hash);
            if (a.id != kNoId) name_ahead(name_ahead_context, a.id);
        }
    }
    const char* q = ahead_ && ahead_ > p_ ? ahead_ : p_;
    const char* stop = end_ - p_ > 2 * kPrefetchLead ? p_ + 2 * kPrefetchLead : end_;
    while (q < stop) {
        if (is(*q, C_IDSTART) || *q == '\\') {
            const char* s = *q == '\\' ? q + 1 : q;
            const char* e = s;
            if (*q == '\\') {
                while (e < end_ && !is(*e, C_SPACE)) ++e;
            } else {
                e = skip_idchars(e, end_);
            }
            if (e > s) {
                if (ring_tail_ - ring_head_ == kAhead) break;  // far enough ahead
                const auto size = static_cast<std::size_t>(e - s);
                const std::uint32_t h = NameTable::hash(std::string_view(s, size));
                names_.prefetch(h);
                ring_[ring_tail_++ & (kAhead - 1)] = Ahead{s, static_cast<std::uint32_t>(size), h, false, kNoId};
            }
            q = e;
        } else if (is(*q, C_IDCHAR)) {
            // Digits and the rest of a number or of a based literal.
            q = skip_idchars(q + 1, end_);
        } else {
            ++q;
        }
    }
    ahead_ = q;
}

// The id of the name of n bytes at s, interned: the scan ahead found it
// already, or met it and hashed it (a name met for the first time may
// have been interned since; intern finds it then).
Id Lexer::intern_name(const char* s, std::size_t n) {
    const std::string_view name(s, n);
    while (ring_head_ != ring_tail_) {
        const Ahead& a = ring_[ring_head_ & (kAhead - 1)];
        if (a.p > s) break;
        ++ring_head_;
        if (a.p == s && a.size == n) return a.id != kNoId ? a.id : names_.intern(name, a.hash);
    }
    return names_.intern(name);
}

// ---------------------------------------------------------------- sources

void Lexer::push(const char* text, std::size_t size, std::string file, bool is_file) {
    if (outer_.size() >= kMaxSources) fail(line_, "`include files or macros nested too deeply");
    outer_.push_back({p_, end_, line_, std::move(file_), is_file_, cond_base_});
    p_ = text;
    end_ = text + size;
    ahead_ = nullptr;
    ring_head_ = ring_tail_;
    file_ = std::move(file);
    is_file_ = is_file;
    cond_base_ = conds_.size();
    if (is_file) line_ = 1;
}

// Ends the current source: false at the end of the file the lexer was
// made for.  A file must close the conditionals it opened.
bool Lexer::pop() {
    if (is_file_ && conds_.size() > cond_base_) fail(conds_.back().line, "`ifdef without `endif");
    if (outer_.empty()) return false;
    Source& s = outer_.back();
    p_ = s.p;
    end_ = s.end;
    ahead_ = nullptr;
    ring_head_ = ring_tail_;
    line_ = s.line;
    file_ = std::move(s.file);
    is_file_ = s.is_file;
    cond_base_ = s.cond_base;
    outer_.pop_back();
    return true;
}

// ---------------------------------------------------------------- directives

std::string_view Lexer::directive_name() {
    const char* start = p_;
    while (p_ < end_ && is(*p_, C_IDCHAR)) ++p_;
    return {start, static_cast<std::size_t>(p_ - start)};
}

// The name after `define, `undef, `ifdef ... on the same line.
std::string_view Lexer::macro_name(const char* directive) {
    skip_blanks();
    if (p_ >= end_ || !is(*p_, C_IDSTART)) fail(line_, std::string(directive) + " needs a macro name");
    return directive_name();
}

void Lexer::directive() {
    const std::uint32_t line = line_;
    ++p_;
    const std::string_view name = directive_name();
    if (name.empty()) {
        if (skipping) return;
        fail(line, "stray '`'");
    }
    if (no_effect(name)) {
    } else if (rest_of_line_ignored(name)) {
        skip_line();
    } else if (name == "define") {
        define();
    } else if (name == "undef") {
        design_.macros.erase(std::string(macro_name("`undef")));
    } else if (name == "ifdef" || name == "ifndef") {
        const bool defined = design_.macros.count(std::string(macro_name(name == "ifdef" ? "`ifdef" : "`ifndef"))) != 0;
        conds_.push_back({defined == (name == "ifdef"), line});
        if (!conds_.back().taken) skip_inactive();
    } else if (name == "else" || name == "elsif") {
        if (conds_.size() <= cond_base_) fail(line, "`" + std::string(name) + " without `ifdef");
        if (name == "elsif") macro_name("`elsif");
        // The branch that ends here was the one taken.
        skip_inactive();
    } else if (name == "endif") {
        if (conds_.size() <= cond_base_) fail(line, "`endif without `ifdef");
        conds_.pop_back();
    } else if (name == "include") {
        include();
    } else {
        const auto it = design_.macros.find(std::string(name));
        if (it != design_.macros.end()) {
            expand(it->second, name);
        } else if (!skipping) {
            fail(line, "unknown compiler directive or undefined macro '`" + std::string(name) + "'");
        }
    }
}

// Skips the text of a branch not taken, up to the branch that is taken
// (`elsif of a defined name or `else, when no branch was taken yet) or
// the closing `endif.  Conditionals inside nest; comments and strings
// hide directives.
void Lexer::skip_inactive() {
    int depth = 0;
    for (;;) {
        if (p_ >= end_) {
            if (!is_file_ && pop()) continue;
            fail(conds_.back().line, "`ifdef without `endif");
        }
        const char c = *p_;
        if (c == '\n') {
            ++line_;
            ++p_;
        } else if (c == '/' && p_ + 1 < end_ && p_[1] == '/') {
            skip_line();
        } else if (c == '/' && p_ + 1 < end_ && p_[1] == '*') {
            skip_block_comment();
        } else if (c == '"') {
            for (++p_; p_ < end_ && *p_ != '"' && *p_ != '\n'; ++p_)
                if (*p_ == '\\' && p_ + 1 < end_ && p_[1] != '\n') ++p_;
            if (p_ < end_ && *p_ == '"') ++p_;
        } else if (c == '\\') {
            while (p_ < end_ && !is(*p_, C_SPACE)) ++p_;
        } else if (c != '`') {
            ++p_;
        } else {
            ++p_;
            const std::string_view name = directive_name();
            Cond& cond = conds_.back();
            if (name == "ifdef" || name == "ifndef") {
                ++depth;
            } else if (name == "endif") {
                if (depth == 0) {
                    conds_.pop_back();
                    return;
                }
                --depth;
            } else if (depth == 0 && name == "else") {
                if (!cond.taken) {
                    cond.taken = true;
                    return;
                }
            } else if (depth == 0 && name == "elsif") {
                const bool defined = design_.macros.count(std::string(macro_name("`elsif"))) != 0;
                if (!cond.taken && defined) {
                    cond.taken = true;
                    return;
                }
            }
        }
    }
}

// `define NAME text, or `define NAME(a, b) text: the text runs to the end
// of the line; a backslash at the end of a line continues it, and a
// one-line comment is not part of it.
void Lexer::define() {
    const std::string name(macro_name("`define"));
    Macro m;
    if (p_ < end_ && *p_ == '(') {
        m.function_like = true;
        ++p_;
        auto bad = [&]() { fail(line_, "bad argument list of macro '" + name + "'"); };
        skip_blanks();
        if (p_ < end_ && *p_ == ')') {
            ++p_;  // no arguments
        } else {
            for (;;) {
                skip_blanks();
                if (p_ >= end_ || !is(*p_, C_IDSTART)) bad();
                m.params.emplace_back(directive_name());
                skip_blanks();
                if (p_ < end_ && *p_ == '=')
                    fail(line_, "default arguments of macro '" + name + "' are not supported");
                if (p_ < end_ && *p_ == ',') {
                    ++p_;
                    continue;
                }
                if (p_ < end_ && *p_ == ')') {
                    ++p_;
                    break;
                }
                bad();
            }
        }
    }
    std::string text;
    while (p_ < end_ && *p_ != '\n') {
        const char c = *p_;
        if (c == '\\' && p_ + 1 < end_ && (p_[1] == '\n' || (p_[1] == '\r' && p_ + 2 < end_ && p_[2] == '\n'))) {
            p_ += p_[1] == '\r' ? 3 : 2;
            ++line_;
            text += ' ';
        } else if (c == '/' && p_ + 1 < end_ && p_[1] == '/') {
            skip_line();
        } else if (c == '/' && p_ + 1 < end_ && p_[1] == '*') {
            skip_block_comment();
            text += ' ';
        } else if (c == '"') {
            const char* s = p_++;
            while (p_ < end_ && *p_ != '"' && *p_ != '\n') p_ += (*p_ == '\\' && p_ + 1 < end_) ? 2 : 1;
            if (p_ < end_ && *p_ == '"') ++p_;
            text.append(s, p_);
        } else {
            text += c;
            ++p_;
        }
    }
    m.text = std::make_shared<const std::string>(trim(text));
    design_.macros[name] = std::move(m);
}

// Reads the macro's text as the next source: after the "(...)" of its
// arguments, with each argument in place of its name.
void Lexer::expand(const Macro& m, std::string_view name) {
    std::shared_ptr<const std::string> text = m.text;
    if (m.function_like) text = std::make_shared<const std::string>(macro_arguments(m, name));
    texts_.push_back(text);
    push(text->data(), text->size(), file_, false);
}

std::string Lexer::macro_arguments(const Macro& m, std::string_view name) {
    const std::uint32_t line = line_;
    const std::string what = "macro '`" + std::string(name) + "'";
    while (p_ < end_ && is(*p_, C_SPACE)) {
        if (*p_ == '\n') ++line_;
        ++p_;
    }
    if (p_ >= end_ || *p_ != '(') fail(line, what + " needs its arguments");
    ++p_;
    std::vector<std::string> args(1);
    for (int depth = 0;;) {
        if (p_ >= end_) fail(line, "unterminated arguments of " + what);
        const char c = *p_;
        if (c == '"') {
            const char* s = p_++;
            while (p_ < end_ && *p_ != '"' && *p_ != '\n') p_ += (*p_ == '\\' && p_ + 1 < end_) ? 2 : 1;
            if (p_ < end_ && *p_ == '"') ++p_;
            args.back().append(s, p_);
            continue;
        }
        if (c == '(' || c == '[' || c == '{') {
            ++depth;
        } else if (c == ')' || c == ']' || c == '}') {
            if (depth == 0 && c == ')') {
                ++p_;
                break;
            }
            --depth;
        } else if (c == ',' && depth == 0) {
            args.emplace_back();
            ++p_;
            continue;
        } else if (c == '\n') {
            ++line_;
        }
        args.back() += c;
        ++p_;
    }
    if (m.params.empty() && args.size() == 1 && trim(args[0]).empty()) args.clear();
    if (args.size() != m.params.size()) {
        fail(line, what + " takes " + std::to_string(m.params.size()) + " arguments, not " +
                       std::to_string(args.size()));
    }
    const std::string& t = *m.text;
    std::string out;
    for (std::size_t i = 0; i < t.size();) {
        const char c = t[i];
        std::size_t j = i + 1;
        if (c == '"') {
            while (j < t.size() && t[j] != '"') j += t[j] == '\\' ? 2 : 1;
            j = std::min(j + 1, t.size());
        } else if (c == '\\') {
            while (j < t.size() && !is(t[j], C_SPACE)) ++j;
        } else if (is(c, C_IDCHAR)) {
            while (j < t.size() && is(t[j], C_IDCHAR)) ++j;
            if (is(c, C_IDSTART)) {
                const std::string_view word(t.data() + i, j - i);
                std::size_t k = 0;
                while (k < m.params.size() && m.params[k] != word) ++k;
                if (k < m.params.size()) {
                    out += trim(args[k]);
                    i = j;
                    continue;
                }
            }
        } else if (c == '`' && j < t.size() && t[j] == '`') {
            i = j + 1;  // `` joins the texts on either side
            continue;
        }
        out.append(t, i, j - i);
        i = j;
    }
    return out;
}

// `include "file": found beside the including file, then in the include
// directories in order.
void Lexer::include() {
    const std::uint32_t line = line_;
    skip_blanks();
    const char close = p_ < end_ && *p_ == '"' ? '"' : p_ < end_ && *p_ == '<' ? '>' : 0;
    if (!close) fail(line, "`include needs a file name in quotes");
    const char* s = ++p_;
    while (p_ < end_ && *p_ != close && *p_ != '\n') ++p_;
    if (p_ >= end_ || *p_ != close || p_ == s) fail(line, "`include needs a file name in quotes");
    const std::string name(s, p_);
    ++p_;
    std::vector<std::string> places;
    if (name.front() == '/') {
        places.push_back(name);
    } else {
        const std::size_t slash = file_.rfind('/');
        places.push_back(slash == std::string::npos ? name : file_.substr(0, slash + 1) + name);
        for (const std::string& dir : design_.include_dirs)
            places.push_back(dir.empty() || dir.back() == '/' ? dir + name : dir + "/" + name);
    }
    for (const std::string& path : places) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) continue;
        auto text = std::make_shared<std::string>();
        std::string why;
        if (!load_file(path, *text, why)) fail(line, "include file '" + path + "': " + why);
        texts_.push_back(text);
        push(text->data(), text->size(), path, true);
        return;
    }
    std::string looked;
    for (const std::string& path : places) looked += (looked.empty() ? "" : ", ") + path;
    fail(line, "cannot find include file '" + name + "' (looked for " + looked + ")");
}

// ---------------------------------------------------------------- tokens

// Length of the operator at p_: two or three characters for the
// operators of constant expressions ("**", "<<", "==" ...), else one.
std::size_t Lexer::operator_length() const {
    if (p_ + 1 >= end_) return 1;
    const char c = p_[0], d = p_[1];
    const bool third = p_ + 2 < end_;
    switch (c) {
        case '*': return d == '*' ? 2 : 1;
        case '&': return d == '&' ? 2 : 1;
        case '|': return d == '|' ? 2 : 1;
        case '<':
        case '>':
            if (d == '=') return 2;
            if (d != c) return 1;
            return third && p_[2] == c ? 3 : 2;
        case '=':
        case '!':
            if (d != '=') return 1;
            return third && p_[2] == '=' ? 3 : 2;
        default: return 1;
    }
}

void Lexer::next_token(Token& t) {
    for (;;) {
        {
            // In locals: the loop then keeps them in registers.
            const char* p = p_;
            std::uint32_t line = line_;
            for (; p < end_ && is(*p, C_SPACE); ++p) line += *p == '\n';
            p_ = p;
            line_ = line;
        }
        t.line = line_;
        if (p_ >= end_) {
            if (pop()) continue;
            t.kind = Tok::End;
            t.text = {};
            return;
        }
        const char c = *p_;
        if (c == '/' && p_ + 1 < end_ && p_[1] == '/') {
            skip_line();
            continue;
        }
        if (c == '/' && p_ + 1 < end_ && p_[1] == '*') {
            skip_block_comment();
            continue;
        }
        if (c == '`') {
            directive();
            continue;
        }
        if (c == '(' && !skipping && p_ + 2 < end_ && p_[1] == '*' && p_[2] != ')') {
            skip_attribute();
            continue;
        }
        if (is(c, C_IDSTART)) {
            if (!ahead_ || end_ - p_ <= kPrefetchLead || p_ + kPrefetchLead > ahead_) {
                prefetch_names();
                if (file_text && outer_.empty()) file_text->read_up_to(p_);
            }
            const char* s = p_;
            p_ = skip_idchars(s + 1, end_);
            t.text = std::string_view(s, p_ - s);
            t.id = intern_name(s, t.text.size());
            t.kind = t.id < kNumKeywords ? Tok::Keyword : Tok::Ident;
            return;
        }
        if (c == '\\') {
            // Escaped identifier: up to the next white space, stored
            // without the backslash.
            const char* s = ++p_;
            while (p_ < end_ && !is(*p_, C_SPACE)) ++p_;
            if (p_ == s) fail(line_, "empty escaped identifier");
            t.text = std::string_view(s, p_ - s);
            t.id = intern_name(s, t.text.size());
            t.kind = Tok::Ident;
            return;
        }
        if (is(c, C_DIGIT)) {
            const char* s = p_;
            std::uint64_t v = 0;
            bool over = false;
            for (; p_ < end_ && (is(*p_, C_DIGIT) || *p_ == '_'); ++p_) {
                if (*p_ == '_') continue;
                const unsigned d = static_cast<unsigned>(*p_ - '0');
                if (v > (UINT64_MAX - d) / 10) over = true;
                v = v * 10 + d;
            }
            t.kind = Tok::Number;
            t.value = v;
            t.overflow = over;
            t.text = std::string_view(s, p_ - s);
            return;
        }
        if (c == '\'') {
            const char* q = p_ + 1;
            if (q < end_ && (*q == 's' || *q == 'S')) ++q;
            if (q < end_ && std::strchr("bBoOdDhH", *q) && *q) {
                t.base = static_cast<char>(*q | 0x20);
                p_ = q + 1;
                while (p_ < end_ && is(*p_, C_SPACE)) {
                    if (*p_ == '\n') ++line_;
                    ++p_;
                }
                const char* s = p_;
                while (p_ < end_ && is(*p_, C_BASEDIGIT)) ++p_;
                t.kind = Tok::Based;
                t.text = std::string_view(s, p_ - s);
                return;
            }
        }
        if (c == '"') {
            const std::uint32_t start = line_;
            const char* s = ++p_;
            skip_string_body(start);
            t.kind = Tok::String;
            t.text = std::string_view(s, p_ - s);
            ++p_;
            return;
        }
        t.kind = Tok::Punct;
        t.punct = c;
        t.text = std::string_view(p_, is(c, C_OPSTART) ? operator_length() : 1);
        p_ += t.text.size();
        return;
    }
}

}  // namespace vlog

