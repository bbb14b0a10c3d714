#include "text_box.h"

#include <algorithm>

#include "platform.h"
#include "ui_theme.h"

namespace vp {

namespace {
constexpr int kPad = 3;
constexpr int kScrollWidth = 12;
bool isBreak(char16_t c) { return c == u'\n' || c == u'\r'; }
}  // namespace

void TextBox::setFont(const Font *font) {
    font_ = font;
    laidOutWidth_ = -1;
    layout();
}

void TextBox::selectAll() {
    edit_.selectAll();
    keepCaretVisible();
    invalidate();
}

void TextBox::type(std::u16string_view s) {
    size_t kept = edit_.text.size() - (edit_.selectionEnd() - edit_.selectionStart());
    size_t room = kept < limit_ ? limit_ - kept : 0;
    if (s.size() > room) {
        size_t n = room;
        // Never half of a surrogate pair or of a line end.
        if (n > 0 && ((s[n - 1] >= 0xD800 && s[n - 1] < 0xDC00) || (s[n - 1] == u'\r' && s[n] == u'\n'))) n--;
        s = s.substr(0, n);
        if (Platform *p = Platform::current()) p->beep();
        if (s.empty()) return;  // nothing fits: the selection stays
    }
    edit_.insert(s);
}

void TextBox::setText(std::u16string text) {
    edit_.set(std::move(text));
    edit_.moveTo(0, false);
    top_ = 0;
    modified_ = false;
    laidOutWidth_ = -1;
    layout();
    invalidate();
}

int TextBox::lineHeight() const { return font_ ? font_->height() + 1 : 14; }
int TextBox::visibleLines() const { return std::max(1, (rect.height() - 2 * kPad) / lineHeight()); }

int TextBox::textWidth() const {
    int w = rect.width() - 2 * kPad;
    if (!font_) return w;
    return std::max(8, w - kScrollWidth);  // room for the scroll bar, shown or not, so lines do not jump
}

void TextBox::layout() {
    lines_.clear();
    const std::u16string &t = edit_.text;
    if (!font_) {
        lines_.push_back({0, t.size()});
        return;
    }
    int width = textWidth();
    laidOutWidth_ = rect.width();
    size_t start = 0;
    while (true) {
        size_t i = start, lastSpace = std::string::npos;
        int w = 0;
        while (i < t.size() && !isBreak(t[i])) {
            int a = font_->advance(t[i]);
            if (w + a > width && i > start) break;
            if (t[i] == u' ') lastSpace = i;
            w += a;
            i++;
        }
        if (i >= t.size() || isBreak(t[i])) {
            lines_.push_back({start, i});
            if (i >= t.size()) break;
            start = edit_.next(i);
            if (start >= t.size()) {
                lines_.push_back({start, start});
                break;
            }
            continue;
        }
        // Wrapped: after the last blank when there is one, else where it overflowed.
        size_t end = lastSpace != std::string::npos ? lastSpace + 1 : i;
        lines_.push_back({start, end});
        start = end;
    }
}

int TextBox::lineOf(size_t pos) const {
    for (size_t i = lines_.size(); i-- > 0;)
        if (pos >= lines_[i].start) return int(i);
    return 0;
}

int TextBox::xOf(size_t pos) const {
    const Line &l = lines_[size_t(lineOf(pos))];
    return kPad + font_->measure(std::u16string_view(edit_.text).substr(l.start, std::min(pos, l.end) - l.start));
}

size_t TextBox::positionAt(Point p) const {
    int line = std::clamp(top_ + (p.y - kPad) / lineHeight(), 0, int(lines_.size()) - 1);
    const Line &l = lines_[size_t(line)];
    size_t best = l.start;
    int x = kPad;
    for (size_t i = l.start; i < l.end; i++) {
        int a = font_->advance(edit_.text[i]);
        if (x + a / 2 > p.x) break;
        x += a;
        best = i + 1;
    }
    return best;
}

void TextBox::scrollTo(int line) {
    int maxTop = std::max(0, int(lines_.size()) - visibleLines());
    top_ = std::clamp(line, 0, maxTop);
    invalidate();
}

void TextBox::keepCaretVisible() {
    int line = lineOf(edit_.caret);
    if (line < top_) scrollTo(line);
    if (line >= top_ + visibleLines()) scrollTo(line - visibleLines() + 1);
}

void TextBox::paint(Canvas &c) {
    if (laidOutWidth_ != rect.width()) layout();
    const UiTheme &t = uiTheme();
    Rect r{0, 0, rect.width(), rect.height()};
    c.fill(r, t.face);
    c.frame(r, t.shadow);
    if (!font_) return;
    int lh = lineHeight();
    size_t selA = edit_.selectionStart(), selB = edit_.selectionEnd();
    for (int i = 0; i < visibleLines() && top_ + i < int(lines_.size()); i++) {
        const Line &l = lines_[size_t(top_ + i)];
        int y = kPad + i * lh;
        c.textAt(kPad, y + font_->ascent(), std::u16string_view(edit_.text).substr(l.start, l.end - l.start), *font_,
                 t.ink);
        size_t a = std::max(selA, l.start), b = std::min(selB, l.end);
        if (edit_.hasSelection() && a < b) c.invert({xOf(a), y, xOf(b), y + lh});
    }
    int caretLine = lineOf(edit_.caret);
    if (!edit_.hasSelection() && caretLine >= top_ && caretLine < top_ + visibleLines()) {
        int x = xOf(edit_.caret), y = kPad + (caretLine - top_) * lh;
        c.fill({x, y, x + 1, y + lh}, t.ink);
    }
    if (int(lines_.size()) > visibleLines()) {
        Rect bar{r.right - kScrollWidth, 1, r.right - 1, r.bottom - 1};
        c.fill(bar, t.button);
        int n = int(lines_.size());
        int thumbTop = bar.top + bar.height() * top_ / n;
        int thumbHeight = std::max(8, bar.height() * visibleLines() / n);
        c.fill({bar.left + 1, thumbTop, bar.right - 1, std::min(bar.bottom, thumbTop + thumbHeight)}, t.shadow);
    }
}

void TextBox::penDown(Point p) {
    if (!font_) return;
    if (int(lines_.size()) > visibleLines() && p.x >= rect.width() - kScrollWidth) {
        int n = int(lines_.size());
        int thumbTop = rect.height() * top_ / n;
        scrollTo(top_ + (p.y < thumbTop ? -visibleLines() : visibleLines()));
        return;
    }
    edit_.moveTo(positionAt(p), false);
    invalidate();
}

void TextBox::penMove(Point p) {
    if (!font_) return;
    edit_.moveTo(positionAt(p), true);
    keepCaretVisible();
    invalidate();
}

void TextBox::moveVertically(int lines, bool extend) {
    int line = lineOf(edit_.caret);
    int target = std::clamp(line + lines, 0, int(lines_.size()) - 1);
    if (target == line) {
        edit_.moveTo(lines < 0 ? 0 : edit_.text.size(), extend);
        return;
    }
    int x = xOf(edit_.caret);
    edit_.moveTo(positionAt({x, kPad + (target - top_) * lineHeight()}), extend);
}

bool TextBox::key(const Event &e) {
    if (!font_) return false;
    if (e.type == Event::Type::Text) {
        type(e.text);
        modified_ = true;
    } else if (e.type == Event::Type::KeyPress) {
        bool shift = e.mods & kShift;
        const Line &line = lines_[size_t(lineOf(edit_.caret))];
        switch (e.key) {
        case Key::Enter:
            type(u"\r\n");
            modified_ = true;
            break;
        case Key::Tab:
            type(u"\t");
            modified_ = true;
            break;
        case Key::Backspace:
            edit_.backspace();
            modified_ = true;
            break;
        case Key::Delete:
            edit_.deleteForward();
            modified_ = true;
            break;
        case Key::Left: edit_.moveTo(edit_.previous(edit_.caret), shift); break;
        case Key::Right: edit_.moveTo(edit_.next(edit_.caret), shift); break;
        case Key::Home: edit_.moveTo(line.start, shift); break;
        case Key::End: edit_.moveTo(line.end, shift); break;
        case Key::Up: moveVertically(-1, shift); break;
        case Key::Down: moveVertically(1, shift); break;
        case Key::PageUp:
            moveVertically(-visibleLines(), shift);
            break;
        case Key::PageDown: moveVertically(visibleLines(), shift); break;
        case Key::Char:
            if ((e.mods & kCtrl) && e.ch == 'a') edit_.selectAll();
            else return false;
            break;
        default: return false;
        }
    } else {
        return false;
    }
    layout();
    keepCaretVisible();
    invalidate();
    return true;
}

bool TextBox::wheel(int amount, Point) {
    scrollTo(top_ - amount * 3);
    return true;
}

void TextBox::report(StateReport &r) const {
    PanelState s;
    s.name = "textbox";
    s.top = top_;
    s.selected = lineOf(edit_.caret);
    for (const Line &l : lines_) s.rows.push_back({edit_.text.substr(l.start, l.end - l.start)});
    r.panels.push_back(std::move(s));
}

}  // namespace vp
