// Writing records: d4write, d4update, appending (d4appendStart, d4append,
// d4appendBlank), d4flush, and the record-buffer edits d4delete, d4recall,
// d4blank, d4changed, d4deleted.
//
// A record write goes: key maintenance (index layer) -> changed memos ->
// the record bytes. Memos are written to new blocks, so the record write is
// the one step that makes the change: a failure at any step undoes the key
// changes and leaves the file as it was, and `changed`, the buffer and the
// pending memos as they were, so the caller can retry (the memos go to the
// blocks the failed try took) or give up with d4changed(d, 0).
//
// No two records share a memo block: a buffer written under another record
// number, and a copied record, get copies of their memos.
#include <cstring>

#include "d4internal.h"
#include "dfile4.h"
#include "field4harbour.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index_seam.h"
#include "memo4.h"

namespace {

int refuseReadOnly(DATA4 *d, long location) {
    (void)location;
    return error4describe(d->codeBase, e4write, E4_MSG_WRITE_READ_ONLY, d->alias, nullptr, nullptr);
}

void undoKeys(DATA4 *d, long recNo, bool keysChanged) {
    if (keysChanged && index4hooks().undoKeys) index4hooks().undoKeys(d, recNo);
}

// A new record has memos only where they are pending: every other memo
// reference of the buffer (another record's) is made blank; null bits stay.
void blankMemoReferences(DATA4 *d) {
    for (int i = 0; i < d->nMemoFields; i++) {
        const F4MEMO *e = &d->memoFields[i];
        if (!e->changed) field4blankBytes(e->field, d->record);
    }
}

// The old-record buffer made to hold record n as it is on file: key
// maintenance compares with it, it tells the memo references record n owns,
// and it puts the record back when a write of it fails part-way.
int loadOldRecord(DATA4 *d, long n) {
    DATA4FILE *df = d->dataFile;
    if (d->recNoOld == n) return 0;
    if (file4readAll(&df->file, dfile4recordPos(df, n), d->recordOld, df->recordLen) != 0) return d->codeBase->errorCode;
    d->recNoOld = n;
    return 0;
}

// A record write that failed may have put part of the new bytes down: the
// old ones go back (best effort; the write's failure stays the one reported).
void restoreRecord(DATA4 *d, long n) {
    CODE4 *c = d->codeBase;
    int saved = c->errorCode;
    c->errorCode = 0;
    file4write(&d->dataFile->file, dfile4recordPos(d->dataFile, n), d->recordOld, d->dataFile->recordLen);
    c->errorCode = saved;
}

}  // namespace

int d4write(DATA4 *d, long recNo) {
    if (int rc = d4check(d, E4_LOC_D4WRITE)) return rc;
    CODE4 *c = d->codeBase;
    DATA4FILE *df = d->dataFile;
    long n = recNo == -1 ? d->recNo : recNo;
    if (d->readOnly) return refuseReadOnly(d, E4_LOC_D4WRITE);
    // A record that exists may be written even with bof set (the handle then
    // stands on record 1); end of file and numbers outside the table may not.
    if (d->eof || n < 1 || n > d4recCountLow(d))
        return error4describe(c, e4write, E4_MSG_WRITE_NO_RECORD, d->alias, nullptr, nullptr);
    // Nor a record a damaged count promises but the file does not hold.
    int64_t fileLen = file4len(&df->file);
    if (fileLen < 0) return c->errorCode;
    if (dfile4recordPos(df, n) + df->recordLen > fileLen)
        return error4describe(c, e4write, E4_MSG_WRITE_NO_RECORD, d->alias, nullptr, nullptr);

    if (int rc = loadOldRecord(d, n)) return rc;
    if (int rc = d4memoAdoptForeign(d)) return rc;
    bool keysChanged = false;
    if (index4hooks().updateKeys && std::memcmp(d->record, d->recordOld, df->recordLen) != 0) {
        int rc = index4hooks().updateKeys(d, n);
        if (rc != 0) return rc;
        keysChanged = true;
    }
    int rc = d4memoWriteChanged(d);
    if (rc == 0) {
        rc = file4write(&df->file, dfile4recordPos(df, n), d->record, df->recordLen);
        if (rc != 0) restoreRecord(d, n);
    }
    if (rc != 0) {
        undoKeys(d, n, keysChanged);
        return rc;
    }
    df->headerChanged = 1;
    d4memoCommitted(d);
    std::memcpy(d->recordOld, d->record, df->recordLen);
    d->recNoOld = n;
    d->changed = 0;
    return 0;
}

int d4update(DATA4 *d) {
    if (int rc = d4check(d, E4_LOC_D4UPDATE)) return rc;
    int rc = 0;
    if (d->recNo >= 1 && !d->eof && d->changed) {
        rc = d4write(d, d->recNo);
        if (rc == 0) d->recNoOld = -1;
    }
    // A failed write keeps its pending memos for a retry.
    if (rc == 0) d4memoResetAll(d);
    return rc;
}

int d4appendStart(DATA4 *d, int useMemo) {
    if (int rc = d4check(d, E4_LOC_D4APPENDSTART)) return rc;
    CODE4 *c = d->codeBase;
    DATA4FILE *df = d->dataFile;
    int rc = d4update(d);
    if (rc != 0) return rc;
    if (useMemo == 1 && d->recNo >= 1 && !d->eof && d->nMemoFields) {
        if (file4readAll(&df->file, dfile4recordPos(df, d->recNo), d->recordOld, df->recordLen) != 0)
            return c->errorCode;
        d->recNoOld = d->recNo;
        // The new record carries copies of the memos, written as new memos
        // (a null memo has nothing to copy).
        for (int i = 0; i < d->nMemoFields; i++) {
            F4MEMO *e = &d->memoFields[i];
            if (e->field->nullable && f4null(e->field)) {
                memo4entryReset(e);
                e->needsRead = 0;
                continue;
            }
            f4memoLen(e->field);
            if (c->errorCode < 0) return c->errorCode;
            e->changed = 1;
        }
    } else {
        for (int i = 0; i < d->nMemoFields; i++) {
            F4MEMO *e = &d->memoFields[i];
            memo4entryReset(e);
            e->needsRead = 0;
        }
    }
    d->recNo = 0;
    return 0;
}

int d4append(DATA4 *d) {
    if (int rc = d4check(d, E4_LOC_D4APPEND)) return rc;
    CODE4 *c = d->codeBase;
    DATA4FILE *df = d->dataFile;
    if (d->readOnly) return refuseReadOnly(d, E4_LOC_D4APPEND);
    if (d->autoIncrementField && f4assignDouble(d->autoIncrementField, dfile4autoIncrementNext(df)) < 0)
        return c->errorCode < 0 ? c->errorCode : -1;
    if (df->counterFields) {
        if (int rc = d4counterAssign(d)) return rc;
    }
    if (int rc = d4harbourStamp(d)) return rc;
    long previous = d->recNo;
    d->eof = d->bof = 0;
    d->changed = 0;

    long reuse = index4hooks().reuseRecord ? index4hooks().reuseRecord(d) : 0;
    if (reuse > 0) {
        // The reuse tag names a deleted record: the new contents go there.
        if (file4readAll(&df->file, dfile4recordPos(df, reuse), d->recordOld, df->recordLen) != 0) {
            d->changed = 1;
            return c->errorCode;
        }
        d->recNoOld = reuse;
        d->recNo = reuse;
        d->changed = 1;
        blankMemoReferences(d);
        int rc = d4update(d);
        if (rc != 0) {
            d->recNo = previous;
            return rc;
        }
    } else {
        long count = d4recCountLow(d);
        if (count < 0) {
            d->changed = 1;
            return error4describe(c, e4data, E4_MSG_DATA_CORRUPT, df->file.name, nullptr, nullptr);
        }
        long n = count + 1;
        d->recNo = n;
        blankMemoReferences(d);
        bool keysChanged = false;
        int rc = 0;
        if (index4hooks().appendKeys) {
            rc = index4hooks().appendKeys(d, n);
            keysChanged = rc == 0;
        }
        if (rc == 0) rc = d4memoWriteChanged(d);
        if (rc == 0) rc = dfile4appendRecord(df, d->record);
        if (rc != 0) {
            undoKeys(d, n, keysChanged);
            d->recNo = previous;
            d->changed = 1;
            return rc;
        }
        d->recCount = df->recCount;
        d4memoCommitted(d);
        std::memcpy(d->recordOld, d->record, df->recordLen);
        d->recNoOld = n;
        d->changed = 0;
    }
    if (d->autoIncrementField) {
        dfile4autoIncrementSet(df, dfile4autoIncrementNext(df) + 1.0);
        df->headerChanged = 1;
    }
    if (df->counterFields) d4counterAdvance(d);
    d4harbourAppended(d);
    return 0;
}

int d4appendBlank(DATA4 *d) {
    if (int rc = d4check(d, E4_LOC_D4APPENDBLANK)) return rc;
    int rc = d4appendStart(d, 0);
    if (rc == 0) rc = d4blank(d);
    if (rc == 0) rc = d4append(d);
    return rc;
}

int d4flush(DATA4 *d) {
    if (int rc = d4check(d, E4_LOC_D4FLUSH)) return rc;
    CODE4 *c = d->codeBase;
    DATA4FILE *df = d->dataFile;
    int result = d4update(d);
    auto keep = [&](int rc) {
        if (rc < 0 && result == 0) result = rc;
    };
    // Nothing can have changed in a file opened read-only.
    if (!df->file.isReadOnly) keep(dfile4updateHeader(df, 1, 1));
    keep(file4flush(&df->file));
    if (df->memoFile.isOpen) keep(file4flush(&df->memoFile.file));
    if (index4hooks().flushIndexes) keep(index4hooks().flushIndexes(d));
    if (result == 0 && c->errorCode < 0) result = c->errorCode;
    return result;
}

int d4changed(DATA4 *d, int value) {
    if (int rc = error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_D4CHANGED)) return rc;
    int previous = d->changed;
    if (value > 0) d->changed = 1;
    if (value == 0) d->changed = 0;
    return previous;
}

int d4deleted(DATA4 *d) {
    if (int rc = error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_D4DELETED)) return rc;
    return d->record[0] != ' ';
}

int d4delete(DATA4 *d) {
    if (int rc = d4check(d, E4_LOC_D4DELETE)) return rc;
    if (d->record[0] != '*') {
        d->record[0] = '*';
        d->changed = 1;
    }
    return 0;
}

int d4recall(DATA4 *d) {
    if (int rc = d4check(d, E4_LOC_D4RECALL)) return rc;
    if (d->record[0] != ' ') {
        d->record[0] = ' ';
        d->changed = 1;
    }
    return 0;
}

int d4blank(DATA4 *d) {
    if (int rc = d4check(d, E4_LOC_D4BLANK)) return rc;
    std::memcpy(d->record, d->recordBlank, d->dataFile->recordLen);
    // Blank memo references mean empty memos; nothing is left to write.
    for (int i = 0; i < d->nMemoFields; i++) {
        F4MEMO *e = &d->memoFields[i];
        memo4entryReset(e);
        e->needsRead = 0;
    }
    d->changed = 1;
    return 0;
}
