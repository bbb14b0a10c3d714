#include "progress.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace brindle {

Progress::Progress(const std::string &what, long total, const char *phase) : what_(what), total_(total), phase_(phase) {
    if (!isatty(2)) return;
    long delayMs = 1000;
    if (const char *e = std::getenv("BRINDLE_PROGRESS_DELAY_MS")) delayMs = std::atol(e);
    thread_ = std::thread([this, delayMs] { run(delayMs); });
}

Progress::~Progress() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Progress::run(long delayMs) {
    std::unique_lock<std::mutex> hold(lock_);
    if (wake_.wait_for(hold, std::chrono::milliseconds(delayMs), [this] { return stop_; })) return;
    bool shown = false;
    for (;;) {
        char line[160];
        const char *phase = phase_.load(std::memory_order_relaxed);
        long done = done_.load(std::memory_order_relaxed);
        if (phase) std::snprintf(line, sizeof line, "brindle: %s: %s", what_.c_str(), phase);
        else if (total_ >= 0) std::snprintf(line, sizeof line, "brindle: %s: %ld of %ld records", what_.c_str(), done, total_);
        else std::snprintf(line, sizeof line, "brindle: %s: %ld records", what_.c_str(), done);
        std::fprintf(stderr, "\r%s\033[K", line);
        std::fflush(stderr);
        shown = true;
        if (wake_.wait_for(hold, std::chrono::milliseconds(250), [this] { return stop_; })) break;
    }
    if (shown) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
}

}  // namespace brindle
