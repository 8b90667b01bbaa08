// Token numbers of the scan language.
//
// The scanner hands the parser one token at a time: 0 at the end of the
// input, 257 to 683 otherwise.  The numbers come from scan_tokens.def; an
// enumerator is the token's name there with "TK_" in front (TK_IDENT,
// TK_SCAN_CLOCK for "%SCAN_CLOCK", TK_W_CLOCK for the bare word "CLOCK",
// TK_LBRACE for "{").
#pragma once

enum ScanToken : int {
    TK_END_OF_INPUT = 0,
#define SCAN_TOKEN(name, number, alias) TK_##name = number,
#include "scanlang/front/scan_tokens.def"
};

inline constexpr int SCAN_FIRST_TOKEN = 257;
inline constexpr int SCAN_LAST_TOKEN = 683;

// How the grammar writes a token ("%SCAN_CLOCK", "{", "identifier");
// "end of input" for 0, an empty text for a number without a token and
// null outside 0 and 257 .. 683.
const char* scan_token_alias(int token);
