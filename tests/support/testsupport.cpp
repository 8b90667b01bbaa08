#include "support/testsupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace testsupport {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::random_device rd;
    for (int i = 0; i < 100; ++i) {
        fs::path p = fs::temp_directory_path() / ("kest_test_" + std::to_string(getpid()) + "_" +
                                                  std::to_string(rd()));
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            path_ = fs::canonical(p);
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary directory");
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TempDir::write(const std::string& name, const std::string& text) const {
    fs::path p = path_ / name;
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    f << text;
    return p.string();
}

ChangeDir::ChangeDir(const fs::path& dir) : old_(fs::current_path()) { fs::current_path(dir); }
ChangeDir::~ChangeDir() {
    std::error_code ec;
    fs::current_path(old_, ec);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* v = std::getenv(name)) {
        had_ = true;
        old_ = v;
    }
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (had_)
        setenv(name_.c_str(), old_.c_str(), 1);
    else
        unsetenv(name_.c_str());
}

FileSizeLimit::FileSizeLimit(unsigned long long bytes) {
    rlimit lim{};
    if (getrlimit(RLIMIT_FSIZE, &lim) != 0) return;
    old_cur_ = lim.rlim_cur;
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    lim.rlim_cur = static_cast<rlim_t>(bytes);
    ok_ = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    saved_ = true;
}

FileSizeLimit::~FileSizeLimit() {
    if (!saved_) return;
    rlimit lim{};
    if (getrlimit(RLIMIT_FSIZE, &lim) == 0) {
        lim.rlim_cur = static_cast<rlim_t>(old_cur_);
        setrlimit(RLIMIT_FSIZE, &lim);
    }
    if (old_handler_ != SIG_ERR) std::signal(SIGXFSZ, old_handler_);
}

std::string read_file(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<std::string> module_ports(const std::string& verilog, const std::string& module) {
    std::vector<std::string> ports;
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    for (size_t at = verilog.find("module"); at != std::string::npos; at = verilog.find("module", at + 6)) {
        size_t i = at + 6;
        if ((at > 0 && !blank(verilog[at - 1])) || i >= verilog.size() || !blank(verilog[i])) continue;
        while (i < verilog.size() && blank(verilog[i])) ++i;
        if (verilog.compare(i, module.size(), module) != 0) continue;
        i += module.size();
        while (i < verilog.size() && blank(verilog[i])) ++i;
        if (i >= verilog.size() || verilog[i] != '(') continue;
        const size_t close = verilog.find(')', i);
        if (close == std::string::npos) return ports;
        std::istringstream list(verilog.substr(i + 1, close - i - 1));
        for (std::string item; std::getline(list, item, ',');) {
            std::istringstream words(item);
            std::string name;
            for (std::string w; words >> w;) name = w;
            if (!name.empty()) ports.push_back(name);
        }
        return ports;
    }
    return ports;
}

static std::string slurp_fd(int fd) {
    std::string s;
    char buf[65536];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
    return s;
}

FolderFiles folder_files(const fs::path& dir, const std::vector<std::string>& skip) {
    FolderFiles files;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (e.is_symlink() || !e.is_regular_file()) continue;
        bool skipped = false;
        for (const std::string& ext : skip) skipped = skipped || e.path().extension() == ext;
        if (!skipped) files[fs::relative(e.path(), dir).string()] = read_file(e.path());
    }
    return files;
}

std::vector<std::string> folder_changes(const FolderFiles& before, const FolderFiles& after) {
    std::vector<std::string> changes;
    for (const auto& [name, text] : after) {
        auto b = before.find(name);
        if (b == before.end())
            changes.push_back("new " + name);
        else if (b->second != text)
            changes.push_back("changed " + name);
    }
    for (const auto& [name, text] : before)
        if (!after.count(name)) changes.push_back("removed " + name);
    return changes;
}

std::vector<std::string> output_temporaries(const fs::path& dir) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.path().filename().string().find(".tmp.") != std::string::npos) found.push_back(e.path().string());
    return found;
}

std::vector<char*> exec_args(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    return args;
}

RunResult run(const std::vector<std::string>& argv, const fs::path& cwd, const std::string* input) {
    // Output and error go to temporary files so that a chatty program can
    // never block on a full pipe.
    TempDir io;
    std::string out_path = (io.path() / "out").string();
    std::string err_path = (io.path() / "err").string();
    std::string in_path = (io.path() / "in").string();
    {
        std::ofstream in(in_path, std::ios::binary);
        if (input) in << *input;
    }
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, input ? in_path.c_str() : "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    fs::path old = fs::current_path();
    if (!cwd.empty()) fs::current_path(cwd);
    std::vector<char*> args = exec_args(argv);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ);
    fs::current_path(old);
    posix_spawn_file_actions_destroy(&fa);
    RunResult r;
    if (rc != 0) {
        r.err = "cannot start " + argv[0];
        return r;
    }
    int st = 0;
    waitpid(pid, &st, 0);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    int ofd = ::open(out_path.c_str(), O_RDONLY);
    r.out = slurp_fd(ofd);
    ::close(ofd);
    int efd = ::open(err_path.c_str(), O_RDONLY);
    r.err = slurp_fd(efd);
    ::close(efd);
    return r;
}

std::string built_program(const std::string& relative) {
#ifdef KEST_BINARY_DIR
    return (fs::path(KEST_BINARY_DIR) / relative).string();
#else
    const char* b = std::getenv("KEST_BINARY_DIR");
    return (fs::path(b ? b : ".") / relative).string();
#endif
}

std::string source_path(const std::string& relative) {
#ifdef KEST_SOURCE_DIR
    return (fs::path(KEST_SOURCE_DIR) / relative).string();
#else
    return relative;
#endif
}

bool have_program(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (!path) return false;
    std::stringstream ss(path);
    std::string dir;
    while (std::getline(ss, dir, ':')) {
        if (dir.empty()) continue;
        fs::path p = fs::path(dir) / name;
        if (access(p.c_str(), X_OK) == 0) return true;
    }
    return false;
}

}  // namespace testsupport
