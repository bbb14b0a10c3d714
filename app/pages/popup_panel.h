// A cell panel shown as a modal pop-up in a host window of the page view:
// the keypad and the month calendar.
//
// A run (runModal): the host moves to the given page position and shows the
// panel, which takes the focus; the device beeps; the pen is captured (every
// pen event goes to the panel) and a 333 ms timer runs. The run ends with
//   -1  a pen-down outside the panel, the focus lost, Escape, or the
//       program quitting;
//   -1  the timer finding the pen held down outside the panel (dragged off
//       it): the held pen is then passed on to the window under it, which
//       gets a pen-down there and the pen-up that follows;
//    1  the panel's own confirmation (confirm()), after which the device
//       beeps again.
// Afterwards the timer and the capture are released, the host is hidden
// and the focus goes back where it was.
#pragma once
#include <string>

#include "cell_panel.h"
#include "shell/pane_manager.h"

namespace vpages {

// A rectangle of a window (a cell of a panel) in page coordinates, as the
// pop-ups' placement rules take it.
vp::Rect cellOnPage(const vp::Window &panel, const vp::Rect &cell);

class PopupPanel : public CellPanel {
public:
    static constexpr int kTimerMs = 333;

    PopupPanel(std::string name, int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    // Shows the panel in host with its top-left at a page point and waits for
    // the end of the run: 1 confirmed, -1 cancelled.
    int runModal(vshell::HostWindow &host, vp::Point at);
    bool running() const { return running_; }
    // End the run with 1 (confirmed) or -1.
    void confirm();
    void cancel();

    // The cells of small pop-ups: image or background, then the label
    // aligned over the whole cell (no padding: the keys are 20 pixels wide).
    void paint(vp::Canvas &c) override;
    void penDown(vp::Point p) override;
    void penMove(vp::Point p) override;
    void penUp(vp::Point p) override;
    // A quick second tap is one more tap (two taps on "7" type "77").
    void doubleTap(vp::Point p) override { penDown(p); }
    bool acceptsFocus() const override { return true; }
    void focusLost() override;
    // Escape cancels.
    bool key(const vp::Event &e) override;

    // While a menu of the panel is open the focus may leave the panel
    // without ending the run; it comes back when the menu closes.
    class MenuOpen {
    public:
        explicit MenuOpen(PopupPanel &p) : panel_(p) { panel_.inMenu_ = true; }
        ~MenuOpen();
        MenuOpen(const MenuOpen &) = delete;
        MenuOpen &operator=(const MenuOpen &) = delete;

    private:
        PopupPanel &panel_;
    };

private:
    void tick();
    // Forgets a key still shown pressed from the last run.
    void releasePress() { CellPanel::penUp({-1, -1}); }
    int width_, height_;
    int result_ = 0;
    bool running_ = false;
    bool inMenu_ = false;
    bool penHeld_ = false;
    bool handOff_ = false;
    vp::Point penAt_;  // screen
};

}  // namespace vpages
