// Navigation of a table handle by record number (d4go, d4top, d4bottom,
// d4skip, d4goEof, d4goBof) and the position queries. With a tag selected,
// top, bottom and skip follow the tag through the index layer's hooks.
//
// Handle states (recNo):
//   none (-1) --d4go/d4top/d4bottom--> positioned (1..count)
//   positioned --d4skip past the end / d4goEof--> at end (count + 1, eof)
//   positioned --d4skip before the start--> positioned on 1 with bof
//   any --d4appendStart--> composing (0) --d4append--> positioned
// Invariants:
//   1. every move first writes a changed record back (d4update), or stops
//      on that write's failure;
//   2. after a failed read the buffer is blank and recNo is -1;
//   3. at end of file the buffer is blank; an empty table has eof and bof.
#include <climits>
#include <cstring>

#include "d4internal.h"
#include "dfile4.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index_seam.h"

namespace {

void blankBuffer(DATA4 *d) { std::memcpy(d->record, d->recordBlank, d->dataFile->recordLen); }

}  // namespace

long d4recCountLow(DATA4 *d) {
    d->recCount = dfile4recCount(d->dataFile);
    return d->recCount;
}

int d4goLow(DATA4 *d, long n, int goError) {
    CODE4 *c = d->codeBase;
    DATA4FILE *df = d->dataFile;
    if (d->changed) {
        int rc = d4update(d);
        if (rc != 0) return rc;
    } else if (d->nMemoFields) {
        d4memoResetAll(d);
    }
    long count = d->recCount;
    if (n > count) count = d4recCountLow(d);
    if (n >= 1 && n <= count) {
        unsigned got = file4read(&df->file, dfile4recordPos(df, n), d->record, df->recordLen);
        c->recordReads++;
        if (got == df->recordLen) {
            d->recNo = n;
            d->eof = d->bof = 0;
            d->changed = 0;
            // The old-record buffer serves key maintenance and tells which
            // memo blocks the record owns; a table with neither needs none.
            if (index4hooks().updateKeys || d->nMemoFields) {
                std::memcpy(d->recordOld, d->record, df->recordLen);
                d->recNoOld = n;
            } else {
                d->recNoOld = -1;
            }
            return 0;
        }
    }
    d->recNo = -1;
    d->changed = 0;
    blankBuffer(d);
    if (c->errorCode < 0) return c->errorCode;  // the file layer reported a failure
    if (goError) return error4describe(c, e4read, E4_LOC_D4GO, df->file.name, nullptr, nullptr);
    return r4entry;
}

int d4go(DATA4 *d, long recNo) {
    if (int rc = d4check(d, E4_LOC_D4GO)) return rc;
    return d4goLow(d, recNo, d->codeBase->goError);
}

int d4goEof(DATA4 *d) {
    if (int rc = d4check(d, E4_LOC_D4GOEOF)) return rc;
    int rc = d4update(d);
    if (rc != 0) return rc;
    long count = d4recCountLow(d);
    d->recNo = (count > 0 ? count : 0) + 1;
    d->eof = 1;
    if (count <= 0) d->bof = 1;
    d->changed = 0;
    blankBuffer(d);
    return r4eof;
}

int d4top(DATA4 *d) {
    if (int rc = d4check(d, E4_LOC_D4TOP)) return rc;
    if (d->tagSelected && index4hooks().tagTop) return index4hooks().tagTop(d);
    int rc = d4update(d);
    if (rc != 0) return rc;
    if (d4recCountLow(d) > 0) return d4goLow(d, 1, 0);
    d->bof = 1;
    return d4goEof(d);
}

int d4bottom(DATA4 *d) {
    if (int rc = d4check(d, E4_LOC_D4BOTTOM)) return rc;
    if (d->tagSelected && index4hooks().tagBottom) return index4hooks().tagBottom(d);
    int rc = d4update(d);
    if (rc != 0) return rc;
    long count = d4recCountLow(d);
    if (count > 0) return d4goLow(d, count, d->codeBase->goError);
    d->bof = 1;
    return d4goEof(d);
}

int d4goBof(DATA4 *d) {
    if (int rc = d4check(d, E4_LOC_D4GOBOF)) return rc;
    int rc = d4update(d);
    if (rc != 0) return rc;
    rc = d4top(d);
    if (rc < 0) return rc;
    d->bof = 1;
    return r4bof;
}

int d4skip(DATA4 *d, long n) {
    if (int rc = d4check(d, E4_LOC_D4SKIP)) return rc;
    CODE4 *c = d->codeBase;
    if (d->recNo <= 0) {
        if (c->skipError) return error4(c, e4info, E4_MSG_SKIP_NO_RECORD);
        return e4info;
    }
    if (d->tagSelected && index4hooks().tagSkip) return index4hooks().tagSkip(d, n);
    d->bof = 0;
    long target;
    if (n > 0 && d->recNo > LONG_MAX - n)
        target = LONG_MAX;
    else if (n < 0 && d->recNo < LONG_MIN - n)
        target = LONG_MIN;
    else
        target = d->recNo + n;
    if (target > 0) {
        int rc = d4goLow(d, target, 0);
        if (rc != r4entry) return rc;
    }
    long count = d4recCountLow(d);
    if (count <= 0) {
        int rc = d4goEof(d);
        d->bof = 1;
        return rc;
    }
    if (target < 1) {
        int eof = d->eof;
        int rc = d4goLow(d, 1, 0);
        if (rc != 0) return rc;
        d->eof = eof;
        d->bof = 1;
        return r4bof;
    }
    return d4goEof(d);
}

int d4eof(DATA4 *d) {
    if (int rc = error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_D4EOF)) return rc;
    return d->eof;
}

int d4bof(DATA4 *d) {
    if (int rc = error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_D4BOF)) return rc;
    return d->bof;
}

long d4recNo(DATA4 *d) {
    if (int rc = error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_D4RECNO)) return rc;
    return d->recNo;
}

long d4recCount(DATA4 *d) {
    if (int rc = error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_D4RECCOUNT)) return rc;
    return d4recCountLow(d);
}
