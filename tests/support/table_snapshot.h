// What a table holds, as comparable text: per record its deletion flag and
// each field's bytes (a memo field's contents instead of its reference, a
// null field as "null"). Pack tests compare tables before and after with
// it: a packed table must be the old one's live records, in order.
#pragma once
#include <string>
#include <vector>

#include "brindle.h"

namespace vt {

struct TableSnapshot {
    bool opened = false;
    std::vector<std::string> records;
    bool operator==(const TableSnapshot &o) const { return opened == o.opened && records == o.records; }
    // The records not deleted.
    TableSnapshot live() const {
        TableSnapshot s{opened, {}};
        for (const std::string &r : records)
            if (r[0] == ' ') s.records.push_back(r);
        return s;
    }
};

// An open table's records, read through its handle (the handle is left
// wherever the walk ends).
inline TableSnapshot snapshotOf(CODE4 *c, DATA4 *d) {
    TableSnapshot s;
    s.opened = true;
    for (long n = 1; n <= d4recCount(d); n++) {
        if (d4go(d, n) != 0) {
            s.opened = false;
            break;
        }
        std::string r = d4deleted(d) ? "*" : " ";
        for (int j = 1; j <= d4numFields(d); j++) {
            FIELD4 *f = d4fieldJ(d, j);
            r += "|";
            if (f4null(f)) r += "null";
            else if (f->memo) r += "memo:" + std::string(f4memoPtr(f), f4memoLen(f));
            else r += std::string(f4ptr(f), f4len(f));
        }
        s.records.push_back(r);
    }
    if (c->errorCode < 0) s.opened = false;
    return s;
}

inline TableSnapshot snapshotTable(CODE4 *c, const std::string &table) {
    int autoOpen = c->autoOpen;
    c->autoOpen = 0;
    DATA4 *d = d4open(c, table.c_str());
    c->autoOpen = autoOpen;
    if (!d) return TableSnapshot{};
    TableSnapshot s = snapshotOf(c, d);
    d4close(d);
    return s;
}

}  // namespace vt
