// The byte layouts of the memo file formats (documented in memo4format.h).
#include "memo4format.h"

#include <cstring>

#include "foundation/bytes.h"

namespace memo4fmt {

namespace {

constexpr unsigned FPT_OFF_BLOCK_SIZE = 6;
constexpr unsigned FPT_OFF_TYPE = 0;
constexpr unsigned FPT_OFF_LEN = 4;
constexpr uint32_t FPT_TYPE_TEXT = 1;

constexpr unsigned DBT4_OFF_BLOCK_SIZE = 20;
constexpr unsigned DBT4_OFF_LEN = 4;
constexpr unsigned char DBT4_MARK[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr uint32_t DBT_DEFAULT_BLOCK = 512;

constexpr unsigned char DBT3_SUFFIX[2] = {END_MARK, END_MARK};

}  // namespace

const char *extension(int format) { return format == MEMO4_FPT ? "fpt" : "dbt"; }

unsigned headerRead(int format) {
    switch (format) {
        case MEMO4_DBT3: return 4;
        case MEMO4_DBT4: return MAX_HEADER_READ;
        default: return 8;
    }
}

uint32_t blockSize(int format, const unsigned char *header) {
    switch (format) {
        case MEMO4_DBT3: return DBT_DEFAULT_BLOCK;
        case MEMO4_DBT4: {
            uint32_t size = b4::getU16le(header + DBT4_OFF_BLOCK_SIZE);
            return size ? size : DBT_DEFAULT_BLOCK;
        }
        default: return b4::getU16be(header + FPT_OFF_BLOCK_SIZE);
    }
}

uint32_t nextFree(int format, const unsigned char *header) {
    return format == MEMO4_FPT ? b4::getU32be(header) : b4::getU32le(header);
}

void putNextFree(int format, unsigned char *header, uint32_t next) {
    if (format == MEMO4_FPT)
        b4::putU32be(header, next);
    else
        b4::putU32le(header, next);
}

void newHeader(int format, uint32_t size, uint32_t next, unsigned char *header) {
    std::memset(header, 0, headerRead(format));
    putNextFree(format, header, next);
    if (format == MEMO4_FPT) b4::putU16be(header + FPT_OFF_BLOCK_SIZE, (uint16_t)size);
    if (format == MEMO4_DBT4) b4::putU16le(header + DBT4_OFF_BLOCK_SIZE, (uint16_t)size);
}

unsigned prefixLen(int format) { return format == MEMO4_DBT3 ? 0 : MAX_PREFIX; }

unsigned suffixLen(int format) { return format == MEMO4_DBT3 ? sizeof DBT3_SUFFIX : 0; }

void putPrefix(int format, uint32_t len, unsigned char *out) {
    if (format == MEMO4_DBT4) {
        std::memcpy(out, DBT4_MARK, sizeof DBT4_MARK);
        b4::putU32le(out + DBT4_OFF_LEN, len + MAX_PREFIX);
    } else if (format == MEMO4_FPT) {
        b4::putU32be(out + FPT_OFF_TYPE, FPT_TYPE_TEXT);
        b4::putU32be(out + FPT_OFF_LEN, len);
    }
}

const unsigned char *suffix(int format) { return format == MEMO4_DBT3 ? DBT3_SUFFIX : nullptr; }

uint64_t blocksFor(int format, uint64_t len, uint32_t size) {
    return (prefixLen(format) + len + suffixLen(format) + size - 1) / size;
}

bool canHold(int format, const char *data, uint32_t len) {
    return format != MEMO4_DBT3 || len == 0 || std::memchr(data, END_MARK, len) == nullptr;
}

int64_t lengthFromPrefix(int format, const unsigned char *prefix) {
    switch (format) {
        case MEMO4_DBT3: return -1;
        case MEMO4_DBT4: {
            if (std::memcmp(prefix, DBT4_MARK, sizeof DBT4_MARK) != 0) return -1;
            uint32_t stored = b4::getU32le(prefix + DBT4_OFF_LEN);
            return stored > MAX_PREFIX ? stored - MAX_PREFIX : 0;
        }
        default: return b4::getU32be(prefix + FPT_OFF_LEN);
    }
}

}  // namespace memo4fmt
