#include "scanlang/object/object_checks.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <strings.h>

#include "runtime/fnm.h"
#include "runtime/frame/frame.h"
#include "scanlang/front/diagnostics.h"
#include "scanlang/object/object_state.h"

namespace {

using CText = std::unique_ptr<char, decltype(&std::free)>;

CText owned(char* text) { return CText(text, &std::free); }

std::string part_of(const std::string& name, const char* letters) {
    CText part = owned(FNM_break(name.c_str(), letters));
    return part ? std::string(part.get()) : std::string();
}

bool readable(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> f(scan_open_input(path), &std::fclose);
    return f != nullptr;
}

// The signal keywords of a memory-BIST control entry, in MbistSignal order.
constexpr const char* kSignalKeywords[MBIST_SIGNAL_COUNT] = {
    "BISTMODE",       "BISTFAIL",        "ERRMAP",       "BIST_RESULT_EN",   "BIST_RESULT_IN",
    "BIST_RESULT_OUT", "FINISH",         "UTI_SCAN_IN",  "UTI_SCAN_OUT",     "MEMGROUPSEL",
    "MEMGROUPSEL_IN", "MEMGROUPSEL_OUT", "BIST_SEL_EN",  "QDX_TIS",          "VCLK",
    "QDX_UTI_IN",     "QDX_UTI_OUT",     "QDX_UTI_SHIFT", "QDX_UTI_HOLD_IN", "QDX_UTI_HOLD_OUT",
    "BYPASS",         "BIST_CLK",        "SHIFTEND",     "SIGNATUREOUT",
};

int signal_of(const std::string& keyword) {
    for (int s = 0; s < MBIST_SIGNAL_COUNT; ++s)
        if (strcasecmp(keyword.c_str(), kSignalKeywords[s]) == 0) return s;
    return -1;
}

std::string dft_file_of_current_object() { return DFT_OBJECT ? DFT_OBJECT->dft_file_name : std::string(); }

// The number after the first underscore of a control instance name.
int block_number(const std::string& instance) {
    const std::size_t underscore = instance.find('_');
    const char* digits = underscore == std::string::npos ? nullptr : instance.c_str() + underscore + 1;
    char* end = nullptr;
    const long n = digits && *digits >= '0' && *digits <= '9' ? std::strtol(digits, &end, 10) : -1;
    if (n < 0 || n > 0x7fffffff)
        qdx_exit_printf(-1,
                        "ERROR : The memory-BIST control instance '%s' has no block number ('<name>_<number>') "
                        "in the dft file '%s'.\n",
                        instance.c_str(), dft_file_of_current_object().c_str());
    return static_cast<int>(n);
}

}  // namespace

std::optional<std::string> sl_check_dft_file(const std::string& name) {
    const std::string extension = part_of(name, "e");
    const std::string candidate =
        extension == ".dft" ? name : part_of(name, "p") + part_of(name, "b") + ".dft";
    if (!owned(FNM_search(candidate.c_str(), 0, FNM_NAME_ONLY))) {
        std::fprintf(stderr, "WARNING : Can't find '%s' file.\n\n", candidate.c_str());
        return std::nullopt;
    }
    // The file that was found is the one to read (for a name without
    // ".dft", that is the candidate, not the name as given).
    if (readable(candidate)) return candidate;
    const std::string base = part_of(name, "b");
    if (CText found = owned(FNM_search_file((base + ".dft").c_str(), ".dft", FNM_SEARCH_PATH)))
        return std::string(found.get());
    error_handler(name.c_str(), 0, SCAN_ERR_OPEN_INPUT, name.c_str(), nullptr);
    return std::nullopt;
}

int sl_check_mbist_control_connect(const std::string& instance, const std::string& keyword) {
    if (!DFT_OBJECT || !DFT_OBJECT->mbist_control) return 0;
    const int signal = signal_of(keyword);
    if (signal < 0) return 0;
    const int number = block_number(instance);
    std::vector<MbistControlEntry>& entries = *DFT_OBJECT->mbist_control;
    const MbistSignalRecord* found = nullptr;
    int result = 0;
    // Every entry of the number counts; the last one decides.
    for (MbistControlEntry& e : entries) {
        if (e.number != number || !e.signals[signal]) continue;
        MbistSignalRecord& s = *e.signals[signal];
        result = s.connected;
        s.connected = 1;
        found = &s;
    }
    if (!found) return 0;
    if (found->instance.empty())
        qdx_exit_printf(-1,
                        "ERROR : The memory-BIST control signal '%s' of block %d names no instance in the dft "
                        "file '%s'.\n",
                        kSignalKeywords[signal], number, dft_file_of_current_object().c_str());
    const std::string other_instance = found->instance;
    const int other_signal = signal_of(found->pin);
    const int other_number = block_number(other_instance);
    if (other_signal < 0) return result;
    for (MbistControlEntry& e : entries)
        if (e.number == other_number && e.signals[other_signal]) e.signals[other_signal]->connected = 1;
    return result;
}
