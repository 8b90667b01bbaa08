// A parse of a side file (a path file, an instance file) run while the
// tree of a DFT file is being mapped.
#pragma once

#include <array>
#include <cstdio>
#include <string>

#include "scanlang/front/ast.h"
#include "scanlang/front/parser.h"
#include "scanlang/front/scanner.h"

// For its lifetime, the parser's roots are taken out of its hands (so the
// nested parse neither keeps nor frees the trees being mapped) and the
// comment table is a fresh one (the side file's comments are not the DFT
// file's).  At its end the side file's trees are freed, except a path
// tree, which the parser keeps like any other; the roots, the scanner's
// input, file name and line, the comment table and the parse flags are
// put back.  Read the side file's tree before the end of the scope.
class NestedParse {
public:
    enum Kind { PATH_FILE, INSTANCE_FILE };

    explicit NestedParse(Kind kind)
        : file_(in_file_name), in_(scan_yyin), line_(scan_yylineno), comments_(comment_tab),
          has_map_file_(has_map_file), lockup_flag_(sl_lockup_latch_flag) {
        for (std::size_t i = 0; i < kRoots.size(); ++i) {
            saved_[i] = *kRoots[i];
            *kRoots[i] = nullptr;
        }
        comment_tab = nullptr;
        if (kind == PATH_FILE) parse_path_fileG = 1;
        if (kind == INSTANCE_FILE) has_map_file = 1;
        sl_lockup_latch_flag = 0;
    }
    ~NestedParse() {
        scan_free_comment_tab();
        comment_tab = comments_;
        parse_path_fileG = 0;
        has_map_file = has_map_file_;
        sl_lockup_latch_flag = lockup_flag_;
        for (std::size_t i = 0; i < kRoots.size(); ++i) {
            if (*kRoots[i]) SCAN_FREE_AST(*kRoots[i]);
            *kRoots[i] = saved_[i];
        }
        in_file_name = file_;
        scan_yyin = in_;
        scan_yylineno = line_;
    }
    NestedParse(const NestedParse&) = delete;
    NestedParse& operator=(const NestedParse&) = delete;

private:
    static inline const std::array<ScanAstNode**, 5> kRoots = {&theAST, &thedftAST, &themapAST, &thepsoAST,
                                                                &thelockupAST};
    std::array<ScanAstNode*, 5> saved_{};
    std::string file_;
    FILE* in_;
    int line_;
    ScanCommentRecord* comments_;
    int has_map_file_;
    int lockup_flag_;
};
