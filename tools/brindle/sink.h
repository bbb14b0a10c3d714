// Standard output, buffered, with every failed write an error: the first
// failure is reported once ("cannot write the output") and the command
// stops with exit status 1.
#pragma once
#include <string>

namespace brindle {

class Sink {
public:
    explicit Sink(int fd = 1) : fd_(fd) { buffer.reserve(kChunk * 2); }
    ~Sink() { flush(); }
    Sink(const Sink &) = delete;
    Sink &operator=(const Sink &) = delete;

    std::string buffer;  // append here, then call spill() now and then
    // Writes the buffer out once it is large; false after a failed write.
    bool spill() { return buffer.size() < kChunk ? !failed_ : flush(); }
    // Writes out everything; false after a failed write.
    bool flush();
    bool failed() const { return failed_; }

private:
    static constexpr size_t kChunk = 1 << 16;
    int fd_;
    bool failed_ = false;
};

// Flushes standard output's stdio buffer; false (reported) when any write
// to it failed.
bool stdoutWritten();

}  // namespace brindle
