#include "file4platform.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "error4.h"

namespace {
int posixOpen(const char *path, int flags, mode_t mode) { return ::open(path, flags | O_CLOEXEC, mode); }
int posixClose(int fd) { return ::close(fd); }
ssize_t posixPread(int fd, void *buf, size_t len, off_t pos) { return ::pread(fd, buf, len, pos); }
ssize_t posixPwrite(int fd, const void *buf, size_t len, off_t pos) { return ::pwrite(fd, buf, len, pos); }
int posixFstat(int fd, struct stat *st) { return ::fstat(fd, st); }
int posixStat(const char *path, struct stat *st) { return ::stat(path, st); }
int posixFtruncate(int fd, off_t len) { return ::ftruncate(fd, len); }
int posixFsync(int fd) { return ::fsync(fd); }
int posixUnlink(const char *path) { return ::unlink(path); }
int posixFlock(int fd, int op) { return ::flock(fd, op); }
int posixRename(const char *from, const char *to) { return ::rename(from, to); }
int posixMkdir(const char *path, mode_t mode) { return ::mkdir(path, mode); }
int posixRmdir(const char *path) { return ::rmdir(path); }

const FILE4PLATFORM kPosix = {posixOpen,  posixClose,     posixPread, posixPwrite, posixFstat,
                              posixStat,  posixFtruncate, posixFsync, posixUnlink, posixFlock,
                              posixRename, posixMkdir,    posixRmdir};
}  // namespace

FILE4PLATFORM file4platform = kPosix;

const FILE4PLATFORM &file4platformDefault() { return kPosix; }

int file4errorFromErrno(int err) {
    switch (err) {
        case ENOENT: case ENOTDIR: case ENAMETOOLONG: case ELOOP:
            return e4fileFind;
        case EMFILE: case ENFILE:
            return e4numFiles;
        case EACCES: case EPERM: case EROFS: case EWOULDBLOCK:
            return e4permiss;
        case ENOSPC: case EDQUOT:
            return e4write;
        default:
            return e4open;
    }
}
