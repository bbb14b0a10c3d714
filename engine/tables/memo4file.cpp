// The memo file: opening, creating (named or temporary), reading a memo and
// writing a new one, the same for every format; the byte layouts of the
// formats (FoxPro's .fpt, the .dbt files of dBASE III and dBASE IV tables)
// are in memo4format.h.
//
// A memo's first block is never 0 nor inside the 512-byte file header. The
// engine pads the file to a multiple of the block size when it extends it;
// other writers may leave the last block short.
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "date4.h"
#include "foundation/c4ltoa.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/u4name.h"
#include "data4.h"
#include "memo4.h"
#include "memo4format.h"

namespace {

using memo4fmt::FILE_HEADER_SIZE;
constexpr unsigned NEXT_FREE_LEN = 4;      // the header bytes a new memo changes
constexpr unsigned SCAN_CHUNK_MAX = 65536;  // the most read at once looking for an end mark

const char *nameOf(const MEMO4FILE *m) { return m->file.name ? m->file.name : ""; }

int outside(MEMO4FILE *m) {
    return error4describe(m->file.codeBase, e4memoCorrupt, E4_MSG_MEMO_OUTSIDE, nameOf(m), nullptr, nullptr);
}

// Where the memo at block starts and how long its contents are, when its
// prefix (if the format has one) lies inside the file: *len -1 means the
// memo has no length and runs to its end mark. False otherwise (nothing
// reported unless reading failed).
bool locate(MEMO4FILE *m, long block, int64_t fileLen, int64_t *contents, int64_t *len) {
    if (block <= 0) return false;
    int64_t pos = (int64_t)block * m->blockSize;
    unsigned prefixLen = memo4fmt::prefixLen(m->format);
    if (pos < FILE_HEADER_SIZE || pos + prefixLen > fileLen || pos >= fileLen) return false;
    *contents = pos;
    *len = -1;
    if (prefixLen == 0) return true;
    unsigned char prefix[memo4fmt::MAX_PREFIX];
    if (file4read(&m->file, pos, prefix, prefixLen) != prefixLen) return false;
    *len = memo4fmt::lengthFromPrefix(m->format, prefix);
    // A dBASE IV block without its mark is an older memo with no length.
    if (*len >= 0) *contents = pos + prefixLen;
    return *len < 0 || *contents + *len <= fileLen;
}

// Reads a memo without a length: the bytes from pos to the first end mark
// or the end of the file, a block first, then twice as much each time (so
// it reads at most about twice the memo). 0 or a code.
int readToEndMark(MEMO4FILE *m, int64_t pos, int64_t fileLen, F4MEMO *entry) {
    CODE4 *c = m->file.codeBase;
    uint64_t len = 0;
    unsigned want = m->blockSize < SCAN_CHUNK_MAX ? m->blockSize : SCAN_CHUNK_MAX;
    for (;; want = want < SCAN_CHUNK_MAX / 2 ? want * 2 : SCAN_CHUNK_MAX) {
        int64_t left = fileLen - (pos + (int64_t)len);
        unsigned chunk = left < want ? (unsigned)(left > 0 ? left : 0) : want;
        if (memo4entryReserve(entry, c, len + chunk + 2) != 0) return c->errorCode;
        if (chunk && file4readAll(&m->file, pos + (int64_t)len, entry->contents + len, chunk) != 0)
            return c->errorCode;
        const void *mark = chunk ? std::memchr(entry->contents + len, memo4fmt::END_MARK, chunk) : nullptr;
        if (mark) {
            len = (uint64_t)(static_cast<const char *>(mark) - entry->contents);
            break;
        }
        len += chunk;
        if (chunk < want) break;  // the end of the file
    }
    entry->contents[len] = 0;
    entry->contents[len + 1] = 0;
    entry->len = (uint32_t)len;
    return 0;
}

int writeHeader(MEMO4FILE *m, uint32_t nextFree) {
    unsigned char h[memo4fmt::MAX_HEADER_READ];
    memo4fmt::newHeader(m->format, m->blockSize, nextFree, h);
    int rc = file4write(&m->file, 0, h, memo4fmt::headerRead(m->format));
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

int memo4fileOpen(MEMO4FILE *m, DATA4FILE *d, const char *name, int format) {
    CODE4 *c = d->codeBase;
    m->dataFile = d;
    m->format = format;
    int rc = file4open(&m->file, c, name, 1);
    if (rc != 0) return rc;
    unsigned char h[memo4fmt::MAX_HEADER_READ];
    if (file4readAll(&m->file, 0, h, memo4fmt::headerRead(format)) != 0) {
        rc = c->errorCode;
        file4close(&m->file);
        c->errorCode = rc;
        return rc;
    }
    m->blockSize = memo4fmt::blockSize(format, h);
    if (m->blockSize == 0) {
        rc = error4describe(c, e4memoCorrupt, E4_LOC_MEMO4FILEOPEN, nameOf(m), nullptr, nullptr);
        file4close(&m->file);
        c->errorCode = rc;
        return rc;
    }
    m->isOpen = 1;
    return 0;
}

int memo4fileCreate(MEMO4FILE *m, CODE4 *c, DATA4FILE *d, const char *name, int format) {
    // Without a format given, a memo file like the table's own.
    if (format < 0) format = d && d->memoFile.isOpen ? d->memoFile.format : MEMO4_FPT;
    std::memset(m, 0, sizeof *m);
    m->file.hand = -1;
    m->dataFile = d;
    m->format = format;
    if (c->errorCode < 0) return -1;
    // A dBASE III memo file has no block size of its own: always 512.
    uint32_t blockSize = format == MEMO4_DBT3 ? FILE_HEADER_SIZE : c->memSizeMemo;
    if (blockSize == 0 || blockSize > 0xFFFF) return error4(c, e4parm, E4_LOC_MEMO4FILECREATE);
    m->blockSize = blockSize;
    int rc;
    if (name) {
        std::string full = name;
        full.resize(full.size() + 8, '\0');
        if (u4nameExt(full.data(), (int)full.size(), memo4fmt::extension(format), 1) != 0)
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
    int64_t pos, len;
    bool inside = locate(m, block, fileLen, &pos, &len);
    if (c->errorCode < 0) return c->errorCode;
    if (!inside) return outside(m);
    if (len < 0) return readToEndMark(m, pos, fileLen, entry);
    if (memo4entryReserve(entry, c, (uint64_t)len + 2) != 0) return c->errorCode;
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
    if (!memo4fmt::canHold(m->format, data, len))
        return error4describe(c, e4parm, E4_MSG_MEMO_END_MARK, nameOf(m), nullptr, nullptr);
    const uint32_t bs = m->blockSize;
    uint64_t needed = memo4fmt::blocksFor(m->format, len, bs);
    int64_t fileLen = file4len(&m->file);
    if (fileLen < 0) return c->errorCode;

    // A memo is never written over blocks a record refers to: a record
    // write that fails after it would leave the old record with the new
    // memo, and a block two records share would change under both. Only
    // the spare run, taken by an earlier try of this write, is reused.
    if (spare->block == 0 || spare->count < needed) {
        unsigned char h[memo4fmt::MAX_HEADER_READ];
        const unsigned headerRead = memo4fmt::headerRead(m->format);
        if (file4read(&m->file, 0, h, headerRead) != headerRead) {
            if (c->errorCode < 0) return c->errorCode;
            char where[40];
            c4ltoa45(0, where, 19);
            where[19] = ' ';
            c4ltoa45(headerRead, where + 20, 19);
            where[39] = 0;
            return error4describe(c, e4read, E4_LOC_MEMO4FILEWRITEPART, nameOf(m), where, "memo4fileWritePart");
        }
        // The next free block is the first past the file's end. A damaged
        // number that says otherwise is not followed: below it a new memo
        // would overwrite older ones, above it the file would grow by the
        // gap (gigabytes for a wild number).
        uint64_t first = memo4fmt::nextFree(m->format, h);
        uint64_t used = ((uint64_t)(fileLen > FILE_HEADER_SIZE ? fileLen : FILE_HEADER_SIZE) + bs - 1) / bs;
        if (first != used) first = used;
        if (first + needed > UINT32_MAX) return outside(m);
        // A block number the field cannot hold would read back as no memo.
        if (first > maxBlock) return error4describe(c, e4write, E4_MSG_MEMO_FULL, nameOf(m), nullptr, nullptr);
        memo4fmt::putNextFree(m->format, h, (uint32_t)(first + needed));
        if (file4write(&m->file, 0, h, NEXT_FREE_LEN) != 0) return c->errorCode;
        *spare = MEMO4RUN{(uint32_t)first, (uint32_t)needed};
    }

    int64_t pos = (int64_t)spare->block * bs;
    unsigned char prefix[memo4fmt::MAX_PREFIX];
    const unsigned prefixLen = memo4fmt::prefixLen(m->format), suffixLen = memo4fmt::suffixLen(m->format);
    memo4fmt::putPrefix(m->format, len, prefix);
    if (prefixLen && file4write(&m->file, pos, prefix, prefixLen) != 0) return c->errorCode;
    if (file4write(&m->file, pos + prefixLen, data, len) != 0) return c->errorCode;
    if (suffixLen && file4write(&m->file, pos + prefixLen + len, memo4fmt::suffix(m->format), suffixLen) != 0)
        return c->errorCode;
    int64_t end = pos + prefixLen + len + suffixLen;
    if (end > fileLen && end % bs != 0 && file4lenSet(&m->file, (end / bs + 1) * bs) != 0) return c->errorCode;
    *block = spare->block;
    return 0;
}
