// FieldEntry, the one record type of the session's three lists (the table's
// fields in display order, the sort keys, the filter conditions), FieldList,
// and DisplayCell, one cell of a grid row.
#pragma once
#include <string>
#include <vector>

namespace vandrel {

// Sort orders of sort keys.
enum SortOrder : int {
    kAscending = 'A',
    kAscendingNoCase = 'B',
    kDescending = 'D',
    kDescendingNoCase = 'E',
};

// Operators of filter conditions.
enum FilterOperator : int {
    kLess = '<',
    kLessOrEqual = 'L',
    kEqual = '=',
    kGreaterOrEqual = 'G',
    kGreater = '>',
    kContains = '$',
};

// A memo field's length in the field list, whatever it stores.
constexpr int kMemoLength = 32767;

struct FieldEntry {
    std::string name;          // as the engine gives it (used in expressions)
    int number = 0;            // 1-based field number in the table
    int length = 0;            // bytes; kMemoLength for memo fields
    std::u16string wideName;   // for display
    int type = 0;              // field type letter as the engine reports it
    int sortOrder = 0;         // sort keys only (SortOrder)
    int decimals = 0;
    unsigned char visible = 0;
    unsigned char modified = 0;
    int filterOperator = 0;    // filter conditions only (FilterOperator)
    std::u16string valueText;
    double valueNumber = 0;
};

// A growable list of entries, growing 32 entries at a time.
class FieldList {
public:
    static constexpr int kGrowth = 32;

    int count() const { return (int)entries_.size(); }
    int capacity() const { return (int)entries_.capacity(); }

    // Replaces the entry find() gives (0), else appends (1). So a sort key
    // replaces any key on the same field, a filter condition only one on the
    // same field with the same operator, and a plain field its own entry.
    int add(const FieldEntry &entry);
    // The index of the entry add() would replace, or -1.
    int find(const FieldEntry &entry) const;
    // The entry at index, or null outside 0 .. count - 1.
    FieldEntry *get(int index);
    const FieldEntry *get(int index) const;
    // Later entries move down by one; false when index is outside the list.
    bool remove(int index);
    // Both indexes must lie inside the list, else nothing happens (false).
    bool swap(int a, int b);
    // Count becomes 0; capacity is kept.
    void clear() { entries_.clear(); }
    void setModified(bool modified);
    bool anyModified() const;
    // Clear, then add each entry of other in order.
    void copyFrom(const FieldList &other);

    FieldEntry &operator[](int index) { return entries_[(size_t)index]; }
    const FieldEntry &operator[](int index) const { return entries_[(size_t)index]; }

private:
    std::vector<FieldEntry> entries_;
};

// One cell of a grid row, also used for column captions.
struct DisplayCell {
    long recordNumber = -1;    // -1 when no record
    std::u16string text;
    double number = 0;
    unsigned char valid = 0;   // 1 when filled from a record
};

}  // namespace vandrel
