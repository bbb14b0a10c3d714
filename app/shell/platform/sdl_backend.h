// The window backend: one SDL window showing the canvas at an integer scale,
// presented through the window surface with framebuffer acceleration off
// (the OpenGL renderer costs ~150 ms at start under a plain X server). The
// mouse and touch are the pen (a double click is a double tap), SDL text
// input is the keyboard, timers are SDL timers posting events.
#pragma once
#include <map>
#include <memory>

#include "backend.h"

namespace vp {

class SdlBackend : public Backend {
public:
    SdlBackend();
    ~SdlBackend() override;
    // The scale to use: the one asked for (1 ... 4), or with 0 the largest
    // that fits the display's usable area.
    int chooseScale(int requested) override;
    bool start(const Canvas &canvas) override;
    void present(const Canvas &canvas) override;
    Event next() override;
    uint64_t now() override;
    void startTimer(int id, int intervalMs) override;
    void stopTimer(int id) override;
    void setWaitCursor(bool on) override;
    void setTitle(const std::string &title) override;
    void flash(const Canvas &canvas) override;
    bool headless() const override { return false; }
    // Translates one SDL event; false when it means nothing to the platform.
    bool translate(const void *sdlEvent, Event &out);

private:
    void blit(const Canvas &canvas, bool inverted);
    struct State;
    std::unique_ptr<State> s_;
};

}  // namespace vp
