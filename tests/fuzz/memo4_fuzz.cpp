// Opens a sound table whose memo file is arbitrary bytes and whose records
// point at arbitrary blocks, reads every memo, then writes memos (longer,
// shorter, empty, a new record) into that memo file, closes, and reopens:
// the engine may refuse a damaged memo, but never crash, hang, allocate what
// the file cannot hold, or leave a table it cannot open again.
//
// Input: byte 0 picks the table (bit 0: level 30, else level 25), whether
// block numbers are written as raw field bytes (bit 1, level 25 only) and
// the memo file's format (bits 2-3: 1 a dBASE III .dbt, 2 a dBASE IV .dbt,
// the table then level 25 with version 0x83 or 0x8B; else a .fpt); then
// 8 records' references, 10 bytes each (level 30 takes the first 4 as a
// little-endian integer; level 25 the first 4 as a number written as digits,
// or all 10 as they are); the rest is the memo file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "brindle.h"
#include "table_walk.h"

namespace {

constexpr int RECORDS = 8;
constexpr size_t REF_BYTES = 10;

struct Template {
    std::vector<unsigned char> dbf;
    size_t firstRecord = 0;
    size_t recordLen = 0;
    size_t memoOffset = 0;  // of the NOTES field within a record
    size_t memoLen = 0;
    std::string name;
};

CODE4 g_cb;
std::string g_dir;
Template g_tables[2];

void removeDir() {
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
}

void put(const std::string &path, const void *data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char *>(data), (std::streamsize)size);
}

std::vector<unsigned char> get(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void makeTemplate(Template &t, int level, const char *base) {
    FIELD4INFO fields[] = {{"NAME", 'C', 8, 0, 0}, {"NOTES", 'M', 0, 0, 0}, {nullptr, 0, 0, 0, 0}};
    g_cb.compatibility = (int16_t)level;
    g_cb.memSizeMemo = 64;
    t.name = g_dir + "/" + base;
    DATA4 *d = d4create(&g_cb, (t.name + ".dbf").c_str(), fields);
    if (!d) std::abort();
    for (int i = 0; i < RECORDS; i++) {
        d4appendStart(d, 0);
        d4blank(d);
        f4assign(d4field(d, "NAME"), "row");
        if (d4append(d) != 0) std::abort();
    }
    FIELD4 *notes = d4field(d, "NOTES");
    t.firstRecord = d->dataFile->headerLen;
    t.recordLen = d->dataFile->recordLen;
    t.memoOffset = notes->offset;
    t.memoLen = notes->len;
    d4close(d);
    g_cb.compatibility = 25;
    g_cb.memSizeMemo = 512;
    t.dbf = get(t.name + ".dbf");
}

void writeMemos(DATA4 *d) {
    FIELD4 *notes = d4field(d, "NOTES");
    static const std::string longer(300, 'L');
    const char *texts[] = {longer.c_str(), "s", "", "two blocks? more than sixty-four bytes of text go in here, surely"};
    for (int i = 0; i < 4; i++) {
        if (d4go(d, 1 + i) == 0) {
            f4memoAssign(notes, texts[i]);
            d4write(d, -1);
        }
        error4set(&g_cb, 0);
    }
    if (d4appendStart(d, 1) == 0) d4append(d);  // copies the current memo as a new one
    error4set(&g_cb, 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // Memory-backed when there is such a folder: every input is written out.
    std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm/vandrel-fuzz-XXXXXX" : "/tmp/vandrel-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    g_dir = pattern;
    std::atexit(removeDir);
    if (code4init(&g_cb) != 0) std::abort();
    g_cb.offError = 1;
    makeTemplate(g_tables[0], 25, "t25");
    makeTemplate(g_tables[1], 30, "t30");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1 + RECORDS * REF_BYTES || size > (1 << 20)) return 0;
    int format = (data[0] >> 2) & 3;
    bool dbt = format == 1 || format == 2;
    const Template &t = g_tables[dbt ? 0 : data[0] & 1];
    bool raw = (data[0] & 2) != 0;
    std::vector<unsigned char> dbf = t.dbf;
    if (dbt) dbf[0] = format == 1 ? 0x83 : 0x8B;
    for (int i = 0; i < RECORDS; i++) {
        const uint8_t *ref = data + 1 + i * REF_BYTES;
        unsigned char *field = dbf.data() + t.firstRecord + i * t.recordLen + t.memoOffset;
        uint32_t block = (uint32_t)ref[0] | (uint32_t)ref[1] << 8 | (uint32_t)ref[2] << 16 | (uint32_t)ref[3] << 24;
        if (t.memoLen == 4) {
            std::memcpy(field, ref, 4);
        } else if (raw) {
            std::memcpy(field, ref, REF_BYTES);
        } else {
            char digits[16];
            std::snprintf(digits, sizeof digits, "%10u", block % 1000000000u);
            std::memcpy(field, digits, 10);
        }
    }
    const uint8_t *memo = data + 1 + RECORDS * REF_BYTES;
    size_t memoSize = size - 1 - RECORDS * REF_BYTES;
    put(t.name + ".dbf", dbf.data(), dbf.size());
    put(t.name + (dbt ? ".dbt" : ".fpt"), memo, memoSize);

    error4set(&g_cb, 0);
    DATA4 *d = d4open(&g_cb, (t.name + ".dbf").c_str());
    if (!d) {
        error4set(&g_cb, 0);
        return 0;
    }
    vt::WalkResult r = vt::walkTable(d, RECORDS + 2);
    if (r.invariantBroken) {
        std::fprintf(stderr, "read invariant broken: %s\n", r.broken);
        std::abort();
    }
    writeMemos(d);
    d4close(d);
    error4set(&g_cb, 0);
    d = d4open(&g_cb, (t.name + ".dbf").c_str());
    if (!d) {
        std::fprintf(stderr, "the engine cannot reopen a table it wrote: error %d\n", g_cb.errorCode);
        std::abort();
    }
    r = vt::walkTable(d, RECORDS + 2);
    if (r.invariantBroken) {
        std::fprintf(stderr, "read invariant broken after writing: %s\n", r.broken);
        std::abort();
    }
    d4close(d);
    error4set(&g_cb, 0);
    return 0;
}
