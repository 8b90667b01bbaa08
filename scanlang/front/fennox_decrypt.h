// Decoding of the digit-coded compression groups of a DFT file
// (%CIPHERTEXT).  Every character is carried by four decimal digits: the
// first digit exclusive-or'ed with the number formed by the other three.
// A string that starts with "0" or "1" is an item whose leading 0/1
// characters are its flags; any other string is a group header whose
// first four digits say whether the group is an in- or an out-group.
#pragma once

#include <string>
#include <vector>

struct FennoxGroupItem {
    std::string text;
    // Of an in-group item written in the DFT file: its second and third
    // entries (each with the name it is written under, when it has one)
    // and the register name of the item.
    std::string text2_head;
    std::string text2;
    std::string text3_head;
    std::string text3;
    std::string q_name;
    // One per flag character of the coded item: "pass" for 0, "xor" for 1;
    // of an out-group item written in the DFT file, its flag names.
    std::vector<std::string> flags;
    int reg_index = -1;
};

struct FennoxGroup {
    std::string name;
    std::vector<FennoxGroupItem> items;
};

// The character of one four-digit group.  `group` must hold four digits
// whose code lies in 0 .. 255; anything else ends the run naming `file`
// and `line`.
std::string fennox_xor(const std::string& group, const std::string& file = "", int line = 0);

// Decodes `digits` four at a time; trailing digits beyond the last full
// group are ignored.
std::string fennox_decrypt(const std::string& digits, const std::string& file = "", int line = 0);

// Fills `in_groups` and `out_groups` from the coded strings, in order;
// `lines` holds the source line of each string.  Nothing is done when
// either array already holds groups (the plain statements gave them).  An
// item before any group of its kind, a header shorter than four
// characters, a non-digit or a character code above 255 ends the run with
// a message naming `file` and the string's line.
void sl_decrypt(const std::vector<std::string>& ciphertext, const std::vector<int>& lines,
                std::vector<FennoxGroup>& in_groups, std::vector<FennoxGroup>& out_groups, const std::string& file);
