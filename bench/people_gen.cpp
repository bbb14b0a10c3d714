// Writer of the benchmark "people" table. Layout written (little-endian):
//
// Header, 32 bytes:
//   0      1   version byte 0x03 (no memo)
//   1      3   last update: years since 1900, month, day (fixed: 2024-06-01)
//   4      4   record count
//   8      2   header length: 32 + 32 * fields + 1
//   10     2   record length: 1 + the field lengths
//   12     16  zeros
//   28     1   flags 0 (no production index)
//   29     1   code page mark 0x03 (Windows ANSI)
//   30     2   zeros
// Field descriptors, 32 bytes each:
//   0      11  name, NUL-padded
//   11     1   type letter
//   12     4   offset of the field in the record (the deletion flag is at 0)
//   16     1   length
//   17     1   decimals
//   18     14  zeros
// Then 0x0D, the records (deletion flag ' ' and the fields' text) and 0x1A.
#include "people_gen.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "foundation/bytes.h"

namespace bench {
namespace {

struct FieldDef {
    const char *name;
    char type;
    unsigned len;
    unsigned dec;
};
constexpr FieldDef kFields[] = {
    {"ID", 'N', 8, 0},       {"NAME", 'C', 20, 0}, {"CITY", 'C', 15, 0},
    {"AMOUNT", 'N', 10, 2},  {"BORN", 'D', 8, 0},  {"ACTIVE", 'L', 1, 0},
};
constexpr int kFieldCount = sizeof kFields / sizeof kFields[0];
constexpr unsigned kHeaderLen = 32 + 32 * kFieldCount + 1;
constexpr unsigned kRecordLen = 1 + 8 + 20 + 15 + 10 + 8 + 1;

// Capitalised, so that upper-case order and plain byte order agree, and no
// name is a prefix of another, so that xBase's prefix comparison of
// NAME = 'Smith' and SQL's exact comparison select the same records.
constexpr const char *kNames[64] = {
    "Smith",    "Johnson", "Williams", "Brown",   "Jones",    "Garcia",   "Miller",  "Davis",
    "Rodriguez", "Martinez", "Hernandez", "Lopez", "Gonzalez", "Wilson",  "Anderson", "Thomas",
    "Taylor",   "Moore",   "Jackson",  "Morgan",  "Lee",      "Perez",    "Thompson", "White",
    "Harris",   "Sanchez", "Clark",    "Ramirez", "Lewis",    "Robinson", "Walker",  "Young",
    "Allen",    "King",    "Wright",   "Scott",   "Torres",   "Nguyen",   "Hill",    "Flores",
    "Green",    "Adams",   "Nelson",   "Baker",   "Hall",     "Rivera",   "Campbell", "Mitchell",
    "Carter",   "Roberts", "Gomez",    "Phillips", "Evans",   "Turner",   "Diaz",    "Parker",
    "Cruz",     "Edwards", "Collins",  "Reyes",   "Stewart",  "Morris",   "Morales", "Murphy",
};
constexpr const char *kCities[32] = {
    "London",  "Paris",   "Berlin",  "Madrid",  "Rome",     "Vienna",  "Prague",   "Warsaw",
    "Lisbon",  "Dublin",  "Oslo",    "Helsinki", "Athens",  "Sofia",   "Zagreb",   "Riga",
    "Vilnius", "Tallinn", "Bern",    "Brussels", "Amsterdam", "Copenhagen", "Stockholm", "Budapest",
    "Bucharest", "Belgrade", "Ljubljana", "Bratislava", "Valletta", "Nicosia", "Reykjavik", "Luxembourg",
};

struct Rng {
    uint64_t s;
    uint64_t next() {  // splitmix64
        uint64_t z = (s += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

// Civil date of a count of days since 1970-01-01.
void civil(long days, int *y, unsigned *m, unsigned *d) {
    days += 719468;
    long era = (days >= 0 ? days : days - 146096) / 146097;
    unsigned doe = (unsigned)(days - era * 146097);
    unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long year = (long)yoe + era * 400;
    unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    unsigned mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = (int)(year + (*m <= 2));
}

void putText(unsigned char *p, unsigned len, const char *s) {
    size_t n = std::strlen(s);
    if (n > len) n = len;
    std::memset(p, ' ', len);
    std::memcpy(p, s, n);
}

}  // namespace

long long peopleTableSize(long count) { return (long long)kHeaderLen + (long long)count * kRecordLen + 1; }

bool writePeopleTable(const std::string &path, long count, uint64_t seed) {
    for (const char *a : kNames)
        for (const char *b : kNames)
            if (a != b && std::strncmp(a, b, std::strlen(a)) == 0) return false;  // a prefix: the list is wrong
    std::FILE *out = std::fopen(path.c_str(), "wb");
    if (!out) return false;

    unsigned char header[kHeaderLen] = {};
    header[0] = 0x03;
    header[1] = 124;
    header[2] = 6;
    header[3] = 1;
    b4::putU32le(header + 4, (uint32_t)count);
    b4::putU16le(header + 8, (uint16_t)kHeaderLen);
    b4::putU16le(header + 10, (uint16_t)kRecordLen);
    header[29] = 0x03;
    unsigned offset = 1;
    for (int i = 0; i < kFieldCount; i++) {
        unsigned char *f = header + 32 + 32 * i;
        std::memcpy(f, kFields[i].name, std::strlen(kFields[i].name));
        f[11] = (unsigned char)kFields[i].type;
        b4::putU32le(f + 12, offset);
        f[16] = (unsigned char)kFields[i].len;
        f[17] = (unsigned char)kFields[i].dec;
        offset += kFields[i].len;
    }
    header[kHeaderLen - 1] = 0x0D;
    bool ok = std::fwrite(header, 1, sizeof header, out) == sizeof header;

    Rng rng{seed};
    const long firstDay = -14610;  // 1930-01-01
    const long lastDay = 13148;    // 2005-12-31
    std::vector<unsigned char> chunk;
    chunk.reserve(kRecordLen * 16384);
    for (long i = 1; ok && i <= count; i++) {
        unsigned char rec[kRecordLen + 1];
        char text[32];
        rec[0] = ' ';
        std::snprintf(text, sizeof text, "%8ld", i);
        std::memcpy(rec + 1, text, 8);
        putText(rec + 9, 20, kNames[rng.next() % 64]);
        putText(rec + 29, 15, kCities[rng.next() % 32]);
        uint64_t cents = rng.next() % 100000;
        std::snprintf(text, sizeof text, "%7llu.%02llu", (unsigned long long)(cents / 100),
                      (unsigned long long)(cents % 100));
        std::memcpy(rec + 44, text, 10);
        int y;
        unsigned m, d;
        civil(firstDay + (long)(rng.next() % (uint64_t)(lastDay - firstDay + 1)), &y, &m, &d);
        std::snprintf(text, sizeof text, "%04d%02u%02u", y, m, d);
        std::memcpy(rec + 54, text, 8);
        rec[62] = (rng.next() & 1) ? 'T' : 'F';
        chunk.insert(chunk.end(), rec, rec + kRecordLen);
        if (chunk.size() >= kRecordLen * 16384 || i == count) {
            ok = std::fwrite(chunk.data(), 1, chunk.size(), out) == chunk.size();
            chunk.clear();
        }
    }
    unsigned char eof = 0x1A;
    if (ok) ok = std::fwrite(&eof, 1, 1, out) == 1;
    if (std::fclose(out) != 0) ok = false;
    return ok;
}

}  // namespace bench
