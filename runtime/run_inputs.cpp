// The inputs of the run by device and inode (runtime/run_inputs.h).
#include "runtime/run_inputs.h"

#include <sys/stat.h>

#include <map>
#include <mutex>
#include <utility>

namespace {

using FileId = std::pair<dev_t, ino_t>;

// Design databases are read by worker threads too.
std::mutex inputs_mutex;
// The name each input was last opened as.
std::map<FileId, std::string>& inputs() {
    static std::map<FileId, std::string> noted;
    return noted;
}

}  // namespace

void RT_note_input(int descriptor, const std::string& path) {
    struct stat st {};
    if (descriptor < 0 || ::fstat(descriptor, &st) != 0) return;
    std::lock_guard<std::mutex> lock(inputs_mutex);
    inputs().insert_or_assign(FileId{st.st_dev, st.st_ino}, path);
}

std::string RT_input_at(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
    const FileId id{st.st_dev, st.st_ino};
    std::string input;
    {
        std::lock_guard<std::mutex> lock(inputs_mutex);
        const auto it = inputs().find(id);
        if (it == inputs().end()) return {};
        input = it->second;
    }
    // An input that the run has replaced since (the menu editor's save)
    // freed its inode, which a new file may have taken: only an input
    // that its name still shows is one.
    struct stat now {};
    if (::stat(input.c_str(), &now) != 0 || FileId{now.st_dev, now.st_ino} != id) return {};
    return input;
}

std::string RT_output_is_input_text(const std::string& output, const std::string& input) {
    return "ERROR: output file '" + output + "' would replace '" + input + "', which the run reads.\n\n";
}

void RT_reset_run_inputs() {
    std::lock_guard<std::mutex> lock(inputs_mutex);
    inputs().clear();
}
