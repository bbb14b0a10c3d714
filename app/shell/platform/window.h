// A rectangle of the screen that draws itself and takes the pen: the frame's
// bars, the page view and its host windows, cell panels, and the platform's
// own pop-ups, dialogs, editors and keyboard. Windows form a tree; a
// window's rectangle is in its parent's coordinates and it paints and
// receives the pen in its own (0,0 at its top-left). Children are not owned.
#pragma once
#include <vector>

#include "canvas.h"
#include "event.h"
#include "state_report.h"

namespace vp {

class Window {
public:
    virtual ~Window();
    Window() = default;
    Window(const Window &) = delete;
    Window &operator=(const Window &) = delete;

    Rect rect;             // in the parent's coordinates
    bool visible = true;

    Window *parent() const { return parent_; }
    const std::vector<Window *> &children() const { return children_; }
    void addChild(Window *w);
    void removeChild(Window *w);
    void show(bool on);
    // Whether this window and every parent are visible.
    bool shown() const;
    Rect screenRect() const;
    Point toLocal(Point screen) const;
    bool contains(const Window *w) const;  // w is this window or below it
    // The deepest visible window under a local point (this one if no child is).
    Window *hit(Point local);

    // Paints this window and then its visible children.
    void paintTree(Canvas &c);
    virtual void paint(Canvas &) {}

    // Pen handlers, in local coordinates.
    virtual void penDown(Point) {}
    virtual void penMove(Point) {}
    virtual void penUp(Point) {}
    virtual void doubleTap(Point p) { penDown(p); }
    // Key presses and typed text; true when handled.
    virtual bool key(const Event &) { return false; }
    // The wheel over this window; true when handled.
    virtual bool wheel(int, Point) { return false; }
    virtual bool acceptsFocus() const { return false; }
    // A pen-down here leaves the focus where it is (the soft keyboard).
    virtual bool keepsFocus() const { return false; }
    virtual void focusLost() {}
    // Adds what `state` dumps of this window.
    virtual void report(StateReport &) const {}
    // Answers of the script (Choose, MenuChoose, Answer) for a modal window; true when taken.
    virtual bool scriptAnswer(const Event &) { return false; }

    // Asks for a repaint of the whole screen.
    static void invalidate();
    // Asks for a repaint of a part of this window (local coordinates) only.
    void invalidateArea(const Rect &local) const;
    // True for a window that asks for the repaints its pen handling needs
    // itself (invalidateArea), so that the pen alone repaints nothing.
    virtual bool paintsOwnChanges() const { return false; }

private:
    Window *parent_ = nullptr;
    std::vector<Window *> children_;
};

}  // namespace vp
