// Checking and merging of the %LEGAL_INPUTS / %ILLEGAL_INPUTS statements
// of an ATPG constraint.  A pattern holds one character per port, in port
// order.  Illegal statements become the legal statement of their
// complement; legal statements that share a port are merged into one
// statement over the union of their ports, so that test generation gets
// one legal pattern set per independent group of ports.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "scanlang/front/list_records.h"

using LegalList = std::vector<TwoIdentListRecord>;

// Widest illegal statement whose complement is enumerated: its 2^n
// values are counted in a 32-bit signed count.  The complement must also
// stay within kMaxLegalInputPatterns, so a statement over more than 20
// ports is taken only when at most that many of its values are unlisted.
inline constexpr int kMaxIllegalInputPorts = 30;

// Most patterns one statement may hold: the complement of an illegal
// statement, or a combined statement.  Combining two statements that share
// ports pairs every pattern of one with every pattern of the other that
// agrees at the shared ports, so the result can grow as the product of the
// two; a merge that makes 2^20 patterns peaks near 240 MB.
inline constexpr std::size_t kMaxLegalInputPatterns = std::size_t{1} << 20;

// The last combined-entry list built by `combine_relative_legal_inputs`.
extern std::vector<DoubleTwoIdentListRecord> COMBINE_LEGAL;

// Every pattern must have one character per port (error 22); in an
// illegal list no pattern may hold X, S or Z (error 23).
void check_mapping_num_port_pat(const LegalList& list, bool illegal);

// The n-character 0/1 text of `value`, bit 0 leftmost.
std::string get_new_pattern(unsigned long value, int n);

// Appends, for each illegal statement, the statement of all patterns it
// does not list to `legal` and empties `illegal`.  A statement over more
// than kMaxIllegalInputPorts ports, or whose complement holds more than
// kMaxLegalInputPatterns patterns, ends the run naming its line (before
// any pattern is made).
void transfer_illegal_to_legal(LegalList& illegal, LegalList& legal);

// The combination of two related statements, or none when no pattern
// survives (the group warning names the statements of `group`).  Its
// time is near linear in the size of the result: the patterns of `b` are
// looked up by their values at the shared ports, and each pattern of `a`
// and of `b` is taken once (by hashing), so each result pattern is made
// once.  A shared port at which patterns that agree at
// the first shared port differ is warned about once.  More than
// kMaxLegalInputPatterns result patterns end the run, naming the file and
// the line of `b` (or the nearest statement that has a line).
std::optional<TwoIdentListRecord> combine_two_relative_legal(const TwoIdentListRecord& a,
                                                             const TwoIdentListRecord& b,
                                                             const std::vector<TwoIdentListRecord>& group);

// Merges combined entries that are related in turn, until none are.
std::vector<DoubleTwoIdentListRecord> integrate_relative_legal(std::vector<DoubleTwoIdentListRecord> entries);

// The merged legal list: the statements related to no other first, then
// the merged ones.
LegalList combine_relative_legal_inputs(const LegalList& list);
