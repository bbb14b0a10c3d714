#include "sink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "session.h"

namespace brindle {

namespace {
void reportWriteFailure(int err) { complain(std::string("cannot write the output: ") + std::strerror(err)); }
}  // namespace

bool Sink::flush() {
    if (failed_) {
        buffer.clear();
        return false;
    }
    size_t done = 0;
    while (done < buffer.size()) {
        ssize_t n = ::write(fd_, buffer.data() + done, buffer.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            reportWriteFailure(n < 0 ? errno : EIO);
            failed_ = true;
            break;
        }
        done += (size_t)n;
    }
    buffer.clear();
    return !failed_;
}

bool stdoutWritten() {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    reportWriteFailure(errno ? errno : EIO);
    return false;
}

}  // namespace brindle
