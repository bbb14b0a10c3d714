// A multi-line text box: the text wrapped at word boundaries to the box's
// width ("\r\n" and "\n" break lines; Enter inserts "\r\n"), with a caret,
// a selection (pen drag or Shift with the arrows), vertical scrolling (the
// wheel, Page Up/Down, a scroll bar when the text overflows) and the caret
// kept in view.
#pragma once
#include <string>
#include <vector>

#include "text_edit.h"
#include "window.h"

namespace vp {

class TextBox : public Window {
public:
    void setFont(const Font *font);
    void setText(std::u16string text);
    const std::u16string &text() const { return edit_.text; }
    const TextEdit &state() const { return edit_; }
    bool modified() const { return modified_; }
    void setModified(bool m) { modified_ = m; }
    int topLine() const { return top_; }
    int lineCount() const { return int(lines_.size()); }
    int visibleLines() const;
    // The line holding a text position.
    int lineOf(size_t pos) const;

    void paint(Canvas &c) override;
    void penDown(Point p) override;
    void penMove(Point p) override;
    bool key(const Event &e) override;
    bool wheel(int amount, Point) override;
    bool acceptsFocus() const override { return true; }
    void report(StateReport &r) const override;

private:
    struct Line {
        size_t start, end;  // the line's text, without its break
    };
    void layout();
    int lineHeight() const;
    int textWidth() const;
    size_t positionAt(Point p) const;
    int xOf(size_t pos) const;
    void scrollTo(int line);
    void keepCaretVisible();
    void moveVertically(int lines, bool extend);
    const Font *font_ = nullptr;
    TextEdit edit_;
    std::vector<Line> lines_;
    int top_ = 0;
    int laidOutWidth_ = -1;
    bool modified_ = false;
};

}  // namespace vp
