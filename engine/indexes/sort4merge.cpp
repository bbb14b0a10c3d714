// The merge of the spools. Each merging spool has a record (buffer, place in
// its buffer, spool file offset of its unread rest) and a share of the merge
// buffers; the records are kept ordered by their spools' current elements,
// the first holding the smallest. Taking an element advances its spool
// (refilling its buffer from the spool file when used up, leaving the order
// when exhausted) and moves it to its new place by binary search.
//
// Every spool needs a buffer of at least memSizeSortBuffer bytes (or one
// element, when elements are larger or the budget is small). When the
// spools outnumber what the budget can buffer at once, merge passes combine
// groups of them into longer spools in the other spool file, until one
// final merge can take them all. Spool layout: see sort4spool.cpp.
#include <algorithm>
#include <cstdlib>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/file4.h"
#include "indexes/sort4low.h"

namespace {

constexpr uint64_t kMaxBufferBytes = 1u << 30;  // one read per refill stays below this

inline unsigned char *currentOf(const SORT4 *s, const SORT4SPOOL *sp) {
    return sp->buf + (size_t)sp->pos * s->elemSize;
}

// Spools that room bytes can merge at once (each with its record and a
// minimal buffer); 0 when not even two fit.
uint64_t fanIn(const SORT4 *s, uint64_t room) {
    uint64_t minElems = s->codeBase->memSizeSortBuffer / s->elemSize;
    if (minElems < 1) minElems = 1;
    uint64_t f = room / (minElems * s->elemSize + SORT4_SPOOL_OVERHEAD);
    if (f < 2) f = room / (s->elemSize + SORT4_SPOOL_OVERHEAD);
    return f < 2 ? 0 : f;
}

// Takes records, order and buffers for merging up to groupMax spools with
// the budget that is left.
int allocateMerge(SORT4 *s, uint64_t groupMax) {
    uint64_t room = s->budget - s->memHeld;
    uint64_t per = (room - groupMax * SORT4_SPOOL_OVERHEAD) / groupMax / s->elemSize;
    if (per > s->runLen) per = s->runLen;  // no spool is longer
    if (per > kMaxBufferBytes / s->elemSize) per = kMaxBufferBytes / s->elemSize;
    if (per < 1) return error4(s->codeBase, e4memory, E4_LOC_SORT4SPOOLSMERGE);
    uint64_t bytes = groupMax * SORT4_SPOOL_OVERHEAD + groupMax * per * s->elemSize;
    s->spools = static_cast<SORT4SPOOL *>(std::calloc((size_t)groupMax, sizeof(SORT4SPOOL)));
    s->order = static_cast<SORT4SPOOL **>(std::calloc((size_t)groupMax, sizeof(SORT4SPOOL *)));
    s->mergeBuf = static_cast<unsigned char *>(std::malloc((size_t)(groupMax * per * s->elemSize)));
    if (!s->spools || !s->order || !s->mergeBuf) {
        sort4mergeRelease(s);
        return error4(s->codeBase, e4memory, E4_LOC_SORT4SPOOLSMERGE);
    }
    s->mergeBytes = bytes;
    sort4hold(s, (int64_t)bytes);
    for (uint64_t k = 0; k < groupMax; k++) {
        s->spools[k].buf = s->mergeBuf + (size_t)(k * per * s->elemSize);
        s->spools[k].bufElems = (uint32_t)per;
    }
    return 0;
}

// Reads the next part of a spool into its buffer (none left: avail 0).
int refill(SORT4 *s, SORT4SPOOL *sp) {
    uint64_t n = sp->left < sp->bufElems ? sp->left : sp->bufElems;
    sp->pos = 0;
    sp->avail = (uint32_t)n;
    if (n == 0) return 0;
    unsigned bytes = (unsigned)(n * s->elemSize);
    if (int rc = file4readAll(&s->spoolFile[s->current], sp->filePos, sp->buf, bytes)) {
        sp->avail = 0;
        return rc;
    }
    sp->filePos += bytes;
    sp->left -= n;
    return 0;
}

// Loads the first parts of spools first .. first + g - 1 and orders them.
int startGroup(SORT4 *s, uint64_t first, uint64_t g) {
    s->active = 0;
    for (uint64_t k = 0; k < g; k++) {
        SORT4SPOOL *sp = &s->spools[k];
        sp->number = first + k;
        sp->filePos = (int64_t)(sp->number * s->runLen * s->elemSize);
        sp->left = sort4spoolLength(s, sp->number);
        if (int rc = refill(s, sp)) return rc;
        if (sp->avail) s->order[s->active++] = sp;
    }
    std::sort(s->order, s->order + s->active, [s](const SORT4SPOOL *a, const SORT4SPOOL *b) {
        return sort4compare(currentOf(s, a), currentOf(s, b), s->keyLen) < 0;
    });
    return 0;
}

// Moves past the first spool's current element and restores the order.
int advanceFirst(SORT4 *s) {
    SORT4SPOOL *sp = s->order[0];
    sp->pos++;
    if (--sp->avail == 0)
        if (int rc = refill(s, sp)) return rc;
    if (sp->avail == 0) {
        std::memmove(s->order, s->order + 1, (size_t)(s->active - 1) * sizeof *s->order);
        s->active--;
        return 0;
    }
    const unsigned char *cur = currentOf(s, sp);
    if (s->active == 1 || sort4compare(cur, currentOf(s, s->order[1]), s->keyLen) <= 0) return 0;
    uint64_t lo = 2, hi = s->active;  // order[1] is known to be smaller
    while (lo < hi) {
        uint64_t mid = lo + (hi - lo) / 2;
        if (sort4compare(currentOf(s, s->order[mid]), cur, s->keyLen) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    std::memmove(s->order, s->order + 1, (size_t)(lo - 1) * sizeof *s->order);
    s->order[lo - 1] = sp;
    return 0;
}

// One pass: groups of groupMax spools of the current file become single
// spools of the other file.
int mergePass(SORT4 *s, uint64_t groupMax) {
    int out = 1 - s->current;
    if (int rc = sort4spoolFileReady(s, out)) return rc;
    file4seqWriteInit(&s->writer, &s->spoolFile[out], 0, s->writerBuf, s->writerSize);
    if (int rc = allocateMerge(s, groupMax)) return rc;
    for (uint64_t first = 0; first < s->spoolCount; first += groupMax) {
        uint64_t g = std::min(groupMax, s->spoolCount - first);
        if (int rc = startGroup(s, first, g)) return rc;
        while (s->active) {
            if (int rc = file4seqWrite(&s->writer, currentOf(s, s->order[0]), s->elemSize)) return rc;
            if (int rc = advanceFirst(s)) return rc;
        }
    }
    if (int rc = sort4spoolFlush(s)) return rc;
    sort4mergeRelease(s);
    int in = s->current;
    s->current = out;
    s->runLen *= groupMax;
    s->spoolCount = (s->spoolCount + groupMax - 1) / groupMax;
    s->passes++;
    // The merged spools' bytes are no longer needed.
    return file4lenSet(&s->spoolFile[in], 0);
}

}  // namespace

int sort4mergePrepare(SORT4 *s) {
    // The final merge also has the writer buffer's bytes.
    uint64_t finalFanIn = fanIn(s, s->budget - s->memHeld + (s->writerBuf ? s->writerSize : 0));
    while (s->spoolCount > finalFanIn) {
        uint64_t passFanIn = std::min(fanIn(s, s->budget - s->memHeld), s->spoolCount);
        if (finalFanIn < 2 || passFanIn < 2) return error4(s->codeBase, e4memory, E4_LOC_SORT4SPOOLSMERGE);
        if (int rc = mergePass(s, passFanIn)) return rc;
    }
    if (s->writerBuf) {
        std::free(s->writerBuf);
        s->writerBuf = nullptr;
        sort4hold(s, -(int64_t)s->writerSize);
    }
    if (int rc = allocateMerge(s, s->spoolCount)) return rc;
    s->frontTaken = 0;
    return startGroup(s, 0, s->spoolCount);
}

int sort4mergeNext(SORT4 *s, unsigned char **element) {
    if (s->frontTaken) {
        s->frontTaken = 0;
        if (int rc = advanceFirst(s)) return rc;
    }
    if (s->active == 0) return r4done;
    *element = currentOf(s, s->order[0]);
    s->frontTaken = 1;
    return 0;
}

void sort4mergeRelease(SORT4 *s) {
    std::free(s->spools);
    std::free(s->order);
    std::free(s->mergeBuf);
    s->spools = nullptr;
    s->order = nullptr;
    s->mergeBuf = nullptr;
    s->active = 0;
    sort4hold(s, -(int64_t)s->mergeBytes);
    s->mergeBytes = 0;
}
