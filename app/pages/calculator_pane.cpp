#include "calculator_pane.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "shell/platform/platform.h"
#include "shell/platform/soft_keyboard.h"

namespace vpages {

namespace {
constexpr int kCalculatorHost = 5;  // the pane manager's host window of the keypad
constexpr int kKeySize = 20;
constexpr int kKeyPitch = 21;
constexpr int kKeyMargin = 2;
constexpr int kMaxDecimals = 30;
const vp::Rect kKeyPicture{0, 0, 20, 20};
const vp::Rect kBackspacePicture{20, 0, 40, 20};
const Color kPanelColor = rgb(240, 224, 208);
const Color kBorderColor = rgb(192, 176, 160);
const Color kDigitInk = rgb(128, 0, 0);
const Color kClearInk = rgb(0, 0, 128);
constexpr int kBackspaceKey = 3, kClearKey = 7, kClearEntryKey = 11, kSignKey = 14, kEqualsKey = 15;
const char16_t *const kLabels[CalculatorPane::kKeyCount] = {u"7", u"8", u"9", u"",  u"4", u"5", u"6",   u"C",
                                                            u"1", u"2", u"3", u"CE", u"0", u".", u"+/-", u"="};
}  // namespace

// The panel: key pictures (pressed while the pen is on them), the border,
// and typing on a real keyboard.
class CalculatorPane::Keypad : public PopupPanel {
public:
    Keypad(CalculatorPane &owner, const vp::Image *up, const vp::Image *down)
        : PopupPanel("calculator", kSize, kSize), owner_(owner), up_(up), down_(down) {
        fillColor = kPanelColor;
        columns = 4;
    }
    void paint(vp::Canvas &c) override {
        for (size_t i = 0; i < cells.size(); i++) cells[i].image = int(i) == pressed() ? down_ : up_;
        PopupPanel::paint(c);
        c.frame({0, 0, rect.width(), rect.height()}, kBorderColor);
    }
    bool key(const vp::Event &e) override {
        if (PopupPanel::key(e)) return true;
        if (e.type == vp::Event::Type::KeyPress) {
            int k = keyOf(e, 0);
            if (k >= 0) owner_.press(k);
            return k >= 0;
        }
        if (e.type != vp::Event::Type::Text) return false;
        for (char16_t ch : e.text) {
            int k = keyOf(e, ch);
            if (k >= 0) owner_.press(k);
            if (k == kEqualsKey) break;
        }
        return true;
    }

private:
    CalculatorPane &owner_;
    const vp::Image *up_, *down_;
};

CalculatorPane::CalculatorPane(vshell::Globals &g) : g_(g) {
    vshell::SkinImages &skin = g.skin;
    keypad_ = std::make_unique<Keypad>(*this, skin.image(5), skin.image(6));
    digitStyle_ = {.text = kDigitInk, .align = vp::Align::Center, .font = skin.font(5), .transparent = true};
    clearStyle_ = digitStyle_;
    clearStyle_.text = kClearInk;
    signStyle_ = clearStyle_;
    signStyle_.font = skin.font(4);
    makeKeys();
    keypad_->onTap = [this](int cell, vp::Point) { press(cell); };
}

CalculatorPane::~CalculatorPane() = default;

const PopupPanel &CalculatorPane::panel() const { return *keypad_; }

void CalculatorPane::makeKeys() {
    keypad_->cells.resize(kKeyCount);
    for (int i = 0; i < kKeyCount; i++) {
        Cell &k = keypad_->cells[size_t(i)];
        k.rect = vp::rectXYWH(kKeyMargin + kKeyPitch * (i % 4), kKeyMargin + kKeyPitch * (i / 4), kKeySize, kKeySize);
        k.text = kLabels[i];
        k.source = i == kBackspaceKey ? kBackspacePicture : kKeyPicture;
        k.style = i == kSignKey ? &signStyle_ : (i == kClearKey || i == kClearEntryKey) ? &clearStyle_ : &digitStyle_;
        actions_[size_t(i)] = kAppend;
    }
    actions_[kBackspaceKey] = kBackspace;
    actions_[kClearKey] = actions_[kClearEntryKey] = kClear;
    actions_[kSignKey] = kSign;
    actions_[kEqualsKey] = kEquals;
}

void CalculatorPane::activate(bool shown, int) {
    if (!shown && !keypad_->running()) g_.panes.host(kCalculatorHost).clear();
}

void CalculatorPane::open(Cell &cell, int decimals) {
    target_ = &cell;
    decimals_ = std::clamp(decimals, 0, kMaxDecimals);
    fresh_ = true;
}

int CalculatorPane::run(vp::Point at) {
    if (!target_) return -1;
    if (vp::SoftKeyboard *k = vp::SoftKeyboard::current()) k->show(false);
    int result = keypad_->runModal(g_.panes.host(kCalculatorHost), at);
    if (result != 1) target_->text = format(target_->number);
    vp::Window::invalidate();
    return result;
}

vp::Point CalculatorPane::placement(const vp::Rect &cell) {
    int x = cell.right < kSize ? cell.left : cell.right - kSize;
    int y = vp::kPageHeight - cell.bottom < kSize ? cell.top - kSize : cell.bottom;
    return {x, y};
}

std::u16string CalculatorPane::format(double value) const {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%.*f", decimals_, value);
    std::string s(buf);
    return std::u16string(s.begin(), s.end());
}

double CalculatorPane::readNumber(const std::u16string &text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) i++;
    if (i < text.size() && text[i] == u'+') i++;
    std::string ascii;
    for (; i < text.size() && text[i] < 0x80; i++) ascii += char(text[i]);
    double value = 0;
    auto r = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (r.ec != std::errc() || !std::isfinite(value)) return 0;
    return value;
}

int CalculatorPane::keyOf(const vp::Event &e, char16_t c) {
    if (e.type == vp::Event::Type::KeyPress) {
        switch (e.key) {
        case vp::Key::Backspace: return kBackspaceKey;
        case vp::Key::Delete: return kClearKey;
        case vp::Key::Enter: return kEqualsKey;
        default: return -1;
        }
    }
    if (c == u'-') return kSignKey;
    if (c == u'=') return kEqualsKey;
    if ((c >= u'0' && c <= u'9') || c == u'.')
        for (int i = 0; i < kKeyCount; i++)
            if (kLabels[i][0] == c && kLabels[i][1] == 0) return i;
    return -1;
}

void CalculatorPane::press(int key) {
    if (!target_ || key < 0 || key >= kKeyCount) return;
    Action a = actions_[size_t(key)];
    std::u16string &display = target_->text;
    if (fresh_ && a != kBackspace && a != kSign && a != kEquals) display.clear();
    fresh_ = false;
    switch (a) {
    case kAppend: display += kLabels[key]; break;
    case kBackspace:
        if (display.empty())
            vp::Platform::get().beep();
        else
            display.pop_back();
        break;
    case kClear: display.clear(); break;
    case kSign:
        if (!display.empty() && display[0] == u'-')
            display.erase(0, 1);
        else
            display.insert(display.begin(), u'-');
        break;
    case kEquals:
        target_->number = readNumber(display);
        display = format(target_->number);
        keypad_->confirm();
        break;
    }
    vp::Window::invalidate();
}

}  // namespace vpages
