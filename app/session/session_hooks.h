// What the session asks of the user interface, without depending on it: a
// pop-up menu to fill with the table's fields, and the wait cursor shown
// while a sort or filter is applied. The shell implements both.
#pragma once
#include <string>

namespace vandrel {

// A pop-up menu whose items carry an identifier and a text.
class FieldMenu {
public:
    virtual ~FieldMenu() = default;
    virtual int itemCount() const = 0;
    // Gives the item at index a new identifier and text.
    virtual void setItem(int index, int id, const std::u16string &text) = 0;
    virtual void appendItem(int id, const std::u16string &text) = 0;
    virtual void removeItem(int index) = 0;
};

// The wait cursor.
class BusyIndicator {
public:
    virtual ~BusyIndicator() = default;
    virtual void showWait() = 0;
    virtual void showNormal() = 0;
};

}  // namespace vandrel
