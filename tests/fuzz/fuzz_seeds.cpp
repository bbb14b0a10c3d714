// Writes the seed corpora of the fuzz targets into the folder given as the
// first argument (one subfolder per target), made by the engine itself, so
// the seeds follow whatever the engine writes today:
//   table4_fuzz  tables of every level and field type: with records, memos,
//                nulls, deletions, an autoincrement field, empty ones, and
//                the header edge cases (one byte short of the header length,
//                a count that disagrees with the file's length)
//   memo4_fuzz   the selector byte, 8 memo references and a memo file
//                (block sizes 64 and 512, short and long memos)
//   sort4_fuzz   key lengths 0, 1, 10, 240 and 70000, extra information,
//                small budgets
// The real tables of tests/fixtures under 64 KiB are added to table4_fuzz
// by the build (they are not rewritten here).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "brindle.h"

namespace {

namespace fs = std::filesystem;

CODE4 g_cb;
std::string g_work;

std::vector<unsigned char> get(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void put(const std::string &path, const std::vector<unsigned char> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), (std::streamsize)bytes.size());
}

[[noreturn]] void die(const char *what) {
    std::fprintf(stderr, "fuzz_seeds: %s (error %d)\n", what, g_cb.errorCode);
    std::exit(1);
}

// One record's values by field name; "NULL" makes a nullable field null.
struct Value {
    const char *name;
    const char *text;
};

void assign(DATA4 *d, const Value &v) {
    FIELD4 *f = d4field(d, v.name);
    if (!f) die(v.name);
    if (std::strcmp(v.text, "NULL") == 0) {
        f4assignNull(f);
        return;
    }
    switch (f4type(f)) {
        case 'M': case 'G': case 'X': f4memoAssign(f, v.text); break;
        case 'T': f4assignDateTime(f, v.text); break;
        case 'Y': f4assignCurrency(f, v.text); break;
        case 'I': f4assignLong(f, std::atol(v.text)); break;
        case 'B': f4assignDouble(f, std::atof(v.text)); break;
        default: f4assign(f, v.text); break;
    }
}

// Creates a table in the work folder, appends the records, deletes the
// second, and returns the path without extension.
std::string makeTable(const char *name, int level, uint32_t blockSize, const FIELD4INFO *fields,
                      const std::vector<std::vector<Value>> &records) {
    g_cb.compatibility = (int16_t)level;
    g_cb.memSizeMemo = blockSize;
    std::string base = g_work + "/" + name;
    DATA4 *d = d4create(&g_cb, (base + ".dbf").c_str(), fields);
    if (!d) die(name);
    for (const auto &record : records) {
        d4appendStart(d, 0);
        d4blank(d);
        for (const Value &v : record) assign(d, v);
        if (d4append(d) != 0) die(name);
    }
    if (records.size() > 1 && (d4go(d, 2) != 0 || d4delete(d) != 0 || d4write(d, -1) != 0)) die(name);
    if (d4close(d) != 0) die(name);
    g_cb.compatibility = 25;
    g_cb.memSizeMemo = 512;
    return base;
}

void tableSeeds(const std::string &out) {
    FIELD4INFO people[] = {{"NAME", 'C', 12, 0, 0}, {"AMOUNT", 'N', 10, 2, 0}, {"RATE", 'F', 8, 3, 0},
                           {"BORN", 'D', 0, 0, 0},  {"ACTIVE", 'L', 0, 0, 0},  {"NOTES", 'M', 0, 0, 0},
                           {"PICTURE", 'G', 0, 0, 0}, {nullptr, 0, 0, 0, 0}};
    std::string longNote(200, 'n');
    std::vector<std::vector<Value>> rows = {
        {{"NAME", "Smith"}, {"AMOUNT", "-123.45"}, {"RATE", "1.5"}, {"BORN", "20030513"}, {"ACTIVE", "T"},
         {"NOTES", "likes tea"}},
        {{"NAME", "Jones"}, {"AMOUNT", "*****"}, {"BORN", "19991231"}, {"ACTIVE", "?"},
         {"NOTES", longNote.c_str()}},
        {{"NAME", ""}, {"BORN", "2000x101"}}};

    FIELD4INFO kinds[] = {{"ID", 'I', 0, 0, 0},        {"PRICE", 'Y', 0, 0, 0},     {"STAMP", 'T', 0, 0, 0},
                          {"RATIO", 'B', 8, 2, 0},     {"LABEL", 'C', 6, 0, r4null}, {"TEXT", 'M', 0, 0, r4null},
                          {"BLOB", 'X', 0, 0, 0},      {"RAW", 'Z', 5, 0, 0},       {"SHORT", 'Q', 0, 0, 0},
                          {"USHORT", 'R', 0, 0, 0},    {"PTR", 'P', 0, 0, 0},       {"WIDE", 'W', 6, 0, 0},
                          {"VAR", 'V', 0, 0, 0},       {"OBJ", 'O', 5, 0, 0},       {"DAY", 'D', 0, 0, r4null},
                          {"NUM", 'N', 5, 1, r4null},  {nullptr, 0, 0, 0, 0}};
    std::vector<std::vector<Value>> kindRows = {
        {{"ID", "-5"}, {"PRICE", "1.5"}, {"STAMP", "2003051312:34:57"}, {"RATIO", "2.5"}, {"LABEL", "abc"},
         {"TEXT", "level thirty memo"}, {"BLOB", "bin"}, {"DAY", "20240229"}, {"NUM", "12.5"}},
        {{"ID", "2147483647"}, {"PRICE", "-922337203685477.5808"}, {"LABEL", "NULL"}, {"TEXT", "NULL"},
         {"DAY", "NULL"}, {"NUM", "NULL"}}};
    FIELD4INFO counter[] = {{"SEQ", 'B', 8, 0, r4autoIncrement}, {"NAME", 'C', 4, 0, 0}, {nullptr, 0, 0, 0, 0}};
    FIELD4INFO plain[] = {{"CODE", 'C', 3, 0, 0}, {"N", 'N', 3, 0, 0}, {nullptr, 0, 0, 0, 0}};

    std::vector<std::string> made = {
        makeTable("people25", 25, 64, people, rows),
        makeTable("people26", 26, 512, people, {rows[0]}),
        makeTable("kinds30", 30, 64, kinds, kindRows),
        makeTable("counter30", 30, 512, counter, {{{"NAME", "a"}}, {{"NAME", "b"}}}),
        makeTable("plain25", 25, 512, plain, {{{"CODE", "abc"}, {"N", "7"}}, {{"CODE", "d"}}, {}}),
        makeTable("empty25", 25, 512, plain, {}),
        makeTable("empty30", 30, 512, kinds, {}),
    };
    for (const std::string &base : made) {
        std::vector<unsigned char> dbf = get(base + ".dbf");
        std::string name = fs::path(base).filename().string();
        put(out + "/" + name, dbf);
        if (name == "plain25") {
            // A count larger than the records present.
            std::vector<unsigned char> more = dbf;
            more[4] = 9;
            put(out + "/plain25_count", more);
        }
        if (name == "empty30") {
            // Cut one byte short of the header length: accepted as a table
            // whose last header byte was never written.
            std::vector<unsigned char> cut(dbf.begin(), dbf.end() - 1);
            put(out + "/empty30_short", cut);
        }
    }
}

void memoSeeds(const std::string &out) {
    FIELD4INFO fields[] = {{"NOTES", 'M', 0, 0, 0}, {nullptr, 0, 0, 0, 0}};
    std::string long1(100, 'a'), long2(1500, 'b');
    std::vector<std::vector<Value>> rows = {{{"NOTES", "one"}}, {{"NOTES", long1.c_str()}},
                                            {{"NOTES", long2.c_str()}}, {{"NOTES", ""}}};
    struct Made {
        const char *name;
        int level;
        uint32_t blockSize;
        unsigned char selector;
    } tables[] = {{"m25_64", 25, 64, 0}, {"m30_512", 30, 512, 1}, {"m30_64", 30, 64, 1},
                  {"m3_dbt", 3, 512, 4}, {"m4_dbt", 3, 512, 8}};  // dBASE III; dBASE IV (patched)
    for (const Made &m : tables) {
        std::string base = makeTable(m.name, m.level, m.blockSize, fields, rows);
        const char *memoExt = m.level == 3 ? ".dbt" : ".fpt";
        if (m.selector == 8) {
            // A dBASE IV table: its version byte and its block size at
            // offset 20 of the .dbt (the memos stay dBASE III ones, which a
            // dBASE IV file may hold).
            std::vector<unsigned char> dbf = get(base + ".dbf"), dbt = get(base + ".dbt");
            dbf[0] = 0x8B;
            dbt[20] = (unsigned char)m.blockSize;
            dbt[21] = (unsigned char)(m.blockSize >> 8);
            put(base + ".dbf", dbf);
            put(base + ".dbt", dbt);
        }
        // The references the records hold, then the memo file.
        DATA4 *d = d4open(&g_cb, (base + ".dbf").c_str());
        if (!d) die(m.name);
        std::vector<unsigned char> seed;
        seed.push_back(m.selector);
        for (int i = 1; i <= 8; i++) {
            uint32_t block = d4go(d, i) == 0 ? (uint32_t)f4long(d4field(d, "NOTES")) : (uint32_t)i;
            error4set(&g_cb, 0);
            unsigned char ref[10] = {(unsigned char)block, (unsigned char)(block >> 8), (unsigned char)(block >> 16),
                                     (unsigned char)(block >> 24)};
            seed.insert(seed.end(), ref, ref + 10);
        }
        d4close(d);
        std::vector<unsigned char> memo = get(base + memoExt);
        seed.insert(seed.end(), memo.begin(), memo.end());
        put(out + "/" + m.name, seed);
    }
}

void sortSeeds(const std::string &out) {
    struct Params {
        const char *name;
        uint32_t keyLen;
        uint8_t extra, budgetKiB, bufferKiB;
        uint16_t count;
    } params[] = {{"empty", 10, 0, 0, 0, 0},         {"tiny_keys", 1, 0, 0, 1, 2000},
                  {"index_keys", 10, 0, 1, 1, 3000}, {"relation", 12, 8, 0, 4, 1500},
                  {"long_keys", 240, 0, 0, 0, 500},  {"no_key", 0, 4, 0, 0, 300},
                  {"huge_key", 70000, 0, 0, 0, 40}};
    for (const Params &p : params) {
        std::vector<unsigned char> seed = {(unsigned char)p.keyLen, (unsigned char)(p.keyLen >> 8),
                                           (unsigned char)(p.keyLen >> 16), p.extra, p.budgetKiB, p.bufferKiB,
                                           (unsigned char)p.count, (unsigned char)(p.count >> 8)};
        for (int i = 0; i < 97; i++) seed.push_back((unsigned char)(i * 37 + 11));
        put(out + "/" + p.name, seed);
    }
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUTPUT_FOLDER\n");
        return 2;
    }
    std::string out = argv[1];
    g_work = out + "/work";
    fs::remove_all(g_work);
    for (const char *sub : {"work", "table4_fuzz", "memo4_fuzz", "sort4_fuzz"}) fs::create_directories(out + "/" + sub);
    if (code4init(&g_cb) != 0) die("code4init");
    g_cb.safety = 0;
    g_cb.offError = 1;  // failures are checked where they matter
    tableSeeds(out + "/table4_fuzz");
    memoSeeds(out + "/memo4_fuzz");
    sortSeeds(out + "/sort4_fuzz");
    code4initUndo(&g_cb);
    fs::remove_all(g_work);
    return 0;
}
