// Listing files by wildcard patterns.
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "runtime/fnm.h"
#include "runtime/msg.h"
#include "runtime/str.h"
#include "runtime/strfmt.h"

namespace {

// The listing in progress.
struct Listing {
    std::string directory;
    std::string mask;
    bool status = false;
    std::vector<std::string> names;
    size_t next = 0;
    FnmEntry entry;
};
Listing listing;

void split_pattern(const std::string& pattern, std::string* dir, std::string* name) {
    size_t slash = pattern.rfind('/');
    if (slash == std::string::npos) {
        *dir = "";
        *name = pattern;
    } else {
        *dir = slash == 0 ? "/" : pattern.substr(0, slash);
        *name = pattern.substr(slash + 1);
    }
}

void fill_status(FnmEntry& e) {
    std::string path = (e.directory.empty() ? std::string(".") : e.directory) + "/" + e.name;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return;
    e.mode = st.st_mode;
    e.atime = st.st_atime;
    e.mtime = st.st_mtime;
    e.size = st.st_size;
}

}  // namespace

const FnmEntry* FNM_get_file(const char* pattern, int with_status) {
    if (pattern) {
        listing = Listing{};
        listing.status = with_status != 0;
        std::string name;
        split_pattern(pattern, &listing.directory, &name);
        listing.mask = name;
        std::string dir = listing.directory.empty() ? "." : listing.directory;
        if (name.find_first_of("*?") == std::string::npos) {
            std::error_code ec;
            if (std::filesystem::exists(std::filesystem::path(dir) / name, ec)) listing.names.push_back(name);
        } else {
            // Every entry of the directory; the iterator never yields "."
            // or "..", in whatever order the directory keeps them.
            std::error_code ec;
            for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
                listing.names.push_back(it->path().filename().string());
            std::sort(listing.names.begin(), listing.names.end());
        }
    }
    while (listing.next < listing.names.size()) {
        const std::string& n = listing.names[listing.next++];
        if (STR_match(listing.mask.c_str(), n.c_str()) != 0) continue;
        listing.entry = FnmEntry{};
        listing.entry.directory = listing.directory;
        listing.entry.name = n;
        if (listing.status) fill_status(listing.entry);
        return &listing.entry;
    }
    return nullptr;
}

FnmEntry FNM_make_entry(const FnmParts* parts, int with_status) {
    FnmEntry e;
    if (!parts) return e;
    if (parts->directory) e.directory = parts->directory;
    if (parts->base) e.name = parts->base;
    if (parts->extension) e.name += std::string(".") + parts->extension;
    if (with_status) fill_status(e);
    return e;
}

std::vector<FnmEntry> FNM_collect(const char* pattern, int with_status) {
    std::vector<FnmEntry> out;
    for (const FnmEntry* e = FNM_get_file(pattern, with_status); e; e = FNM_get_file(nullptr, with_status))
        out.push_back(*e);
    return out;
}

int FNM_display(const char* pattern, int search) {
    std::string pat = pattern ? pattern : "*";
    std::string dir, name;
    split_pattern(pat, &dir, &name);
    std::vector<std::string> patterns;
    if (search && dir.empty()) {
        int n = 0;
        const char* const* dirs = FNM_full_search_list(&n);
        for (int i = 0; dirs && i < n; ++i)
            if (dirs[i]) patterns.push_back(std::string(dirs[i]) + "/" + name);
    } else {
        patterns.push_back(pat);
    }
    for (const auto& p : patterns) {
        std::string d, n;
        split_pattern(p, &d, &n);
        if (d.empty())
            MSG_inform("Current directory:\n");
        else
            MSG_inform("Directory: %s\n", d.c_str());
        std::string row;
        int count = 0;
        for (const auto& e : FNM_collect(p.c_str(), 0)) {
            row += STR_format("   %-12s", e.name.c_str());
            if (++count % 5 == 0) {
                MSG_inform("%s\n", row.c_str());
                row.clear();
            }
        }
        if (!row.empty()) MSG_inform("%s\n", row.c_str());
        MSG_inform("\n");
    }
    return 0;
}
