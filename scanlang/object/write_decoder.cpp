// The DFT file writer's %SCAN_DECODER section.
#include <cstdio>
#include <optional>
#include <string>

#include "scanlang/front/scanner.h"
#include "scanlang/front/tokens.h"
#include "scanlang/object/dft_object.h"
#include "scanlang/object/write_dft.h"
#include "scanlang/object/write_sections.h"

namespace {

// The %PAD_NAME, %PAD_OUT and %POLARITY lines of a block-form port;
// `comments` re-emits each statement's comments from the window a..b.
void print_pad_lines(FILE* out, const std::string& pad_name, const std::string& pad_out,
                     const std::string& polarity, bool comments, int a, int b) {
    print_dft_value_lines(out,
                          {{TK_PAD_NAME, "          %%PAD_NAME  = %s ;\n", pad_name},
                           {TK_PAD_OUT, "          %%PAD_OUT   = %s ;\n", pad_out},
                           {TK_POLARITY, "          %%POLARITY  = %s ;\n", polarity}},
                          10, a, b, comments);
}

// One control port: the one-line form with its port name, or the block
// form with every field set.  The form is the one the port was read in,
// kept with the record, so no field of a block is dropped.
void print_control_port(FILE* out, const std::optional<ControlPortRecord>& port, int token, const char* keyword,
                        const char* one_line, int block_form, int kw, int end) {
    if (!port) return;
    print_dft_comment(token, out, 5, kw, end, 0, 0);
    if (!block_form) {
        std::fprintf(out, one_line, port->port_name.c_str());
        return;
    }
    const int a = port->keyword_line, b = port->line;
    std::fprintf(out, "     %s\n", keyword);
    print_dft_comment(TK_LBRACE, out, 8, a, b, b, token);
    std::fputs("        {\n", out);
    if (!port->port_name.empty()) {
        print_dft_comment(TK_PORT_NAME, out, 10, a, b, 0, 0);
        std::fprintf(out, "          %%PORT_NAME = %s ;\n", port->port_name.c_str());
    }
    print_pad_lines(out, port->pad_name, port->pad_out, port->polarity, true, a, b);
    print_dft_comment(TK_RBRACE, out, 8, a, b, b, token);
    std::fputs("        }\n", out);
}

void print_decoder_out(FILE* out, const std::optional<DecoderOutRecord>& r, int token, const char* keyword, int kw,
                       int end) {
    if (!r) return;
    const int a = r->keyword_line, b = r->line;
    print_dft_comment(token, out, 5, kw, end, 0, 0);
    std::fprintf(out, "     %s\n", keyword);
    print_dft_comment(TK_LBRACE, out, 8, a, b, b, token);
    std::fputs("        {\n", out);
    if (!r->instance_name.empty()) {
        print_dft_comment(TK_INSTANCE_NAME, out, 10, a, b, 0, 0);
        std::fprintf(out, "          %%INSTANCE_NAME = %s ;\n", r->instance_name.c_str());
    }
    if (!r->pin_name.empty()) {
        print_dft_comment(TK_PIN_NAME, out, 10, a, b, 0, 0);
        std::fprintf(out, "          %%PIN_NAME = %s ;\n", r->pin_name.c_str());
    }
    print_dft_comment(TK_RBRACE, out, 8, a, b, b, token);
    std::fputs("        }\n", out);
}

}  // namespace

void write_scan_decoder(FILE* out, const DftObject& object, int flag) {
    if (!object.scan_decoder) return;
    const ScanDecoderRecord& d = *object.scan_decoder;
    const int kw = d.keyword_line, end = d.line;
    print_dft_comment(TK_SCAN_DECODER, out, 2, kw, end, 0, 0);
    if (flag) std::fprintf(out, "%s\n", kBannerScanDecoder);
    std::fputs("  %SCAN_DECODER\n", out);
    print_dft_comment(TK_LBRACE, out, 5, kw, end, control_port_1_top_line, TK_SCAN_DECODER);
    std::fputs("     {\n", out);
    const struct {
        const char* format;
        const std::string& value;
    } names[] = {{"     %%DECODER_NAME = %s ;\n", d.decoder_name},
                 {"     %%DECODER_SCAN_MODE = %s ;\n", d.decoder_scan_mode},
                 {"     %%DECODER_SCAN_MODE_INV = %s ;\n", d.decoder_scan_mode_inv},
                 {"     %%DECODER_TEST_MODE = %s ;\n", d.decoder_test_mode},
                 {"     %%DECODER_TEST_MODE_INV = %s ;\n", d.decoder_test_mode_inv}};
    for (const auto& n : names)
        if (!n.value.empty()) std::fprintf(out, n.format, n.value.c_str());
    print_control_port(out, d.scan_mode, TK_SCAN_MODE, "%SCAN_MODE", "     %%SCAN_MODE = %s ;\n", d.scan_mode_form,
                       kw, end);
    print_control_port(out, d.test_mode, TK_TEST_MODE, "%TEST_MODE", "     %%TEST_MODE  = %s ;\n", d.test_mode_form,
                       kw, end);
    if (d.kr_mode) {
        const KrModeRecord& k = *d.kr_mode;
        std::fputs("     %KR_MODE\n        {\n", out);
        if (k.ports)
            for (const KrModePort& p : *k.ports)
                if (!p.port_name.empty())
                    std::fprintf(out, "          %%PORT_NAME %s = %d ;\n", p.port_name.c_str(), p.value);
        print_pad_lines(out, k.pad_name, k.pad_out, k.polarity, false, 0, 0);
        std::fputs("        }\n", out);
    }
    print_control_port(out, d.override_mode, TK_OVERRIDE_MODE, "%OVERRIDE_MODE", "     %%OVERRIDE_MODE = %s ;\n",
                       d.override_mode_form, kw, end);
    print_control_port(out, d.ram_write, TK_RAM_WRITE, "%RAM_WRITE", "     %%RAM_WRITE = %s ;\n", d.ram_write_form,
                       kw, end);
    print_decoder_out(out, d.scan_mode_out, TK_SCAN_MODE_OUT, "%SCAN_MODE_OUT", kw, end);
    print_decoder_out(out, d.scan_mode_inv_out, TK_SCAN_MODE_INV_OUT, "%SCAN_MODE_INV_OUT", kw, end);
    print_decoder_out(out, d.test_mode_out, TK_TEST_MODE_OUT, "%TEST_MODE_OUT", kw, end);
    print_decoder_out(out, d.test_mode_inv_out, TK_TEST_MODE_INV_OUT, "%TEST_MODE_INV_OUT", kw, end);
    print_decoder_out(out, d.override_mode_out, TK_OVERRIDE_MODE_OUT, "%OVERRIDE_MODE_OUT", kw, end);
    print_decoder_out(out, d.override_mode_inv_out, TK_OVERRIDE_MODE_INV_OUT, "%OVERRIDE_MODE_INV_OUT", kw, end);
    if (!d.scan_clk.empty()) {
        print_dft_comment(TK_SCAN_CLK, out, 5, kw, end, 0, 0);
        std::fprintf(out, "     %%SCAN_CLK  = %s ;\n", d.scan_clk.c_str());
    }
    if (!d.position.empty()) {
        print_dft_comment(TK_POSITION, out, 5, kw, end, 0, 0);
        std::fprintf(out, "     %%POSITION  = %s ;\n", d.position.c_str());
    }
    print_dft_comment(TK_RBRACE, out, 5, kw, end, end, TK_SCAN_DECODER);
    std::fputs("     }\n", out);
}
