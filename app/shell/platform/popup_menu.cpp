#include "popup_menu.h"

#include <algorithm>

#include "platform.h"
#include "ui_theme.h"

namespace vp {

namespace {
constexpr int kItemHeight = 18;
constexpr int kSeparatorHeight = 7;
constexpr int kCheckColumn = 16;
constexpr int kRightPadding = 12;
constexpr int kMinWidth = 48;

int itemHeight(const MenuItem &m) { return m.separator() ? kSeparatorHeight : kItemHeight; }

class MenuWindow : public Window {
public:
    MenuWindow(const PopupMenu &menu) : menu_(menu) {}
    int chosen = 0;
    bool closed = false;

    void paint(Canvas &c) override {
        const UiTheme &t = uiTheme();
        Rect r{0, 0, rect.width(), rect.height()};
        c.fill(r, t.face);
        c.frame(r, t.border);
        int y = 1;
        for (size_t i = 0; i < menu_.items().size(); i++) {
            const MenuItem &m = menu_.items()[i];
            int h = itemHeight(m);
            if (m.separator()) {
                c.line({3, y + h / 2}, {r.right - 4, y + h / 2}, t.shadow);
            } else {
                Rect row{1, y, r.right - 1, y + h};
                bool lit = int(i) == pressed_ && m.enabled;
                if (lit) c.fill(row, t.highlight);
                Color ink = lit ? t.highlightInk : m.enabled ? t.ink : t.grayInk;
                if (m.checked) drawCheck(c, {row.left + 4, row.top + h / 2}, ink);
                if (t.text) c.text({kCheckColumn, y, r.right - 4, y + h}, m.text, *t.text, ink, Align::Left);
            }
            y += h;
        }
    }

    void penDown(Point p) override {
        pressed_ = itemAt(p);
        invalidate();
    }
    void penMove(Point p) override {
        int i = itemAt(p);
        if (i != pressed_) {
            pressed_ = i;
            invalidate();
        }
    }
    void penUp(Point p) override {
        int i = itemAt(p);
        if (i >= 0 && i == pressed_) choose(i);
        pressed_ = -1;
        invalidate();
    }

    bool key(const Event &e) override {
        if (e.type != Event::Type::KeyPress) return true;
        if (e.key == Key::Escape) {
            closed = true;
        } else if (e.key == Key::Enter) {
            if (pressed_ >= 0) choose(pressed_);
        } else if (e.key == Key::Up || e.key == Key::Down) {
            int n = int(menu_.items().size());
            int step = e.key == Key::Down ? 1 : -1;
            int i = pressed_;
            for (int k = 0; k < n; k++) {
                i = i < 0 ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
                if (!menu_.items()[size_t(i)].separator() && menu_.items()[size_t(i)].enabled) {
                    pressed_ = i;
                    break;
                }
            }
        }
        return true;
    }

    bool scriptAnswer(const Event &e) override {
        if (e.type != Event::Type::MenuChoose) return false;
        for (size_t i = 0; i < menu_.items().size(); i++) {
            if (menu_.items()[i].separator() || menu_.items()[i].text != e.text) continue;
            choose(int(i));  // a disabled item is taken and does nothing, as a tap on it
            return true;
        }
        return false;
    }

    void report(StateReport &r) const override {
        std::vector<MenuItemState> items;
        for (const MenuItem &m : menu_.items())
            if (!m.separator()) items.push_back({m.text, m.id, m.enabled, m.checked});
        r.menu = std::move(items);
    }

private:
    void choose(int i) {
        const MenuItem &m = menu_.items()[size_t(i)];
        if (m.separator() || !m.enabled) return;
        chosen = m.id;
        closed = true;
    }
    int itemAt(Point p) const {
        if (p.x < 0 || p.x >= rect.width()) return -1;
        int y = 1;
        for (size_t i = 0; i < menu_.items().size(); i++) {
            int h = itemHeight(menu_.items()[i]);
            if (p.y >= y && p.y < y + h) return menu_.items()[i].separator() ? -1 : int(i);
            y += h;
        }
        return -1;
    }
    static void drawCheck(Canvas &c, Point mid, Color ink) {
        for (int k = 0; k < 2; k++) {
            c.line({mid.x, mid.y + k - 1}, {mid.x + 2, mid.y + k + 1}, ink);
            c.line({mid.x + 2, mid.y + k + 1}, {mid.x + 7, mid.y + k - 4}, ink);
        }
    }
    const PopupMenu &menu_;
    int pressed_ = -1;
};
}  // namespace

MenuItem *PopupMenu::find(int id) {
    for (MenuItem &m : items_)
        if (!m.separator() && m.id == id) return &m;
    return nullptr;
}

void PopupMenu::enable(int id, bool on) {
    if (MenuItem *m = find(id)) m->enabled = on;
}

void PopupMenu::check(int id, bool on) {
    if (MenuItem *m = find(id)) m->checked = on;
}

void PopupMenu::enableAll(bool on) {
    for (MenuItem &m : items_) m.enabled = on;
}

void PopupMenu::uncheckAll() {
    for (MenuItem &m : items_) m.checked = false;
}

Rect PopupMenu::placement(Point p, Anchor anchor) const {
    const UiTheme &t = uiTheme();
    int w = kMinWidth, h = 2;
    for (const MenuItem &m : items_) {
        h += itemHeight(m);
        if (!m.separator() && t.text) w = std::max(w, kCheckColumn + t.text->measure(m.text) + kRightPadding);
    }
    w = std::min(w, kScreenWidth);
    h = std::min(h, kScreenHeight);
    int x = (anchor & 1) ? p.x - w : p.x;
    int y = (anchor & 2) ? p.y - h : p.y;
    x = std::clamp(x, 0, kScreenWidth - w);
    y = std::clamp(y, 0, kScreenHeight - h);
    return rectXYWH(x, y, w, h);
}

int PopupMenu::track(Point screen, Anchor anchor) {
    if (items_.empty()) return 0;
    Platform &p = Platform::get();
    MenuWindow w(*this);
    w.rect = placement(screen, anchor);
    p.addOverlay(&w);
    p.runModal(w, [&] { return w.closed; }, [&](Point) { w.closed = true; });
    p.removeOverlay(&w);
    return w.chosen;
}

}  // namespace vp
