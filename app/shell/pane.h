// A full page shown by the pane manager. activate(true, reason) lays it out
// and refreshes it as it is shown; activate(false, reason) tidies up as it
// is hidden. The rest is what the shell and `state` ask of the page.
#pragma once
#include <optional>
#include <string>

#include "platform/event.h"
#include "platform/geometry.h"

namespace vshell {

// Reasons that come with a switch.
enum Reason : int { kReasonRequery = 0, kReasonResort = 2, kReasonReturn = 3, kReasonPlainReturn = -1 };

class Pane {
public:
    virtual ~Pane() = default;
    virtual void activate(bool shown, int reason) = 0;
    // The text of the page's title strip.
    virtual std::u16string title() const { return {}; }
    // The counter of the page's bottom strip, when it has one.
    virtual std::optional<std::u16string> counter() const { return std::nullopt; }
    // Desktop habits: keys no window took (arrows, Page Up/Down, Home, End,
    // Enter) and the wheel over the page; true when used.
    virtual bool key(const vp::Event &) { return false; }
    virtual bool wheel(int) { return false; }
    // The soft keyboard was raised or lowered; panel is its rectangle on
    // the screen (empty when lowered). Told to the field text editor.
    virtual void keyboardChanged(const vp::Rect &) {}
};

}  // namespace vshell
