#include "message_box.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "brindle.h"
#include "platform.h"
#include "ui_theme.h"
#include "utf.h"

namespace vp {

namespace {
constexpr int kWidth = 224;
constexpr int kCaptionHeight = 20;
constexpr int kButtonWidth = 56, kButtonHeight = 20, kButtonGap = 10;
constexpr int kMargin = 8;

class MessageWindow : public Window {
public:
    MessageWindow(std::u16string text, std::u16string caption, Buttons buttons)
        : text_(std::move(text)), caption_(std::move(caption)) {
        if (buttons == Buttons::Ok)
            buttons_ = {{u"OK", kAnswerOk}};
        else
            buttons_ = {{u"Yes", kAnswerYes}, {u"No", kAnswerNo}};
        const UiTheme &t = uiTheme();
        if (t.text) lines_ = wrapText(*t.text, text_, kWidth - 2 * kMargin);
        int lineHeight = t.text ? t.text->height() + 1 : 14;
        int h = kCaptionHeight + kMargin + int(lines_.size()) * lineHeight + kMargin + kButtonHeight + kMargin;
        h = std::min(h, kScreenHeight);
        rect = rectXYWH((kScreenWidth - kWidth) / 2, std::max(0, (kScreenHeight - h) / 2), kWidth, h);
        lineHeight_ = lineHeight;
    }
    int answer = 0;

    void paint(Canvas &c) override {
        const UiTheme &t = uiTheme();
        Rect r{0, 0, rect.width(), rect.height()};
        c.fill(r, t.face);
        c.fill({0, 0, r.right, kCaptionHeight}, t.caption);
        if (t.bold) c.text({kMargin, 0, r.right - kMargin, kCaptionHeight}, caption_, *t.bold, t.captionInk, Align::Left);
        c.frame(r, t.border);
        int y = kCaptionHeight + kMargin;
        for (const std::u16string &line : lines_) {
            if (t.text) c.text({kMargin, y, r.right - kMargin, y + lineHeight_}, line, *t.text, t.ink, Align::Left);
            y += lineHeight_;
        }
        for (size_t i = 0; i < buttons_.size(); i++)
            drawButton(c, buttonRect(i), buttons_[i].first, int(i) == pressed_);
    }

    void penDown(Point p) override { pressed_ = buttonAt(p); }
    void penMove(Point p) override {
        if (pressed_ >= 0 && buttonAt(p) != pressed_) pressed_ = -1;
    }
    void penUp(Point p) override {
        int i = buttonAt(p);
        if (i >= 0 && i == pressed_) answer = buttons_[size_t(i)].second;
        pressed_ = -1;
    }
    bool key(const Event &e) override {
        if (e.type == Event::Type::KeyPress && e.key == Key::Enter) answer = buttons_.front().second;
        if (e.type == Event::Type::KeyPress && e.key == Key::Escape) answer = buttons_.back().second;
        return true;
    }
    bool scriptAnswer(const Event &e) override {
        if (e.type != Event::Type::Answer) return false;
        for (auto &b : buttons_)
            if (b.first == e.text) {
                answer = b.second;
                return true;
            }
        return false;
    }
    void report(StateReport &r) const override {
        MessageState m{caption_, text_, {}};
        for (auto &b : buttons_) m.buttons.push_back(b.first);
        r.message = std::move(m);
    }

private:
    Rect buttonRect(size_t i) const {
        int n = int(buttons_.size());
        int total = n * kButtonWidth + (n - 1) * kButtonGap;
        int x = (rect.width() - total) / 2 + int(i) * (kButtonWidth + kButtonGap);
        return rectXYWH(x, rect.height() - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
    }
    int buttonAt(Point p) const {
        for (size_t i = 0; i < buttons_.size(); i++)
            if (buttonRect(i).contains(p)) return int(i);
        return -1;
    }
    std::u16string text_, caption_;
    std::vector<std::pair<std::u16string, int>> buttons_;
    std::vector<std::u16string> lines_;
    int lineHeight_ = 14;
    int pressed_ = -1;
};

void showEngineError(const char *caption, const char *message) {
    if (!Platform::current()) {
        std::fprintf(stderr, "%s\n%s\n", caption ? caption : "", message ? message : "");
        return;
    }
    messageBox(fromUtf8(message ? message : ""), fromUtf8(caption ? caption : ""), Buttons::Ok);
}
}  // namespace

int messageBox(const std::u16string &text, const std::u16string &caption, Buttons buttons) {
    Platform &p = Platform::get();
    MessageWindow w(text, caption, buttons);
    p.addOverlay(&w);
    p.runModal(w, [&] { return w.answer != 0; });
    p.removeOverlay(&w);
    // A run cut short by quitting answers as Escape would.
    if (w.answer == 0) return buttons == Buttons::Ok ? kAnswerOk : kAnswerNo;
    return w.answer;
}

void installEngineErrorBox() { error4setDisplay(showEngineError); }

}  // namespace vp
