#include "harbour_types.h"

#include <cstring>
#include <string>

namespace vt {

namespace {

void putLe(std::vector<unsigned char> &b, size_t at, uint64_t v, unsigned n) {
    for (unsigned i = 0; i < n; i++) b[at + i] = (unsigned char)(v >> (8 * i));
}

uint64_t bitsOf(double d) {
    uint64_t u;
    std::memcpy(&u, &d, sizeof u);
    return u;
}

}  // namespace

std::vector<unsigned char> harbourTypesTable(unsigned step, uint32_t counter) {
    struct Field {
        const char *name;
        char type;
        unsigned len, dec;
    } fields[] = {{"ID", '+', 4, 0},      {"NAME", 'C', 10, 0}, {"CHANGED", '=', 8, 0}, {"WHEN", '@', 8, 0},
                  {"QTY", 'I', 4, 0},     {"PRICE", 'Y', 8, 4}, {"RATIO", 'B', 8, 2},   {"SEEN", 'T', 8, 0}};
    const size_t n = sizeof fields / sizeof fields[0];
    const size_t headerLen = 32 + 32 * n + 2;
    const size_t records = 3;
    std::vector<unsigned char> b(headerLen + records * kHarbourRecordLen + 1, 0);
    b[0] = 0x03;
    b[1] = 124;  // 2024, as the year minus 1900
    b[2] = 5;
    b[3] = 17;
    putLe(b, 4, records, 4);
    putLe(b, 8, headerLen, 2);
    putLe(b, 10, kHarbourRecordLen, 2);
    unsigned displacement = 1;
    for (size_t i = 0; i < n; i++) {
        unsigned char *d = &b[32 + 32 * i];
        std::memcpy(d, fields[i].name, std::strlen(fields[i].name));
        d[11] = (unsigned char)fields[i].type;
        putLe(b, 32 + 32 * i + 12, displacement, 4);
        d[16] = (unsigned char)fields[i].len;
        d[17] = (unsigned char)fields[i].dec;
        if (fields[i].type == '+') {
            putLe(b, 32 + 32 * i + 19, counter, 4);
            d[23] = (unsigned char)step;
        }
        displacement += fields[i].len;
    }
    b[32 + 32 * n] = 0x0D;
    b[32 + 32 * n + 1] = 0x00;

    struct Row {
        char flag;
        uint32_t id;
        const char *name;
        uint32_t changedDay, changedMs, whenDay, whenMs;
        int32_t qty;
        int64_t price;
        double ratio;
        uint32_t seenDay;
    } rows[] = {{' ', 1, "alpha", 2451604, 3723000, 2451545, 43200000, -7, 123456, 2.5, 2451545},
                {' ', 2, "beta", 0, 0, 0, 0, 0, -10000, -0.125, 0},
                {'*', 3, "gamma", 2451545, 86399600, 2415021, 1, 2147483647, 0, 1e300, 0}};
    for (size_t r = 0; r < records; r++) {
        size_t at = headerLen + r * kHarbourRecordLen;
        const Row &row = rows[r];
        b[at] = (unsigned char)row.flag;
        putLe(b, at + 1, row.id, 4);
        std::string name = std::string(row.name) + std::string(10 - std::strlen(row.name), ' ');
        std::memcpy(&b[at + 5], name.data(), 10);
        putLe(b, at + 15, row.changedDay, 4);
        putLe(b, at + 19, row.changedMs, 4);
        putLe(b, at + 23, row.whenDay, 4);
        putLe(b, at + 27, row.whenMs, 4);
        putLe(b, at + 31, (uint32_t)row.qty, 4);
        putLe(b, at + 35, (uint64_t)row.price, 8);
        putLe(b, at + 43, bitsOf(row.ratio), 8);
        putLe(b, at + 51, row.seenDay, 4);
    }
    b.back() = 0x1A;
    return b;
}

}  // namespace vt
