// Memo entries of a table handle and the memo operations on fields: the
// contents are read from the memo file on first access after a reset, held
// while they are assigned, and written before the record (d4write,
// d4append).
//
// Entry states:  needs-read --load--> held --assign--> changed
//                changed --memo4fieldWrite--> changed, written to spare blocks
//                changed --memo4entryCommitted (record written)--> held
//                any --reset--> needs-read
// Invariants:
//   1. contents is never null and always ends in two NUL bytes after len;
//      capacity 0 means contents is the shared empty string.
//   2. a changed entry's contents go to new blocks, never over blocks a
//      record refers to; the blocks an unfinished write took stay with the
//      entry (its spare run) until the record is written or the change is
//      given up, so a retry writes there again and leaves nothing behind.
//   3. storing a block number in the record never touches the null bit.
//
// A memo field's bytes in the record hold its first block: a 4-byte field
// as a little-endian int32 (0: no memo), a wider one (10 bytes as created)
// as decimal digits right-aligned with leading blanks (blank: no memo).
#include <climits>
#include <cstdlib>
#include <cstring>

#include "d4internal.h"
#include "foundation/bytes.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "memo4.h"

namespace {

char kEmpty[2] = {0, 0};

bool memoCheck(FIELD4 *f, long location) {
    return error4checkStamp(f, f ? f->s4valid : 0, location) == 0;
}

CODE4 *codeOf(const FIELD4 *f) { return f->data->codeBase; }

void makeEmpty(F4MEMO *e) {
    if (e->capacity) std::free(e->contents);
    e->contents = kEmpty;
    e->capacity = 0;
    e->len = 0;
}

// Reads the contents when the entry needs it; 0 or a code.
int load(F4MEMO *e) {
    if (!e->needsRead) return 0;
    FIELD4 *f = e->field;
    CODE4 *c = codeOf(f);
    long block = f4long(f);
    int rc = memo4fileRead(&f->data->dataFile->memoFile, block, e);
    if (rc != 0) {
        e->len = 0;
        if (e->capacity) e->contents[0] = e->contents[1] = 0;
        return rc < 0 ? rc : (c->errorCode < 0 ? c->errorCode : -1);
    }
    e->needsRead = 0;
    return 0;
}

}  // namespace

uint32_t memo4maxBlock(const FIELD4 *f) {
    if (f->len == 4) return INT32_MAX;
    uint64_t max = 1;
    for (unsigned i = 0; i < f->len && max <= UINT32_MAX; i++) max *= 10;
    return max - 1 > UINT32_MAX ? UINT32_MAX : (uint32_t)(max - 1);
}

void memo4storeBlock(const FIELD4 *f, unsigned char *record, uint32_t block) {
    unsigned char *p = record + f->offset;
    if (f->len == 4) {
        b4::putI32le(p, (int32_t)block);
    } else if (block == 0) {
        std::memset(p, ' ', f->len);
    } else {
        std::memset(p, ' ', f->len);
        for (unsigned i = f->len; i > 0 && block; block /= 10) p[--i] = (unsigned char)('0' + block % 10);
    }
}

int memo4entryReserve(F4MEMO *e, CODE4 *c, uint64_t need) {
    if (need <= e->capacity) return 0;
    if (need > UINT32_MAX) return error4(c, e4memory, E4_LOC_MEMO4FILEREAD);
    uint64_t want = e->capacity ? (uint64_t)e->capacity * 2 : 64;
    if (want < need) want = need;
    if (want > UINT32_MAX) want = UINT32_MAX;
    char *p = static_cast<char *>(e->capacity ? std::realloc(e->contents, want) : std::malloc(want));
    if (!p) {
        makeEmpty(e);
        e->needsRead = 1;
        return error4(c, e4memory, E4_LOC_MEMO4FILEREAD);
    }
    e->contents = p;
    e->capacity = (uint32_t)want;
    return 0;
}

void memo4entryReset(F4MEMO *e) {
    e->len = 0;
    if (e->capacity) e->contents[0] = e->contents[1] = 0;
    e->needsRead = 1;
    e->changed = 0;
    e->spare = MEMO4RUN{0, 0};
}

void memo4entryCommitted(F4MEMO *e) {
    e->changed = 0;
    e->spare = MEMO4RUN{0, 0};
}

void d4memoResetAll(DATA4 *d) {
    for (int i = 0; i < d->nMemoFields; i++) memo4entryReset(&d->memoFields[i]);
}

int memo4fieldWrite(F4MEMO *e) {
    if (!e->changed) return 0;
    FIELD4 *f = e->field;
    CODE4 *c = codeOf(f);
    if (c->errorCode < 0) return -1;
    uint32_t block = 0;
    int rc = memo4fileWrite(&f->data->dataFile->memoFile, &e->spare, e->contents, e->len, memo4maxBlock(f), &block);
    if (rc != 0) return rc < 0 ? rc : -1;
    memo4storeBlock(f, f->data->record, block);
    return 0;
}

int d4memoWriteChanged(DATA4 *d) {
    for (int i = 0; i < d->nMemoFields; i++) {
        int rc = memo4fieldWrite(&d->memoFields[i]);
        if (rc < 0) return rc;
    }
    return 0;
}

void d4memoCommitted(DATA4 *d) {
    for (int i = 0; i < d->nMemoFields; i++) memo4entryCommitted(&d->memoFields[i]);
}

int d4memoAdoptForeign(DATA4 *d) {
    for (int i = 0; i < d->nMemoFields; i++) {
        F4MEMO *e = &d->memoFields[i];
        const FIELD4 *f = e->field;
        if (e->changed || std::memcmp(d->record + f->offset, d->recordOld + f->offset, f->len) == 0) continue;
        if (f4long(e->field) <= 0) continue;  // no memo: nothing to copy
        if (int rc = load(e)) return rc;
        e->changed = 1;
    }
    return 0;
}

const char *f4memoPtr(FIELD4 *f) {
    if (!memoCheck(f, E4_LOC_F4MEMOPTR)) return nullptr;
    if (!field4isMemo(f)) return f4str(f);
    if (load(f->memo) != 0) return kEmpty;
    return f->memo->contents;
}

const char *f4memoStr(FIELD4 *f) {
    if (!memoCheck(f, E4_LOC_F4MEMOSTR)) return nullptr;
    return f4memoPtr(f);
}

unsigned f4memoLen(FIELD4 *f) {
    if (!memoCheck(f, E4_LOC_F4MEMOLEN)) return 0;
    if (!field4isMemo(f)) return f->len;
    if (load(f->memo) != 0) return 0;
    return f->memo->len;
}

int f4memoAssign(FIELD4 *f, const char *text) {
    if (int rc = error4checkStamp(f, f ? f->s4valid : 0, E4_LOC_F4MEMOASSIGN)) return rc;
    if (!text) return error4(codeOf(f), e4parmNull, E4_LOC_F4MEMOASSIGN);
    return f4memoAssignN(f, text, (unsigned)std::strlen(text));
}

int f4memoAssignN(FIELD4 *f, const char *data, unsigned len) {
    if (int rc = error4checkStamp(f, f ? f->s4valid : 0, E4_LOC_F4MEMOASSIGNN)) return rc;
    CODE4 *c = codeOf(f);
    if (c->errorCode < 0) return -1;
    if (!data && len) return error4(c, e4parmNull, E4_LOC_F4MEMOASSIGNN);
    if (!field4isMemo(f)) return f4assignN(f, data, len);
    const MEMO4FILE *m = &f->data->dataFile->memoFile;
    if (!memo4fmt::canHold(m->format, data, len))
        return error4describe(c, e4parm, E4_MSG_MEMO_END_MARK, f->name, nullptr, nullptr);
    F4MEMO *e = f->memo;
    // The new contents may come from the entry's own buffer.
    const char *oldBuf = e->contents;
    bool inside = e->capacity && data >= oldBuf && data < oldBuf + e->capacity;
    size_t offset = inside ? (size_t)(data - oldBuf) : 0;
    if (memo4entryReserve(e, c, (uint64_t)len + 2) != 0) return c->errorCode;
    if (inside) data = e->contents + offset;
    if (len) std::memmove(e->contents, data, len);
    e->contents[len] = 0;
    e->contents[len + 1] = 0;
    e->len = len;
    e->needsRead = 0;
    e->changed = 1;
    f4assignPtr(f);
    return 0;
}

int f4memoSetLen(FIELD4 *f, unsigned len) {
    if (int rc = error4checkStamp(f, f ? f->s4valid : 0, E4_LOC_F4MEMOSETLEN)) return rc;
    CODE4 *c = codeOf(f);
    if (c->errorCode < 0) return -1;
    if (!field4isMemo(f)) return error4(c, e4parm, E4_MSG_FIELD_TYPE_UNSUPPORTED);
    F4MEMO *e = f->memo;
    int rc = load(e);
    if (rc != 0) return rc;
    if (memo4entryReserve(e, c, (uint64_t)len + 2) != 0) return c->errorCode;
    if (len > e->len) std::memset(e->contents + e->len, 0, len - e->len);
    e->contents[len] = 0;
    e->contents[len + 1] = 0;
    e->len = len;
    e->changed = 1;
    f4assignPtr(f);
    return 0;
}

unsigned f4memoNcpy(FIELD4 *f, char *buffer, unsigned size) {
    if (!memoCheck(f, E4_LOC_F4MEMONCPY)) return 0;
    if (!buffer || size == 0) return 0;
    if (!field4isMemo(f)) return f4ncpy(f, buffer, size);
    F4MEMO *e = f->memo;
    unsigned n = 0;
    if (load(e) == 0) {
        n = e->len < size - 1 ? e->len : size - 1;
        std::memcpy(buffer, e->contents, n);
    }
    buffer[n] = 0;
    return n;
}

int f4memoFree(FIELD4 *f) {
    if (int rc = error4checkStamp(f, f ? f->s4valid : 0, E4_LOC_F4MEMOFREE)) return rc;
    if (!field4isMemo(f)) return 0;
    F4MEMO *e = f->memo;
    makeEmpty(e);
    // Pending contents go with the buffer: the record keeps its old memo.
    e->changed = 0;
    e->needsRead = 1;
    return 0;
}

void memo4entryInit(F4MEMO *e, FIELD4 *f) {
    e->field = f;
    e->contents = kEmpty;
    e->capacity = 0;
    e->len = 0;
    e->needsRead = 1;
    e->changed = 0;
    e->spare = MEMO4RUN{0, 0};
}

void memo4entryFree(F4MEMO *e) {
    makeEmpty(e);
    e->needsRead = 1;
    e->changed = 0;
}
