// The sort's life cycle and input phase: sort4init, sort4put, sort4getInit,
// sort4get, sort4free; element memory in pool blocks and the pointer array.
//
// In-memory element layout (the same bytes go to the spool files):
//   offset 0            keyLen bytes   key
//   offset keyLen       4 bytes        record-number slot, little-endian
//   offset keyLen + 4   extraLen bytes extra information
//   then zero padding up to elemSize, a multiple of 8.
//
// Memory: the sort holds at most its budget (the context's memSizeSortBudget
// when the sort starts). In the input phase that is the element blocks, the
// pointer array, the list of blocks and, reserved from the start, the spool
// writer's buffer; when no further slot fits, the held elements are spooled
// and their slots reused.
#include <cstdlib>
#include <cstring>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/mem4.h"
#include "indexes/sort4low.h"

namespace {

constexpr uint64_t kPointerSize = sizeof(unsigned char *);

uint64_t roundDown1024(uint64_t n) { return n / 1024 * 1024; }

// Bytes one pool block costs: its elements, the pool's link and alignment.
uint64_t blockCost(const SORT4 *s) { return (uint64_t)s->blockElems * s->elemSize + 16; }

// Gate shared by the operations after sort4init: stamp, failure, error state.
int checkUsable(SORT4 *s, long location) {
    if (int rc = error4checkStamp(s, s ? s->s4valid : 0, location)) return rc;
    if (s->state == SORT4_FAILED) return s->failure;
    if (s->codeBase->errorCode < 0) return -1;
    return 0;
}

// Grow the pointer array to at least want entries, and to more when that
// stays inside the budget; false when even want does not fit. While realloc
// runs the old and the new array both exist, so both count.
bool growPointers(SORT4 *s, uint64_t want, uint64_t alsoNeeded) {
    uint64_t cap = s->pointerCap ? s->pointerCap * 2 : SORT4_POOL_SIZE / 4;
    // No more entries than the input budget could ever fill with elements.
    uint64_t fill = (s->budget - s->writerSize) / (s->elemSize + kPointerSize);
    if (cap > fill) cap = fill;
    if (cap < want) cap = want;
    uint64_t oldBytes = s->pointerCap * kPointerSize;
    while (cap >= want) {
        uint64_t newBytes = cap * kPointerSize;
        if (sort4inputAffords(s, newBytes) && sort4inputAffords(s, newBytes - oldBytes + alsoNeeded)) break;
        if (cap == want) return false;
        cap = want + (cap - want) / 2;
    }
    auto *p = static_cast<unsigned char **>(std::realloc(s->pointers, (size_t)(cap * kPointerSize)));
    if (!p) {
        error4(s->codeBase, e4memory, E4_LOC_SORT4PUT);
        return false;
    }
    sort4hold(s, (int64_t)(cap * kPointerSize));  // the transient peak
    sort4hold(s, -(int64_t)oldBytes);
    s->pointers = p;
    s->pointerCap = cap;
    return true;
}

// Add one pool block of element slots; false when the budget has no room
// (or memory ran out, which has been reported).
bool growSlots(SORT4 *s) {
    uint64_t want = s->slotCount + s->blockElems;
    uint64_t listBytes = s->blockCount == s->blockCap ? (uint64_t)(s->blockCap ? s->blockCap * 2 : 16) * kPointerSize : 0;
    if (s->pointerCap < want && !growPointers(s, want, blockCost(s) + listBytes)) return false;
    if (!sort4inputAffords(s, blockCost(s) + listBytes)) return false;
    if (listBytes) {
        uint32_t cap = s->blockCap ? s->blockCap * 2 : 16;
        auto *list = static_cast<unsigned char **>(std::realloc(s->blocks, cap * kPointerSize));
        if (!list) {
            error4(s->codeBase, e4memory, E4_LOC_SORT4PUT);
            return false;
        }
        sort4hold(s, (int64_t)listBytes);
        sort4hold(s, -(int64_t)(s->blockCap * kPointerSize));
        s->blocks = list;
        s->blockCap = cap;
    }
    if (!s->pool) {
        s->pool = mem4create(s->codeBase, 1, (size_t)s->blockElems * s->elemSize, 1, 1);
        if (!s->pool) return false;
    }
    auto *block = static_cast<unsigned char *>(mem4alloc(s->pool, s->codeBase));
    if (!block) return false;
    sort4hold(s, (int64_t)blockCost(s));
    s->blocks[s->blockCount++] = block;
    for (uint32_t i = 0; i < s->blockElems; i++) s->pointers[s->slotCount + i] = block + (size_t)i * s->elemSize;
    s->slotCount = want;
    return true;
}

void releaseInput(SORT4 *s) {
    sort4runScratchRelease(s);
    std::free(s->pointers);
    sort4hold(s, -(int64_t)(s->pointerCap * kPointerSize));
    s->pointers = nullptr;
    s->pointerCap = 0;
    if (s->pool) {
        mem4release(s->pool);  // the pool's blocks go with it
        sort4hold(s, -(int64_t)(blockCost(s) * s->blockCount));
    }
    s->pool = nullptr;
    std::free(s->blocks);
    sort4hold(s, -(int64_t)(s->blockCap * kPointerSize));
    s->blocks = nullptr;
    s->blockCount = s->blockCap = 0;
    s->slotCount = s->count = 0;
}

}  // namespace

int sort4fail(SORT4 *s, int rc) {
    if (rc < 0 && s->state != SORT4_FAILED) {
        s->state = SORT4_FAILED;
        s->failure = rc;
    }
    return rc;
}

int sort4init(SORT4 *s, CODE4 *c, int keyLen, int extraLen) {
    if (!s) return error4(c && c->s4valid == S4VALID ? c : nullptr, e4parmNull, E4_LOC_SORT4INIT);
    if (int rc = error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_SORT4INIT)) return rc;
    std::memset(s, 0, sizeof *s);
    if (c->errorCode < 0) return -1;
    if (keyLen < 0 || extraLen < 0 || (uint64_t)keyLen + 4 + (uint64_t)extraLen > SORT4_ELEMENT_MAX)
        return error4(c, e4parm, E4_LOC_SORT4INIT);
    s->codeBase = c;
    s->keyLen = (uint32_t)keyLen;
    s->extraLen = (uint32_t)extraLen;
    s->elemSize = (s->keyLen + 4 + s->extraLen + 7) / 8 * 8;

    uint64_t floor = (uint64_t)SORT4_BUDGET_MIN_ELEMENTS * (s->elemSize + SORT4_SPOOL_OVERHEAD + kPointerSize);
    s->budget = c->memSizeSortBudget > floor ? c->memSizeSortBudget : floor;
    // The spool writer takes the file buffer size, at most a quarter of the
    // budget, in whole KiB; below 1 KiB it writes unbuffered.
    uint64_t buffer = c->memSizeBuffer < 1024 ? 1024 : c->memSizeBuffer;
    if (buffer > s->budget / 4) buffer = s->budget / 4;
    s->writerSize = (uint32_t)roundDown1024(buffer);
    // Blocks of the pool size less the pool's own link, at most an eighth of
    // the budget so that small budgets still fill in several steps.
    uint64_t perBlock = (SORT4_POOL_SIZE - 8) / s->elemSize;
    if (perBlock > s->budget / 8 / s->elemSize) perBlock = s->budget / 8 / s->elemSize;
    s->blockElems = perBlock ? (uint32_t)perBlock : 1;
    s->current = 0;
    s->state = SORT4_INPUT;
    s->s4valid = S4VALID;
    return 0;
}

int sort4put(SORT4 *s, long recNo, const void *key, const void *extra) {
    if (int rc = checkUsable(s, E4_LOC_SORT4PUT)) return rc;
    CODE4 *c = s->codeBase;
    if (s->state != SORT4_INPUT || recNo < 0 || (unsigned long)recNo > 0xFFFFFFFFul)
        return error4(c, e4parm, E4_LOC_SORT4PUT);
    if (!key && s->keyLen) return error4(c, e4parmNull, E4_LOC_SORT4PUT);
    if (s->count == s->slotCount || (s->runLen && s->count == s->runLen)) {
        if (s->slotCount == 0) sort4runScratchTake(s);
        bool grown = !s->runLen && growSlots(s);
        if (c->errorCode < 0) return sort4fail(s, c->errorCode);
        if (!grown) {
            if (s->count == 0) return sort4fail(s, error4(c, e4memory, E4_LOC_SORT4PUT));
            if (int rc = sort4spool(s)) return sort4fail(s, rc);
        }
    }
    unsigned char *e = s->pointers[s->count];
    if (s->keyLen) std::memcpy(e, key, s->keyLen);
    b4::putU32le(e + s->keyLen, (uint32_t)recNo);
    unsigned char *x = e + s->keyLen + 4;
    if (extra)
        std::memcpy(x, extra, s->extraLen);
    else if (s->extraLen)
        std::memset(x, 0, s->extraLen);
    if (uint32_t pad = s->elemSize - s->keyLen - 4 - s->extraLen) std::memset(x + s->extraLen, 0, pad);
    s->count++;
    sort4runCompleted(s);
    return 0;
}

int sort4getInit(SORT4 *s) {
    if (int rc = checkUsable(s, E4_LOC_SORT4GETINIT)) return rc;
    if (s->state != SORT4_INPUT) return error4(s->codeBase, e4parm, E4_LOC_SORT4GETINIT);
    if (s->spoolCount == 0) {
        if (int rc = sort4runsPrepare(s)) return sort4fail(s, rc);
        sort4runScratchRelease(s);
        s->state = SORT4_MEMORY;
        return 0;
    }
    if (s->count)
        if (int rc = sort4spool(s)) return sort4fail(s, rc);
    if (int rc = sort4spoolFlush(s)) return sort4fail(s, rc);
    releaseInput(s);
    if (int rc = sort4mergePrepare(s)) return sort4fail(s, rc);
    s->state = SORT4_MERGE;
    return 0;
}

int sort4get(SORT4 *s, long *recNo, void **key, void **extra) {
    if (int rc = checkUsable(s, E4_LOC_SORT4GET)) return rc;
    unsigned char *e = nullptr;
    switch (s->state) {
    case SORT4_MEMORY:
        e = sort4runsNext(s);
        if (!e) {
            s->state = SORT4_DONE;
            sort4runsRelease(s);
            return r4done;
        }
        break;
    case SORT4_MERGE: {
        int rc = sort4mergeNext(s, &e);
        if (rc < 0) return sort4fail(s, rc);
        if (rc == r4done) {
            s->state = SORT4_DONE;
            sort4mergeRelease(s);
            return r4done;
        }
        break;
    }
    case SORT4_DONE:
        return r4done;
    default:
        return error4(s->codeBase, e4parm, E4_LOC_SORT4GET);
    }
    if (recNo) *recNo = (long)b4::getU32le(e + s->keyLen);
    if (key) *key = e;
    if (extra) *extra = s->extraLen ? e + s->keyLen + 4 : nullptr;
    return 0;
}

int sort4free(SORT4 *s) {
    if (int rc = error4checkStamp(s, s ? s->s4valid : 0, E4_LOC_SORT4FREE)) return rc;
    int result = 0;
    sort4runsRelease(s);
    releaseInput(s);
    sort4mergeRelease(s);
    std::free(s->writerBuf);
    s->writerBuf = nullptr;
    for (int i = 0; i < 2; i++)
        if (s->spoolFileOpen[i]) {
            int rc = file4close(&s->spoolFile[i]);
            if (rc < 0 && result == 0) result = rc;
            s->spoolFileOpen[i] = 0;
        }
    s->s4valid = 0;
    return result;
}
