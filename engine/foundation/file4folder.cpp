// Folder operations of the file layer (file4folder.h).
#include "file4folder.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "code4.h"
#include "error4.h"
#include "file4platform.h"

namespace {

bool contextUsable(const CODE4 *c) { return c && c->s4valid == S4VALID && c->errorCode >= 0; }

}  // namespace

int file4rename(CODE4 *c, const char *from, const char *to) {
    if (!from || !to) return error4(c, e4parmNull, E4_LOC_FILE4RENAME);
    if (!contextUsable(c)) return -1;
    if (file4platform.rename(from, to) != 0) return error4describe(c, e4write, E4_LOC_FILE4RENAME, from, to, nullptr);
    return 0;
}

int file4folderMake(CODE4 *c, const char *path) {
    if (!path) return error4(c, e4parmNull, E4_LOC_FILE4FOLDER);
    if (!contextUsable(c)) return -1;
    if (file4platform.mkdir(path, 0700) != 0) return error4describe(c, e4create, E4_LOC_FILE4FOLDER, path, nullptr, nullptr);
    return 0;
}

int file4folderRemove(CODE4 *c, const char *path) {
    if (!path) return error4(c, e4parmNull, E4_LOC_FILE4FOLDER);
    if (!contextUsable(c)) return -1;
    if (file4platform.rmdir(path) != 0 && errno != ENOENT)
        return error4describe(c, e4remove, E4_LOC_FILE4FOLDER, path, nullptr, nullptr);
    return 0;
}

int file4removeName(CODE4 *c, const char *path) {
    if (!path) return error4(c, e4parmNull, E4_LOC_FILE4FOLDER);
    if (!contextUsable(c)) return -1;
    if (file4platform.unlink(path) != 0 && errno != ENOENT)
        return error4describe(c, e4remove, E4_LOC_FILE4FOLDER, path, nullptr, nullptr);
    return 0;
}

int file4folderFlush(CODE4 *c, const char *path) {
    if (!path) return error4(c, e4parmNull, E4_LOC_FILE4FOLDER);
    if (!contextUsable(c)) return -1;
    const char *folder = *path ? path : ".";
    int fd = file4platform.open(folder, O_RDONLY | O_DIRECTORY, 0);
    if (fd < 0) return error4describe(c, e4write, E4_LOC_FILE4FOLDER, folder, nullptr, nullptr);
    int synced = file4platform.fsync(fd);
    int closed = file4platform.close(fd);
    if (synced != 0 || closed != 0) return error4describe(c, e4write, E4_LOC_FILE4FOLDER, folder, nullptr, nullptr);
    return 0;
}

int file4modeCopy(CODE4 *c, const char *like, int hand) {
    if (!like) return error4(c, e4parmNull, E4_LOC_FILE4FOLDER);
    if (!contextUsable(c)) return -1;
    struct stat st;
    if (file4platform.stat(like, &st) != 0 || fchmod(hand, st.st_mode & 07777) != 0)
        return error4describe(c, e4write, E4_LOC_FILE4FOLDER, like, nullptr, nullptr);
    return 0;
}

bool file4folderExists(const char *path) {
    struct stat st;
    return path && file4platform.stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> file4folderList(const char *path) {
    std::vector<std::string> names;
    DIR *dir = path ? opendir(path) : nullptr;
    if (!dir) return names;
    while (const dirent *e = readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string file4folderOf(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
