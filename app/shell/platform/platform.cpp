#include "platform.h"

#include <algorithm>
#include <cstdio>

#include "utf.h"

namespace vp {

Platform *Platform::instance_ = nullptr;

Platform::Platform(std::unique_ptr<Backend> backend, int scale)
    : backend_(std::move(backend)), canvas_(kScreenWidth, kScreenHeight, backend_->chooseScale(scale)) {
    root_.rect = {0, 0, kScreenWidth, kScreenHeight};
    instance_ = this;
}

Platform::~Platform() {
    for (auto &t : timers_) backend_->stopTimer(t.first);
    if (instance_ == this) instance_ = nullptr;
}

Platform &Platform::get() { return *instance_; }

void Platform::invalidateAll() {
    if (instance_) instance_->dirty_ = true;
}

void Platform::invalidateScreenArea(const Rect &screen) {
    Platform *p = instance_;
    if (!p || screen.empty()) return;
    Rect &d = p->damage_;
    d = d.empty() ? screen
                  : Rect{std::min(d.left, screen.left), std::min(d.top, screen.top), std::max(d.right, screen.right),
                         std::max(d.bottom, screen.bottom)};
}

void Platform::forget(Window *w) {
    Platform *p = instance_;
    if (!p) return;
    if (p->focus_ && w->contains(p->focus_)) p->focus_ = nullptr;
    if (p->capture_ && w->contains(p->capture_)) p->capture_ = nullptr;
    p->overlays_.erase(std::remove(p->overlays_.begin(), p->overlays_.end(), w), p->overlays_.end());
}

bool Platform::start() { return backend_->start(canvas_); }

int Platform::run() {
    while (!quitting_) processOne();
    if (backend_->failed()) return 3;
    return status_;
}

void Platform::quit(int status) {
    if (!quitting_) status_ = status;
    quitting_ = true;
}

// The frame's bars and page view cover the whole screen.
void Platform::Root::paint(Canvas &) {}

void Platform::paint() {
    Rect area = dirty_ ? root_.rect : damage_;
    {
        Canvas::Clip clip(canvas_, area);
        root_.paintTree(canvas_);
        for (Window *w : overlays_) {
            if (!w->visible) continue;
            Canvas::Scope scope(canvas_, w->rect);
            w->paintTree(canvas_);
        }
    }
    dirty_ = false;
    damage_ = {};
}

void Platform::paintNow() {
    paint();
    backend_->present(canvas_);
}

void Platform::processOne() {
    if (dirty_ || !damage_.empty()) paintNow();
    dispatch(backend_->next());
}

void Platform::addOverlay(Window *w) {
    removeOverlay(w);
    overlays_.push_back(w);
    dirty_ = true;
}

void Platform::removeOverlay(Window *w) {
    auto it = std::find(overlays_.begin(), overlays_.end(), w);
    if (it == overlays_.end()) return;
    overlays_.erase(it);
    dirty_ = true;
}

void Platform::runModal(Window &w, const std::function<bool()> &done, const std::function<void(Point)> &outside) {
    modals_.push_back({&w, outside});
    capture_ = nullptr;
    dirty_ = true;
    while (!quitting_ && !done()) processOne();
    modals_.pop_back();
    capture_ = nullptr;
    dirty_ = true;
}

void Platform::setFocus(Window *w) {
    if (focus_ == w) return;
    Window *old = focus_;
    focus_ = w;
    if (old) old->focusLost();
    dirty_ = true;
}

int Platform::setTimer(int ms, std::function<void()> f) {
    int id = nextTimer_++;
    timers_[id] = std::move(f);
    backend_->startTimer(id, ms);
    return id;
}

void Platform::killTimer(int id) {
    if (timers_.erase(id)) backend_->stopTimer(id);
}

void Platform::beep() {
    beeps_++;
    if (dirty_) paint();
    backend_->flash(canvas_);
}

void Platform::setWaitCursor(bool on) {
    int before = waitCursor_;
    waitCursor_ = std::max(0, waitCursor_ + (on ? 1 : -1));
    if (before == 0 && waitCursor_ > 0) waitCursors_++;
    if ((before > 0) != (waitCursor_ > 0)) backend_->setWaitCursor(waitCursor_ > 0);
}

// The window a pen-down at a screen point goes to; outside is set when a
// modal window runs and the point is not on it.
Window *Platform::penTarget(Point screen, bool &outside) {
    outside = false;
    if (Window *m = modal()) {
        Rect r = m->screenRect();
        if (!r.contains(screen)) {
            outside = true;
            return nullptr;
        }
        return m->hit(m->toLocal(screen));
    }
    for (auto it = overlays_.rbegin(); it != overlays_.rend(); ++it) {
        Window *w = *it;
        if (w->visible && w->rect.contains(screen)) return w->hit(w->toLocal(screen));
    }
    return root_.hit(screen);
}

void Platform::routePen(const Event &e) {
    if (e.type == Event::Type::PenDown || e.type == Event::Type::DoubleTap) {
        bool outside = false;
        Window *target = penTarget(e.pt, outside);
        if (outside) {
            if (!modals_.empty() && modals_.back().outside) modals_.back().outside(e.pt);
            return;
        }
        if (!target) return;
        if (focus_ && !focus_->contains(target) && !target->keepsFocus())
            setFocus(target->acceptsFocus() ? target : nullptr);
        else if (!focus_ && target->acceptsFocus())
            setFocus(target);
        capture_ = target;
        if (!target->paintsOwnChanges()) dirty_ = true;
        if (e.type == Event::Type::PenDown)
            target->penDown(target->toLocal(e.pt));
        else
            target->doubleTap(target->toLocal(e.pt));
        return;
    }
    Window *target = capture_;
    if (e.type == Event::Type::PenUp) capture_ = nullptr;
    if (!target) return;
    if (!target->paintsOwnChanges()) dirty_ = true;
    if (e.type == Event::Type::PenMove)
        target->penMove(target->toLocal(e.pt));
    else
        target->penUp(target->toLocal(e.pt));
}

void Platform::routeKey(const Event &e) {
    Window *m = modal();
    Window *w = focus_;
    if (m && (!w || !m->contains(w))) w = m;
    for (; w; w = w->parent()) {
        if (w->key(e)) {
            dirty_ = true;
            return;
        }
        if (w == m) return;
    }
    if (!m && onKey && onKey(e)) dirty_ = true;
}

void Platform::routeWheel(const Event &e) {
    bool outside = false;
    Window *w = penTarget(e.pt, outside);
    Window *m = modal();
    for (; w; w = w->parent()) {
        if (w->wheel(e.amount, w->toLocal(e.pt))) {
            dirty_ = true;
            return;
        }
        if (w == m) return;
    }
}

StateReport Platform::gatherState() {
    StateReport r;
    if (onState) onState(r);
    std::function<void(const Window *)> walk = [&](const Window *w) {
        if (!w->visible) return;
        w->report(r);
        for (const Window *c : w->children()) walk(c);
    };
    walk(&root_);
    for (const Window *w : overlays_) walk(w);
    // Shown now, or put up since the previous dump (long work ends before
    // the script's next line runs).
    r.waitCursorShown = waitCursorShown() || waitCursors_ > waitCursorsReported_;
    r.waitCursors = waitCursors_;
    waitCursorsReported_ = waitCursors_;
    r.beeps = beeps_;
    r.scale = canvas_.scale();
    return r;
}

void Platform::writeShot(const Event &e) {
    paint();
    if (!backend_->writeShot(canvas_, e.arg)) backend_->fail(e.line, "cannot write the screenshot " + e.arg);
}

void Platform::writeState(const Event &e) {
    if (!backend_->writeState(stateJson(gatherState()), e.arg)) backend_->fail(e.line, "cannot write the state " + e.arg);
}

void Platform::dispatch(const Event &e) {
    using T = Event::Type;
    switch (e.type) {
    case T::PenDown:
    case T::PenMove:
    case T::PenUp:
    case T::DoubleTap: routePen(e); break;
    case T::Text:
    case T::KeyPress: routeKey(e); break;
    case T::Wheel: routeWheel(e); break;
    case T::Command:
        if (modal())
            backend_->fail(e.line, "a command while a menu or dialog is open");
        else if (onCommand)
            onCommand(e.command);
        dirty_ = true;
        break;
    case T::Timer: {
        auto it = timers_.find(e.timer);
        if (it != timers_.end()) {
            auto f = it->second;  // the callback may kill its own timer
            f();
            dirty_ = true;
        }
        break;
    }
    case T::Quit: quit(0); break;
    case T::Choose:
    case T::MenuChoose:
    case T::Answer: {
        Window *m = modal();
        if (!m || !m->scriptAnswer(e)) {
            const char *what = e.type == T::Choose ? "no open dialog takes the path"
                             : e.type == T::MenuChoose ? "no open menu has an item"
                                                       : "no open message box has the button";
            std::string arg = e.type == T::Choose ? e.arg : toUtf8(e.text);
            backend_->fail(e.line, std::string(what) + " \"" + arg + "\"");
        }
        dirty_ = true;
        break;
    }
    case T::Shot: writeShot(e); break;
    case T::State: writeState(e); break;
    }
}

}  // namespace vp
