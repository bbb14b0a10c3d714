// The platform: the screen's window tree and canvas, the event loop and its
// nested (modal) runs, focus and pen capture, timers, the beep and the wait
// cursor, over one of the two backends. There is one platform per program;
// pages reach it through Platform::get().
//
// Routing: a pen-down goes to the deepest visible window under the pen (the
// open modal window's tree while one runs; overlays before the page), which
// then captures the pen until pen-up. Keys and text go to the focused window
// and up its parents; what none takes goes to the shell's onKey. A pen-down
// outside the focused window takes the focus away (the window is told),
// unless it lands on a window that keeps the focus (the soft keyboard).
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "backend.h"
#include "canvas.h"
#include "font.h"
#include "window.h"

namespace vp {

class Platform {
public:
    Platform(std::unique_ptr<Backend> backend, int scale);
    ~Platform();
    Platform(const Platform &) = delete;
    Platform &operator=(const Platform &) = delete;
    static Platform &get();
    static Platform *current() { return instance_; }
    static void invalidateAll();
    // Adds a part of the screen to repaint; the next paint draws the window
    // tree clipped to the parts asked for, unless the whole screen is due.
    static void invalidateScreenArea(const Rect &screen);
    // A window being destroyed is dropped from focus, capture and overlays.
    static void forget(Window *w);

    Canvas &canvas() { return canvas_; }
    FontLibrary &fonts() { return fonts_; }
    Backend &backend() { return *backend_; }
    Window &root() { return root_; }

    bool start();
    // The main loop: until quit; returns the exit status.
    int run();
    void quit(int status = 0);
    bool quitting() const { return quitting_; }
    // Waits for one event and handles it (painting first when needed).
    void processOne();
    void dispatch(const Event &e);
    // Paints the screen now and presents it.
    void paintNow();

    // Top-level windows above the page, in screen coordinates, last on top.
    void addOverlay(Window *w);
    void removeOverlay(Window *w);

    // A nested event loop in which every event goes to w's tree, until done()
    // or quit. A pen-down outside w calls outside (with the screen point).
    void runModal(Window &w, const std::function<bool()> &done,
                  const std::function<void(Point)> &outside = {});
    Window *modal() const { return modals_.empty() ? nullptr : modals_.back().window; }

    void setFocus(Window *w);
    Window *focus() const { return focus_; }

    // Calls f every ms milliseconds until killed; returns the timer's id.
    int setTimer(int ms, std::function<void()> f);
    void killTimer(int id);

    void beep();
    int beeps() const { return beeps_; }
    // Nested: the cursor is the wait cursor while any request is on.
    void setWaitCursor(bool on);
    bool waitCursorShown() const { return waitCursor_ > 0; }
    // How many times the wait cursor has been put up.
    int waitCursorsShown() const { return waitCursors_; }

    // What the shell adds: commands of the script, keys no window took, the
    // pane and title of a state dump.
    std::function<void(int)> onCommand;
    std::function<bool(const Event &)> onKey;
    std::function<void(StateReport &)> onState;

    StateReport gatherState();

private:
    struct Modal {
        Window *window;
        std::function<void(Point)> outside;
    };
    class Root : public Window {
        void paint(Canvas &) override;
    };
    void paint();
    Window *penTarget(Point screen, bool &outside);
    void routePen(const Event &e);
    void routeKey(const Event &e);
    void routeWheel(const Event &e);
    void writeShot(const Event &e);
    void writeState(const Event &e);

    static Platform *instance_;
    std::unique_ptr<Backend> backend_;
    Canvas canvas_;
    FontLibrary fonts_;
    Root root_;
    std::vector<Window *> overlays_;
    std::vector<Modal> modals_;
    Window *focus_ = nullptr;
    Window *capture_ = nullptr;
    std::map<int, std::function<void()>> timers_;
    int nextTimer_ = 1;
    bool dirty_ = true;
    Rect damage_;  // screen parts to repaint when not dirty_
    bool quitting_ = false;
    int status_ = 0;
    int beeps_ = 0;
    int waitCursor_ = 0;
    int waitCursors_ = 0;
    int waitCursorsReported_ = 0;
};

// Shows the wait cursor for as long as it lives.
class WaitCursor {
public:
    WaitCursor() { Platform::get().setWaitCursor(true); }
    ~WaitCursor() { Platform::get().setWaitCursor(false); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

}  // namespace vp
