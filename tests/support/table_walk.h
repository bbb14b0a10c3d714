// Reads everything a table handle offers: every record from the first on,
// every field through every read function, memo contents included, touching
// each byte returned so that the sanitizers see a bad pointer or length.
// Used by the fuzz targets and the reliability tests (no GoogleTest here).
//
// The walk clears a non-fatal error after each read and carries on, so one
// damaged field does not hide the others; it stops at the first record it
// cannot move to. Every error code seen is recorded for the caller to judge.
#pragma once
#include <cstdint>
#include <cstring>
#include <set>

#include "brindle.h"

namespace vt {

struct WalkResult {
    long records = 0;          // records visited
    uint64_t digest = 0;       // a hash of every value read
    std::set<int> codes;       // error codes met (negative)
    bool invariantBroken = false;  // a read returned something malformed
    const char *broken = "";   // which invariant
};

namespace walk_detail {

inline void mix(WalkResult &r, const void *p, size_t n) {
    const unsigned char *b = static_cast<const unsigned char *>(p);
    for (size_t i = 0; i < n; i++) r.digest = (r.digest ^ b[i]) * 1099511628211ull;
}

inline void mixValue(WalkResult &r, long long v) { mix(r, &v, sizeof v); }

inline void noteError(WalkResult &r, CODE4 *c) {
    if (c->errorCode < 0) {
        r.codes.insert(c->errorCode);
        error4set(c, 0);
    }
}

inline void broken(WalkResult &r, const char *what) {
    if (!r.invariantBroken) r.broken = what;
    r.invariantBroken = true;
}

// Text results must be terminated within the length they claim.
inline void checkText(WalkResult &r, const char *s, size_t maxLen, const char *what) {
    if (!s) return;
    size_t n = strnlen(s, maxLen + 1);
    if (n > maxLen) broken(r, what);
    mix(r, s, n);
}

inline void readField(WalkResult &r, CODE4 *c, FIELD4 *f) {
    mixValue(r, f4type(f));
    unsigned len = f4len(f);
    mixValue(r, len);
    mixValue(r, f4decimals(f));
    checkText(r, f4name(f), 10, "f4name");
    noteError(r, c);
    checkText(r, f4str(f), len, "f4str");
    noteError(r, c);
    char buf[64];
    unsigned n = f4ncpy(f, buf, sizeof buf);
    if (n >= sizeof buf || buf[n] != 0) broken(r, "f4ncpy");
    mixValue(r, f4char(f));
    noteError(r, c);
    mixValue(r, f4long(f));
    noteError(r, c);
    mixValue(r, f4int(f));
    noteError(r, c);
    double v = f4double(f);
    mix(r, &v, sizeof v);
    noteError(r, c);
    mixValue(r, f4true(f));
    noteError(r, c);
    for (int dec = 0; dec <= 4; dec++) {
        checkText(r, f4currency(f, dec), 31, "f4currency");
        noteError(r, c);
    }
    checkText(r, f4dateTime(f), 31, "f4dateTime");
    noteError(r, c);
    mixValue(r, f4null(f));
    noteError(r, c);
    // Memo contents: the length first, then every byte up to the two NULs.
    unsigned memoLen = f4memoLen(f);
    noteError(r, c);
    const char *memo = f4memoPtr(f);
    noteError(r, c);
    if (memo) {
        unsigned again = f4memoLen(f);
        noteError(r, c);
        // After a failed read the pointer is the empty string and the
        // length 0; after a good one both describe the same contents.
        if (again == memoLen && memo[0] != 0) mix(r, memo, again);
        if (again == memoLen && memo[again] != 0) broken(r, "f4memoPtr terminator");
    }
    checkText(r, f4memoStr(f), memoLen > len ? memoLen : len, "f4memoStr");
    noteError(r, c);
    n = f4memoNcpy(f, buf, sizeof buf);
    if (n >= sizeof buf || buf[n] != 0) broken(r, "f4memoNcpy");
    noteError(r, c);
}

}  // namespace walk_detail

// Walks d from its first record, at most maxRecords records.
inline WalkResult walkTable(DATA4 *d, long maxRecords) {
    using namespace walk_detail;
    WalkResult r;
    CODE4 *c = d->codeBase;
    mixValue(r, d4recCount(d));
    mixValue(r, d4numFields(d));
    mixValue(r, d4tableLevel(d));
    mixValue(r, d4codePage(d));
    noteError(r, c);
    int rc = d4top(d);
    noteError(r, c);
    while (rc == 0 && r.records < maxRecords) {
        r.records++;
        mixValue(r, d4recNo(d));
        mixValue(r, d4deleted(d));
        mix(r, d4record(d), d4recWidth(d));
        for (int j = 1; j <= d4numFields(d); j++) readField(r, c, d4fieldJ(d, j));
        rc = d4skip(d, 1);
        noteError(r, c);
    }
    // The last record and the end, from the other side.
    if (d4bottom(d) == 0) {
        for (int j = 1; j <= d4numFields(d); j++) readField(r, c, d4fieldJ(d, j));
    }
    noteError(r, c);
    // Skipping without a current record is a caller's mistake (-910).
    if (d4recNo(d) >= 1) mixValue(r, d4skip(d, -1));
    noteError(r, c);
    mixValue(r, d4goEof(d));
    noteError(r, c);
    return r;
}

}  // namespace vt
