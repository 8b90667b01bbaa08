/*
 * Reads one BSDL file with liburjtag's BSDL parser.
 *
 *   urjtag_bsdl_check [-dump] [-path DIRS] FILE
 *
 * Without -dump the file is only checked (syntax and the parser's own
 * semantic checks); with -dump the parser also prints the part commands
 * it derives from the file (instruction length, registers, boundary
 * cells).  DIRS is the search path for the STD_1149_1_* packages named by
 * the file's use clause.  Prints "OK" when the file was read without an
 * error, else the parser's messages, and exits with 1 on any error and
 * with 2 on a usage error.
 */
#include <stdio.h>
#include <string.h>

#include <urjtag/bsdl.h>
#include <urjtag/bsdl_mode.h>
#include <urjtag/chain.h>
#include <urjtag/error.h>
#include <urjtag/log.h>

#ifndef URJTAG_BSDL_PACKAGE_DIR
#define URJTAG_BSDL_PACKAGE_DIR "/usr/share/urjtag/bsdl"
#endif

static int usage(void)
{
    fprintf(stderr, "usage: urjtag_bsdl_check [-dump] [-path DIRS] FILE\n");
    return 2;
}

int main(int argc, char** argv)
{
    int dump = 0;
    const char* path = URJTAG_BSDL_PACKAGE_DIR;
    const char* file = NULL;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "-dump") == 0)
            dump = 1;
        else if (strcmp(argv[i], "-path") == 0 && i + 1 < argc)
            path = argv[++i];
        else if (argv[i][0] == '-' || file != NULL)
            return usage();
        else
            file = argv[i];
    }
    if (file == NULL)
        return usage();

    /* The parser reports through the library log: let notes through in
       dump mode, where the derived commands are printed at that level. */
    urj_log_state.level = dump ? URJ_LOG_LEVEL_NORMAL : URJ_LOG_LEVEL_WARNING;

    urj_chain_t* chain = urj_tap_chain_alloc();
    if (chain == NULL) {
        fprintf(stderr, "cannot allocate a JTAG chain\n");
        return 1;
    }
    urj_bsdl_set_path(chain, path);
    int mode = dump ? URJ_BSDL_MODE_DUMP : URJ_BSDL_MODE_TEST;
    int result = urj_bsdl_read_file(chain, file, mode, NULL);
    /* The result alone tells failure: in dump mode the library leaves an
       error behind for the part it has no chain to apply to. */
    int failed = result < 0;
    if (failed && urj_error_get() != URJ_ERROR_OK)
        fprintf(stderr, "%s\n", urj_error_describe());
    urj_error_reset();
    urj_tap_chain_free(chain);
    fflush(stdout);
    if (failed) {
        printf("FAILED: %s\n", file);
        return 1;
    }
    printf("OK\n");
    return 0;
}
