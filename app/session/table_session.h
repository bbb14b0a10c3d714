// TableSession: the application's only door to the engine. It owns the engine
// context, the one open table, a relation over it through which all browsing
// happens (so a filter and a sort order lie over the records without an
// index), and three lists: the table's fields in display order, the sort keys
// and the filter conditions. It turns field values into display text (UTF-16)
// and numbers, and edited values back into field values.
//
// States:
//   CLOSED --openTable ok--> OPEN --closeTable / openTable / destruction--> CLOSED
// Invariants:
//  1. CLOSED: no table, no relation, path and the three lists empty; every
//     record operation answers false, -1 or 0 without calling the engine.
//  2. OPEN: table and relation exist; fields holds one entry per field of the
//     table, numbered 1 .. n.
//  3. Every public operation leaves the context's error code at 0, so one
//     failed engine call never blocks the next.
//  4. Text reaches the engine in the table's code page; a value the code page
//     cannot hold is refused and nothing is written.
#pragma once
#include <string>

#include "classes/code4class.h"
#include "classes/data4class.h"
#include "classes/date4class.h"
#include "classes/field4class.h"
#include "field_list.h"
#include "session_hooks.h"
#include "table_text.h"

struct RELATE4;

namespace vandrel {

class TableSession {
public:
    TableSession();
    ~TableSession();
    TableSession(const TableSession &) = delete;
    TableSession &operator=(const TableSession &) = delete;

    FieldList fields;             // every field of the open table, in display order
    FieldList filterConditions;   // one entry per field-and-operator pair
    FieldList sortKeys;           // one entry per field, in priority order

    // Closes any open table, then opens path; whether a table is open.
    bool openTable(const std::u16string &path);
    // Frees the relation, closes the table, empties path and lists; true.
    bool closeTable();
    bool isOpen() const { return isOpen_; }
    // Whether the open table is of the newer form whose V, Q and W fields
    // are varchar, varbinary and blob (fieldTypeName).
    bool varFields() const;
    const std::u16string &path() const { return path_; }
    // The file-name part of the path; the whole path when it ends with a
    // separator; "No Database Open" when closed.
    std::u16string tableTitle() const;

    // Column n is the n-th visible field. The index in fields of the
    // column-th entry whose visibility equals visible, or -1.
    int fieldIndexOfColumn(int column, bool visible = true) const;
    // column -1: every field; else the field at that column. False when
    // there is no such column.
    bool setVisible(int column, bool visible);
    // all: the number of fields; else the number of visible fields.
    int columnCount(bool all) const;
    // The captions (wide names) of the first n columns; 0.
    int columnCaptions(DisplayCell *cells, int n) const;
    // One item per field in fields order: identifier index + 1, the field's
    // name as text; emptied while closed.
    void fillFieldMenu(FieldMenu &menu) const;

    // Moving through the view (filter and sort applied), passing over
    // deleted records.
    bool goTop();
    bool goBottom();
    bool skipNext();
    bool skipPrevious();
    // Optionally goTop, then |count| steps forward (count > 0) or back;
    // false as soon as one step fails.
    bool move(long count, bool fromTop);

    // n cells from the current record, one per column; false (empty cells,
    // record number -1) at either end of the view.
    bool readRow(DisplayCell *cells, int n);
    // Fills every entry of list (a copy of fields) from the record and clears
    // modified; false (empty texts, numbers -1) when there is no such record.
    bool readRecord(FieldList &list, long record);
    // Writes every modified entry into the record; record <= 0 appends a new
    // one. False when nothing could be written; refusedField() then names a
    // value the table cannot hold, if that was the reason.
    bool writeRecord(FieldList &list, long record);
    // Marks the record deleted.
    bool deleteRecord(long record);
    // The cached number of undeleted records in the view; recount walks it first.
    long count(bool recount);

    // Adds the column's field with the operator and the cell's value to the
    // filter conditions and applies the filter; 0, or -1 (conditions as before).
    int addFilterCondition(int column, int op, const DisplayCell &cell);
    void resetFilter();
    // Adds (or replaces) a sort key on the column's field and applies the
    // sort; 0, or -1 (keys as before).
    int addSortKey(int column, int order);
    void resetSort();
    // Sets the query from filterConditions (when it parses), recounts, and
    // re-applies the sort; whether the query was set.
    bool applyFilter();
    // Sets the sort expression from sortKeys and goes to the first record;
    // false when the keys give no expression or the relation refused it.
    bool applySort();

    // The sort ('S') or filter ('F') expression of a list for the open table.
    bool buildExpression(const FieldList &list, std::string &out, char mode) const;
    // Display text of a date through the regional picture.
    std::u16string formatDate(const Date4 &date) const;
    const char *datePicture() const { return datePicture_; }

    // The wide name of the field whose value the last writeRecord refused
    // (not representable in the table), empty when none was refused.
    const std::u16string &refusedField() const { return refusedField_; }
    // Records the engine has read from the table since the session began.
    unsigned long long recordReads() { return context_.handle()->recordReads; }
    // The wait cursor shown while sorting and filtering (null: none).
    void setBusyIndicator(BusyIndicator *busy) { busy_ = busy; }

private:
    struct PendingValue;

    void buildFields();
    void clearError() { context_.errorSet(0); }
    bool atRecord();
    bool skipUndeleted(long direction);
    // The display text and number of field number of the current record.
    void fieldDisplay(int number, std::u16string &text, double &value);
    bool prepareValue(const FieldEntry &entry, PendingValue &pending);
    void assignValue(const PendingValue &pending);
    long rememberPosition();
    void returnTo(long remembered);

    Code4 context_;
    RELATE4 *relation_ = nullptr;
    Data4 table_;
    Date4 dateValue_;
    Field4 fieldValue_;
    Field4memo memoValue_;
    TableText text_;
    long recordCount_ = 0;
    std::u16string path_;
    bool isOpen_ = false;
    const char *datePicture_;
    std::u16string refusedField_;
    BusyIndicator *busy_ = nullptr;
};

}  // namespace vandrel
