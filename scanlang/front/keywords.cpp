// The keyword table of the scan language and its length-bucketed hash.
#include "scanlang/front/keywords.h"

#include <array>
#include <cstring>
#include <vector>

#include "scanlang/front/tokens.h"

const KeywordRow keyword_data[SCAN_KEYWORD_COUNT + 1] = {
#define SCAN_KEYWORD(name, text) {text, TK_##name},
#include "scanlang/front/scan_tokens.def"
    {nullptr, -1},
};

namespace {

const char* const kTokenAliases[SCAN_LAST_TOKEN - SCAN_FIRST_TOKEN + 1] = {
#define SCAN_TOKEN(name, number, alias) alias,
#include "scanlang/front/scan_tokens.def"
};

constexpr int kTokenNumbers[] = {
#define SCAN_TOKEN(name, number, alias) number,
#include "scanlang/front/scan_tokens.def"
};
constexpr bool numbered_in_order() {
    int i = 0;
    for (int number : kTokenNumbers)
        if (number != SCAN_FIRST_TOKEN + i++) return false;
    return i == SCAN_LAST_TOKEN - SCAN_FIRST_TOKEN + 1;
}
static_assert(numbered_in_order(), "scan_tokens.def lists every token number once, in order");

// One chain per text length; entries point into keyword_data.
std::array<std::vector<const KeywordRow*>, SCAN_KEYWORD_MAX_LENGTH + 1> k_hash;
bool k_hash_built = false;

}  // namespace

const char* scan_token_alias(int token) {
    if (token == TK_END_OF_INPUT) return "end of input";
    if (token < SCAN_FIRST_TOKEN || token > SCAN_LAST_TOKEN) return nullptr;
    return kTokenAliases[token - SCAN_FIRST_TOKEN];
}

void make_keyword_hash() {
    for (auto& chain : k_hash) chain.clear();
    for (const KeywordRow* row = keyword_data; row->text; ++row) {
        size_t n = std::strlen(row->text);
        if (n <= SCAN_KEYWORD_MAX_LENGTH) k_hash[n].push_back(row);
    }
    k_hash_built = true;
}

int keyword_lookup(std::string_view word) {
    if (word.size() > SCAN_KEYWORD_MAX_LENGTH) return -1;
    if (!k_hash_built) make_keyword_hash();
    for (const KeywordRow* row : k_hash[word.size()])
        if (std::memcmp(row->text, word.data(), word.size()) == 0) return row->token;
    return -1;
}

void SCAN_KEY_reset_globals() {
    for (auto& chain : k_hash) {
        chain.clear();
        chain.shrink_to_fit();
    }
    k_hash_built = false;
}
