#include "window.h"

#include <algorithm>

#include "platform.h"

namespace vp {

Window::~Window() {
    if (parent_) parent_->removeChild(this);
    for (Window *c : children_) c->parent_ = nullptr;
    Platform::forget(this);
}

void Window::addChild(Window *w) {
    if (w->parent_) w->parent_->removeChild(w);
    w->parent_ = this;
    children_.push_back(w);
    invalidate();
}

void Window::removeChild(Window *w) {
    auto it = std::find(children_.begin(), children_.end(), w);
    if (it == children_.end()) return;
    children_.erase(it);
    w->parent_ = nullptr;
    invalidate();
}

void Window::show(bool on) {
    if (visible != on) invalidate();
    visible = on;
}

bool Window::shown() const {
    for (const Window *w = this; w; w = w->parent_)
        if (!w->visible) return false;
    return true;
}

Rect Window::screenRect() const {
    Rect r = rect;
    for (const Window *w = parent_; w; w = w->parent_) r = r.offset(w->rect.left, w->rect.top);
    return r;
}

Point Window::toLocal(Point screen) const {
    Rect r = screenRect();
    return {screen.x - r.left, screen.y - r.top};
}

bool Window::contains(const Window *w) const {
    for (; w; w = w->parent_)
        if (w == this) return true;
    return false;
}

Window *Window::hit(Point local) {
    for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
        Window *c = *it;
        if (c->visible && c->rect.contains(local)) return c->hit({local.x - c->rect.left, local.y - c->rect.top});
    }
    return this;
}

void Window::paintTree(Canvas &c) {
    paint(c);
    for (Window *child : children_) {
        if (!child->visible) continue;
        Canvas::Scope scope(c, child->rect);
        child->paintTree(c);
    }
}

void Window::invalidate() { Platform::invalidateAll(); }

void Window::invalidateArea(const Rect &local) const {
    Rect r = screenRect();
    Platform::invalidateScreenArea(local.offset(r.left, r.top).intersect(r));
}

}  // namespace vp
