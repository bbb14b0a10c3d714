#include "field_list.h"

#include <utility>

namespace vandrel {

int FieldList::find(const FieldEntry &entry) const {
    for (size_t i = 0; i < entries_.size(); i++) {
        const FieldEntry &e = entries_[i];
        if (e.number != entry.number) continue;
        bool sameCondition = entry.sortOrder == 0 && e.filterOperator == entry.filterOperator;
        if (sameCondition || entry.filterOperator == 0) return (int)i;
    }
    return -1;
}

int FieldList::add(const FieldEntry &entry) {
    int i = find(entry);
    if (i >= 0) {
        entries_[(size_t)i] = entry;
        return 0;
    }
    if (entries_.size() == entries_.capacity()) entries_.reserve(entries_.capacity() + kGrowth);
    entries_.push_back(entry);
    return 1;
}

FieldEntry *FieldList::get(int index) {
    return index >= 0 && index < count() ? &entries_[(size_t)index] : nullptr;
}

const FieldEntry *FieldList::get(int index) const {
    return index >= 0 && index < count() ? &entries_[(size_t)index] : nullptr;
}

bool FieldList::remove(int index) {
    if (!get(index)) return false;
    entries_.erase(entries_.begin() + index);
    return true;
}

bool FieldList::swap(int a, int b) {
    if (!get(a) || !get(b)) return false;
    std::swap(entries_[(size_t)a], entries_[(size_t)b]);
    return true;
}

void FieldList::setModified(bool modified) {
    for (FieldEntry &e : entries_) e.modified = modified ? 1 : 0;
}

bool FieldList::anyModified() const {
    for (const FieldEntry &e : entries_)
        if (e.modified) return true;
    return false;
}

void FieldList::copyFrom(const FieldList &other) {
    if (&other == this) return;
    clear();
    for (const FieldEntry &e : other.entries_) add(e);
}

}  // namespace vandrel
