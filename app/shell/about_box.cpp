#include "about_box.h"

#include "platform/platform.h"
#include "platform/ui_theme.h"

namespace vshell {

namespace {
const char16_t kCaption[] = u"About Vandrel";
const char16_t kLine[] = u"Vandrel Version 1.0";
const vp::Rect kOk{188, 3, 234, 21};

// The program's icon, 32 x 32: a table with a header row and a pen across it.
void drawIcon(vp::Canvas &c, vp::Point at) {
    using vp::rgb;
    c.fill(vp::rectXYWH(at.x, at.y + 4, 28, 26), rgb(255, 255, 255));
    c.fill(vp::rectXYWH(at.x, at.y + 4, 28, 6), rgb(0, 64, 128));
    c.frame(vp::rectXYWH(at.x, at.y + 4, 28, 26), rgb(0, 64, 128));
    for (int y = at.y + 16; y < at.y + 30; y += 6) c.line({at.x + 1, y}, {at.x + 26, y}, rgb(160, 160, 160));
    c.line({at.x + 12, at.y + 10}, {at.x + 12, at.y + 28}, rgb(160, 160, 160));
    for (int k = 0; k < 3; k++) c.line({at.x + 14 + k, at.y + 28}, {at.x + 29 + k, at.y + 6}, rgb(128, 0, 0));
    c.line({at.x + 13, at.y + 30}, {at.x + 15, at.y + 29}, rgb(0, 0, 0));
}

class AboutWindow : public vp::Window {
public:
    AboutWindow() { rect = {0, vp::kTitleBarHeight, vp::kScreenWidth, vp::kCommandBarTop}; }
    bool done = false;
    void paint(vp::Canvas &c) override {
        const vp::UiTheme &t = vp::uiTheme();
        c.fill({0, 0, rect.width(), rect.height()}, t.face);
        c.fill({0, 0, rect.width(), 24}, t.caption);
        if (t.bold) c.text({6, 0, 180, 24}, kCaption, *t.bold, t.captionInk, vp::Align::Left);
        vp::drawButton(c, kOk, u"OK", pressed_);
        drawIcon(c, {12, 36});
        if (t.bold) c.text({56, 44, 236, 62}, kLine, *t.bold, t.ink, vp::Align::Left);
        c.line({8, 80}, {rect.width() - 9, 80}, t.shadow);
    }
    void penDown(vp::Point p) override { pressed_ = kOk.contains(p); }
    void penMove(vp::Point p) override { pressed_ = pressed_ && kOk.contains(p); }
    void penUp(vp::Point p) override {
        if (pressed_ && kOk.contains(p)) done = true;
        pressed_ = false;
    }
    bool key(const vp::Event &e) override {
        if (e.type == vp::Event::Type::KeyPress && (e.key == vp::Key::Enter || e.key == vp::Key::Escape)) done = true;
        return true;
    }
    bool scriptAnswer(const vp::Event &e) override {
        if (e.type != vp::Event::Type::Answer || e.text != u"OK") return false;
        done = true;
        return true;
    }
    void report(vp::StateReport &r) const override { r.message = vp::MessageState{kCaption, kLine, {u"OK"}}; }

private:
    bool pressed_ = false;
};
}  // namespace

void showAboutBox() {
    vp::Platform &p = vp::Platform::get();
    AboutWindow w;
    p.addOverlay(&w);
    p.runModal(w, [&] { return w.done; });
    p.removeOverlay(&w);
}

}  // namespace vshell
