// What the table layer asks of the index layer: opening the production
// index, tag order for navigation, key maintenance on write and append, and
// the reuse tag. While no index layer is linked in (no hooks registered),
// every call does nothing and reports "no index".
#pragma once

struct CODE4;
struct DATA4;

struct INDEX4HOOKS {
    // Open the production index of d; 0, or a negative code / 70.
    int (*openProduction)(DATA4 *d);
    // Update every tag for a record write (old buffer -> new buffer); 0, 20 or negative.
    int (*updateKeys)(DATA4 *d, long recNo);
    // Add keys for an appended record; 0, 20 or negative.
    int (*appendKeys)(DATA4 *d, long recNo);
    // Undo the last updateKeys after a failed record write.
    void (*undoKeys)(DATA4 *d, long recNo);
    // Close the index handles of d.
    int (*closeIndexes)(DATA4 *d);
    // Flush the index files of d.
    int (*flushIndexes)(DATA4 *d);
    // Navigation in the order of the selected tag (d->tagSelected), as
    // d4top, d4bottom and d4skip: 0, 3, 4, 5 or a negative code.
    int (*tagTop)(DATA4 *d);
    int (*tagBottom)(DATA4 *d);
    int (*tagSkip)(DATA4 *d, long n);
    // The record number of the first entry of the reuse tag ("DEL4REUSE"),
    // 0 when the table has none or it is empty.
    long (*reuseRecord)(DATA4 *d);
};

// The hooks the index layer registered, or all null.
const INDEX4HOOKS &index4hooks();
void index4hooksSet(const INDEX4HOOKS &hooks);
