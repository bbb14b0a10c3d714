// The headless runner: plays a script (see script.h) against the canvas
// without initialising SDL, on a clock of its own that only `wait` moves
// (timers fire as the clock passes them), writing NAME.png screenshots and
// NAME.json state dumps into the output folder. The end of the script ends
// the run; so does an event that cannot be carried out, with its line number.
#pragma once
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "backend.h"
#include "script.h"

namespace vp {

class HeadlessBackend : public Backend {
public:
    HeadlessBackend(std::string scriptPath, std::string outDir);
    // For tests: a script given as text.
    static std::unique_ptr<HeadlessBackend> fromText(const std::string &script, std::string outDir);

    bool start(const Canvas &canvas) override;
    void present(const Canvas &) override { presents_++; }
    Event next() override;
    uint64_t now() override { return clock_; }
    void startTimer(int id, int intervalMs) override;
    void stopTimer(int id) override { timers_.erase(id); }
    bool headless() const override { return true; }
    bool writeShot(const Canvas &canvas, const std::string &name) override;
    bool writeState(const std::string &json, const std::string &name) override;
    void fail(int line, const std::string &message) override;
    bool failed() const override { return failed_; }
    int presents() const { return presents_; }

private:
    struct Timer {
        int interval;
        uint64_t due;
    };
    std::string scriptPath_, outDir_, scriptText_;
    bool haveText_ = false;
    std::vector<ScriptStep> steps_;
    size_t nextStep_ = 0;
    std::deque<Event> queue_;
    std::map<int, Timer> timers_;
    uint64_t clock_ = 0;
    uint64_t waitUntil_ = 0;
    bool failed_ = false;
    int presents_ = 0;
};

}  // namespace vp
