#include "headless_backend.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "png_writer.h"

namespace vp {

HeadlessBackend::HeadlessBackend(std::string scriptPath, std::string outDir)
    : scriptPath_(std::move(scriptPath)), outDir_(std::move(outDir)) {}

std::unique_ptr<HeadlessBackend> HeadlessBackend::fromText(const std::string &script, std::string outDir) {
    auto b = std::make_unique<HeadlessBackend>("script", std::move(outDir));
    b->scriptText_ = script;
    b->haveText_ = true;
    return b;
}

bool HeadlessBackend::start(const Canvas &) {
    if (!haveText_) {
        std::ifstream in(scriptPath_, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "vandrel: cannot read the script %s\n", scriptPath_.c_str());
            return false;
        }
        std::ostringstream s;
        s << in.rdbuf();
        scriptText_ = s.str();
    }
    std::string error;
    if (!parseScript(scriptText_, steps_, error)) {
        std::fprintf(stderr, "vandrel: %s: %s\n", scriptPath_.c_str(), error.c_str());
        return false;
    }
    if (!outDir_.empty()) ::mkdir(outDir_.c_str(), 0777);
    return true;
}

Event HeadlessBackend::next() {
    for (;;) {
        if (failed_) return Event{};
        if (!queue_.empty()) {
            Event e = queue_.front();
            queue_.pop_front();
            return e;
        }
        if (waitUntil_ > clock_) {
            // The earliest timer due within the wait fires next.
            auto first = timers_.end();
            for (auto it = timers_.begin(); it != timers_.end(); ++it)
                if (it->second.due <= waitUntil_ && (first == timers_.end() || it->second.due < first->second.due))
                    first = it;
            if (first == timers_.end()) {
                clock_ = waitUntil_;
                continue;
            }
            clock_ = std::max(clock_, first->second.due);
            first->second.due += uint64_t(std::max(1, first->second.interval));
            Event e;
            e.type = Event::Type::Timer;
            e.timer = first->first;
            return e;
        }
        if (nextStep_ >= steps_.size()) return Event{};  // the script's end: quit
        const ScriptStep &s = steps_[nextStep_++];
        if (s.waitMs >= 0) waitUntil_ = clock_ + uint64_t(s.waitMs);
        for (const Event &e : s.events) queue_.push_back(e);
    }
}

void HeadlessBackend::startTimer(int id, int intervalMs) { timers_[id] = {intervalMs, clock_ + uint64_t(intervalMs)}; }

bool HeadlessBackend::writeShot(const Canvas &canvas, const std::string &name) {
    return writePng(outDir_ + "/" + name + ".png", canvas.pixels(), canvas.deviceWidth(), canvas.deviceHeight());
}

bool HeadlessBackend::writeState(const std::string &json, const std::string &name) {
    std::ofstream out(outDir_ + "/" + name + ".json", std::ios::binary);
    out << json;
    return bool(out.flush());
}

void HeadlessBackend::fail(int line, const std::string &message) {
    if (failed_) return;
    std::fprintf(stderr, "vandrel: %s: line %d: %s\n", scriptPath_.c_str(), line, message.c_str());
    failed_ = true;
}

}  // namespace vp
