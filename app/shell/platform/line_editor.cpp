#include "line_editor.h"

#include "platform.h"
#include "soft_keyboard.h"
#include "ui_theme.h"

namespace vp {

namespace {
constexpr int kPad = 2;
}

std::u16string trimBlanks(std::u16string_view s) {
    size_t a = 0, b = s.size();
    while (a < b && s[a] == u' ') a++;
    while (b > a && s[b - 1] == u' ') b--;
    return std::u16string(s.substr(a, b - a));
}

void LineEditor::begin(const Rect &r, const Font *font, const std::u16string &text,
                       std::function<void(const std::u16string &)> onEnd) {
    if (editing_) end();
    rect = r;
    font_ = font ? font : uiTheme().text;
    edit_.set(text.empty() ? u" " : text);
    edit_.selectAll();
    onEnd_ = std::move(onEnd);
    editing_ = true;
    scroll_ = 0;
    show(true);
    Platform::get().setFocus(this);
    if (SoftKeyboard *k = SoftKeyboard::current()) k->show(true);
    scrollToCaret();
}

void LineEditor::end() {
    if (!editing_) return;
    editing_ = false;
    show(false);
    auto done = std::move(onEnd_);
    onEnd_ = nullptr;
    if (Platform::get().focus() == this) Platform::get().setFocus(nullptr);
    if (done) done(trimBlanks(edit_.text));
}

void LineEditor::cancel() {
    if (!editing_) return;
    editing_ = false;
    onEnd_ = nullptr;
    show(false);
    if (Platform::get().focus() == this) Platform::get().setFocus(nullptr);
}

int LineEditor::xOf(size_t pos) const {
    return kPad - scroll_ + font_->measure(std::u16string_view(edit_.text).substr(0, pos));
}

size_t LineEditor::positionAt(int x) const {
    size_t best = 0;
    for (size_t p = 0; p <= edit_.text.size(); p = edit_.next(p)) {
        if (xOf(p) <= x + 1) best = p;
        if (p == edit_.text.size()) break;
    }
    return best;
}

void LineEditor::scrollToCaret() {
    if (!font_) return;
    int x = xOf(edit_.caret);
    int w = rect.width() - 2 * kPad;
    if (x < kPad) scroll_ -= kPad - x;
    if (x > kPad + w - 1) scroll_ += x - (kPad + w - 1);
    if (scroll_ < 0) scroll_ = 0;
}

void LineEditor::paint(Canvas &c) {
    if (!font_) return;
    const UiTheme &t = uiTheme();
    Rect r{0, 0, rect.width(), rect.height()};
    c.fill(r, t.face);
    c.frame(r, t.ink);
    Canvas::Scope inner(c, r.inset(1));
    int baseline = (r.height() - font_->height()) / 2 + font_->ascent() - 1;
    c.textAt(kPad - 1 - scroll_, baseline, edit_.text, *font_, t.ink);
    if (edit_.hasSelection()) {
        c.invert({xOf(edit_.selectionStart()) - 1, 1, xOf(edit_.selectionEnd()) - 1, r.height() - 3});
    } else {
        int x = xOf(edit_.caret) - 1;
        c.fill({x, 1, x + 1, r.height() - 3}, t.ink);
    }
}

void LineEditor::penDown(Point p) {
    edit_.moveTo(positionAt(p.x), false);
    invalidate();
}

void LineEditor::penMove(Point p) {
    edit_.moveTo(positionAt(p.x), true);
    scrollToCaret();
    invalidate();
}

bool LineEditor::key(const Event &e) {
    if (!editing_) return false;
    if (e.type == Event::Type::Text) {
        std::u16string s;
        for (char16_t c : e.text)
            if (c >= 0x20) s += c;
        edit_.insert(s);
    } else if (e.type == Event::Type::KeyPress) {
        bool shift = e.mods & kShift;
        switch (e.key) {
        case Key::Enter: end(); return true;
        case Key::Escape: cancel(); return true;
        case Key::Backspace: edit_.backspace(); break;
        case Key::Delete: edit_.deleteForward(); break;
        case Key::Left:
            edit_.moveTo(edit_.hasSelection() && !shift ? edit_.selectionStart() : edit_.previous(edit_.caret), shift);
            break;
        case Key::Right:
            edit_.moveTo(edit_.hasSelection() && !shift ? edit_.selectionEnd() : edit_.next(edit_.caret), shift);
            break;
        case Key::Home: edit_.moveTo(0, shift); break;
        case Key::End: edit_.moveTo(edit_.text.size(), shift); break;
        case Key::Char:
            if ((e.mods & kCtrl) && e.ch == 'a') edit_.selectAll();
            else return false;
            break;
        default: return false;
        }
    } else {
        return false;
    }
    scrollToCaret();
    invalidate();
    return true;
}

void LineEditor::report(StateReport &r) const {
    if (editing_) r.editor = edit_.text;
}

}  // namespace vp
