// Test driver: parses one scan-language file as the given kind and prints
// its syntax tree on standard output.
//
//   scan_parse_driver dft|map|path|pso|lockup <file>
//
// "path" and "lockup" set the flags under which the object model parses
// path and lockup-latch files.  An empty file prints its bare root.
// Messages go to standard error; the exit status is the parse run's.
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/exit.h"
#include "scanlang/front/front.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: scan_parse_driver dft|map|path|pso|lockup <file>\n");
        return 2;
    }
    const std::string kind = argv[1];
    ScanAstNode** root = kind == "dft"      ? &thedftAST
                         : kind == "map"    ? &themapAST
                         : kind == "path"   ? &thepathAST
                         : kind == "pso"    ? &thepsoAST
                         : kind == "lockup" ? &thelockupAST
                                            : nullptr;
    if (!root) {
        std::fprintf(stderr, "scan_parse_driver: unknown file kind '%s'\n", argv[1]);
        return 2;
    }
    scan_lang_Option_type = 2;
    make_keyword_hash();
    in_file_name = dft_file_name = argv[2];
    FILE* in = std::fopen(argv[2], "r");
    if (!in) error_handler(nullptr, 0, SCAN_ERR_OPEN_INPUT, argv[2], nullptr);
    initial_parser();
    scan_new_comment_tab();
    parse_path_fileG = kind == "path";
    sl_lockup_latch_flag = kind == "lockup";
    scan_yyin = in;
    scan_yyparse();
    std::fclose(in);
    scan_yyin = nullptr;
    SCAN_PRINT_AST(*root ? *root : theAST, 0);
    SCAN_FRONT_reset_globals();
    qdx_exit(0);
}
