// The sorted result of a relation: built by scanning the qualifying records
// into the external sort, then fetched lazily, one entry per move, and kept
// in a temporary file so that entries already passed can be read again when
// moving back.
//
// Sort elements (in memory and in the sort's spools):
//   key          keyLen bytes   the sort expression's key of the record
//   record slot  32 bits        the scan's sequence number 0, 1, 2 ...: equal
//                               keys come back in the order the scan met them
//   information  4 bytes        the master's record number, little-endian
//                               (0 when the master was at end or beginning)
//
// File of fetched sorted entries (only with backward skipping), a temporary
// file without a name on disk, little-endian:
//   offset (i - 1) * 4   4 bytes   record number of sorted entry i (1-based)
// Entries are appended in sorted order as they are fetched. The newest ones
// wait in a tail buffer until it fills; entries read back come through a read
// cache of aligned blocks, so walks in either direction cost one read per
// block.
#include <cstdlib>
#include <cstring>

#include "expressions/expressions.h"
#include "foundation/bytes.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "relate4internal.h"
#include "tables/data4.h"

namespace {

// Open the nameless temporary file of sorted entries and its buffers.
int relate4sortFileOpen(RELATION4 *rel) {
    CODE4 *c = rel->relate.codeBase;
    uint32_t size = c->memSizeBuffer & ~(RELATE4_ENTRY_LEN - 1);
    if (size < 1024) size = 1024;
    rel->tailBuf = static_cast<unsigned char *>(std::malloc(size));
    rel->readBuf = static_cast<unsigned char *>(std::malloc(size));
    if (!rel->tailBuf || !rel->readBuf) return error4(c, e4memory, E4_LOC_RELATE4SORT);
    rel->bufSize = size;
    int rc = file4tempLow(&rel->sortedFile, c, 1, nullptr);
    if (rc != 0) return rc < 0 ? rc : -1;
    rel->sortedFileOpen = 1;
    file4removeNow(&rel->sortedFile);
    return 0;
}

// Append one fetched entry's information to the file.
int relate4sortAppend(RELATION4 *rel, const unsigned char *info) {
    if (rel->tailLen + RELATE4_ENTRY_LEN > rel->bufSize) {
        int rc = file4write(&rel->sortedFile, rel->sortFileLen, rel->tailBuf, rel->tailLen);
        if (rc < 0) return rc;
        rel->sortFileLen += rel->tailLen;
        rel->tailLen = 0;
    }
    std::memcpy(rel->tailBuf + rel->tailLen, info, RELATE4_ENTRY_LEN);
    rel->tailLen += RELATE4_ENTRY_LEN;
    return 0;
}

// The information of entry i, fetched before, from the tail or the file.
int relate4sortStored(RELATION4 *rel, long i, unsigned char *info) {
    CODE4 *c = rel->relate.codeBase;
    if (!rel->sortedFileOpen) return error4(c, e4relate, E4_MSG_RELATE_BACKWARDS);
    int64_t off = (int64_t)(i - 1) * RELATE4_ENTRY_LEN;
    if (off >= rel->sortFileLen) {
        std::memcpy(info, rel->tailBuf + (off - rel->sortFileLen), RELATE4_ENTRY_LEN);
        return 0;
    }
    if (off < rel->readPos || off + RELATE4_ENTRY_LEN > rel->readPos + rel->readLen) {
        int64_t block = off - off % rel->bufSize;
        rel->readLen = 0;
        unsigned got = file4read(&rel->sortedFile, block, rel->readBuf, rel->bufSize);
        if (c->errorCode < 0) return c->errorCode;
        rel->readPos = block;
        rel->readLen = got;
        if (off + RELATE4_ENTRY_LEN > block + got)
            return error4describe(c, e4read, E4_LOC_RELATE4SORTGETRECORD, rel->sortedFile.name, nullptr, nullptr);
    }
    std::memcpy(info, rel->readBuf + (off - rel->readPos), RELATE4_ENTRY_LEN);
    return 0;
}

// Feed every qualifying record, from the current one on, into the sort.
int relate4sortScan(RELATION4 *rel) {
    DATA4 *d = rel->relate.data;
    long sequence = 0;
    for (;;) {
        unsigned char info[RELATE4_ENTRY_LEN];
        long recNo = d4eof(d) || d4bof(d) ? 0 : d4recNo(d);
        b4::putU32le(info, (uint32_t)recNo);
        char *key = nullptr;
        int len = expr4key(rel->sortExpr, &key, nullptr);
        if (len < 0) return len;
        const void *fitted = key;
        if ((uint32_t)len != rel->keyLen) {
            uint32_t n = (uint32_t)len < rel->keyLen ? (uint32_t)len : rel->keyLen;
            std::memcpy(rel->keyPad, key, n);
            std::memset(rel->keyPad + n, 0, rel->keyLen - n);
            fitted = rel->keyPad;
        }
        int rc = sort4put(&rel->sort, sequence, fitted, info);
        if (rc < 0) return rc;
        sequence++;
        rc = relate4skipLow(rel, 1);
        if (rc == r4eof) break;
        if (rc < 0) return rc;
    }
    rel->sortedCount = sequence;
    return 0;
}

}  // namespace

int relate4sortBuild(RELATION4 *rel) {
    RELATE4 *r = &rel->relate;
    CODE4 *c = r->codeBase;
    int saved = code4exprError(c, 0);
    rel->sortExpr = expr4parse(r->data, rel->sortSource);
    code4exprError(c, saved);
    if (!rel->sortExpr) return error4describe(c, e4relate, E4_MSG_RELATE_INCONGRUITY, rel->sortSource, nullptr, nullptr);
    rel->sortState = RELATE4_SORT_BUILDING;

    int rc = relate4topUnsorted(rel);
    if (rc == r4eof) {
        // No qualifying record: the view is empty and stays unsorted.
        rel->sortState = RELATE4_SORT_NONE;
        return 0;
    }
    if (rc < 0) return rc;
    int keyLen = expr4keyLen(rel->sortExpr);
    if (keyLen < 0) return keyLen;
    if (keyLen == 0) return error4describe(c, e4relate, E4_LOC_RELATE4SORT, rel->sortSource, nullptr, nullptr);
    rel->keyLen = (uint32_t)keyLen;
    rel->keyPad = static_cast<unsigned char *>(std::malloc(rel->keyLen));
    if (!rel->keyPad) return error4(c, e4memory, E4_LOC_RELATE4SORT);

    rc = sort4init(&rel->sort, c, keyLen, RELATE4_ENTRY_LEN);
    if (rc < 0) return rc;
    rel->sortOpen = 1;
    if ((rc = relate4sortScan(rel)) < 0) return rc;

    if (rel->skipBackwards && (rc = relate4sortFileOpen(rel)) < 0) return rc;
    if ((rc = sort4getInit(&rel->sort)) < 0) return rc;
    rel->sortState = RELATE4_SORT_DONE;
    rel->sortGetCount = 0;
    rel->sortDoneFlag = 0;
    rel->sortEofFlag = 0;
    rel->sortedPosition = 0;
    return 0;
}

int relate4sortRead(RELATION4 *rel, long i) {
    RELATE4 *r = &rel->relate;
    if (i < 1) return r4bof;
    unsigned char info[RELATE4_ENTRY_LEN] = {};
    if (i > rel->sortGetCount) {
        if (rel->sortDoneFlag || i > rel->sortedCount) return r4eof;
        void *extra = nullptr;
        while (rel->sortGetCount < i) {
            int rc = sort4get(&rel->sort, nullptr, nullptr, &extra);
            if (rc == r4done) {
                rel->sortDoneFlag = 1;
                return r4eof;
            }
            if (rc < 0) return rc;
            rel->sortGetCount++;
            if (rel->sortedFileOpen && (rc = relate4sortAppend(rel, static_cast<unsigned char *>(extra))) < 0)
                return rc;
        }
        std::memcpy(info, extra, RELATE4_ENTRY_LEN);
    } else {
        if (!rel->skipBackwards) return error4(r->codeBase, e4relate, E4_MSG_RELATE_BACKWARDS);
        if (int rc = relate4sortStored(rel, i, info)) return rc;
    }
    uint32_t recNo = b4::getU32le(info);
    if (recNo == 0) {
        int rc = d4goEof(r->data);
        return rc < 0 ? rc : R4_PASS;
    }
    int rc = d4go(r->data, (long)recNo);
    return rc == r4entry ? R4_PASS : rc;
}

void relate4sortEnd(RELATION4 *rel) {
    if (rel->sortOpen) sort4free(&rel->sort);
    std::memset(&rel->sort, 0, sizeof rel->sort);
    rel->sortOpen = 0;
    if (rel->sortedFileOpen) file4close(&rel->sortedFile);
    std::memset(&rel->sortedFile, 0, sizeof rel->sortedFile);
    rel->sortedFile.hand = -1;
    rel->sortedFileOpen = 0;
    std::free(rel->tailBuf);
    std::free(rel->readBuf);
    std::free(rel->keyPad);
    rel->tailBuf = rel->readBuf = rel->keyPad = nullptr;
    rel->tailLen = rel->readLen = rel->bufSize = 0;
    rel->readPos = rel->sortFileLen = 0;
    rel->keyLen = 0;
    rel->sortGetCount = 0;
    rel->sortDoneFlag = 0;
    rel->sortEofFlag = 0;
    rel->sortedCount = 0;
    rel->sortedPosition = 0;
    rel->sortState = RELATE4_SORT_NONE;
}
