// The block cache of an index file (see block4cache.h).
#include "block4cache.h"

#include <cstdlib>
#include <cstring>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index4.h"
#include "index4write.h"

namespace {

constexpr uint32_t MIN_SLOTS = 16;
constexpr uint64_t MAX_BYTES = 8u << 20;       // 16384 blocks of 512 bytes
constexpr uint32_t MAX_RUN_BYTES = 32u << 10;  // 64 blocks of 512 bytes

uint32_t maxRun(const INDEX4FILE *i) { return i->blockSize >= MAX_RUN_BYTES ? 1 : MAX_RUN_BYTES / i->blockSize; }

uint32_t slotOf(const INDEX4FILE *i, int64_t pos) { return (uint32_t)((pos / i->blockSize) % i->cache.slots); }

// Reads blocks [block, block + n) into their slots (consecutive: the run
// never wraps); 0 or the read's negative code.
int readRun(INDEX4FILE *i, int64_t block, uint32_t n) {
    BLOCK4CACHE &c = i->cache;
    uint32_t slot = (uint32_t)(block % c.slots);
    unsigned char *to = c.data + (size_t)slot * i->blockSize;
    // The slots lose their images before the read overwrites them.
    for (uint32_t k = 0; k < n; k++) c.refs[slot + k] = cdx::NO_BLOCK;
    int rc = file4readAll(&i->file, block * i->blockSize, to, n * i->blockSize);
    if (rc != 0) return i->codeBase->errorCode < 0 ? i->codeBase->errorCode : -1;
    for (uint32_t k = 0; k < n; k++) {
        c.refs[slot + k] = (uint32_t)((block + k) * i->blockSize / i->unit);
        c.checkedFor[slot + k] = 0;
    }
    return 0;
}

}  // namespace

int index4cacheInit(INDEX4FILE *i) {
    BLOCK4CACHE &c = i->cache;
    int64_t blocks = i->fileLen / i->blockSize;
    int64_t most = (int64_t)(MAX_BYTES / i->blockSize);
    if (most < MIN_SLOTS) most = MIN_SLOTS;
    c.slots = (uint32_t)(blocks < MIN_SLOTS ? MIN_SLOTS : blocks > most ? most : blocks);
    c.refs = static_cast<uint32_t *>(std::malloc(sizeof(uint32_t) * c.slots));
    c.checkedFor = static_cast<uint16_t *>(std::calloc(c.slots, sizeof(uint16_t)));
    c.data = static_cast<unsigned char *>(std::malloc((size_t)c.slots * i->blockSize));
    if (!c.refs || !c.checkedFor || !c.data) return error4(i->codeBase, e4memory, E4_LOC_I4OPEN);
    index4cacheClear(i);
    return 0;
}

void index4cacheFree(INDEX4FILE *i) {
    BLOCK4CACHE &c = i->cache;
    std::free(c.refs);
    std::free(c.checkedFor);
    std::free(c.data);
    c = BLOCK4CACHE{};
}

void index4cacheClear(INDEX4FILE *i) {
    BLOCK4CACHE &c = i->cache;
    if (c.refs)
        for (uint32_t s = 0; s < c.slots; s++) c.refs[s] = cdx::NO_BLOCK;
    c.generation++;
    c.runNext = c.singleNext = -1;
    c.run = 1;
}

void index4cacheStore(INDEX4FILE *i, uint32_t ref, const unsigned char *image) {
    BLOCK4CACHE &c = i->cache;
    if (!c.refs || ref == cdx::NO_BLOCK) return;
    uint32_t slot = slotOf(i, (int64_t)ref * i->unit);
    std::memcpy(c.data + (size_t)slot * i->blockSize, image, i->blockSize);
    c.refs[slot] = ref;
    c.checkedFor[slot] = 0;
    c.generation++;
}

void index4cacheForget(INDEX4FILE *i, uint32_t ref) {
    BLOCK4CACHE &c = i->cache;
    if (!c.refs || ref == cdx::NO_BLOCK) return;
    uint32_t slot = slotOf(i, (int64_t)ref * i->unit);
    if (c.refs[slot] == ref) c.refs[slot] = cdx::NO_BLOCK;
    c.generation++;
}

int index4block(INDEX4FILE *i, uint32_t ref, BLOCK4VIEW *out) {
    BLOCK4CACHE &c = i->cache;
    int64_t pos = (int64_t)ref * i->unit;
    if (ref == cdx::NO_BLOCK || pos + i->blockSize > i->fileLen) return -1;
    // Blocks changed and not yet written come from the write side.
    if (i->write && index4storedView(i, ref, out)) return 0;
    uint32_t slot = slotOf(i, pos);
    if (c.refs[slot] != ref) {
        int64_t block = pos / i->blockSize;
        bool aligned = pos % i->blockSize == 0;
        if (aligned) {
            uint32_t n = 1;
            if (block == c.runNext)
                n = c.run * 2 > maxRun(i) ? maxRun(i) : c.run * 2;
            else if (block == c.singleNext)
                n = maxRun(i) < 2 ? 1 : 2;
            int64_t inFile = index4diskLen(i) / i->blockSize - block;
            if (inFile < 1) inFile = 1;
            if ((int64_t)n > inFile) n = (uint32_t)inFile;
            if (n > c.slots - slot) n = c.slots - slot;
            if (int rc = readRun(i, block, n)) return rc;
            if (n > 1) {
                c.run = n;
                c.runNext = block + n;
            } else {
                c.singleNext = block + 1;
            }
        } else {
            // A reference between block boundaries (only damaged files have
            // them): that block alone, in the slot of the boundary before it.
            c.refs[slot] = cdx::NO_BLOCK;
            if (file4readAll(&i->file, pos, c.data + (size_t)slot * i->blockSize, i->blockSize) != 0)
                return i->codeBase->errorCode < 0 ? i->codeBase->errorCode : -1;
            c.refs[slot] = ref;
            c.checkedFor[slot] = 0;
        }
    }
    out->image = c.data + (size_t)slot * i->blockSize;
    out->checkedFor = &c.checkedFor[slot];
    return 0;
}

int index4readBlock(INDEX4FILE *i, uint32_t ref, unsigned char *out) {
    BLOCK4VIEW v;
    if (int rc = index4block(i, ref, &v)) return rc;
    std::memcpy(out, v.image, i->blockSize);
    return 0;
}
