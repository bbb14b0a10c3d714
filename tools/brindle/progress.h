// Progress of long work (a sort, a count, a dump) on standard error, only
// when standard error is a terminal and only once the work has taken a
// second (BRINDLE_PROGRESS_DELAY_MS overrides the wait, for tests). A line
// "brindle: dump: 120000 of 1000000 records" is rewritten in place a few
// times a second and erased when the work ends.
#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace brindle {

class Progress {
public:
    // total < 0 when the number of records to come is not known; phase, when
    // given, is what happens first.
    Progress(const std::string &what, long total, const char *phase = nullptr);
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    void set(long done) { done_.store(done, std::memory_order_relaxed); }
    // What is happening now ("sorting"), shown instead of the count.
    void phase(const char *text) { phase_.store(text, std::memory_order_relaxed); }

private:
    void run(long delayMs);
    std::string what_;
    long total_;
    std::atomic<long> done_{0};
    std::atomic<const char *> phase_{nullptr};
    std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace brindle
