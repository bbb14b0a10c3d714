// The memo file (".fpt"): opening, creating (named or temporary), reading a
// memo and writing a new one.
//
// Memo file, all integers big-endian:
//   File header, the first 512 bytes
//   off  size  meaning
//     0     4  next free block: where the next new memo goes
//     4     2  reserved, zero
//     6     2  block size in bytes
//     8   504  reserved, zero
//
//   Block n starts at byte n * block size. A memo occupies consecutive
//   blocks from its first:
//   off  size  meaning
//     0     4  memo type (1 text; others, such as 2 for pictures, are read
//              the same way)
//     4     4  length of the contents
//     8   len  contents
//   A memo of length L takes ceil((L + 8) / block size) blocks. Block 0
//   means "no memo". The engine pads the file to a multiple of the block
//   size when it extends it; other writers may leave the last block short.
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "date4.h"
#include "foundation/bytes.h"
#include "foundation/c4ltoa.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/u4name.h"
#include "data4.h"
#include "memo4.h"

namespace {

constexpr unsigned FILE_HEADER_READ = 8;   // bytes of the header the engine uses
constexpr unsigned FILE_HEADER_SIZE = 512;
constexpr unsigned OFF_NEXT_FREE = 0;
constexpr unsigned OFF_BLOCK_SIZE = 6;
constexpr unsigned BLOCK_HEADER = 8;
constexpr unsigned OFF_BLOCK_TYPE = 0;
constexpr unsigned OFF_BLOCK_LEN = 4;
constexpr uint32_t TYPE_TEXT = 1;

const char *nameOf(const MEMO4FILE *m) { return m->file.name ? m->file.name : ""; }

int outside(MEMO4FILE *m) {
    return error4describe(m->file.codeBase, e4memoCorrupt, E4_MSG_MEMO_OUTSIDE, nameOf(m), nullptr, nullptr);
}

uint64_t blocksFor(uint64_t len, uint32_t blockSize) { return (len + BLOCK_HEADER + blockSize - 1) / blockSize; }

// The length of the memo at block when the block header and the contents
// lie inside the file; -1 otherwise (nothing reported).
int64_t memoLengthAt(MEMO4FILE *m, long block, int64_t fileLen) {
    if (block <= 0) return -1;
    int64_t pos = (int64_t)block * m->blockSize;
    if (pos < FILE_HEADER_SIZE || pos + BLOCK_HEADER > fileLen) return -1;
    unsigned char h[BLOCK_HEADER];
    if (file4read(&m->file, pos, h, BLOCK_HEADER) != BLOCK_HEADER) return -1;
    int64_t len = b4::getU32be(h + OFF_BLOCK_LEN);
    if (pos + BLOCK_HEADER + len > fileLen) return -1;
    return len;
}

int writeHeader(MEMO4FILE *m, uint32_t nextFree) {
    unsigned char h[FILE_HEADER_READ] = {};
    b4::putU32be(h + OFF_NEXT_FREE, nextFree);
    b4::putU16be(h + OFF_BLOCK_SIZE, (uint16_t)m->blockSize);
    int rc = file4write(&m->file, 0, h, sizeof h);
    if (rc == 0) rc = file4lenSet(&m->file, FILE_HEADER_SIZE);
    return rc;
}

// Creates "TEMPnnnn.tmp" in folder, the digits from the clock's milliseconds.
int createTemporary(MEMO4FILE *m, CODE4 *c, const std::string &folder) {
    int savedCreateError = c->createError, savedSafety = c->safety;
    c->createError = 0;
    c->safety = 1;
    int rc = -1;
    for (int attempt = 0; attempt < 100 && rc != 0; attempt++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        DATE4CLOCK now;
        date4clock(&now);
        char digits[4];
        c4ltoa45((now.second * 1000L + now.millisecond) % 10000, digits, -4);
        std::string name = folder + "TEMP" + std::string(digits, 4) + ".tmp";
        c->errorCode = 0;
        rc = file4create(&m->file, c, name.c_str(), 1);
        if (rc < 0) break;
    }
    c->createError = savedCreateError;
    c->safety = savedSafety;
    if (rc == 0) return 0;
    if (rc > 0) c->errorCode = 0;
    return error4describe(c, e4create, E4_MSG_TEMP_FILE, folder.c_str(), nullptr, nullptr);
}

}  // namespace

int memo4fileOpen(MEMO4FILE *m, DATA4FILE *d, const char *name) {
    CODE4 *c = d->codeBase;
    m->dataFile = d;
    int rc = file4open(&m->file, c, name, 1);
    if (rc != 0) return rc;
    unsigned char h[FILE_HEADER_READ];
    if (file4readAll(&m->file, 0, h, sizeof h) != 0) {
        rc = c->errorCode;
        file4close(&m->file);
        c->errorCode = rc;
        return rc;
    }
    m->blockSize = b4::getU16be(h + OFF_BLOCK_SIZE);
    if (m->blockSize == 0) {
        rc = error4describe(c, e4memoCorrupt, E4_LOC_MEMO4FILEOPEN, nameOf(m), nullptr, nullptr);
        file4close(&m->file);
        c->errorCode = rc;
        return rc;
    }
    m->isOpen = 1;
    return 0;
}

int memo4fileCreate(MEMO4FILE *m, CODE4 *c, DATA4FILE *d, const char *name) {
    std::memset(m, 0, sizeof *m);
    m->file.hand = -1;
    m->dataFile = d;
    if (c->errorCode < 0) return -1;
    if (c->memSizeMemo == 0 || c->memSizeMemo > 0xFFFF) return error4(c, e4parm, E4_LOC_MEMO4FILECREATE);
    m->blockSize = c->memSizeMemo;
    int rc;
    if (name) {
        std::string full = name;
        full.resize(full.size() + 8, '\0');
        if (u4nameExt(full.data(), (int)full.size(), "fpt", 1) != 0)
            return error4describe(c, e4parm, E4_MSG_NAME_TOO_LONG, name, nullptr, nullptr);
        rc = file4create(&m->file, c, full.c_str(), 1);
    } else {
        std::string folder;
        if (d && d->file.name) {
            folder = u4namePlatform(d->file.name);
            size_t slash = folder.rfind('/');
            folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
        }
        rc = createTemporary(m, c, folder);
    }
    if (rc != 0) return rc;
    // The first memo goes to the first block past the 512-byte header.
    uint32_t nextFree = m->blockSize > FILE_HEADER_SIZE ? 1 : (FILE_HEADER_SIZE + m->blockSize - 1) / m->blockSize;
    if ((rc = writeHeader(m, nextFree)) != 0) {
        m->file.removeOnClose = 1;
        int saved = c->errorCode;
        file4close(&m->file);
        c->errorCode = saved;
        return rc;
    }
    m->isOpen = 1;
    return 0;
}

int memo4fileClose(MEMO4FILE *m) {
    if (!m->isOpen && m->file.hand < 0) return 0;
    int rc = file4close(&m->file);
    m->isOpen = 0;
    m->file.hand = -1;
    return rc;
}

int memo4fileRead(MEMO4FILE *m, long block, F4MEMO *entry) {
    CODE4 *c = m->file.codeBase;
    entry->len = 0;
    if (block <= 0) return 0;
    if (!m->isOpen) return error4(c, e4memoCorrupt, E4_MSG_MEMO_OUTSIDE);
    int64_t fileLen = file4len(&m->file);
    if (fileLen < 0) return c->errorCode;
    // Checked against the file before anything is allocated: a damaged
    // length must not ask for gigabytes.
    int64_t len = memoLengthAt(m, block, fileLen);
    if (c->errorCode < 0) return c->errorCode;
    if (len < 0) return outside(m);
    if (memo4entryReserve(entry, c, (uint64_t)len + 2) != 0) return c->errorCode;
    int64_t pos = (int64_t)block * m->blockSize + BLOCK_HEADER;
    if (len > 0 && file4readAll(&m->file, pos, entry->contents, (unsigned)len) != 0) return c->errorCode;
    entry->contents[len] = 0;
    entry->contents[len + 1] = 0;
    entry->len = (uint32_t)len;
    return 0;
}

int memo4fileWrite(MEMO4FILE *m, MEMO4RUN *spare, const char *data, uint32_t len, uint32_t maxBlock,
                   uint32_t *block) {
    CODE4 *c = m->file.codeBase;
    if (c->errorCode < 0) return -1;
    if (len == 0) {
        *block = 0;
        return 0;
    }
    if (!m->isOpen) return error4(c, e4memoCorrupt, E4_MSG_MEMO_OUTSIDE);
    const uint32_t bs = m->blockSize;
    uint64_t needed = blocksFor(len, bs);
    int64_t fileLen = file4len(&m->file);
    if (fileLen < 0) return c->errorCode;

    // A memo is never written over blocks a record refers to: a record
    // write that fails after it would leave the old record with the new
    // memo, and a block two records share would change under both. Only
    // the spare run, taken by an earlier try of this write, is reused.
    if (spare->block == 0 || spare->count < needed) {
        unsigned char h[FILE_HEADER_READ];
        if (file4read(&m->file, 0, h, sizeof h) != sizeof h) {
            if (c->errorCode < 0) return c->errorCode;
            char where[40];
            c4ltoa45(0, where, 19);
            where[19] = ' ';
            c4ltoa45(FILE_HEADER_READ, where + 20, 19);
            where[39] = 0;
            return error4describe(c, e4read, E4_LOC_MEMO4FILEWRITEPART, nameOf(m), where, "memo4fileWritePart");
        }
        // The next free block is the first past the file's end. A damaged
        // number that says otherwise is not followed: below it a new memo
        // would overwrite older ones, above it the file would grow by the
        // gap (gigabytes for a wild number).
        uint64_t first = b4::getU32be(h + OFF_NEXT_FREE);
        uint64_t used = ((uint64_t)(fileLen > FILE_HEADER_SIZE ? fileLen : FILE_HEADER_SIZE) + bs - 1) / bs;
        if (first != used) first = used;
        if (first + needed > UINT32_MAX) return outside(m);
        // A block number the field cannot hold would read back as no memo.
        if (first > maxBlock) return error4describe(c, e4write, E4_MSG_MEMO_FULL, nameOf(m), nullptr, nullptr);
        b4::putU32be(h + OFF_NEXT_FREE, (uint32_t)(first + needed));
        if (file4write(&m->file, 0, h, 4) != 0) return c->errorCode;
        *spare = MEMO4RUN{(uint32_t)first, (uint32_t)needed};
    }

    int64_t pos = (int64_t)spare->block * bs;
    unsigned char bh[BLOCK_HEADER];
    b4::putU32be(bh + OFF_BLOCK_TYPE, TYPE_TEXT);
    b4::putU32be(bh + OFF_BLOCK_LEN, len);
    if (file4write(&m->file, pos, bh, BLOCK_HEADER) != 0) return c->errorCode;
    if (file4write(&m->file, pos + BLOCK_HEADER, data, len) != 0) return c->errorCode;
    int64_t end = pos + BLOCK_HEADER + len;
    if (end > fileLen && end % bs != 0 && file4lenSet(&m->file, (end / bs + 1) * bs) != 0) return c->errorCode;
    *block = spare->block;
    return 0;
}
