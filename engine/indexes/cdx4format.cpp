// Bounded decoders of the compound index layout (see cdx4format.h).
#include "cdx4format.h"

#include <cstring>

namespace cdx {

bool leafValid(const unsigned char *block, unsigned blockSize, unsigned keyLen, LeafParams *p) {
    p->recMask = b4::getU32le(block + LEAF_OFF_REC_MASK);
    p->dupMask = block[LEAF_OFF_DUP_MASK];
    p->trailMask = block[LEAF_OFF_TRAIL_MASK];
    p->recBits = block[LEAF_OFF_REC_BITS];
    p->dupBits = block[LEAF_OFF_DUP_BITS];
    p->trailBits = block[LEAF_OFF_TRAIL_BITS];
    p->entryBytes = block[LEAF_OFF_ENTRY_BYTES];
    unsigned count = nodeKeyCount(block);
    if (count == 0) return true;
    if (p->entryBytes < 1 || p->entryBytes > LEAF_MAX_ENTRY_BYTES) return false;
    if (p->recBits + p->dupBits + p->trailBits > p->entryBytes * 8) return false;
    if (p->recBits > 32 || p->dupBits > 16 || p->trailBits > 16) return false;
    uint64_t entriesEnd = LEAF_HEAD + (uint64_t)count * p->entryBytes;
    if (entriesEnd > blockSize) return false;
    uint64_t stored = 0;
    for (unsigned i = 0; i < count; i++) {
        LeafEntry e = leafEntry(block, *p, i);
        if (e.duplicates > keyLen || e.trailing > keyLen || e.duplicates + e.trailing > keyLen) return false;
        if (i == 0 && e.duplicates != 0) return false;
        stored += keyLen - e.duplicates - e.trailing;
        if (entriesEnd + stored > blockSize) return false;
    }
    return true;
}

bool headerDecode(const unsigned char *p, unsigned limit, TagHeader *h) {
    if (limit < HEADER_FIXED) return false;
    h->root = b4::getU32le(p + OFF_ROOT);
    h->freeHead = b4::getU32le(p + OFF_FREE);
    h->version = b4::getU32be(p + OFF_VERSION);
    h->keyLen = b4::getU16le(p + OFF_KEY_LEN);
    h->typeFlags = p[OFF_TYPE];
    h->signature = p[OFF_SIGNATURE];
    h->marker = b4::getU32le(p + OFF_MARKER);
    h->blockSize = b4::getU32le(p + OFF_BLOCK_SIZE);
    h->unit = b4::getU32le(p + OFF_UNIT);
    std::memcpy(h->collation, p + OFF_COLLATION, COLLATION_LEN);
    h->collation[COLLATION_LEN - 1] = 0;
    h->descending = b4::getU16le(p + OFF_DESCENDING);
    h->forPos = b4::getU16le(p + OFF_FOR_POS);
    h->forLen = b4::getU16le(p + OFF_FOR_LEN);
    h->exprPos = b4::getU16le(p + OFF_EXPR_POS);
    h->exprLen = b4::getU16le(p + OFF_EXPR_LEN);
    return true;
}

bool poolText(const unsigned char *pool, unsigned pos, unsigned len, const char **text, unsigned *textLen) {
    if (len < 1 || pos >= POOL_SIZE || len > POOL_SIZE - pos) return false;
    const char *t = reinterpret_cast<const char *>(pool + pos);
    *text = t;
    *textLen = (unsigned)strnlen(t, len);
    return true;
}

}  // namespace cdx
