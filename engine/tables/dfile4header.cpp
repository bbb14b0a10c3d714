// The header bytes the engine rewrites as a table changes, the record count
// on demand, appending a record, and closing a table file.
//
// Bytes written here (layout in dfile4.h):
//   1..3    last update date (full slice only)
//   4..7    record count
//   8..9    header length
//   10..27  record length and the reserved block, only when the next
//           autoincrement value (20..27) is to be stored
//   32 + 32 * slot + 19..22  the newer writers' next autoincrement values
//           (dfile4kinds.cpp), with the autoincrement value
//   headerLen + count * recordLen: an appended record, followed at level
//           25/26 by the end-of-file byte 0x1A
#include <cstdlib>
#include <cstring>

#include "date4.h"
#include "dfile4.h"
#include "foundation/bytes.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "memo4.h"

int dfile4updateHeader(DATA4FILE *df, int withDate, int withAutoIncrement) {
    // The newer writers' next values go first: a count written without them
    // could only make the next append skip numbers, never repeat one.
    if (withAutoIncrement && df->counterFields && df->recCount >= 0) {
        if (int rc = dfile4writeCounters(df)) return rc;
    }
    unsigned char h[dbf::OFF_FLAGS];
    h[dbf::OFF_YEAR] = df->yy;
    h[dbf::OFF_YEAR + 1] = df->mm;
    h[dbf::OFF_YEAR + 2] = df->dd;
    b4::putI32le(h + dbf::OFF_NUM_RECS, df->recCount);
    b4::putU16le(h + dbf::OFF_HEADER_LEN, df->headerLen);
    b4::putU16le(h + dbf::OFF_RECORD_LEN, df->recordLen);
    std::memcpy(h + dbf::OFF_RESERVED, df->reserved12, dbf::RESERVED_LEN);

    unsigned from = withDate ? dbf::OFF_YEAR : dbf::OFF_NUM_RECS;
    unsigned to = dbf::OFF_RECORD_LEN;
    if (df->recCount < 0) {
        // An unknown count is never written over the stored one.
        if (!withDate) return 0;
        to = dbf::OFF_NUM_RECS;
    } else if (withAutoIncrement && df->hasAutoIncrement) {
        to = dbf::OFF_FLAGS;
    }
    int rc = file4write(&df->file, from, h + from, to - from);
    if (rc == 0 && df->recCount >= 0) df->numRecsStored = df->recCount;
    return rc;
}

int dfile4productionSet(DATA4FILE *df, int on) {
    unsigned char flags = on ? (unsigned char)(df->flags | dbf::FLAG_PRODUCTION)
                             : (unsigned char)(df->flags & ~dbf::FLAG_PRODUCTION);
    if (flags == df->flags) return 0;
    if (int rc = file4write(&df->file, dbf::OFF_FLAGS, &flags, 1)) return rc;
    df->flags = flags;
    return 0;
}

void dfile4stampToday(DATA4FILE *df) {
    DATE4CLOCK now;
    date4clock(&now);
    df->yy = (unsigned char)(now.year % 100);
    df->mm = (unsigned char)now.month;
    df->dd = (unsigned char)now.day;
}

long dfile4recCount(DATA4FILE *df) {
    if (df->recCount >= 0) return df->recCount;
    unsigned char b[4];
    if (file4read(&df->file, dbf::OFF_NUM_RECS, b, 4) == 4 && b4::getI32le(b) >= 0) df->recCount = b4::getI32le(b);
    df->appendChecked = 0;
    return df->recCount;
}

int64_t dfile4recordPos(const DATA4FILE *df, long n) {
    return (int64_t)df->headerLen + (int64_t)(n - 1) * df->recordLen;
}

int dfile4appendRecord(DATA4FILE *df, unsigned char *record) {
    CODE4 *c = df->codeBase;
    long count = dfile4recCount(df);
    if (count < 0 || count >= INT32_MAX)
        return error4describe(c, e4data, E4_MSG_DATA_CORRUPT, df->file.name, nullptr, nullptr);
    int64_t pos = dfile4recordPos(df, count + 1);
    if (!df->appendChecked) {
        // A stored count that promises more records than the file holds
        // would put the new record far past the end (and a damaged count
        // gigabytes past it). Checked once; appends then run on.
        // An empty table whose header ends one byte short (the byte after
        // the backlink area, which some writers never write) takes its first
        // record where the header says; the missing byte becomes a zero.
        int64_t fileLen = file4len(&df->file);
        if (fileLen < 0) return c->errorCode;
        bool shortHeader = count == 0 && pos - fileLen == 1;
        if (pos > fileLen && !shortHeader)
            return error4describe(c, e4data, E4_MSG_DATA_CORRUPT, df->file.name, nullptr, nullptr);
        df->appendChecked = 1;
    }
    unsigned len = df->recordLen;
    if (df->tableLevel != 30) {
        record[len] = dbf::EOF_MARK;
        len++;
    }
    int rc = file4write(&df->file, pos, record, len);
    record[df->recordLen] = 0;
    if (rc != 0) return rc;
    df->recCount = count + 1;
    df->headerChanged = 1;
    return 0;
}

double dfile4autoIncrementNext(const DATA4FILE *df) {
    return b4::getF64le(df->reserved12 + (dbf::OFF_AUTOINC_NEXT - dbf::OFF_RESERVED));
}

void dfile4autoIncrementSet(DATA4FILE *df, double value) {
    b4::putF64le(df->reserved12 + (dbf::OFF_AUTOINC_NEXT - dbf::OFF_RESERVED), value);
}

int dfile4close(DATA4FILE *df) {
    CODE4 *c = df->codeBase;
    int result = 0;
    if (df->headerChanged && df->file.hand >= 0 && !df->file.isReadOnly) {
        dfile4stampToday(df);
        // Writing the header first writes the records the write-behind
        // buffer holds, and the header itself must reach the platform here,
        // not in file4close, where a failure could not be tried again. When
        // either fails the header is tried once more, so a passing failure
        // leaves no header that undercounts the records the buffer then
        // wrote; a lasting one leaves the count it had, which the records on
        // disk still match.
        result = dfile4updateHeader(df, 1, 1);
        if (result == 0) result = file4writeBehindSet(&df->file, 0);
        if (result != 0) {
            int saved = c->errorCode;
            c->errorCode = 0;
            if (dfile4updateHeader(df, 1, 1) == 0) file4writeBehindSet(&df->file, 0);
            c->errorCode = saved;
        }
        df->headerChanged = 0;
    }
    // A failure above must not keep the files from closing.
    int saved = c->errorCode;
    c->errorCode = 0;
    int rc = memo4fileClose(&df->memoFile);
    if (rc < 0 && result == 0) result = rc;
    c->errorCode = 0;
    rc = file4close(&df->file);
    if (rc < 0 && result == 0) result = rc;
    c->errorCode = saved < 0 ? saved : (result < 0 ? result : 0);
    std::free(df->descriptors);
    df->descriptors = nullptr;
    return result;
}
