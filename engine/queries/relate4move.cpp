// Positioning a relation: relate4top, relate4bottom and relate4skip. Without
// a sorted result the relation walks the master table in record-number order
// and passes over records that do not qualify; with one it walks the sorted
// entries (relate4sort.cpp), still passing over records that no longer
// qualify.
//
// Unsorted positions are the master's own: a record (1 .. count), the end
// (eof, record count + 1) or the beginning (bof, record 1 flagged as before
// the first). Forward from the beginning the next candidate is record 1;
// backward from the end it is the last record.
#include <climits>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/file4.h"
#include "relate4internal.h"
#include "tables/data4.h"

namespace {

// The records the table file holds whole, from its length; negative after a
// failure to learn the length.
long relate4recordsHeld(DATA4 *d) {
    DATA4FILE *df = d->dataFile;
    int64_t len = file4len(&df->file);
    if (len < 0) return d->codeBase->errorCode < 0 ? d->codeBase->errorCode : -1;
    int64_t held = len > df->headerLen ? (len - df->headerLen) / df->recordLen : 0;
    return held < LONG_MAX ? (long)held : LONG_MAX;
}

// One step in the order of the master's selected tag: 0, 3, 4 or negative.
int relate4stepTag(RELATION4 *rel, int dir) {
    DATA4 *d = rel->relate.data;
    if (dir > 0) {
        if (d4eof(d)) return r4eof;
        return d4bof(d) || d4recNo(d) < 1 ? d4top(d) : d4skip(d, 1);
    }
    if (d4bof(d) || (d4recNo(d) < 1 && !d4eof(d))) {
        int rc = d4goBof(d);
        return rc < 0 ? rc : r4bof;
    }
    int rc = d4skip(d, -1);
    return rc;
}

// One step of the unsorted scan in direction dir (+1 or -1): 0 on the next
// record, 3 at the end, 4 at the beginning, R4_PASS when that record could
// not be read, or negative.
int relate4stepUnsorted(RELATION4 *rel, int dir) {
    DATA4 *d = rel->relate.data;
    if (d->tagSelected) return relate4stepTag(rel, dir);
    long count = d4recCount(d);
    if (count < 0) return (int)count;
    long at = d4recNo(d);
    long next;
    if (dir > 0) {
        next = d4bof(d) || at < 1 ? 1 : at + 1;
        next = relate4candidateNext(rel, next, 1);
        if (next > count) {
            int rc = d4goEof(d);
            return rc < 0 ? rc : r4eof;
        }
    } else {
        if (d4bof(d) || at <= 1 || count == 0) {
            int rc = d4goBof(d);
            return rc < 0 ? rc : r4bof;
        }
        next = at - 1 > count ? count : at - 1;
        next = relate4candidateNext(rel, next, -1);
        if (next < 1) {
            int rc = d4goBof(d);
            return rc < 0 ? rc : r4bof;
        }
    }
    int rc = d4go(d, next);
    if (rc != r4entry) return rc;
    // The record lies past the end of the file: the table's count promises
    // more records than the file holds (a damaged or cut table). Going
    // forward none after it exists either; going back, the scan resumes at
    // the last record the file holds instead of visiting each missing one.
    if (dir > 0) {
        rc = d4goEof(d);
        return rc < 0 ? rc : r4eof;
    }
    long held = relate4recordsHeld(d);
    if (held < 0) return (int)held;
    if (held < 1 || held >= next) {
        rc = d4goBof(d);
        return rc < 0 ? rc : r4bof;
    }
    rc = d4go(d, held);
    return rc == r4entry ? R4_PASS : rc;
}

// One step in the current order: sorted entries or record numbers.
int relate4step(RELATION4 *rel, int dir) {
    if (rel->sortState != RELATE4_SORT_DONE) return relate4stepUnsorted(rel, dir);
    long target = rel->sortedPosition + dir;
    int rc = relate4sortRead(rel, target);
    if (rc == 0 || rc == R4_PASS) {
        rel->sortedPosition = target;
        rel->sortEofFlag = 0;
    } else if (rc == r4eof) {
        rel->sortedPosition = rel->sortedCount + 1;
        rel->sortEofFlag = r4eof;
        int go = d4goEof(rel->relate.data);
        if (go < 0) return go;
    } else if (rc == r4bof) {
        rel->sortedPosition = 0;
        rel->sortEofFlag = 0;
        int go = d4goBof(rel->relate.data);
        if (go < 0) return go;
    }
    return rc;
}

// After a step landed on a record: 0 when it counts, R4_PASS when it does not
// qualify, or negative.
int relate4judge(RELATION4 *rel, int rc) {
    if (rc != 0) return rc;
    if (!relate4candidate(rel, d4recNo(rel->relate.data))) return R4_PASS;
    int q = relate4qualifies(rel);
    if (q < 0) return q;
    return q ? 0 : R4_PASS;
}

// The sorted top: entry 1, or the first entry after it that still qualifies.
int relate4topSorted(RELATION4 *rel) {
    rel->sortedPosition = 0;
    rel->sortEofFlag = 0;
    int rc = relate4judge(rel, relate4step(rel, 1));
    if (rc == R4_PASS) return relate4skipLow(rel, 1);
    return rc;
}

int relate4bottomSorted(RELATION4 *rel) {
    rel->sortEofFlag = 0;
    int rc = relate4sortRead(rel, rel->sortedCount);
    if (rc == r4eof || rc == r4bof) {
        // Fewer entries than counted: nothing to stand on.
        rel->sortedPosition = rel->sortedCount + 1;
        rel->sortEofFlag = r4eof;
        int go = d4goEof(rel->relate.data);
        return go < 0 ? go : r4eof;
    }
    if (rc < 0) return rc;
    rel->sortedPosition = rel->sortedCount;
    rc = relate4judge(rel, rc);
    if (rc != R4_PASS) return rc;
    rc = relate4skipLow(rel, -1);
    if (rc == r4bof) {
        rel->sortedPosition = rel->sortedCount + 1;
        rel->sortEofFlag = r4eof;
        int go = d4goEof(rel->relate.data);
        return go < 0 ? go : r4eof;
    }
    return rc;
}

int relate4bottomUnsorted(RELATION4 *rel) {
    DATA4 *d = rel->relate.data;
    int rc = d4bottom(d);
    if (rc == r4eof || rc < 0) return rc;
    if (rc == r4entry) {
        // The last counted record is not in the file: step back from the end.
        int go = d4goEof(d);
        if (go < 0) return go;
        rc = R4_PASS;
    } else {
        rc = relate4judge(rel, rc);
    }
    if (rc != R4_PASS) return rc;
    rc = relate4skipLow(rel, -1);
    if (rc == r4bof) {
        // No qualifying record is reported as the end, with the master there.
        int go = d4goEof(d);
        return go < 0 ? go : r4eof;
    }
    return rc;
}

}  // namespace

int relate4skipLow(RELATION4 *rel, long n) {
    int dir = n > 0 ? 1 : -1;
    unsigned long left = n > 0 ? (unsigned long)n : 0UL - (unsigned long)n;
    while (left > 0) {
        int rc = relate4judge(rel, relate4step(rel, dir));
        if (rc == R4_PASS) continue;
        if (rc != 0) return rc;
        left--;
    }
    return 0;
}

int relate4topUnsorted(RELATION4 *rel) {
    int rc = d4top(rel->relate.data);
    if (rc == r4eof || rc < 0) return rc;
    rc = relate4judge(rel, rc == r4entry ? R4_PASS : rc);
    if (rc == R4_PASS) return relate4skipLow(rel, 1);
    return rc;
}

int relate4top(RELATE4 *r) {
    if (int rc = relate4check(r, E4_LOC_RELATE4TOP)) return rc;
    RELATION4 *rel = r->relation;
    // Without backward skipping a sorted result is read once: sort again.
    if (rel->sortState == RELATE4_SORT_DONE && !rel->skipBackwards) relate4reset(rel);
    if (!rel->isInitialized) {
        if (int rc = relate4setup(rel)) return rc;
    }
    if (rel->sortState == RELATE4_SORT_DONE) return relate4topSorted(rel);
    return relate4topUnsorted(rel);
}

int relate4bottom(RELATE4 *r) {
    if (int rc = relate4check(r, E4_LOC_RELATE4BOTTOM)) return rc;
    RELATION4 *rel = r->relation;
    // The last entry is reached by reading past all others, which needs them kept.
    if (!rel->skipBackwards) {
        relate4reset(rel);
        rel->skipBackwards = 1;
    }
    if (!rel->isInitialized) {
        if (int rc = relate4setup(rel)) return rc;
    }
    if (rel->sortState == RELATE4_SORT_DONE) return relate4bottomSorted(rel);
    return relate4bottomUnsorted(rel);
}

int relate4skip(RELATE4 *r, long n) {
    if (int rc = relate4check(r, E4_LOC_RELATE4SKIP)) return rc;
    RELATION4 *rel = r->relation;
    CODE4 *c = r->codeBase;
    if (!rel->isInitialized) return error4(c, e4relate, E4_MSG_RELATE_TOP_FIRST);
    if (n < 0 && !rel->skipBackwards) return error4(c, e4relate, E4_MSG_RELATE_BACKWARDS);
    if (n == 0) return 0;
    return relate4skipLow(rel, n);
}
