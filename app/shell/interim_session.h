// INTERIM: stands in for the database session until it lands, with the few
// operations of its interface that the shell and the grid page use so far
// (open, close, title, count, the filter and sort hooks, the field menu).
// The only place where the app calls the engine; to be replaced by
// TableSession, whose operations these mirror by name.
#pragma once
#include <memory>
#include <string>

#include "platform/popup_menu.h"

namespace vshell {

class InterimSession {
public:
    InterimSession();
    ~InterimSession();
    InterimSession(const InterimSession &) = delete;
    InterimSession &operator=(const InterimSession &) = delete;

    bool openTable(const std::u16string &path);
    bool closeTable();
    bool isOpen() const;
    // The file-name part of the path; "No Database Open" when closed.
    std::u16string tableTitle() const;
    // The cached number of undeleted records in the view, or recounted by walking it.
    long count(bool recount);
    bool applyFilter();
    bool applySort();
    int sortKeyCount() const { return 0; }
    int filterConditionCount() const { return 0; }
    int hiddenFieldCount() const { return 0; }
    // One item per field, identifier = index + 1; emptied when closed.
    void fillFieldMenu(vp::PopupMenu &menu) const;

private:
    struct Engine;
    std::unique_ptr<Engine> engine_;
    std::u16string path_;
    long recordCount_ = 0;
};

}  // namespace vshell
