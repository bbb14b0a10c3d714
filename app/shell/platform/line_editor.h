// The in-place cell editor: one hidden one-line text box shared by every
// page. begin() lays it over a cell with the cell's font and text (a single
// blank when the cell is empty), selects all of it, takes the focus and
// raises the soft keyboard. The edit ends when the box loses the focus (a
// pen-down anywhere else, in any cell panel too) or on Enter: the text,
// without leading and trailing blanks, goes to the owner's callback and the
// box hides. Escape hides it without telling the owner.
#pragma once
#include <functional>
#include <string>

#include "text_edit.h"
#include "window.h"

namespace vp {

class LineEditor : public Window {
public:
    void begin(const Rect &screenRect, const Font *font, const std::u16string &text,
               std::function<void(const std::u16string &)> onEnd);
    void end();
    void cancel();
    bool editing() const { return editing_; }
    const TextEdit &state() const { return edit_; }

    void paint(Canvas &c) override;
    void penDown(Point p) override;
    void penMove(Point p) override;
    bool key(const Event &e) override;
    bool acceptsFocus() const override { return editing_; }
    void focusLost() override { end(); }
    void report(StateReport &r) const override;

private:
    size_t positionAt(int x) const;
    int xOf(size_t pos) const;
    void scrollToCaret();
    const Font *font_ = nullptr;
    TextEdit edit_;
    std::function<void(const std::u16string &)> onEnd_;
    bool editing_ = false;
    int scroll_ = 0;
};

// Leading and trailing blanks removed.
std::u16string trimBlanks(std::u16string_view s);

}  // namespace vp
