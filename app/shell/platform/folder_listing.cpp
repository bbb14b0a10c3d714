#include "folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <strings.h>

namespace vp {

bool isFolder(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const std::string &path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string joinPath(const std::string &folder, const std::string &name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string parentFolder(const std::string &folder) {
    std::string f = folder;
    while (f.size() > 1 && f.back() == '/') f.pop_back();
    size_t slash = f.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return f.substr(0, slash);
}

bool listFolder(const std::string &folder, const std::string &extension, std::vector<FolderEntry> &entries) {
    entries.clear();
    DIR *dir = ::opendir(folder.c_str());
    if (!dir) return false;
    std::string dotExt = "." + extension;
    while (struct dirent *d = ::readdir(dir)) {
        std::string name = d->d_name;
        if (name.empty() || name[0] == '.') continue;
        std::string full = joinPath(folder, name);
        if (isFolder(full)) {
            entries.push_back({name, true});
        } else if (name.size() > dotExt.size() &&
                   ::strcasecmp(name.c_str() + name.size() - dotExt.size(), dotExt.c_str()) == 0 && isFile(full)) {
            entries.push_back({name, false});
        }
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const FolderEntry &a, const FolderEntry &b) {
        if (a.folder != b.folder) return a.folder;
        int c = ::strcasecmp(a.name.c_str(), b.name.c_str());
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return true;
}

std::string documentsFolder() {
    const char *docs = std::getenv("XDG_DOCUMENTS_DIR");
    if (docs && *docs && isFolder(docs)) return docs;
    const char *home = std::getenv("HOME");
    if (home && *home) {
        std::string d = joinPath(home, "Documents");
        if (isFolder(d)) return d;
        if (isFolder(home)) return home;
    }
    return "/";
}

}  // namespace vp
