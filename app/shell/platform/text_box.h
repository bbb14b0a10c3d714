// A multi-line text box: the text wrapped at word boundaries to the box's
// width ("\r\n" and "\n" break lines; Enter inserts "\r\n"), with a caret,
// a selection (pen drag or Shift with the arrows), vertical scrolling (the
// wheel, Page Up/Down, a scroll bar when the text overflows) and the caret
// kept in view. A limit caps what typing can make of the text (in UTF-16
// units; the device beeps when typed text is cut to fit); text set by the
// program is kept whole.
#pragma once
#include <cstddef>
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
    void setLimit(size_t units) { limit_ = units; }
    size_t limit() const { return limit_; }
    // Selects the whole text and scrolls its end into view.
    void selectAll();
    void scrollToCaret() { keepCaretVisible(); }
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
    // Replaces the selection with s, or with as much of it as the limit leaves room for.
    void type(std::u16string_view s);
    const Font *font_ = nullptr;
    TextEdit edit_;
    std::vector<Line> lines_;
    int top_ = 0;
    int laidOutWidth_ = -1;
    bool modified_ = false;
    size_t limit_ = std::u16string::npos;
};

}  // namespace vp
