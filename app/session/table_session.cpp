// Opening and closing, columns, navigation through the relation, counting,
// and the sort and filter hooks. Reading and writing records is in
// session_records.cpp.
#include "table_session.h"

#include "brindle.h"
#include "date_picture.h"
#include "expression_builder.h"
#include "utf16.h"

namespace vandrel {

namespace {

// Shows the wait cursor for the life of the object.
class WaitCursor {
public:
    explicit WaitCursor(BusyIndicator *busy) : busy_(busy) {
        if (busy_) busy_->showWait();
    }
    ~WaitCursor() {
        if (busy_) busy_->showNormal();
    }

private:
    BusyIndicator *busy_;
};

bool isSortOrder(int order) {
    return order == kAscending || order == kAscendingNoCase || order == kDescending || order == kDescendingNoCase;
}

bool isFilterOperator(int op) {
    return op == kLess || op == kLessOrEqual || op == kEqual || op == kGreaterOrEqual || op == kGreater ||
           op == kContains;
}

}  // namespace

TableSession::TableSession() : datePicture_(vandrel::datePicture(regionalDateOrder())) { context_.init(); }

TableSession::~TableSession() {
    closeTable();
    context_.initUndo();
}

bool TableSession::openTable(const std::u16string &path) {
    if (isOpen_ || table_.isValid()) closeTable();
    isOpen_ = false;
    std::string name;
    if (!context_.initialised() || path.empty() || !utf16ToUtf8(path, name)) return false;
    path_ = path;
    if (table_.open(context_, name.c_str()) == 0 && context_.errorCode() >= 0) {
        text_ = TableText(table_.codePage());
        buildFields();
        relation_ = relate4init(table_.handle());
        if (relation_) {
            relate4querySet(relation_, nullptr);
            relate4skipEnable(relation_, 1);
            isOpen_ = true;
            goTop();
        }
    }
    clearError();
    if (!isOpen_) closeTable();  // a table without its relation is not kept open
    return isOpen_;
}

void TableSession::buildFields() {
    Field4info info(table_);
    for (int i = 0; i < info.numFields(); i++) {
        const FIELD4INFO &f = info[i];
        FieldEntry scratch;
        scratch.name = f.name;
        scratch.wideName = text_.widen(scratch.name);
        scratch.type = f.type;
        scratch.number = i + 1;
        scratch.length = f.type == 'M' ? kMemoLength : (int)f.len;
        scratch.decimals = (int)f.dec;
        scratch.valueNumber = 0;
        scratch.sortOrder = 0;
        scratch.visible = 1;
        fields.add(scratch);
    }
    info.free();
}

bool TableSession::varFields() const {
    return isOpen_ && table_.handle() && table_.handle()->dataFile->varFields != 0;
}

bool TableSession::closeTable() {
    if (relation_) relate4free(relation_, 0);
    relation_ = nullptr;
    if (table_.isValid()) table_.close();
    path_.clear();
    filterConditions.clear();
    sortKeys.clear();
    fields.clear();
    recordCount_ = 0;
    isOpen_ = false;
    clearError();
    return true;
}

std::u16string TableSession::tableTitle() const {
    if (path_.empty()) return u"No Database Open";
    size_t cut = path_.find_last_of(u"/\\");
    if (cut == std::u16string::npos || cut + 1 == path_.size()) return path_;
    return path_.substr(cut + 1);
}

int TableSession::fieldIndexOfColumn(int column, bool visible) const {
    if (column < 0) return -1;
    for (int i = 0, seen = 0; i < fields.count(); i++) {
        if ((fields[i].visible != 0) != visible) continue;
        if (seen++ == column) return i;
    }
    return -1;
}

bool TableSession::setVisible(int column, bool visible) {
    if (column == -1) {
        for (int i = 0; i < fields.count(); i++) fields[i].visible = visible ? 1 : 0;
        return true;
    }
    int i = fieldIndexOfColumn(column, true);
    if (i < 0) return false;
    fields[i].visible = visible ? 1 : 0;
    return true;
}

int TableSession::columnCount(bool all) const {
    if (all) return fields.count();
    int n = 0;
    for (int i = 0; i < fields.count(); i++) n += fields[i].visible ? 1 : 0;
    return n;
}

int TableSession::columnCaptions(DisplayCell *cells, int n) const {
    for (int k = 0; cells && k < n; k++) {
        int i = fieldIndexOfColumn(k, true);
        cells[k].text = i >= 0 ? fields[i].wideName : std::u16string();
    }
    return 0;
}

void TableSession::fillFieldMenu(FieldMenu &menu) const {
    int n = isOpen_ ? fields.count() : 0;
    for (int i = 0; i < n; i++) {
        if (i < menu.itemCount()) menu.setItem(i, i + 1, fields[i].wideName);
        else menu.appendItem(i + 1, fields[i].wideName);
    }
    while (menu.itemCount() > n) menu.removeItem(menu.itemCount() - 1);
}

// Navigation. The relation moves the table; deleted records are passed over.

bool TableSession::skipUndeleted(long direction) {
    int rc = relate4skip(relation_, direction);
    while (rc == 0 && table_.deleted()) rc = relate4skip(relation_, direction);
    clearError();
    return rc == 0;
}

bool TableSession::goTop() {
    if (!isOpen_) return false;
    int rc = relate4top(relation_);
    clearError();
    if (rc != 0) return false;
    return table_.deleted() ? skipUndeleted(1) : true;
}

bool TableSession::goBottom() {
    if (!isOpen_) return false;
    int rc = relate4bottom(relation_);
    clearError();
    if (rc != 0) return false;
    return table_.deleted() ? skipUndeleted(-1) : true;
}

bool TableSession::skipNext() { return isOpen_ && skipUndeleted(1); }

bool TableSession::skipPrevious() { return isOpen_ && skipUndeleted(-1); }

bool TableSession::move(long count, bool fromTop) {
    if (!isOpen_) return false;
    if (fromTop && !goTop()) return false;
    for (long i = 0; i < count; i++)
        if (!skipNext()) return false;
    for (long i = 0; i > count; i--)
        if (!skipPrevious()) return false;
    return true;
}

long TableSession::count(bool recount) {
    if (!recount || !isOpen_) return isOpen_ ? recordCount_ : 0;
    recordCount_ = 0;
    for (bool on = goTop(); on; on = skipNext()) recordCount_++;
    return recordCount_;
}

// Sort and filter.

bool TableSession::buildExpression(const FieldList &list, std::string &out, char mode) const {
    return vandrel::buildExpression(list, out, mode, text_);
}

int TableSession::addSortKey(int column, int order) {
    int i = fieldIndexOfColumn(column, true);
    if (!isOpen_ || i < 0 || !isSortOrder(order)) return -1;
    FieldEntry key = fields[i];
    key.filterOperator = 0;
    key.sortOrder = order;
    FieldList before;
    before.copyFrom(sortKeys);
    sortKeys.add(key);
    if (applySort()) return 0;
    sortKeys.copyFrom(before);
    applySort();
    return -1;
}

void TableSession::resetSort() {
    sortKeys.clear();
    applySort();
}

int TableSession::addFilterCondition(int column, int op, const DisplayCell &cell) {
    int i = fieldIndexOfColumn(column, true);
    if (!isOpen_ || i < 0 || !isFilterOperator(op)) return -1;
    FieldEntry condition = fields[i];
    condition.filterOperator = op;
    condition.sortOrder = 0;
    condition.valueText = cell.text;
    condition.valueNumber = cell.number;
    FieldList before;
    before.copyFrom(filterConditions);
    filterConditions.add(condition);
    if (applyFilter()) return 0;
    // The query in force is still the previous one: so is the list.
    filterConditions.copyFrom(before);
    return -1;
}

void TableSession::resetFilter() {
    filterConditions.clear();
    applyFilter();
}

bool TableSession::applySort() {
    if (!isOpen_) return false;
    WaitCursor wait(busy_);
    bool set = false;
    if (sortKeys.count() == 0) {
        relate4sortSet(relation_, nullptr);
        set = true;
    } else {
        std::string expr;
        if (buildExpression(sortKeys, expr, 'S') && !expr.empty()) set = relate4sortSet(relation_, expr.c_str()) >= 0;
    }
    clearError();
    goTop();
    return set;
}

bool TableSession::applyFilter() {
    if (!isOpen_) return false;
    WaitCursor wait(busy_);
    relate4sortSet(relation_, nullptr);
    bool set = false;
    if (filterConditions.count() == 0) {
        set = relate4querySet(relation_, nullptr) >= 0;
    } else {
        std::string expr;
        if (buildExpression(filterConditions, expr, 'F') && !expr.empty()) {
            EXPR4 *parsed = expr4parse(table_.handle(), expr.c_str());
            bool logical = parsed && context_.errorCode() >= 0 && expr4type(parsed) == 'L';
            if (parsed) expr4free(parsed);
            if (logical) set = relate4querySet(relation_, expr.c_str()) >= 0;
        }
    }
    clearError();
    if (set) count(true);
    applySort();
    return set;
}

std::u16string TableSession::formatDate(const Date4 &date) const {
    std::string text = date.format(datePicture_);
    return std::u16string(text.begin(), text.end());
}

}  // namespace vandrel
