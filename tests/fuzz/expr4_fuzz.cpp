// Feeds arbitrary expression texts to the parser and evaluates whatever
// parses, in every result form, against tables of the common, the binary
// and the rarer field kinds (between them every type a table can hold). The
// first input byte picks the table (bit 0, or bit 3 for the third) and
// whether the text is parsed as a tag expression; the rest is the text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "brindle.h"
#include "indexes/index4.h"

namespace {

CODE4 g_cb;
DATA4 *g_tables[3];
std::string g_dir;
// A tag of no index file (machine order, no null marker) for the tag form
// of parsing and keys.
TAG4FILE g_tag{};

void removeDir() {
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
}

DATA4 *makeTable(const char *name, const FIELD4INFO *fields, int level) {
    g_cb.compatibility = (int16_t)level;
    DATA4 *d = d4create(&g_cb, (g_dir + "/" + name).c_str(), fields);
    g_cb.compatibility = 25;
    if (!d) std::abort();
    return d;
}

void add(DATA4 *d, const char *const *pairs) {
    d4appendStart(d, 0);
    d4blank(d);
    for (int i = 0; pairs[i]; i += 2) {
        FIELD4 *f = d4field(d, pairs[i]);
        if (!f) std::abort();
        if (f->type == 'M' || f->type == 'G')
            f4memoAssign(f, pairs[i + 1]);
        else if (f->type == 'T')
            f4assignDateTime(f, pairs[i + 1]);
        else if (f->type == 'Y')
            f4assignCurrency(f, pairs[i + 1]);
        else if (f->type == 'I' || f->type == 'B')
            f4assignDouble(f, std::atof(pairs[i + 1]));
        else if (std::strchr("PQR", f->type))
            f4assignLong(f, std::atol(pairs[i + 1]));
        else if (std::strcmp(pairs[i + 1], "NULL") == 0)
            f4assignNull(f);
        else
            f4assign(f, pairs[i + 1]);
    }
    if (d4append(d) != 0) std::abort();
}

void evaluate(EXPR4 *e) {
    char *p = nullptr;
    int len = expr4vary(e, &p);
    if (len >= 0) {
        // Touch every byte so the sanitizers see any bad pointer.
        volatile unsigned sum = 0;
        for (int i = 0; i < len; i++) sum = sum + (unsigned char)p[i];
    }
    expr4double(e);
    if (expr4type(e) == 'L') expr4true(e);
    if (expr4type(e) == 'C' || expr4type(e) == 'D') {
        const char *s = expr4str(e);
        if (s && std::strlen(s) > (size_t)expr4len(e)) std::abort();
    }
    char *key = nullptr;
    int klen = expr4key(e, &key, nullptr);
    if (klen >= 0 && klen != expr4keyLen(e)) std::abort();
    for (int i = 0; i < e->numItems; i++) expr4execute(e, i, &p);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    char pattern[] = "/tmp/vandrel-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    g_dir = pattern;
    std::atexit(removeDir);
    if (code4init(&g_cb) != 0) std::abort();
    g_cb.offError = 1;

    FIELD4INFO people[] = {{"NAME", 'C', 10, 0, 0},  {"FIRST", 'C', 10, 0, 0}, {"AMOUNT", 'N', 10, 2, 0},
                           {"COUNT", 'N', 4, 0, 0},  {"BORN", 'D', 0, 0, 0},   {"FLAG", 'L', 0, 0, 0},
                           {"NOTES", 'M', 0, 0, 0},  {"CODE", 'C', 4, 0, 0},   {nullptr, 0, 0, 0, 0}};
    g_tables[0] = makeTable("people", people, 25);
    const char *p1[] = {"NAME", "Smith", "FIRST", "Ann", "AMOUNT", "-123.45", "COUNT", " -12", "BORN", "20030513",
                        "FLAG", "T", "NOTES", "likes tea", "CODE", "AB", nullptr};
    const char *p2[] = {"NAME", "", "AMOUNT", "*****", "BORN", "2000x101", "FLAG", "?", nullptr};
    add(g_tables[0], p1);
    add(g_tables[0], p2);

    FIELD4INFO kinds[] = {{"ID", 'I', 0, 0, 0},       {"PRICE", 'Y', 0, 0, 0}, {"STAMP", 'T', 0, 0, 0},
                          {"RATIO", 'B', 8, 2, 0},    {"LABEL", 'C', 6, 0, r4null}, {"TEXT", 'M', 0, 0, 0},
                          {nullptr, 0, 0, 0, 0}};
    g_tables[1] = makeTable("kinds", kinds, 30);
    const char *k1[] = {"ID", "-5", "PRICE", "1.5", "STAMP", "2003051312:34:57", "RATIO", "2.5", "LABEL", "abc",
                        nullptr};
    const char *k2[] = {"ID", "2147483647", "PRICE", "-922337203685477.5808", "LABEL", "NULL", nullptr};
    add(g_tables[1], k1);
    add(g_tables[1], k2);

    FIELD4INFO rare[] = {{"FLT", 'F', 12, 3, 0},     {"GEN", 'G', 0, 0, 0},      {"BIN", 'Z', 6, 0, 0},
                         {"BMEMO", 'X', 0, 0, 0},    {"SHORT", 'Q', 0, 0, 0},    {"USHORT", 'R', 0, 0, 0},
                         {"PTR", 'P', 0, 0, 0},      {"VAR", 'V', 0, 0, 0},      {"WIDE", 'W', 8, 0, 0},
                         {"OBJ", 'O', 6, 0, 0},      {"B8A", '1', 0, 0, 0},      {"B6A", '2', 0, 0, 0},
                         {"B6B", '3', 0, 0, 0},      {"B16", '4', 0, 0, 0},      {"B8B", '5', 0, 0, 0},
                         {"B8C", '6', 0, 0, 0},      {"DAY", 'D', 0, 0, r4null}, {"YES", 'L', 0, 0, r4null},
                         {"NUM", 'N', 6, 2, r4null}, {nullptr, 0, 0, 0, 0}};
    g_tables[2] = makeTable("rare", rare, 30);
    const char *r1[] = {"FLT", "-1.125", "GEN", "general", "BIN", "ab\x01", "BMEMO", "binary memo", "SHORT", "-2",
                        "USHORT", "65535", "PTR", "7", "WIDE", "wide", "OBJ", "obj", "DAY", "20240229", "YES", "T",
                        "NUM", "12.5", nullptr};
    const char *r2[] = {"DAY", "NULL", "YES", "NULL", "NUM", "NULL", nullptr};
    add(g_tables[2], r1);
    add(g_tables[2], r2);

    EXPR4 *calc = expr4parse(g_tables[0], "UPPER(NAME) + TRIM(FIRST)");
    if (!calc || expr4calcCreate(&g_cb, calc, "CALC") != 0) std::abort();
    error4set(&g_cb, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1 || size > 4096) return 0;
    DATA4 *d = g_tables[(data[0] & 8) ? 2 : (data[0] & 1)];
    bool tag = (data[0] & 2) != 0;
    std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    text = text.c_str();  // up to the first NUL
    d4go(d, (data[0] & 4) ? 2 : 1);

    EXPR4 *e = tag ? expr4parseTag(d, text.c_str(), &g_tag)
                   : expr4parse(d, text.c_str());
    if (e) {
        evaluate(e);
        expr4free(e);
    }
    error4set(&g_cb, 0);
    return 0;
}
