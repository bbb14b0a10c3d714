// Counting a relation's qualifying records. With a query the bitmap answers
// exactly, the count is its set bits, plus the records appended since it was
// built, judged one by one; otherwise the relation is walked.
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "relate4internal.h"
#include "tables/data4.h"

namespace {

long walk(RELATE4 *r) {
    long n = 0;
    int rc = relate4top(r);
    for (; rc == 0; rc = relate4skip(r, 1)) n++;
    return rc < 0 ? rc : n;
}

}  // namespace

long relate4count(RELATE4 *r) {
    if (int rc = relate4check(r, E4_LOC_RELATE4COUNT)) return rc;
    RELATION4 *rel = r->relation;
    if (rel->sortSource) return walk(r);
    // A fresh set-up, so that the bitmap holds every write made so far.
    relate4reset(rel);
    if (int rc = relate4setup(rel)) return rc;
    if (!rel->bitmap || !rel->bitmapExact) return walk(r);
    DATA4 *d = r->data;
    long n = relate4bitmapCount(rel);
    long count = d4recCount(d);
    if (count < 0) return count;
    for (long rec = rel->bitmapRecords + 1; rec <= count; rec++) {
        int rc = d4go(d, rec);
        if (rc < 0) return rc;
        if (rc != 0) break;   // the file ends before the count does
        int q = relate4qualifies(rel);
        if (q < 0) return q;
        n += q;
    }
    int rc = d4goEof(d);
    return rc < 0 ? rc : n;
}
