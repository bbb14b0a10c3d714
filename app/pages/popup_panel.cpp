#include "popup_panel.h"

#include "shell/platform/platform.h"

namespace vpages {

vp::Rect cellOnPage(const vp::Window &panel, const vp::Rect &cell) {
    vp::Rect s = panel.screenRect();
    return cell.offset(s.left, s.top - vp::kTitleBarHeight);
}

PopupPanel::PopupPanel(std::string name, int width, int height)
    : CellPanel(std::move(name)), width_(width), height_(height) {
    rect = {0, 0, width, height};
}

PopupPanel::MenuOpen::~MenuOpen() {
    panel_.inMenu_ = false;
    if (panel_.running_) vp::Platform::get().setFocus(&panel_);
}

int PopupPanel::runModal(vshell::HostWindow &host, vp::Point at) {
    vp::Platform &p = vp::Platform::get();
    vp::Window *before = p.focus();
    host.place(this, vp::rectXYWH(at.x, at.y, width_, height_));
    releasePress();
    result_ = 0;
    penHeld_ = handOff_ = inMenu_ = false;
    running_ = true;
    p.setFocus(this);
    p.beep();
    int timer = p.setTimer(kTimerMs, [this] { tick(); });
    p.runModal(host, [this] { return result_ != 0; }, [this](vp::Point) { cancel(); });
    p.killTimer(timer);
    running_ = false;
    if (result_ == 0) result_ = -1;  // the program is quitting
    releasePress();
    host.clear();
    if (p.focus() == this) p.setFocus(before && before->shown() ? before : nullptr);
    if (handOff_) {
        vp::Event e;
        e.type = vp::Event::Type::PenDown;
        e.pt = penAt_;
        p.dispatch(e);
    }
    return result_;
}

void PopupPanel::confirm() {
    if (!running_ || result_ != 0) return;
    result_ = 1;
    vp::Platform::get().beep();
}

void PopupPanel::cancel() {
    if (running_ && result_ == 0) result_ = -1;
}

void PopupPanel::paint(vp::Canvas &c) {
    if (filled) c.fill({0, 0, rect.width(), rect.height()}, fillColor);
    for (const Cell &cell : cells) {
        if (!cell.shown) continue;
        const CellStyle *s = cell.style;
        if (cell.image)
            c.image(*cell.image, cell.source, {cell.rect.left, cell.rect.top});
        else if (s && !s->transparent)
            c.fill(cell.rect, s->background);
        if (s && s->font && !cell.text.empty()) c.text(cell.rect, cell.text, *s->font, s->text, s->align);
    }
}

void PopupPanel::penDown(vp::Point p) {
    vp::Rect s = screenRect();
    penHeld_ = true;
    penAt_ = {s.left + p.x, s.top + p.y};
    CellPanel::penDown(p);
}

void PopupPanel::penMove(vp::Point p) {
    vp::Rect s = screenRect();
    penAt_ = {s.left + p.x, s.top + p.y};
    CellPanel::penMove(p);
}

void PopupPanel::penUp(vp::Point p) {
    penHeld_ = false;
    CellPanel::penUp(p);
}

void PopupPanel::focusLost() {
    if (!inMenu_) cancel();
}

bool PopupPanel::key(const vp::Event &e) {
    if (e.type == vp::Event::Type::KeyPress && e.key == vp::Key::Escape) {
        cancel();
        return true;
    }
    return false;
}

void PopupPanel::tick() {
    if (!running_ || !penHeld_ || screenRect().contains(penAt_)) return;
    handOff_ = true;
    penHeld_ = false;
    cancel();
}

}  // namespace vpages
