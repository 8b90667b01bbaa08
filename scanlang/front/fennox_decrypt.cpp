// Decoding the digit-coded compression groups of a DFT file.
#include "scanlang/front/fennox_decrypt.h"

#include "scanlang/front/diagnostics.h"

namespace {

constexpr std::size_t kDigitsPerChar = 4;
constexpr int kMaxCharCode = 255;

// Where a coded string stands: its file and line, which every refusal names.
struct Where {
    const std::string& file;
    int line;
};

[[noreturn]] void bad_cipher(Where at, const std::string& text, const char* why) {
    scan_fatal_message("ERROR : '" + at.file + "', line-" + std::to_string(at.line) + ", %CIPHERTEXT string '" +
                       text + "': " + why + ".\n");
}

bool in_range(int h, int lo, int hi) { return h >= lo && h <= hi; }

bool is_in_header(int h) {
    return in_range(h, 2200, 3000) || in_range(h, 3200, 4000) || in_range(h, 4200, 5000);
}

bool is_out_header(int h) {
    return in_range(h, 5200, 6000) || in_range(h, 6200, 7000) || in_range(h, 7200, 8000);
}

int four_digit_value(const std::string& s) {
    int v = 0;
    for (std::size_t i = 0; i < kDigitsPerChar; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

void check_digits(const std::string& s, Where at) {
    for (char c : s)
        if (c < '0' || c > '9') bad_cipher(at, s, "not a digit string");
}

// One character from digits[at .. at+3]; errors name `whole`.
char decode_char(const std::string& digits, std::size_t at, Where where, const std::string& whole) {
    int first = digits[at] - '0';
    int rest = (digits[at + 1] - '0') * 100 + (digits[at + 2] - '0') * 10 + (digits[at + 3] - '0');
    int code = first ^ rest;
    if (code > kMaxCharCode) bad_cipher(where, whole, "character code out of range");
    return static_cast<char>(static_cast<unsigned char>(code));
}

std::string decode(const std::string& digits, Where at, const std::string& whole) {
    std::string out;
    std::size_t n = digits.size() / kDigitsPerChar;
    out.reserve(n);
    for (std::size_t k = 0; k < n; ++k) out += decode_char(digits, k * kDigitsPerChar, at, whole);
    return out;
}

}  // namespace

std::string fennox_xor(const std::string& group, const std::string& file, int line) {
    const Where at{file, line};
    if (group.size() < kDigitsPerChar) bad_cipher(at, group, "a character needs four digits");
    check_digits(group.substr(0, kDigitsPerChar), at);
    return std::string(1, decode_char(group, 0, at, group));
}

std::string fennox_decrypt(const std::string& digits, const std::string& file, int line) {
    const Where at{file, line};
    check_digits(digits, at);
    return decode(digits, at, digits);
}

void sl_decrypt(const std::vector<std::string>& ciphertext, const std::vector<int>& lines,
                std::vector<FennoxGroup>& in_groups, std::vector<FennoxGroup>& out_groups, const std::string& file) {
    if (!in_groups.empty() || !out_groups.empty()) return;
    // Items go to the last group of the current kind; an unknown header
    // opens nothing but switches to the out-groups.
    bool kind_in = false;
    bool opened_in = false, opened_out = false;
    for (std::size_t k = 0; k < ciphertext.size(); ++k) {
        const std::string& s = ciphertext[k];
        const Where at{file, k < lines.size() ? lines[k] : 0};
        check_digits(s, at);
        std::size_t p = 0;
        while (p < s.size() && (s[p] == '0' || s[p] == '1')) ++p;
        if (p == 0) {
            if (s.size() < kDigitsPerChar) bad_cipher(at, s, "a group header needs four digits");
            int h = four_digit_value(s);
            std::string name = decode(s.substr(kDigitsPerChar), at, s);
            if (is_in_header(h)) {
                kind_in = true;
                in_groups.push_back(FennoxGroup{std::move(name), {}});
                opened_in = true;
            } else if (is_out_header(h)) {
                kind_in = false;
                out_groups.push_back(FennoxGroup{std::move(name), {}});
                opened_out = true;
            } else {
                kind_in = false;
            }
            continue;
        }
        if (kind_in ? !opened_in : !opened_out) bad_cipher(at, s, "an item before any group");
        FennoxGroup& g = kind_in ? in_groups.back() : out_groups.back();
        FennoxGroupItem item;
        for (std::size_t i = 0; i < p; ++i) item.flags.emplace_back(s[i] == '0' ? "pass" : "xor");
        item.text = decode(s.substr(p), at, s);
        g.items.push_back(std::move(item));
    }
}
