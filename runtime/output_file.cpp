// Output files written whole: temporary names beside the targets, the
// removal of stale temporaries, single and joint commits, whole-file
// copies.
#include "runtime/output_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>

#include "runtime/exit.h"

namespace {

namespace fs = std::filesystem;

constexpr long kDefaultNameMax = 255;
constexpr size_t kRandomPart = 6;  // the "XXXXXX" of mkstemp
constexpr size_t kHashDigits = 16;

// FNV-1a: a stable hash of the whole name for the shortened form.
uint64_t name_hash(const std::string& s) {
    uint64_t h = 14695981039346656037ULL;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

// The mark between a temporary's name and its random part.
constexpr const char* kTempMark = ".tmp.";

// The template without its random part: the fixed part that every
// temporary of the target begins with.
std::string temp_prefix(const fs::path& dir, const std::string& name) {
    const size_t limit = static_cast<size_t>(RT_name_max(dir.string()));
    const size_t mark = std::strlen(kTempMark);
    std::string prefix = "." + name + kTempMark;
    if (prefix.size() + kRandomPart <= limit) return prefix;
    // "." + the name's first part + "~" + hash + mark + random part.
    const size_t fixed = 1 + 1 + kHashDigits + mark + kRandomPart;
    const size_t keep = limit > fixed ? limit - fixed : 1;
    static const char kHex[] = "0123456789abcdef";
    std::string hash(kHashDigits, '0');
    uint64_t h = name_hash(name);
    for (size_t i = kHashDigits; i-- > 0; h >>= 4) hash[i] = kHex[h & 0xF];
    return "." + name.substr(0, keep) + "~" + hash + kTempMark;
}

// Possible temporaries in each directory listed so far, by their fixed
// part.  A directory is listed once a run, when the first output goes
// into it; the entries of a target are taken out when it is swept.
std::map<std::string, std::map<std::string, std::vector<std::string>>> candidates;
std::mutex candidates_lock;

bool random_part(const std::string& name) {
    if (name.size() < kRandomPart + 2) return false;
    for (size_t i = name.size() - kRandomPart; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

std::map<std::string, std::vector<std::string>>& listed(const fs::path& dir) {
    const std::string key = dir.string();
    auto found = candidates.find(key);
    if (found != candidates.end()) return found->second;
    std::map<std::string, std::vector<std::string>>& entries = candidates[key];
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name[0] != '.' || !random_part(name)) continue;
        entries[name.substr(0, name.size() - kRandomPart)].push_back(name);
    }
    return entries;
}

// A temporary that no live writer holds: a regular file of ours whose
// lock can be taken.
bool stale(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st{};
    const bool ours = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
    const bool free = ours && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

mode_t new_file_mode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// The reason of a write that failed earlier in a stream's buffered
// writes: the same write again, of one byte at the end of the temporary
// file (which is thrown away), fails the same way while the cause
// lasts.
int failed_write_reason(int fd) {
    const off_t end = ::lseek(fd, 0, SEEK_END);
    const char byte = 0;
    if (end >= 0 && ::pwrite(fd, &byte, 1, end) < 0) return errno;
    return EIO;
}

}  // namespace

std::string RT_directory_of(const std::string& path) {
    const fs::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : ".";
}

long RT_name_max(const std::string& dir) {
    const long max = ::pathconf(dir.empty() ? "." : dir.c_str(), _PC_NAME_MAX);
    return max > 0 ? max : kDefaultNameMax;
}

std::string RT_temp_template(const std::string& target) {
    const fs::path t(target);
    const fs::path dir = RT_directory_of(target);
    return (dir / (temp_prefix(dir, t.filename().string()) + std::string(kRandomPart, 'X'))).string();
}

void RT_remove_stale_temps(const std::string& target) {
    const std::lock_guard<std::mutex> hold(candidates_lock);
    const fs::path t(target);
    const fs::path dir = RT_directory_of(target);
    auto& entries = listed(dir);
    auto found = entries.find(temp_prefix(dir, t.filename().string()));
    if (found == entries.end()) return;
    for (const std::string& name : found->second) {
        const std::string path = (dir / name).string();
        if (stale(path)) ::unlink(path.c_str());
    }
    entries.erase(found);
}

int RT_make_temp(const std::string& target, std::string& temp) {
    RT_remove_stale_temps(target);
    std::string name = RT_temp_template(target);
    // Registered before a kill can come between.
    RtKillHold hold;
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    RT_remove_at_end(name);
    ::flock(fd, LOCK_EX | LOCK_NB);  // a new file: the lock is free
    ::fchmod(fd, new_file_mode());
    temp = name;
    return fd;
}

void RT_reset_output_files() {
    const std::lock_guard<std::mutex> hold(candidates_lock);
    candidates.clear();
}

// ------------------------------------------------------------ AtomicFile

AtomicFile::AtomicFile(std::string target) : target_(std::move(target)) {}

AtomicFile::~AtomicFile() {
    if (stream_) std::fclose(stream_);
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        RT_forget(temp_);
    }
}

void AtomicFile::fail(int error) {
    if (!error_) error_ = error ? error : EIO;
}

bool AtomicFile::open(const char* mode) {
    std::string temp;
    const int fd = RT_make_temp(target_, temp);
    if (fd < 0) {
        fail(errno);
        return false;
    }
    temp_ = temp;
    stream_ = ::fdopen(fd, mode);
    if (!stream_) {
        const int e = errno;
        ::close(fd);
        fail(e);
        errno = e;
        return false;
    }
    return true;
}

bool AtomicFile::good() const { return stream_ && !std::ferror(stream_); }

bool AtomicFile::finish() {
    if (!stream_) return !temp_.empty() && error_ == 0;
    bool ok = !std::ferror(stream_);
    if (!ok) fail(failed_write_reason(fileno(stream_)));
    errno = 0;
    if (ok && std::fflush(stream_) != 0) {
        ok = false;
        fail(errno);
    }
    if (std::fclose(stream_) != 0 && ok) {
        ok = false;
        fail(errno);
    }
    stream_ = nullptr;
    return ok;
}

bool AtomicFile::commit() {
    if (!finish()) return false;
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        fail(errno);
        return false;
    }
    RT_forget(temp_);
    temp_.clear();
    return true;
}

std::string AtomicFile::why() const { return std::strerror(error_ ? error_ : EIO); }

// ------------------------------------------------------- joint commit

bool RT_commit_all(const std::vector<AtomicFile*>& files, std::string* failed, std::string* why) {
    auto refuse = [&](const std::string& target, int error) {
        if (failed) *failed = target;
        if (why) *why = std::strerror(error);
        return false;
    };
    for (AtomicFile* f : files)
        if (!f->finish()) return refuse(f->target(), f->error());
    // A kill waits until the targets are all new or all old again: one
    // that came during the renames puts the old files back before it is
    // taken (its handler would remove the second names that keep them).
    RtKillHold hold;
    // The targets as they are now, kept under a second name until every
    // new file has its name.
    struct Kept {
        AtomicFile* file;
        std::string backup;  // empty when the target did not exist
        bool renamed = false;
    };
    std::vector<Kept> kept;
    auto undo = [&] {
        for (Kept& k : kept) {
            if (k.renamed && k.backup.empty())
                ::unlink(k.file->target().c_str());
            else if (k.renamed)
                ::rename(k.backup.c_str(), k.file->target().c_str());  // the old file back
            else if (!k.backup.empty())
                ::unlink(k.backup.c_str());
            if (!k.backup.empty()) RT_forget(k.backup);
        }
    };
    for (AtomicFile* f : files) {
        struct stat st{};
        Kept k{f, {}};
        if (::lstat(f->target().c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) {
                undo();
                return refuse(f->target(), EISDIR);
            }
            std::string backup;
            const int fd = RT_make_temp(f->target(), backup);
            bool linked = false;
            if (fd >= 0) {
                ::close(fd);
                ::unlink(backup.c_str());
                linked = ::link(f->target().c_str(), backup.c_str()) == 0;
            }
            if (!linked) {
                const int e = errno;
                if (!backup.empty()) RT_forget(backup);
                undo();
                return refuse(f->target(), e);
            }
            k.backup = backup;
        }
        kept.push_back(k);
    }
    // A crash, or an exit from another thread, during the renames puts
    // the old files back as a kill does (runtime/exit.h); the marks end
    // before any temporary or second name goes.
    std::vector<RtJointRename> marks;
    marks.reserve(kept.size());
    for (const Kept& k : kept)
        marks.push_back({k.file->temp().c_str(), k.file->target().c_str(), k.backup.empty() ? nullptr : k.backup.c_str()});
    struct Marked {
        explicit Marked(const std::vector<RtJointRename>& m) { RT_begin_joint_rename(m.data(), m.size()); }
        ~Marked() { RT_end_joint_rename(); }
        Marked(const Marked&) = delete;
        Marked& operator=(const Marked&) = delete;
    } marked(marks);
    for (Kept& k : kept) {
        if (std::rename(k.file->temp().c_str(), k.file->target().c_str()) != 0) {
            const int e = errno;
            undo();
            return refuse(k.file->target(), e);
        }
        k.renamed = true;
    }
    if (!kept.empty() && hold.kill_waiting()) {
        undo();
        return refuse(files.front()->target(), EINTR);
    }
    RT_end_joint_rename();
    for (Kept& k : kept) {
        RT_forget(k.file->temp_);
        k.file->temp_.clear();
        if (!k.backup.empty()) {
            ::unlink(k.backup.c_str());
            RT_forget(k.backup);
        }
    }
    return true;
}

RtSaved RT_write_all(const std::vector<RtOutput>& outputs, std::string* failed, std::string* why) {
    std::vector<std::unique_ptr<AtomicFile>> files;
    std::vector<AtomicFile*> all;
    for (const RtOutput& o : outputs) {
        files.push_back(std::make_unique<AtomicFile>(o.target));
        all.push_back(files.back().get());
        if (!files.back()->open()) {
            if (failed) *failed = o.target;
            return RtSaved::NotOpened;
        }
        std::fwrite(o.text.data(), 1, o.text.size(), files.back()->stream());
    }
    return RT_commit_all(all, failed, why) ? RtSaved::All : RtSaved::NotCommitted;
}

// ------------------------------------------------------------- copies

bool RT_copy_file(const std::string& from, const std::string& to, std::string* why, std::string* about) {
    // Every failure after the source is open is about the copy, but for
    // a failed read.
    const std::string* path = &from;
    auto refuse = [&](int error) {
        if (why) *why = std::strerror(error ? error : EIO);
        if (about) *about = *path;
        return false;
    };
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return refuse(errno);
    path = &to;
    std::string temp;
    const int out = RT_make_temp(to, temp);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        return refuse(e);
    }
    int error = 0;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            path = &from;
        }
        if (n <= 0) break;
        for (ssize_t done = 0; done < n && !error;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) error = errno;
            else done += w;
        }
        if (error) break;
    }
    ::close(in);
    if (::close(out) != 0 && !error) error = errno;
    if (!error && std::rename(temp.c_str(), to.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temp.c_str());
        RT_forget(temp);
        return refuse(error);
    }
    RT_forget(temp);
    return true;
}
