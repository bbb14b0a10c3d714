// What the database session asks of the user interface, made of platform
// parts: the field menu as a pop-up menu, the busy indicator as the wait
// cursor.
#pragma once
#include "platform/platform.h"
#include "platform/popup_menu.h"
#include "session_hooks.h"

namespace vshell {

class PopupFieldMenu : public vandrel::FieldMenu {
public:
    explicit PopupFieldMenu(vp::PopupMenu &menu) : menu_(menu) {}
    int itemCount() const override { return int(menu_.items().size()); }
    void setItem(int index, int id, const std::u16string &text) override {
        vp::MenuItem &item = menu_.items()[size_t(index)];
        item.id = id;
        item.text = text;
    }
    void appendItem(int id, const std::u16string &text) override { menu_.append(text, id); }
    void removeItem(int index) override { menu_.items().erase(menu_.items().begin() + index); }

private:
    vp::PopupMenu &menu_;
};

class WaitCursorIndicator : public vandrel::BusyIndicator {
public:
    void showWait() override {
        if (vp::Platform *p = vp::Platform::current()) p->setWaitCursor(true);
    }
    void showNormal() override {
        if (vp::Platform *p = vp::Platform::current()) p->setWaitCursor(false);
    }
};

}  // namespace vshell
