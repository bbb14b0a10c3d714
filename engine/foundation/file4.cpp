// Open, create, close, positioned read and write, length and flush of FILE4.
#include "file4.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "c4ltoa.h"
#include "code4.h"
#include "error4.h"
#include "file4platform.h"
#include "u4name.h"

namespace {

// Size of the block read around a random (non-sequential) visit.
constexpr int64_t kRandomBlock = 4096;

bool contextValid(const CODE4 *c) { return c && c->s4valid == S4VALID; }

int writeThrough(FILE4 *f, int64_t pos, const unsigned char *data, unsigned len);
int flushPending(FILE4 *f);
int flushPendingFor(FILE4 *f, int64_t pos, uint64_t len);
int flushPendingAlways(FILE4 *f);

const char *nameOf(const FILE4 *f) { return f->name ? f->name : ""; }

// "position length", each right-aligned in 19 characters (39 in all).
void positionText(char out[40], int64_t pos, unsigned len) {
    c4ltoa45((long)pos, out, 19);
    out[19] = ' ';
    c4ltoa45((long)len, out + 20, 19);
    out[39] = 0;
}

void resetObject(FILE4 *f) {
    std::memset(f, 0, sizeof *f);
    f->hand = -1;
}

// The file has no write permission for anyone (root ignores mode bits, so
// access() alone would call every file writable), or none for this user.
bool isReadOnlyOnDisk(const std::string &path) {
    struct stat st;
    if (file4platform.stat(path.c_str(), &st) != 0) return false;
    if ((st.st_mode & 0222) == 0) return true;
    return access(path.c_str(), W_OK) != 0 && errno != ENOENT;
}

int keepName(FILE4 *f, CODE4 *c, const char *name, int copyName) {
    if (copyName) {
        f->name = strdup(name);
        if (!f->name) {
            file4platform.close(f->hand);
            resetObject(f);
            return error4(c, e4memory, E4_LOC_FILE4OPEN);
        }
        f->ownsName = 1;
    } else {
        f->name = const_cast<char *>(name);
    }
    return 0;
}

// Takes the no-sharing lock: exclusive for a file opened to write, shared
// for one opened only to read, so readers do not shut each other out while
// a writer still works alone. On failure closes fd and returns errno.
int lockForOpen(int fd, bool readOnly) {
    if (file4platform.flock(fd, (readOnly ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0) return 0;
    int err = errno;
    file4platform.close(fd);
    return err;
}

bool overlaps(int64_t pos, uint64_t len, int64_t at, uint32_t held) {
    return held && pos < at + (int64_t)held && pos + (int64_t)len > at;
}

void invalidateCache(FILE4 *f, int64_t pos, uint64_t len) {
    if (overlaps(pos, len, f->cachePos, f->cacheLen)) f->cacheLen = 0;
    for (unsigned s = 0; s < FILE4_VISIT_SLOTS; s++)
        if (overlaps(pos, len, f->visitPos[s], f->visitLen[s])) f->visitLen[s] = 0;
}

// Copies written bytes into held bytes [at, at + held) where they overlap.
void mirror(unsigned char *into, int64_t at, uint32_t held, int64_t pos, const unsigned char *data, unsigned len) {
    if (!held) return;
    int64_t lo = pos > at ? pos : at;
    int64_t hi = pos + len < at + (int64_t)held ? pos + len : at + held;
    if (lo < hi) std::memcpy(into + (lo - at), data + (lo - pos), (size_t)(hi - lo));
}

// Mirrors written bytes into the read-ahead window and the visited blocks.
void updateCache(FILE4 *f, int64_t pos, const unsigned char *data, unsigned len) {
    mirror(f->cache, f->cachePos, f->cacheLen, pos, data, len);
    if (f->visits)
        for (unsigned s = 0; s < FILE4_VISIT_SLOTS; s++)
            mirror(f->visits + (size_t)s * kRandomBlock, f->visitPos[s], f->visitLen[s], pos, data, len);
}

// The slot for a new visited block: an empty one, or the least recently used.
unsigned visitSlot(const FILE4 *f) {
    unsigned best = 0;
    for (unsigned s = 0; s < FILE4_VISIT_SLOTS; s++) {
        if (!f->visitLen[s]) return s;
        if (f->visitUse[s] < f->visitUse[best]) best = s;
    }
    return best;
}

// The visited block holding [pos, pos + len), or null.
const unsigned char *visited(FILE4 *f, int64_t pos, unsigned len) {
    int64_t start = pos & ~(kRandomBlock - 1);
    for (unsigned s = 0; s < FILE4_VISIT_SLOTS; s++) {
        if (f->visitLen[s] && f->visitPos[s] == start && pos + (int64_t)len <= start + (int64_t)f->visitLen[s]) {
            f->visitUse[s] = ++f->visitClock;
            return f->visits + (size_t)s * kRandomBlock + (pos - start);
        }
    }
    return nullptr;
}

// After a read at pos that got `got` of `want` bytes from the platform: the
// bytes between the end of the file on disk and a pending run written past
// it are the gap that run's write leaves, zeros as far as the file's length
// goes. Fills them and returns the bytes the read now has.
unsigned zerosBeforePending(const FILE4 *f, int64_t pos, unsigned got, unsigned want, unsigned char *buf) {
    if (got >= want || !f->pendLen || f->pendPos <= pos + (int64_t)got) return got;
    int64_t upTo = f->pendPos - pos < (int64_t)want ? f->pendPos - pos : (int64_t)want;
    std::memset(buf + got, 0, (size_t)(upTo - got));
    return (unsigned)upTo;
}

ssize_t readFully(int fd, void *buf, size_t len, int64_t pos) {
    size_t done = 0;
    while (done < len) {
        ssize_t n = file4platform.pread(fd, static_cast<char *>(buf) + done, len - done, (off_t)(pos + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return done ? (ssize_t)done : -1;
        }
        if (n == 0) break;
        done += (size_t)n;
    }
    return (ssize_t)done;
}

}  // namespace

bool file4exists(const char *name) {
    struct stat st;
    return file4platform.stat(u4nameResolve(u4namePlatform(name)).c_str(), &st) == 0;
}

int file4open(FILE4 *f, CODE4 *c, const char *name, int copyName) {
    if (!f || !c || !name) return error4(nullptr, e4parmNull, E4_LOC_FILE4OPEN);
    resetObject(f);
    f->codeBase = c;
    c->errorCode = 0;
    std::string path = u4nameResolve(u4namePlatform(name));
    bool readOnly = c->readOnly || isReadOnlyOnDisk(path);
    int flags = readOnly ? O_RDONLY : O_RDWR;
    if (c->writeThrough && !readOnly) flags |= O_DSYNC;
    int fd = file4platform.open(path.c_str(), flags, 0);
    int err = fd < 0 ? errno : 0;
    bool inUse = false;
    if (fd >= 0) {
        struct stat st;
        if (file4platform.fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            file4platform.close(fd);
            fd = -1;
            err = EISDIR;
        } else if ((err = lockForOpen(fd, readOnly)) != 0) {
            fd = -1;
            inUse = err == EWOULDBLOCK;
        }
    }
    if (fd < 0) {
        int code = file4errorFromErrno(err);
        // Another program holds the file: say so rather than name a permission.
        if (c->openError)
            return error4describe(c, code, inUse ? (long)E4_MSG_IN_USE : (long)E4_LOC_FILE4OPEN, name, nullptr, nullptr);
        c->errorCode = r4noOpen;
        return r4noOpen;
    }
    f->hand = fd;
    f->isReadOnly = readOnly ? 1 : 0;
    // The resolved name is what later operations (and messages) use.
    if (path != name) {
        f->name = strdup(path.c_str());
        if (!f->name) {
            file4platform.close(fd);
            resetObject(f);
            return error4(c, e4memory, E4_LOC_FILE4OPEN);
        }
        f->ownsName = 1;
        return 0;
    }
    return keepName(f, c, name, copyName);
}

int file4create(FILE4 *f, CODE4 *c, const char *name, int copyName) {
    if (!f || !c) return error4(nullptr, e4parmNull, E4_LOC_FILE4CREATE);
    if (!name) return file4tempLow(f, c, c->createTemp, nullptr);
    resetObject(f);
    f->codeBase = c;
    if (c->errorCode < 0) return -1;
    std::string path = u4namePlatform(name);
    auto refuse = [&]() {
        if (c->createError) return error4describe(c, e4create, E4_LOC_FILE4CREATE, name, nullptr, nullptr);
        c->errorCode = r4exists;
        return (int)r4exists;
    };
    bool exists = file4exists(path.c_str());
    if (exists && c->safety) return refuse();
    int flags = O_RDWR | O_CREAT | (c->safety ? O_EXCL : O_TRUNC);
    if (exists) {
        // Replacing: the existing file must be openable for writing (and not
        // held by another opener) before its contents go.
        std::string existing = u4nameResolve(path);
        int probe = file4platform.open(existing.c_str(), O_RDWR, 0);
        if (probe < 0 || lockForOpen(probe, false) != 0) return refuse();
        file4platform.close(probe);
        path = existing;
    }
    int fd = file4platform.open(path.c_str(), flags, 0666);
    if (fd < 0 || lockForOpen(fd, false) != 0) return refuse();
    f->hand = fd;
    if (c->createTemp) f->removeOnClose = 1;
    return keepName(f, c, path == name ? name : path.c_str(), path == name ? copyName : 1);
}

int file4close(FILE4 *f) {
    if (!f) return error4(nullptr, e4parmNull, E4_LOC_FILE4CLOSE);
    if (f->hand == -1) return 0;
    CODE4 *c = f->codeBase;
    // What the write-behind buffer holds reaches the file before it closes.
    int rc = flushPendingAlways(f);
    if (file4platform.close(f->hand) != 0 && rc == 0)
        rc = error4describe(c, e4close, E4_LOC_FILE4CLOSE, nameOf(f), nullptr, nullptr);
    f->hand = -1;
    if (f->removeOnClose && f->name && file4platform.unlink(f->name) != 0 && rc == 0)
        rc = error4describe(c, e4remove, E4_LOC_FILE4CLOSE, nameOf(f), nullptr, nullptr);
    if (f->ownsName) std::free(f->name);
    std::free(f->cache);
    std::free(f->visits);
    std::free(f->pend);
    resetObject(f);
    return rc;
}

int file4removeNow(FILE4 *f) {
    if (!f || f->hand == -1 || !f->name) return 0;
    if (file4platform.unlink(f->name) != 0) return 0;
    f->removeOnClose = 0;
    return 1;
}

int file4replace(FILE4 *f, const char *target) {
    if (!f || !target) return error4(nullptr, e4parmNull, E4_LOC_FILE4REPLACE);
    CODE4 *c = f->codeBase;
    if (!contextValid(c) || c->errorCode < 0) return -1;
    if (f->hand == -1 || !f->name) return error4(c, e4parm, E4_LOC_FILE4REPLACE);
    if (int rc = flushPendingAlways(f)) return rc;
    std::string to = u4nameResolve(u4namePlatform(target));
    if (file4platform.rename(f->name, to.c_str()) != 0)
        return error4describe(c, e4write, E4_LOC_FILE4REPLACE, nameOf(f), to.c_str(), nullptr);
    char *copy = strdup(to.c_str());
    if (!copy) return error4(c, e4memory, E4_LOC_FILE4REPLACE);
    if (f->ownsName) std::free(f->name);
    f->name = copy;
    f->ownsName = 1;
    f->removeOnClose = 0;
    return 0;
}

int file4readAheadSet(FILE4 *f, uint32_t size) {
    std::free(f->cache);
    std::free(f->visits);
    f->cache = f->visits = nullptr;
    f->cacheCap = f->cacheLen = 0;
    std::memset(f->visitLen, 0, sizeof f->visitLen);
    if (size == 0) return 0;
    f->cache = static_cast<unsigned char *>(std::malloc(size));
    f->visits = static_cast<unsigned char *>(std::malloc((size_t)FILE4_VISIT_SLOTS * kRandomBlock));
    if (!f->cache || !f->visits) {
        std::free(f->cache);
        std::free(f->visits);
        f->cache = f->visits = nullptr;
        return error4(f->codeBase, e4memory, E4_LOC_FILE4READ);
    }
    f->cacheCap = size;
    return 0;
}

unsigned file4read(FILE4 *f, int64_t pos, void *buf, unsigned len) {
    if (!f || !buf) {
        error4(nullptr, e4parmNull, E4_LOC_FILE4READ);
        return 0;
    }
    CODE4 *c = f->codeBase;
    if (!contextValid(c) || c->errorCode < 0 || len == 0) return 0;
    if (pos < 0 || f->hand < 0) {
        char where[40];
        positionText(where, -1, len);
        error4describe(c, e4read, E4_LOC_FILE4READ, nameOf(f), where, "file4readLow");
        return 0;
    }
    if (f->cache && len < f->cacheCap) {
        int64_t last = f->lastRead;
        f->lastRead = pos;
        if (!(pos >= f->cachePos && pos + len <= f->cachePos + (int64_t)f->cacheLen)) {
            if (const unsigned char *held = visited(f, pos, len)) {
                std::memcpy(buf, held, len);
                return len;
            }
            // A miss that runs on from the last read, less than a window
            // ahead (or the first read), is sequential work: refill the
            // whole window. Any other miss is a random visit: read just the
            // aligned block around it, into the visited blocks when it fits
            // one, so that the window stays where it is.
            bool sequential = f->cacheLen == 0 || (pos >= last && pos < last + (int64_t)f->cacheCap);
            int64_t blockStart = pos & ~(kRandomBlock - 1);
            if (!sequential && pos + (int64_t)len <= blockStart + kRandomBlock) {
                unsigned s = visitSlot(f);
                f->visitUse[s] = ++f->visitClock;
                unsigned char *into = f->visits + (size_t)s * kRandomBlock;
                f->visitLen[s] = 0;
                if (flushPendingFor(f, blockStart, kRandomBlock) != 0) return 0;
                ssize_t n = readFully(f->hand, into, kRandomBlock, blockStart);
                if (n < 0) goto failed;
                f->visitPos[s] = blockStart;
                f->visitLen[s] = zerosBeforePending(f, blockStart, (unsigned)n, kRandomBlock, into);
                int64_t avail = blockStart + f->visitLen[s] - pos;
                unsigned got = avail < (int64_t)len ? (unsigned)(avail > 0 ? avail : 0) : len;
                std::memcpy(buf, into + (pos - blockStart), got);
                return got;
            }
            int64_t start = pos;
            uint32_t want = f->cacheCap;
            if (!sequential) {
                start = pos & ~(int64_t)(kRandomBlock - 1);
                int64_t need = pos + len - start;
                want = (uint32_t)((need + kRandomBlock - 1) / kRandomBlock * kRandomBlock);
                if (want > f->cacheCap) {
                    start = pos;
                    want = f->cacheCap;
                }
            }
            if (flushPendingFor(f, start, want) != 0) return 0;
            ssize_t n = readFully(f->hand, f->cache, want, start);
            f->cachePos = start;
            if (n < 0) {
                f->cacheLen = 0;
                goto failed;
            }
            f->cacheLen = zerosBeforePending(f, start, (unsigned)n, want, f->cache);
        }
        int64_t avail = f->cachePos + f->cacheLen - pos;
        unsigned n = avail < (int64_t)len ? (unsigned)(avail > 0 ? avail : 0) : len;
        std::memcpy(buf, f->cache + (pos - f->cachePos), n);
        return n;
    }
    if (flushPendingFor(f, pos, len) != 0) return 0;
    {
        ssize_t n = readFully(f->hand, buf, len, pos);
        if (n >= 0) return zerosBeforePending(f, pos, (unsigned)n, len, static_cast<unsigned char *>(buf));
    }
failed:
    // A platform read failure (not a short read at the end of the file).
    char where[40];
    positionText(where, pos, len);
    error4describe(c, e4read, E4_LOC_FILE4READ, nameOf(f), where, "file4readLow");
    return 0;
}

int file4readAll(FILE4 *f, int64_t pos, void *buf, unsigned len) {
    if (!f || !buf) return error4(nullptr, e4parmNull, E4_LOC_FILE4READALL);
    CODE4 *c = f->codeBase;
    if (!contextValid(c)) return error4(nullptr, e4parm, E4_LOC_FILE4READALL);
    if (c->errorCode < 0) return -1;
    unsigned n = file4read(f, pos, buf, len);
    if (c->errorCode < 0) return c->errorCode;
    if (n != len) {
        char where[40];
        positionText(where, pos, len);
        return error4describe(c, e4read, E4_LOC_FILE4READALL, nameOf(f), where, "file4readAllLow");
    }
    return 0;
}

int file4write(FILE4 *f, int64_t pos, const void *data, unsigned len) {
    if (!f) return error4(nullptr, e4parmNull, E4_LOC_FILE4WRITE);
    CODE4 *c = f->codeBase;
    if (!contextValid(c) || pos < 0 || (!data && len) || f->hand < 0)
        return error4(contextValid(c) ? c : nullptr, e4parm, E4_LOC_FILE4WRITE);
    if (c->errorCode < 0) return -1;
    if (f->isReadOnly) return error4describe(c, e4write, E4_MSG_WRITE_READ_ONLY, nameOf(f), nullptr, nullptr);
    if (len == 0) return 0;
    const unsigned char *bytes = static_cast<const unsigned char *>(data);
    if (f->pendCap) {
        // Into the pending run when it starts inside it or right after it.
        if (f->pendLen && pos >= f->pendPos && pos <= f->pendPos + (int64_t)f->pendLen &&
            (uint64_t)(pos - f->pendPos) + len <= f->pendCap) {
            uint32_t at = (uint32_t)(pos - f->pendPos);
            std::memcpy(f->pend + at, bytes, len);
            if (at + len > f->pendLen) f->pendLen = at + len;
            updateCache(f, pos, bytes, len);
            return 0;
        }
        if (int rc = flushPending(f)) return rc;
        if (len < f->pendCap) {
            std::memcpy(f->pend, bytes, len);
            f->pendPos = pos;
            f->pendLen = len;
            updateCache(f, pos, bytes, len);
            return 0;
        }
    }
    return writeThrough(f, pos, bytes, len);
}

namespace {

// The platform write of len bytes at pos; 0 or the reported -120.
int writeThrough(FILE4 *f, int64_t pos, const unsigned char *data, unsigned len) {
    CODE4 *c = f->codeBase;
    struct stat st;
    int64_t oldLen = file4platform.fstat(f->hand, &st) == 0 ? (int64_t)st.st_size : -1;
    size_t done = 0;
    int err = 0;
    while (done < len) {
        ssize_t n = file4platform.pwrite(f->hand, data + done, len - done, (off_t)(pos + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            err = n < 0 ? errno : ENOSPC;
            break;
        }
        done += (size_t)n;
    }
    if (done == len) {
        updateCache(f, pos, data, len);
        return 0;
    }
    // Never leave a half-written extension behind: put the old length back.
    if (oldLen >= 0 && pos + (int64_t)done > oldLen) file4platform.ftruncate(f->hand, (off_t)oldLen);
    invalidateCache(f, pos, len);
    long loc = (err == ENOSPC || err == EDQUOT) ? (long)E4_MSG_DISK_FULL : (long)E4_LOC_FILE4WRITE;
    return error4describe(c, e4write, loc, nameOf(f), nullptr, nullptr);
}

// Writes the pending run. A failed write keeps it for the next try: the
// caller was told its bytes were written, so only close gives them up.
int flushPending(FILE4 *f) {
    if (!f->pendLen) return 0;
    int rc = writeThrough(f, f->pendPos, f->pend, f->pendLen);
    if (rc == 0) f->pendLen = 0;
    return rc;
}

// Writes the pending run when it overlaps [pos, pos + len), so that the
// platform read of those bytes sees them.
int flushPendingFor(FILE4 *f, int64_t pos, uint64_t len) {
    if (f->pendLen && pos < f->pendPos + (int64_t)f->pendLen && pos + (int64_t)len > f->pendPos) return flushPending(f);
    return 0;
}

// Writes the pending run whatever the error state, leaving a negative
// error code in place unless this write fails.
int flushPendingAlways(FILE4 *f) {
    if (!f->pendLen) return 0;
    CODE4 *c = f->codeBase;
    int saved = c->errorCode;
    c->errorCode = 0;
    int rc = flushPending(f);
    if (rc == 0) c->errorCode = saved;
    return rc;
}

}  // namespace

int file4writeBehindSet(FILE4 *f, uint32_t size) {
    if (!f) return error4(nullptr, e4parmNull, E4_LOC_FILE4WRITE);
    int rc = f->hand >= 0 ? flushPendingAlways(f) : 0;
    if (rc != 0) return rc;  // the buffer stays, with what it holds
    std::free(f->pend);
    f->pend = nullptr;
    f->pendCap = f->pendLen = 0;
    if (size == 0) return 0;
    f->pend = static_cast<unsigned char *>(std::malloc(size));
    if (!f->pend) return error4(f->codeBase, e4memory, E4_LOC_FILE4WRITE);
    f->pendCap = size;
    return 0;
}

int64_t file4len(FILE4 *f) {
    if (!f) return error4(nullptr, e4parmNull, E4_LOC_FILE4LEN);
    struct stat st;
    if (f->hand < 0 || file4platform.fstat(f->hand, &st) != 0) {
        error4describe(f->codeBase, e4len, E4_LOC_FILE4LEN, nameOf(f), nullptr, nullptr);
        return -1;
    }
    int64_t pendingEnd = f->pendLen ? f->pendPos + (int64_t)f->pendLen : 0;
    return pendingEnd > (int64_t)st.st_size ? pendingEnd : (int64_t)st.st_size;
}

int file4lenSet(FILE4 *f, int64_t len) {
    if (!f) return error4(nullptr, e4parmNull, E4_LOC_FILE4LENSET);
    CODE4 *c = f->codeBase;
    if (!contextValid(c)) return error4(nullptr, e4parm, E4_LOC_FILE4LENSET);
    if (c->errorCode < 0 || (c->errorCode > 0 && c->errorCode < 200)) return -1;
    if (f->isReadOnly) return error4describe(c, e4parm, E4_MSG_LENSET_READ_ONLY, nameOf(f), nullptr, nullptr);
    if (int rc = flushPending(f)) return rc;
    if (len < 0 || f->hand < 0 || file4platform.ftruncate(f->hand, (off_t)len) != 0)
        return error4describe(c, e4lenSet, E4_LOC_FILE4LENSET, nameOf(f), nullptr, nullptr);
    invalidateCache(f, len, UINT64_MAX / 4);
    return 0;
}

int file4flush(FILE4 *f) {
    if (!f) return error4(nullptr, e4parmNull, E4_LOC_FILE4FLUSH);
    if (f->isReadOnly || f->hand < 0) return 0;
    if (int rc = flushPendingAlways(f)) return rc;
    CODE4 *c = f->codeBase;
    int saved = c->errorCode;
    c->errorCode = 0;
    int rc = file4platform.fsync(f->hand);
    c->errorCode = saved;
    if (rc != 0) return error4describe(c, e4optFlush, E4_LOC_FILE4FLUSH, nameOf(f), nullptr, nullptr);
    return 0;
}
