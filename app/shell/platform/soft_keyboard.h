// The soft keyboard: a panel of keys at the bottom of the page area, just
// above the command bar, that types into the focused window without taking
// the focus. show() raises or lowers it and tells onChange, so a page can
// fit itself above it; panelRect() reports its size (empty while hidden).
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "window.h"

namespace vp {

constexpr int kKeyboardHeight = 80;

class SoftKeyboard : public Window {
public:
    SoftKeyboard();
    ~SoftKeyboard() override;
    // The keyboard of the running program, if any.
    static SoftKeyboard *current();

    void show(bool on);
    // In screen coordinates; empty while hidden.
    Rect panelRect() const;
    std::function<void()> onChange;

    void paint(Canvas &c) override;
    void penDown(Point p) override;
    void penMove(Point p) override;
    void penUp(Point p) override;
    bool keepsFocus() const override { return true; }
    void report(StateReport &r) const override { r.keyboardShown = true; }

    struct KeyCap {
        Rect rect;
        std::u16string label;
        std::u16string text;     // typed text (lower case), or empty for a special key
        std::u16string shifted;  // typed with Shift or Caps
        Key key = Key::None;     // for a special key
        int toggle = 0;          // 1 Shift, 2 Caps
    };
    const std::vector<KeyCap> &keys() const { return keys_; }

private:
    int keyAt(Point p) const;
    void press(const KeyCap &k);
    std::vector<KeyCap> keys_;
    int pressed_ = -1;
    bool shift_ = false, caps_ = false;
};

}  // namespace vp
