// The platform calls of the file layer. Every read, write, truncation, flush,
// close and rename goes through this table, so tests can replace members with
// versions that fail on chosen calls (fault injection). The file layer is the
// only engine code that calls POSIX file functions.
#pragma once
#include <sys/stat.h>
#include <sys/types.h>

struct FILE4PLATFORM {
    int (*open)(const char *path, int flags, mode_t mode);
    int (*close)(int fd);
    ssize_t (*pread)(int fd, void *buf, size_t len, off_t pos);
    ssize_t (*pwrite)(int fd, const void *buf, size_t len, off_t pos);
    int (*fstat)(int fd, struct stat *st);
    int (*stat)(const char *path, struct stat *st);
    int (*ftruncate)(int fd, off_t len);
    int (*fsync)(int fd);
    int (*unlink)(const char *path);
    int (*flock)(int fd, int op);
    // Folder operations (used when files are replaced by renaming).
    int (*rename)(const char *from, const char *to);
    int (*mkdir)(const char *path, mode_t mode);
    int (*rmdir)(const char *path);
};

// The live table; tests may swap members and must restore them.
extern FILE4PLATFORM file4platform;
// The unmodified POSIX table.
const FILE4PLATFORM &file4platformDefault();

// Map an errno value to the engine's open-failure code (-64, -63, -61, -120
// or -60). The one place where errno becomes an engine code.
int file4errorFromErrno(int err);
