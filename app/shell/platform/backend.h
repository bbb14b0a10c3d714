// The two ways the screen reaches a person or a test: an SDL window, and the
// headless runner that plays a script and never initialises SDL. The
// platform draws on its canvas and asks the backend only to present it, for
// the next event, for the time and for timers.
#pragma once
#include <cstdint>
#include <string>

#include "canvas.h"
#include "event.h"

namespace vp {

class Backend {
public:
    virtual ~Backend() = default;
    // The scale to draw at for a requested one (0: the backend's choice).
    virtual int chooseScale(int requested) { return requested >= 1 && requested <= 4 ? requested : 1; }
    // Prepares to show a canvas of this size; false when it cannot (the message is printed).
    virtual bool start(const Canvas &canvas) = 0;
    virtual void present(const Canvas &canvas) = 0;
    // The next event; waits for one.
    virtual Event next() = 0;
    // Milliseconds from an arbitrary start.
    virtual uint64_t now() = 0;
    // A timer that sends Timer events with this id every interval until stopped.
    virtual void startTimer(int id, int intervalMs) = 0;
    virtual void stopTimer(int id) = 0;
    virtual void setWaitCursor(bool) {}
    // The window's caption (UTF-8).
    virtual void setTitle(const std::string &) {}
    // The beep: a short visual flash of the screen.
    virtual void flash(const Canvas &) {}
    virtual bool headless() const = 0;
    // Headless only: the screenshot and state files of the script.
    virtual bool writeShot(const Canvas &, const std::string &) { return false; }
    virtual bool writeState(const std::string &, const std::string &) { return false; }
    // Headless only: a script event that could not be carried out ends the run.
    virtual void fail(int, const std::string &) {}
    virtual bool failed() const { return false; }
};

}  // namespace vp
