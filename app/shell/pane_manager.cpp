#include "pane_manager.h"

namespace vshell {

void HostWindow::place(vp::Window *content, const vp::Rect &r) {
    clear();
    rect = r;
    if (content) {
        content->rect = {0, 0, r.width(), r.height()};
        content->visible = true;
        addChild(content);
    }
    show(true);
}

void HostWindow::clear() {
    while (!children().empty()) removeChild(children().back());
    show(false);
}

void PaneManager::create(vp::Window &pageView) {
    for (HostWindow &h : hosts_) {
        h.visible = false;
        pageView.addChild(&h);
    }
    vp::PopupMenu &sort = menus_[kSortMenu];
    sort.append(u"Ascending", 'A');
    sort.append(u"Descending", 'D');
    sort.append(u"Ascending (NC)", 'B');
    sort.append(u"Descending (NC)", 'E');
    vp::PopupMenu &show = menus_[kShowMenu];
    show.append(u"Show", 'S');
    show.append(u"Hide", 'H');
    vp::PopupMenu &op = menus_[kOperatorMenu];
    op.append(u"<", '<');
    op.append(u"<=", 'L');
    op.append(u"=", '=');
    op.append(u">=", 'G');
    op.append(u">", '>');
    op.append(u"Contains", '$');
    menus_[kYesNoMenu].append(u"Yes", 'Y');
    menus_[kYesNoMenu].append(u"No", 'N');
    menus_[kTrueFalseMenu].append(u"True", 'T');
    menus_[kTrueFalseMenu].append(u"False", 'F');
    vp::PopupMenu &quick = menus_[kQuickDateMenu];
    quick.append(u"- Year", 1);
    quick.append(u"- Quater", 2);
    quick.append(u"Today", 3);
    quick.append(u"+ Quater", 4);
    quick.append(u"+ Year", 5);
}

void PaneManager::setPane(int slot, Pane *pane) {
    if (slot >= 0 && slot < kPaneCount) panes_[size_t(slot)] = pane;
}

Pane *PaneManager::pane(int slot) const { return slot >= 0 && slot < kPaneCount ? panes_[size_t(slot)] : nullptr; }

bool PaneManager::switchTo(int pane, int mode, int reason) {
    int target = pane;
    if (mode == 1) {
        target = 0;
    } else if (mode == 3) {
        target = backStack_.empty() ? 0 : backStack_.back();
    }
    if (!this->pane(target)) return false;
    if (mode == 1) backStack_.clear();
    if (mode == 3 && !backStack_.empty()) backStack_.pop_back();
    if (mode == 2 && current_ >= 0) backStack_.push_back(current_);
    if (current_ != target && this->pane(current_)) panes_[size_t(current_)]->activate(false, reason);
    current_ = target;
    panes_[size_t(target)]->activate(true, reason);
    return true;
}

}  // namespace vshell
