#include "field_editor_pane.h"

#include <algorithm>
#include <string>

#include "shell/platform/platform.h"
#include "shell/platform/soft_keyboard.h"

namespace vpages {

namespace {
enum Hosts { kTitleHost = 0, kMainHost = 1, kBottomHost = 2 };
enum StripCells { kCounterCell = 0, kCancelCell = 1, kSaveCell = 2 };
constexpr int kPageLeft = 4, kPageRight = 236;
constexpr int kBoxTop = 22;
constexpr int kMinBoxHeight = 28;
const vp::Rect kButtonFace{315, 0, 365, FieldEditorPane::kStripHeight};
const vp::Rect kButtonPressed{366, 0, 416, FieldEditorPane::kStripHeight};

std::u16string ascii(const std::string &s) { return std::u16string(s.begin(), s.end()); }
}  // namespace

// The bottom strip: the counter and the two buttons, drawn pressed while the
// pen is down on them.
class FieldEditorPane::ButtonStrip : public CellPanel {
public:
    ButtonStrip() : CellPanel("commands") {}
    void paint(vp::Canvas &c) override {
        for (int b : {kCancelCell, kSaveCell}) cells[size_t(b)].source = pressed() == b ? kButtonPressed : kButtonFace;
        CellPanel::paint(c);
    }
};

FieldEditorPane::FieldEditorPane(vshell::Globals &g) : g_(g), strip_(std::make_unique<ButtonStrip>()) {
    vshell::SkinImages &skin = g.skin;
    titleStyle_ = {.text = rgb(255, 255, 255), .font = skin.font(5), .transparent = true};
    counterStyle_ = {.text = rgb(0, 0, 0), .font = skin.font(1), .transparent = true};
    buttonStyle_ = {.text = rgb(0, 0, 0), .align = vp::Align::Center, .font = skin.font(1), .transparent = true};

    titleStrip_.cells.resize(1);
    titleStrip_.cells[0] = {.rect = {0, 0, 168, kTitleStrip.height()}, .style = &titleStyle_};
    titleStrip_.background = skin.image(1);
    titleStrip_.backgroundSource = {0, 0, kTitleStrip.width(), kTitleStrip.height()};

    box_.setFont(skin.font(1));

    const vp::Image *strip = skin.image(4);
    strip_->background = strip;
    strip_->backgroundSource = {0, 0, kPageRight - kPageLeft, kStripHeight};
    strip_->cells.resize(3);
    strip_->cells[kCounterCell] = {.rect = {4, 1, 124, 21}, .style = &counterStyle_};
    strip_->cells[kCancelCell] = {.rect = {128, 0, 178, kStripHeight}, .text = u"Cancel", .style = &buttonStyle_,
                                  .image = strip, .source = kButtonFace};
    strip_->cells[kSaveCell] = {.rect = {180, 0, 230, kStripHeight}, .text = u"Save", .style = &buttonStyle_,
                                .image = strip, .source = kButtonFace};
    strip_->onTap = [this](int cell, vp::Point) {
        if (cell == kCancelCell) finish(false);
        if (cell == kSaveCell) finish(true);
    };
}

FieldEditorPane::~FieldEditorPane() = default;

size_t FieldEditorPane::limitFor(const vandrel::FieldEntry &entry, const std::u16string &text) {
    int length = std::max(0, entry.length);
    size_t units = size_t(entry.type == 'W' ? length / 2 : length);
    return std::max(units, text.size());
}

void FieldEditorPane::edit(Cell &cell, vandrel::FieldEntry &entry) {
    cell_ = &cell;
    entry_ = &entry;
    g_.panes.switchTo(vshell::kTextEditorPane, 2, vshell::kReasonPlainReturn);
}

void FieldEditorPane::activate(bool shown, int) {
    vp::Platform &p = vp::Platform::get();
    vp::SoftKeyboard *keyboard = vp::SoftKeyboard::current();
    if (!shown) {
        shown_ = false;
        if (keyboard) keyboard->show(false);
        if (p.focus() == &box_) p.setFocus(nullptr);
        for (int h : {kTitleHost, kMainHost, kBottomHost}) g_.panes.host(h).clear();
        return;
    }
    shown_ = true;
    saved_ = false;
    std::u16string text = cell_ ? cell_->text : std::u16string();
    limit_ = entry_ ? limitFor(*entry_, text) : 0;
    titleStrip_.cells[0].text = entry_ ? entry_->wideName : std::u16string();
    strip_->cells[kCounterCell].text = ascii("Max Length = " + std::to_string(limit_));
    if (keyboard) keyboard->show(true);  // tells keyboardChanged, which lays the page out
    layout(keyboard ? keyboard->panelRect() : vp::Rect{0, vp::kCommandBarTop, vp::kScreenWidth, vp::kCommandBarTop});
    box_.setLimit(limit_);
    box_.setText(std::move(text));
    p.setFocus(&box_);
    box_.selectAll();
}

void FieldEditorPane::layout(const vp::Rect &keyboard) {
    int keyboardTop = std::min(keyboard.top - vp::kTitleBarHeight, vp::kPageHeight);
    stripTop_ = std::max(kBoxTop + kMinBoxHeight, keyboardTop - kStripAboveKeyboard - kStripHeight);
    g_.panes.host(kTitleHost).place(&titleStrip_, kTitleStrip);
    g_.panes.host(kMainHost).place(&box_, {kPageLeft, kBoxTop, kPageRight, stripTop_});
    g_.panes.host(kBottomHost).place(strip_.get(), {kPageLeft, stripTop_, kPageRight, stripTop_ + kStripHeight});
    box_.scrollToCaret();
}

void FieldEditorPane::keyboardChanged(const vp::Rect &panel) {
    if (shown_) layout(panel);
}

std::u16string FieldEditorPane::title() const { return titleStrip_.cells[0].text; }

std::optional<std::u16string> FieldEditorPane::counter() const { return strip_->cells[kCounterCell].text; }

bool FieldEditorPane::key(const vp::Event &e) {
    if (e.type != vp::Event::Type::KeyPress || e.key != vp::Key::Escape || e.mods != 0) return false;
    finish(false);
    return true;
}

void FieldEditorPane::finish(bool save) {
    if (save && cell_ && entry_) {
        cell_->text = box_.text();
        entry_->valueText = box_.text();
    }
    saved_ = save;
    g_.panes.switchTo(-1, 3, vshell::kReasonPlainReturn);
}

}  // namespace vpages
