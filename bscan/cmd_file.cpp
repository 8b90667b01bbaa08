// Command files of the design edits (written whole or not at all, every
// write checked) and the file copies and moves around the tool runs.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <system_error>

#include "bscan/edit_internal.h"
#include "bscan/insertion_internal.h"
#include "bscan/pad_trace.h"
#include "runtime/exit.h"
#include "runtime/fnm.h"
#include "runtime/output_file.h"
#include "runtime/frame/frame.h"
#include "runtime/process.h"
#include "sdb/nl_edit.h"

FILE* TAP_FP = nullptr;
FILE* PAD_FP = nullptr;
char* PAD_MODULE = nullptr;

namespace {

namespace fs = std::filesystem;

// The open command files by their streams.  Held in a static table so
// that a run that ends on an error removes their temporary files.
std::map<FILE*, std::unique_ptr<AtomicFile>>& open_files() {
    static std::map<FILE*, std::unique_ptr<AtomicFile>> files;
    return files;
}

}  // namespace

FILE* bs_open_cmd_file(const std::string& path) {
    // The working directory of the edits is made with its first command
    // file; a run that ends before its edits are saved takes it away again
    // (when nothing else is in it).
    const fs::path folder = fs::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::exists(folder, ec) && fs::create_directory(folder, ec))
        RT_remove_folder_at_end(folder.string());
    auto file = std::make_unique<AtomicFile>(path);
    if (!file->open("w")) return nullptr;
    FILE* fp = file->stream();
    open_files()[fp] = std::move(file);
    return fp;
}

bool bs_cmd_name_ok(const std::string& name) {
    return !name.empty() && name.find_first_of(" \t\r\f\v\n{}") == std::string::npos;
}

void bs_close_cmd_file(FILE*& fp) {
    if (!fp) return;
    FILE* stream = fp;
    fp = nullptr;
    auto it = open_files().find(stream);
    bool ok;
    std::string name = "(stream)", why;
    if (it == open_files().end()) {
        ok = std::fflush(stream) == 0 && !std::ferror(stream);
        why = std::strerror(errno ? errno : EIO);
        ok = std::fclose(stream) == 0 && ok;
    } else {
        std::unique_ptr<AtomicFile> file = std::move(it->second);
        open_files().erase(it);
        name = file->target();
        ok = file->commit();
        why = file->why();
        if (ok) RT_remove_at_end(name, RtRemove::IfFailed);
    }
    if (!ok) {
        qdx_exit_printf(-1, "ERROR: can't write command file \"%s\" to update SDB: %s.\n\n", name.c_str(), why.c_str());
    }
}

namespace {

// A path as a message shows it: a bare name in the working directory
// with "./" in front, as the search path gives the designs' names.
std::string shown_path(const std::string& path) {
    const fs::path p(path);
    if (p.is_absolute() || p.has_parent_path()) return path;
    return "./" + path;
}

// A copy reads its source to the end: what is not a regular file is
// refused before it is opened (a FIFO would wait for a writer for ever, a
// device such as /dev/zero would fill the file system).  The reason names
// the path it is about: "<path>: <reason>".
bool copy_input(const std::string& from, const std::string& to, std::string* why) {
    std::string reason, about = from;
    if (FNM_regular_input(from.c_str(), &reason) && RT_copy_file(from, to, &reason, &about)) return true;
    if (why) *why = shown_path(about) + ": " + reason;
    return false;
}

}  // namespace

bool bs_copy_file(const std::string& from, const std::string& to) {
    std::string why;
    if (copy_input(from, to, &why)) {
        RT_remove_at_end(to, RtRemove::IfFailed);
        return true;
    }
    std::fprintf(stderr, "cp: cannot copy '%s' to '%s': %s\n", from.c_str(), to.c_str(), why.c_str());
    return false;
}

bool bs_copy_design(const std::string& from, const std::string& to, std::string* why) {
    // Registered first: a kill during the copy takes what there is.
    const std::string copy = sdb_unedited_file_name(to);
    RT_remove_at_end(copy);
    RT_remove_at_end(to);
    return copy_input(from, copy, why);
}

void bs_remove_design_copy(const std::string& to) {
    const std::string copy = sdb_unedited_file_name(to);
    bs_remove_file(copy);
    RT_forget(copy);
}

void bs_copy_failed(const std::string& why) { qdx_exit_printf(-1, "\n       %s\n\n", why.c_str()); }

bool bs_move_file(const std::string& from, const std::string& to_dir) {
    std::error_code ec;
    fs::path target = fs::path(to_dir) / fs::path(from).filename();
    fs::rename(from, target, ec);
    std::string why = ec.message();
    if (ec && ec == std::errc::cross_device_link) {
        // Another file system: copy, then remove the source.
        ec.clear();
        if (RT_copy_file(from, target.string(), &why))
            fs::remove(from, ec);
        else
            ec = std::make_error_code(std::errc::io_error);
    }
    if (!ec) {
        RT_forget(from);
        RT_remove_at_end(target.string(), RtRemove::IfFailed);
        return true;
    }
    std::fprintf(stderr, "mv: cannot move '%s' to '%s': %s\n", from.c_str(), target.string().c_str(), why.c_str());
    return false;
}

void bs_remove_file(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);  // like "rm -f": a missing file is no failure, and the result is not looked at
}

void BSCAN_EDIT_reset_globals() {
    for (auto& [fp, file] : open_files()) file.reset();  // removes the temporary files
    open_files().clear();
    TAP_FP = PAD_FP = nullptr;
    bsnames::clear_text(PAD_MODULE);
    bsedit::reset_chain_state();
    bsedit::reset_multi_io_state();
    bsedit::reset_tap_reach();
    TAP_TDO_OPEN = TAP_TDO_EN_OPEN = false;
    for (bool& open : TAP_INPUT_OPEN) open = false;
    bstrace::forget_moved_ends();
    INPUT_SCAN_COUNT = CLK_SCAN_COUNT = OUTPUT_SCAN_COUNT = INPUT_MUX_SCAN_COUNT = CLK_MUX_SCAN_COUNT =
        OUTPUT_MUX_SCAN_COUNT = BIDIR_SCAN_COUNT = BIDIR_MUX_SCAN_COUNT = INTERNAL_SCAN_COUNT = CONTROL_SCAN_COUNT =
            CONTROL_OE_SCAN_COUNT = 0;
    ADD_BUF_COUNT = 0;
}
