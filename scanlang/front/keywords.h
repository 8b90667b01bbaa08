// The reserved words of the scan language and their look-up.
//
// `keyword_data` holds the 397 words with their tokens (from
// scan_tokens.def) and ends with a row {null, -1}.  The look-up hashes by
// length: one chain per text length 0 .. 64, in table order, so a word of
// a length that no keyword has costs one array read.  Words are compared
// byte for byte (case matters: "%scan_clock" is an identifier).
#pragma once

#include <string_view>

struct KeywordRow {
    const char* text;
    int token;
};
inline constexpr int SCAN_KEYWORD_COUNT = 397;
extern const KeywordRow keyword_data[SCAN_KEYWORD_COUNT + 1];

// Longest text that has a chain; longer words are never keywords.
inline constexpr int SCAN_KEYWORD_MAX_LENGTH = 64;

// Rebuilds the length chains from keyword_data (the previous chains are
// emptied first, nothing is kept from them).
void make_keyword_hash();
// The token of the word, or -1.  Builds the chains on first use.
int keyword_lookup(std::string_view word);
inline int keyword_lookup(const char* word) { return word ? keyword_lookup(std::string_view(word)) : -1; }

// Drops the chains.
void SCAN_KEY_reset_globals();
