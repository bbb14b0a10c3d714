// INTERIM: see interim_session.h. Every engine call of the app lives here
// until the database session replaces this file.
#include "interim_session.h"

#include "brindle.h"
#include "platform/utf.h"

namespace vshell {

struct InterimSession::Engine {
    CODE4 code{};
    DATA4 *table = nullptr;
    RELATE4 *relation = nullptr;
    bool initialised = false;
    // Next undeleted record of the view (first when top); false at the end.
    bool step(bool top) {
        int rc = top ? relate4top(relation) : relate4skip(relation, 1);
        while (rc == 0 && d4deleted(table)) rc = relate4skip(relation, 1);
        return rc == 0;
    }
};

InterimSession::InterimSession() : engine_(std::make_unique<Engine>()) {
    engine_->initialised = code4init(&engine_->code) == 0;
}

InterimSession::~InterimSession() {
    closeTable();
    if (engine_->initialised) code4initUndo(&engine_->code);
}

bool InterimSession::isOpen() const { return engine_->table != nullptr; }

bool InterimSession::openTable(const std::u16string &path) {
    closeTable();
    if (!engine_->initialised) return false;
    Engine &e = *engine_;
    std::string name = vp::toUtf8(path);
    e.table = d4open(&e.code, name.c_str());
    if (e.table && e.code.errorCode >= 0) {
        e.relation = relate4init(e.table);
        if (e.relation) {
            relate4querySet(e.relation, nullptr);
            relate4skipEnable(e.relation, 1);
            path_ = path;
        }
    }
    if (!e.relation && e.table) {
        d4close(e.table);
        e.table = nullptr;
    }
    error4set(&e.code, 0);
    return isOpen();
}

bool InterimSession::closeTable() {
    Engine &e = *engine_;
    if (e.relation) relate4free(e.relation, 0);
    if (e.table) d4close(e.table);
    e.relation = nullptr;
    e.table = nullptr;
    path_.clear();
    recordCount_ = 0;
    if (e.initialised) error4set(&e.code, 0);
    return true;
}

std::u16string InterimSession::tableTitle() const {
    if (path_.empty()) return u"No Database Open";
    size_t slash = path_.rfind(u'/');
    if (slash == std::u16string::npos || slash + 1 == path_.size()) return path_;
    return path_.substr(slash + 1);
}

long InterimSession::count(bool recount) {
    if (!recount || !isOpen()) return recordCount_;
    recordCount_ = 0;
    for (bool ok = engine_->step(true); ok; ok = engine_->step(false)) recordCount_++;
    error4set(&engine_->code, 0);
    return recordCount_;
}

bool InterimSession::applyFilter() {
    if (!isOpen()) return false;
    count(true);
    return applySort();
}

bool InterimSession::applySort() {
    if (!isOpen()) return false;
    engine_->step(true);
    error4set(&engine_->code, 0);
    return true;
}

void InterimSession::fillFieldMenu(vp::PopupMenu &menu) const {
    menu.clear();
    if (!isOpen()) return;
    int n = d4numFields(engine_->table);
    for (int i = 0; i < n; i++) menu.append(vp::fromLatin1(f4name(d4fieldJ(engine_->table, i + 1))), i + 1);
}

}  // namespace vshell
