// Helpers shared by the test programs.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

// A fresh directory under the system's temporary folder, removed with
// everything in it when the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }
    // Writes a file (relative to the directory) and returns its full path.
    std::string write(const std::string& name, const std::string& text) const;

private:
    std::filesystem::path path_;
};

// Changes the working directory for the lifetime of the object.
class ChangeDir {
public:
    explicit ChangeDir(const std::filesystem::path& dir);
    ~ChangeDir();
    ChangeDir(const ChangeDir&) = delete;
    ChangeDir& operator=(const ChangeDir&) = delete;

private:
    std::filesystem::path old_;
};

// Sets (or, with a null value, unsets) an environment variable and puts
// the old value back at the end of the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    bool had_ = false;
    std::string old_;
};

// Limits the size of the files this process writes to bytes, with the
// signal of a write past the limit ignored (the write fails instead),
// and puts the old limit and signal handling back at the end of the scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(unsigned long long bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    // False when the limit could not be set.
    bool ok() const { return ok_; }

private:
    unsigned long long old_cur_ = 0;
    void (*old_handler_)(int) = nullptr;
    bool ok_ = false;
    bool saved_ = false;  // the old limit and handler were taken
};

std::string read_file(const std::filesystem::path& p);

// The regular files below a folder (symbolic links not followed) with
// their bytes, by their paths relative to it; files whose extension is
// one of `skip` (".rpt") are left out.
using FolderFiles = std::map<std::string, std::string>;
FolderFiles folder_files(const std::filesystem::path& dir, const std::vector<std::string>& skip = {});
// What changed from one state of a folder to the next: "new <path>",
// "changed <path>", "removed <path>".
std::vector<std::string> folder_changes(const FolderFiles& before, const FolderFiles& after);
// The temporary files of outputs (".<name>.tmp.XXXXXX") below a folder.
std::vector<std::string> output_temporaries(const std::filesystem::path& dir);

// The ports in the header of module `module` of a Verilog text, in header
// order (names only, also from an ANSI header); empty when the text has
// no such module.
std::vector<std::string> module_ports(const std::string& verilog, const std::string& module);

// Result of running a program: exit status (-1 when it did not exit
// normally), standard output and standard error.
struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a program with an argument vector (no shell) in the given
// directory, with standard input from /dev/null unless input is given.
RunResult run(const std::vector<std::string>& argv, const std::filesystem::path& cwd = {},
              const std::string* input = nullptr);

// The argument vector of exec and posix_spawn for argv: pointers into
// argv's strings, ended by a null pointer (argv must outlive it).
std::vector<char*> exec_args(const std::vector<std::string>& argv);

// Path of a program built in this build tree (for example "bin/kestrand").
std::string built_program(const std::string& relative);

// Path of a file under the source tree.
std::string source_path(const std::string& relative);
// The Verilog cell models of the demo chip (examples/) and of the fixture
// chip (tests/fixtures/chip): one file, which the tests copy as "cells.v".
inline constexpr const char* kCellModels = "examples/cells.v";

// True when an outside program is found on PATH.
bool have_program(const std::string& name);

}  // namespace testsupport
