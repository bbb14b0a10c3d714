// Creating, rebuilding and changing the tag list of compound index files.
//
// A file is always written whole into a new file beside it, which then
// takes the index's name in one step: a build that stops part-way (a unique
// refusal, a full disk) leaves the index as it was. Adding a tag writes the
// new tag's header and tree after the end of the file and only then enters
// its name in the tag directory; removing one takes the name out first and
// then puts the tag's blocks on the free chain.
#pragma once
#include <cstdint>

#include "index4.h"

constexpr int r4descending = 10;   // TAG4DESC::descending

// A tag to create; a list ends with an entry whose name is null.
struct TAG4DESC {
    const char *name;        // cut to 10 characters, upper-cased
    const char *expression;  // key expression (required)
    const char *filter;      // FOR expression; null or "" for none
    int16_t unique;          // 0, 15, 20, 25, -340 or -360
    uint16_t descending;     // 0 or r4descending
    const char *collation;   // null or "": machine order; "GENERAL", "CB1".."CB4"
};

// Creates the index file (name null: the table's production index, whose
// flag is then set in the table header) with the listed tags, builds it and
// opens it for d. The index handle, or null: -20 when the file exists and
// the context's safety is on, -1420 when d has an index of that name open,
// -350 for an invalid description, -340 for two tags of one name, 20 (no
// error) or -340 when a unique tag meets a duplicate key.
INDEX4 *i4create(DATA4 *d, const char *name, const TAG4DESC *tags);
// Rebuilds every tag of the index from the table. 0; 20 when a tag with
// unique code 15 or 20 meets a duplicate key; negative (when only the old
// file's close failed, the index holds the rebuilt file). The table is left
// without a current record.
int i4reindex(INDEX4 *i);
// i4reindex for every open index of d; -120 on a read-only handle.
int d4reindex(DATA4 *d);
// Adds the listed tags to the index (built from the table). 0, 20, or
// negative (-340 when a name is taken; nothing is added then).
int i4tagAdd(INDEX4 *i, const TAG4DESC *tags);
// Removes the tag from its index file (every handle loses it). 0 or negative.
int i4tagRemove(TAG4 *t);
// Writes the index file's changed blocks and header fields. 0 or negative.
int i4flush(INDEX4 *i);
