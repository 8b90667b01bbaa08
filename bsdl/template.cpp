// BSDL template files: the reader of a user's template.  Not part of this
// version yet: reading a template ends the run with the plain message.
#include "bsdl/template.h"

#include "bsdl/bsdl.h"

const char* const BS_TPL_STR[TPL_BLOCK_COUNT] = {
    "Logical Port Description", "Package Pin Mapping", "Scan Port Identification",
    "Test Access Port Description", "Boundary Register Description",
};

int bs_tpl_check[TPL_BLOCK_COUNT] = {};

std::vector<TemplateBlock> read_template_file(std::FILE*, std::string&) {
    bsdl_not_available("reading the template file");
}
