// Packing a table: a copy without its deleted records, with a memo file
// holding only the memos those records refer to (in record order, without
// the space freed by rewritten memos), replaces the table. Nothing but the
// records, the memo references in them, the record count and the date of
// last update changes: the header keeps every other byte (autoincrement
// counters, code page, database container backlink).
//
// The new files are staged beside the old ones and renamed over them only
// when whole and flushed; a pack stopped at any point leaves the old table
// or the new one (see pack4journal.h).
#pragma once
#include <cstdint>

struct CODE4;

struct PACK4RESULT {
    long recordsBefore;    // records in the old table
    long recordsKept;      // records not deleted, now the table's records
    int64_t memoBytesBefore;
    int64_t memoBytesAfter;  // memo file lengths (0 without a memo file)
};

// Packs the table file `name` (opened and held without sharing for the
// whole pack). 0, or a negative code: before the new table was complete the
// old one is untouched; after, the next open finishes the replacement.
// result may be null.
int d4packFile(CODE4 *c, const char *name, PACK4RESULT *result);
