// Opens a table made of arbitrary bytes and reads everything it offers (with
// the default switches, then with validation off and the other switches
// that change how a table is checked and read):
// every record, every field through every read function, memo contents
// included (a sound memo file made by the engine lies beside the table, so
// damaged memo references are followed too). A table that opens is then
// written to (a new record with every field assigned, a longer and a shorter
// memo over record 1, a deletion), closed, and must open again: the engine
// may refuse a damaged table, but never one it wrote itself.
//
// Errors must come back as the engine's codes: the error routine ends the
// process on the fatal codes (-910, -920, -950, -970), which libFuzzer
// reports as a crash.
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

CODE4 g_cb;
std::string g_dir;
std::vector<char> g_memo;  // the memo file placed beside every input

void removeDir() {
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
}

void put(const std::string &path, const void *data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char *>(data), (std::streamsize)size);
}

std::vector<char> get(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A memo file holding memos of several lengths (blocks of 64 bytes), so that
// references in the fuzzed records find real memos, memo middles and ends.
void makeMemoTemplate() {
    FIELD4INFO fields[] = {{"NOTES", 'M', 0, 0, 0}, {nullptr, 0, 0, 0, 0}};
    g_cb.memSizeMemo = 64;
    std::string name = g_dir + "/template";
    DATA4 *d = d4create(&g_cb, name.c_str(), fields);
    if (!d) std::abort();
    const char *texts[] = {"a", "", "a memo that takes more than one block of sixty-four bytes, so it spans two", "x"};
    for (const char *t : texts) {
        d4appendStart(d, 0);
        d4blank(d);
        f4memoAssign(d4field(d, "NOTES"), t);
        if (d4append(d) != 0) std::abort();
    }
    d4close(d);
    g_memo = get(name + ".fpt");
    g_cb.memSizeMemo = 512;
}

void assignEvery(DATA4 *d, int round) {
    for (int j = 1; j <= d4numFields(d); j++) {
        FIELD4 *f = d4fieldJ(d, j);
        switch (f4type(f)) {
            case 'M': case 'G': case 'X':
                f4memoAssign(f, round ? "short" : "a longer memo text written over the first record's memo, "
                                                 "long enough to need new blocks at the end of the memo file");
                break;
            case 'I': f4assignLong(f, -12345); break;
            case 'B': f4assignDouble(f, 2.5); break;
            case 'Y': f4assignCurrency(f, "-12.3456"); break;
            case 'T': f4assignDateTime(f, "2003051312:34:57"); break;
            case 'D': f4assign(f, "20030513"); break;
            case 'L': f4assign(f, "T"); break;
            case 'N': case 'F': f4assignDouble(f, -1.25); break;
            default: f4assign(f, "fuzz"); break;
        }
        error4set(&g_cb, 0);
    }
}

// Appends a record and rewrites record 1 twice; failures are fine, the
// engine only has to keep the file openable.
void writeTo(DATA4 *d) {
    if (d4appendStart(d, 0) == 0 && d4blank(d) == 0) {
        assignEvery(d, 0);
        d4append(d);
    }
    error4set(&g_cb, 0);
    for (int round = 0; round < 2; round++) {
        if (d4go(d, 1) == 0) {
            assignEvery(d, round);
            if (round) d4delete(d);
            d4write(d, -1);
        }
        error4set(&g_cb, 0);
    }
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
    g_cb.autoOpen = 0;  // no index layer answers for the production index here
    makeMemoTemplate();
    return 0;
}

namespace {

// One round over the input with the context's current switches.
void round(const uint8_t *data, size_t size) {
    std::string name = g_dir + "/t.dbf";
    put(name, data, size);
    put(g_dir + "/t.fpt", g_memo.data(), g_memo.size());
    error4set(&g_cb, 0);
    DATA4 *d = d4open(&g_cb, name.c_str());
    if (!d) {
        error4set(&g_cb, 0);
        return;
    }
    vt::WalkResult r = vt::walkTable(d, 200);
    if (r.invariantBroken) {
        std::fprintf(stderr, "read invariant broken: %s\n", r.broken);
        std::abort();
    }
    writeTo(d);
    d4close(d);
    error4set(&g_cb, 0);
    // Whatever the engine wrote, it must open again.
    d = d4open(&g_cb, name.c_str());
    if (!d) {
        std::fprintf(stderr, "the engine cannot reopen a table it wrote: error %d\n", g_cb.errorCode);
        std::abort();
    }
    r = vt::walkTable(d, 200);
    if (r.invariantBroken) {
        std::fprintf(stderr, "read invariant broken after writing: %s\n", r.broken);
        std::abort();
    }
    d4close(d);
    error4set(&g_cb, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > 1 << 20) return 0;
    // With the default switches, then with the record-count and length
    // checks off, the count checked against the file, and missing records
    // passed over silently.
    round(data, size);
    g_cb.validationOff = 1;
    g_cb.accessMode = 1;
    g_cb.goError = 0;
    round(data, size);
    g_cb.validationOff = 0;
    g_cb.accessMode = 0;
    g_cb.goError = 1;
    return 0;
}
