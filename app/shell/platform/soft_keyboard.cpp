#include "soft_keyboard.h"

#include "platform.h"
#include "ui_theme.h"

namespace vp {

namespace {
SoftKeyboard *g_keyboard = nullptr;
constexpr int kRowHeight = 16;
constexpr int kKeyWidth = 17;

// The arrows of the special keys, drawn: the fonts have no arrow glyphs.
bool drawArrow(Canvas &c, const Rect &r, char16_t label, Color ink) {
    int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    switch (label) {
    case u'\u2190':  // left (and backspace)
        c.line({x - 4, y}, {x + 4, y}, ink);
        c.line({x - 4, y}, {x - 1, y - 3}, ink);
        c.line({x - 4, y}, {x - 1, y + 3}, ink);
        return true;
    case u'\u2192':
        c.line({x - 4, y}, {x + 4, y}, ink);
        c.line({x + 4, y}, {x + 1, y - 3}, ink);
        c.line({x + 4, y}, {x + 1, y + 3}, ink);
        return true;
    case u'\u2191':
        c.line({x, y - 4}, {x, y + 4}, ink);
        c.line({x, y - 4}, {x - 3, y - 1}, ink);
        c.line({x, y - 4}, {x + 3, y - 1}, ink);
        return true;
    case u'\u2193':
        c.line({x, y - 4}, {x, y + 4}, ink);
        c.line({x, y + 4}, {x - 3, y + 1}, ink);
        c.line({x, y + 4}, {x + 3, y + 1}, ink);
        return true;
    case u'\u21b5':  // Enter: down, then left
        c.line({x + 4, y - 4}, {x + 4, y}, ink);
        c.line({x - 4, y}, {x + 4, y}, ink);
        c.line({x - 4, y}, {x - 1, y - 3}, ink);
        c.line({x - 4, y}, {x - 1, y + 3}, ink);
        return true;
    default: return false;
    }
}
}  // namespace

SoftKeyboard::SoftKeyboard() {
    rect = {0, kCommandBarTop - kKeyboardHeight, kScreenWidth, kCommandBarTop};
    visible = false;
    g_keyboard = this;
    int y = 0;
    auto chars = [&](int &x, const char16_t *lower, const char16_t *upper) {
        for (size_t i = 0; lower[i]; i++) {
            keys_.push_back({rectXYWH(x, y, kKeyWidth, kRowHeight), std::u16string(1, lower[i]),
                             std::u16string(1, lower[i]), std::u16string(1, upper[i])});
            x += kKeyWidth;
        }
    };
    auto special = [&](int &x, int w, const char16_t *label, Key key, int toggle = 0) {
        keys_.push_back({rectXYWH(x, y, w, kRowHeight), label, u"", u"", key, toggle});
        x += w;
    };
    int x = 0;
    chars(x, u"1234567890-=", u"!@#$%^&*()_+");
    special(x, kScreenWidth - x, u"\u2190", Key::Backspace);
    y += kRowHeight, x = 0;
    special(x, 20, u"Tab", Key::Tab);
    chars(x, u"qwertyuiop[]", u"QWERTYUIOP{}");
    chars(x, u"\\", u"|");
    y += kRowHeight, x = 0;
    special(x, 28, u"CAP", Key::None, 2);
    chars(x, u"asdfghjkl;'", u"ASDFGHJKL:\"");
    special(x, kScreenWidth - x, u"\u21b5", Key::Enter);
    y += kRowHeight, x = 0;
    special(x, 36, u"Shift", Key::None, 1);
    chars(x, u"zxcvbnm,./", u"ZXCVBNM<>?");
    special(x, kScreenWidth - x, u"Shift", Key::None, 1);
    y += kRowHeight, x = 0;
    chars(x, u"`", u"~");
    keys_.push_back({rectXYWH(x, y, 155, kRowHeight), u"", u" ", u" "});
    x += 155;
    special(x, kKeyWidth, u"\u2190", Key::Left);
    special(x, kKeyWidth, u"\u2192", Key::Right);
    special(x, kKeyWidth, u"\u2191", Key::Up);
    special(x, kScreenWidth - x, u"\u2193", Key::Down);
}

SoftKeyboard::~SoftKeyboard() {
    if (g_keyboard == this) g_keyboard = nullptr;
}

SoftKeyboard *SoftKeyboard::current() { return g_keyboard; }

void SoftKeyboard::show(bool on) {
    if (visible == on) return;
    Window::show(on);
    if (onChange) onChange();
}

Rect SoftKeyboard::panelRect() const { return visible ? rect : Rect{rect.left, rect.bottom, rect.right, rect.bottom}; }

void SoftKeyboard::paint(Canvas &c) {
    const UiTheme &t = uiTheme();
    c.fill({0, 0, rect.width(), rect.height()}, t.button);
    bool upper = shift_ != caps_;
    for (size_t i = 0; i < keys_.size(); i++) {
        const KeyCap &k = keys_[i];
        bool lit = int(i) == pressed_ || (k.toggle == 1 && shift_) || (k.toggle == 2 && caps_);
        c.fill(k.rect.inset(1), lit ? t.highlight : t.face);
        c.frame(k.rect, t.shadow);
        const Font *f = k.label.size() > 1 ? t.small : t.text;
        std::u16string label = !k.text.empty() && upper ? k.shifted : k.label;
        Color ink = lit ? t.highlightInk : t.ink;
        if (label.size() == 1 && drawArrow(c, k.rect, label[0], ink)) continue;
        if (f) c.text(k.rect, label, *f, ink, Align::Center);
    }
}

int SoftKeyboard::keyAt(Point p) const {
    for (size_t i = 0; i < keys_.size(); i++)
        if (keys_[i].rect.contains(p)) return int(i);
    return -1;
}

void SoftKeyboard::penDown(Point p) {
    pressed_ = keyAt(p);
    invalidate();
}

void SoftKeyboard::penMove(Point p) {
    if (keyAt(p) != pressed_) {
        pressed_ = -1;
        invalidate();
    }
}

void SoftKeyboard::penUp(Point p) {
    int k = keyAt(p);
    int was = pressed_;
    pressed_ = -1;
    invalidate();
    if (k >= 0 && k == was) press(keys_[size_t(k)]);
}

void SoftKeyboard::press(const KeyCap &k) {
    if (k.toggle == 1) {
        shift_ = !shift_;
        return;
    }
    if (k.toggle == 2) {
        caps_ = !caps_;
        return;
    }
    Event e;
    e.pt = {rect.left + k.rect.left, rect.top + k.rect.top};
    if (!k.text.empty()) {
        e.type = Event::Type::Text;
        e.text = shift_ != caps_ ? k.shifted : k.text;
        shift_ = false;
    } else {
        e.type = Event::Type::KeyPress;
        e.key = k.key;
    }
    Platform::get().dispatch(e);
}

}  // namespace vp
