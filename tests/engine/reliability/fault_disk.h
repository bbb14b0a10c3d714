// A failing disk for the tests: while alive it replaces the file layer's
// platform calls with counting versions. Once armed, the n-th counted call
// (read, write, truncate, flush or close) fails with a chosen errno, or, for
// a write, puts only half of its bytes on disk and reports that, after which
// the next write finds the disk full, or the process is killed there.
// Sticky faults fail every counted call from the n-th on until disarmed.
// Opening, status and locking calls pass; renames, folder creation and
// removal and file removal are counted only when asked for (the calls that
// replace files), so the sweeps of other workloads keep their numbering.
#pragma once
#include <cerrno>
#include <csignal>
#include <unistd.h>
#include <string>

#include "foundation/file4platform.h"

namespace rely {

enum class Fault {
    Fail,              // the call fails with err
    ShortThenFull,     // a write puts half its bytes down; the next write fails with ENOSPC
    ShortThenGo,       // a write puts half its bytes down and reports it; nothing fails
    Kill,              // the process is killed (SIGKILL) before the call
};

struct FaultPlan {
    long at = 0;          // 1-based number of the counted call to fault; 0: none
    Fault kind = Fault::Fail;
    int err = EIO;
    bool sticky = false;  // Fail: every counted call from `at` on fails
};

class FaultyDisk {
public:
    explicit FaultyDisk(bool folderCalls = false) {
        active() = this;
        if (folderCalls) {
            file4platform.rename = rename;
            file4platform.mkdir = mkdir;
            file4platform.rmdir = rmdir;
            file4platform.unlink = unlink;
        }
        file4platform.pread = pread;
        file4platform.pwrite = pwrite;
        file4platform.ftruncate = ftruncate;
        file4platform.fsync = fsync;
        file4platform.close = close;
    }
    ~FaultyDisk() {
        file4platform = file4platformDefault();
        active() = nullptr;
    }
    FaultyDisk(const FaultyDisk &) = delete;
    FaultyDisk &operator=(const FaultyDisk &) = delete;

    // Start counting from zero with this plan.
    void arm(const FaultPlan &plan) {
        plan_ = plan;
        calls_ = 0;
        injected_ = 0;
        injectedNotRead_ = 0;
        fullAfterShort_ = false;
        what_.clear();
    }
    void disarm() { plan_ = FaultPlan{}; fullAfterShort_ = false; }

    long calls() const { return calls_; }        // counted calls since arm
    long injected() const { return injected_; }  // faults injected since arm
    // Faults injected into writes, truncations, flushes and closes: a read
    // that fails after getting every byte there is may rightly succeed.
    long injectedNotRead() const { return injectedNotRead_; }
    const std::string &what() const { return what_; }  // the first fault, described

private:
    static FaultyDisk *&active() {
        static FaultyDisk *disk = nullptr;
        return disk;
    }
    static const FILE4PLATFORM &real() { return file4platformDefault(); }

    // Counts a call; true when it is to fail (errno set).
    bool faultHere(const char *op) {
        long n = ++calls_;
        if (plan_.kind == Fault::Kill && n == plan_.at) ::kill(::getpid(), SIGKILL);
        if (plan_.at == 0 || plan_.kind != Fault::Fail) return false;
        if (n == plan_.at || (plan_.sticky && n > plan_.at)) {
            note(op, n);
            errno = plan_.err;
            return true;
        }
        return false;
    }
    void note(const char *op, long n) {
        if (std::string(op) != "read") injectedNotRead_++;
        if (injected_++ == 0) what_ = std::string(op) + " #" + std::to_string(n);
    }

    static ssize_t pread(int fd, void *buf, size_t len, off_t pos) {
        FaultyDisk *d = active();
        if (d && d->faultHere("read")) return -1;
        return real().pread(fd, buf, len, pos);
    }
    static ssize_t pwrite(int fd, const void *buf, size_t len, off_t pos) {
        FaultyDisk *d = active();
        if (!d) return real().pwrite(fd, buf, len, pos);
        if (d->fullAfterShort_) {
            d->calls_++;
            d->fullAfterShort_ = false;
            errno = ENOSPC;
            return -1;
        }
        if (d->faultHere("write")) return -1;
        if (d->plan_.at == d->calls_ && d->plan_.kind != Fault::Fail && len >= 2) {
            d->note(d->plan_.kind == Fault::ShortThenFull ? "short write, then disk full" : "short write", d->calls_);
            d->fullAfterShort_ = d->plan_.kind == Fault::ShortThenFull;
            return real().pwrite(fd, buf, len / 2, pos);
        }
        return real().pwrite(fd, buf, len, pos);
    }
    static int ftruncate(int fd, off_t len) {
        FaultyDisk *d = active();
        if (d && d->faultHere("truncate")) return -1;
        return real().ftruncate(fd, len);
    }
    // Counted and failed like the others, but never passed on: these tests
    // check what the engine asks of the platform, not what survives a power
    // cut, and a real flush costs milliseconds on every run of a sweep.
    static int fsync(int fd) {
        FaultyDisk *d = active();
        if (d && d->faultHere("flush")) return -1;
        (void)fd;
        return 0;
    }
    static int close(int fd) {
        FaultyDisk *d = active();
        if (d && d->faultHere("close")) {
            // The handle goes whatever close reports, as on POSIX systems.
            real().close(fd);
            return -1;
        }
        return real().close(fd);
    }

    static int rename(const char *from, const char *to) {
        FaultyDisk *d = active();
        if (d && d->faultHere("rename")) return -1;
        return real().rename(from, to);
    }
    static int mkdir(const char *path, mode_t mode) {
        FaultyDisk *d = active();
        if (d && d->faultHere("mkdir")) return -1;
        return real().mkdir(path, mode);
    }
    static int rmdir(const char *path) {
        FaultyDisk *d = active();
        if (d && d->faultHere("rmdir")) return -1;
        return real().rmdir(path);
    }
    static int unlink(const char *path) {
        FaultyDisk *d = active();
        if (d && d->faultHere("unlink")) return -1;
        return real().unlink(path);
    }

    FaultPlan plan_;
    long calls_ = 0;
    long injected_ = 0;
    long injectedNotRead_ = 0;
    bool fullAfterShort_ = false;
    std::string what_;
};

}  // namespace rely
