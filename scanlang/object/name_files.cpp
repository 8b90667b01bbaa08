#include "scanlang/object/name_files.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "scanlang/front/diagnostics.h"
#include "scanlang/front/nodes.h"

int sl_dont_fault_num = 0;
int sl_must_fault_num = 0;

namespace {

std::optional<std::string> read_whole(const std::string& file) {
    std::unique_ptr<FILE, int (*)(FILE*)> in(scan_open_input(file), &std::fclose);
    if (!in) return std::nullopt;
    std::string text;
    char block[65536];
    for (size_t got; (got = std::fread(block, 1, sizeof block, in.get())) > 0;) text.append(block, got);
    return text;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Words separated by blanks (and, with `punctuation`, by "," and ";").
std::vector<std::string> words_of(const std::string& text, bool punctuation) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (is_blank(c) || (punctuation && (c == ',' || c == ';'))) {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

void convert_fault_file(const std::string& file, ScanAstNode* node, int kind, int& count_before) {
    std::optional<std::string> text = read_whole(file);
    if (!text) {
        std::fprintf(stderr, "WARNING : Can not open input file - '%s'.\n", file.c_str());
        has_error = 1;
        return;
    }
    const std::vector<std::string> names = words_of(*text, true);
    if (names.empty()) {
        std::fprintf(stderr, "WARNING : '%s' file is empty file.\n", file.c_str());
        has_error = 1;
        return;
    }
    ScanAstNode* list = SCAN_FIND_AST(node->child, kind);
    if (list) {
        count_before = SCAN_CHILD_COUNT(list);
    } else {
        list = SCAN_MAKE_AST(kind);
        SCAN_APPEND_CHILD(node, list);
        count_before = 0;
    }
    ScanAstNode* last = list->child;
    while (last && last->sibling) last = last->sibling;
    for (const std::string& name : names)
        last = FAST_SCAN_APPEND_CHILD(list, last, SCAN_PUT_ATTRIBUTE(SCAN_MAKE_AST(IDENT_NODE), name.c_str()));
}

}  // namespace

void sl_convert_file_dont_fault(const std::string& file, ScanAstNode* node) {
    convert_fault_file(file, node, DONT_FAULT_NODE, sl_dont_fault_num);
}

void sl_convert_file_must_fault(const std::string& file, ScanAstNode* node) {
    convert_fault_file(file, node, MUST_FAULT_NODE, sl_must_fault_num);
}

TextList GET_FILE_INSTANCES(const std::string& file) {
    std::optional<std::string> text = read_whole(file);
    if (!text) error_handler(file.c_str(), 0, SCAN_ERR_OPEN_INPUT, file.c_str(), nullptr);
    const std::vector<std::string> words = words_of(*text, false);
    if (words.empty()) {
        error_handler(file.c_str(), 0, 3, file.c_str(), nullptr);
        return {};
    }
    auto ends_in_separator = [](const std::string& w) { return w.back() == ',' || w.back() == ';'; };
    const std::string& first = words.front();
    const bool header = first.size() > 4 && first.compare(first.size() - 5, 5, "_SCAN") == 0;
    TextList names;
    for (std::size_t i = header ? 1 : 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (header && !ends_in_separator(w)) continue;
        std::string name = ends_in_separator(w) ? w.substr(0, w.size() - 1) : w;
        if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
}
