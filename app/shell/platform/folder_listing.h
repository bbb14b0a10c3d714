// What the open dialog lists: the subfolders of a folder and its files with
// a given extension, the extension matched without regard to case, hidden
// entries (names starting with ".") left out; folders first, each group
// sorted by name without regard to case.
#pragma once
#include <string>
#include <vector>

namespace vp {

struct FolderEntry {
    std::string name;
    bool folder = false;
};

// False when the folder cannot be read (entries is then empty).
bool listFolder(const std::string &folder, const std::string &extension, std::vector<FolderEntry> &entries);
// The folder the open dialog starts in, standing in for "\My Documents\":
// $XDG_DOCUMENTS_DIR, else ~/Documents, else the home folder, else "/".
std::string documentsFolder();
// The parent of an absolute folder ("/" stays "/").
std::string parentFolder(const std::string &folder);
// folder + "/" + name, without doubling the separator.
std::string joinPath(const std::string &folder, const std::string &name);
bool isFolder(const std::string &path);
bool isFile(const std::string &path);

}  // namespace vp
