// Expression evaluation speed over records already in memory, beside the
// time to just read the bytes of the two fields the expression looks at.
//
//   bench_expr4 [RECORDS] [FOLDER]     (defaults: 1000000, the temp folder)
//
// The table (NAME C(20), AMOUNT N(10,2)) is written by the engine, then the
// whole file is read into memory. The expression
//   NAME = 'Smith     ' .AND. AMOUNT > 100
// is evaluated with expr4true on every record, the record slot pointed at
// the record in memory (expr4recordSet). Goals: at most 60 ns per
// evaluation, and no allocation while evaluating (counted by wrapping the
// C allocator for the timed loops).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "brindle.h"

// Count the C allocator's calls while g_counting is set. glibc lets a program
// replace malloc, calloc, realloc and free together; these forward to it.
extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void __libc_free(void *);
}
namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};
inline void counted() {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace
extern "C" {
void *malloc(size_t n) {
    counted();
    return __libc_malloc(n);
}
void *calloc(size_t n, size_t size) {
    counted();
    return __libc_calloc(n, size);
}
void *realloc(void *p, size_t n) {
    counted();
    return __libc_realloc(p, n);
}
void free(void *p) { __libc_free(p); }
}

namespace {

using Clock = std::chrono::steady_clock;

const char *kSurnames[] = {"Smith", "Jones", "Taylor", "Brown", "Williams", "Wilson", "Johnson", "Davies",
                           "Robinson", "Wright", "Thompson", "Evans", "Walker", "White", "Roberts", "Green"};

// A small deterministic generator, so every run writes the same table.
struct Lcg {
    uint64_t state = 20240601;
    uint32_t next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (uint32_t)(state >> 33);
    }
};

bool writeTable(const std::string &path, long records) {
    CODE4 cb{};
    if (code4init(&cb) != 0) return false;
    cb.safety = 0;
    FIELD4INFO fields[] = {{"NAME", 'C', 20, 0, 0}, {"AMOUNT", 'N', 10, 2, 0}, {nullptr, 0, 0, 0, 0}};
    DATA4 *d = d4create(&cb, path.c_str(), fields);
    if (!d) return false;
    FIELD4 *name = d4field(d, "NAME"), *amount = d4field(d, "AMOUNT");
    Lcg rng;
    for (long i = 0; i < records; i++) {
        d4appendStart(d, 0);
        f4assign(name, kSurnames[rng.next() % (sizeof kSurnames / sizeof kSurnames[0])]);
        f4assignDouble(amount, (double)(rng.next() % 100000) / 100.0);
        if (d4append(d) != 0) return false;
    }
    bool ok = d4close(d) == 0;
    code4initUndo(&cb);
    return ok;
}

double nsPer(Clock::time_point from, long records) {
    return std::chrono::duration<double, std::nano>(Clock::now() - from).count() / (double)records;
}

}  // namespace

int main(int argc, char **argv) {
    long records = argc > 1 ? std::atol(argv[1]) : 1000000;
    const char *tmp = std::getenv("TMPDIR");
    std::string folder = argc > 2 ? argv[2] : (tmp && *tmp ? tmp : "/tmp");
    std::string path = folder + "/vandrel_expr4_bench.dbf";
    std::remove(path.c_str());
    if (!writeTable(path, records)) {
        std::fprintf(stderr, "could not write %s\n", path.c_str());
        return 1;
    }

    CODE4 cb{};
    if (code4init(&cb) != 0) return 1;
    DATA4 *d = d4open(&cb, path.c_str());
    if (!d) return 1;
    // The table in memory.
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const unsigned headerLen = d->dataFile->headerLen, recordLen = d4recWidth(d);
    if (file.size() < headerLen + (size_t)records * recordLen) return 1;
    // Each record followed by one spare byte, as a record buffer is.
    std::vector<unsigned char> memory((size_t)records * (recordLen + 1));
    for (long i = 0; i < records; i++)
        std::memcpy(&memory[(size_t)i * (recordLen + 1)], &file[headerLen + (size_t)i * recordLen], recordLen);
    const unsigned nameOff = d4field(d, "NAME")->offset, amountOff = d4field(d, "AMOUNT")->offset;

    const char *text = "NAME = 'Smith     ' .AND. AMOUNT > 100";
    int tagless = 0;  // parsed in the tag form, which reads its record slot
    EXPR4 *e = expr4parseTag(d, text, reinterpret_cast<TAG4FILE *>(&tagless));
    if (!e) return 1;

    const int rounds = 5;
    double bestEval = 1e30, bestRead = 1e30;
    long matches = 0, allocations = 0;
    unsigned long checksum = 0;
    for (int round = 0; round < rounds; round++) {
        g_allocations = 0;
        g_counting = true;
        auto start = Clock::now();
        long count = 0;
        for (long i = 0; i < records; i++) {
            expr4recordSet(e, &memory[(size_t)i * (recordLen + 1)]);
            count += expr4true(e);
        }
        double ns = nsPer(start, records);
        g_counting = false;
        allocations += g_allocations.load();
        bestEval = std::min(bestEval, ns);
        matches = count;

        // Baseline: read the 20 + 10 bytes of the two fields.
        start = Clock::now();
        unsigned long sum = 0;
        for (long i = 0; i < records; i++) {
            const unsigned char *rec = &memory[(size_t)i * (recordLen + 1)];
            for (unsigned k = 0; k < 20; k++) sum += rec[nameOff + k];
            for (unsigned k = 0; k < 10; k++) sum += rec[amountOff + k];
        }
        bestRead = std::min(bestRead, nsPer(start, records));
        checksum += sum;
    }

    // The same question answered directly, to check the engine's answer.
    long expected = 0;
    for (long i = 0; i < records; i++) {
        const unsigned char *rec = &memory[(size_t)i * (recordLen + 1)];
        if (std::memcmp(rec + nameOff, "Smith     ", 10) == 0 &&
            std::atof(std::string((const char *)rec + amountOff, 10).c_str()) > 100)
            expected++;
    }

    std::printf("records                      %ld\n", records);
    std::printf("expression                   %s\n", text);
    std::printf("evaluate (expr4true)         %7.1f ns/record   (best of %d)\n", bestEval, rounds);
    std::printf("read the two fields' bytes   %7.1f ns/record   (checksum %lu)\n", bestRead, checksum % 1000);
    std::printf("ratio                        %7.1fx\n", bestEval / bestRead);
    std::printf("allocations while evaluating %ld\n", allocations);
    std::printf("matches                      %ld (direct count %ld: %s)\n", matches, expected,
                matches == expected ? "agree" : "DISAGREE");
    std::printf("goal: <= 60 ns per evaluation and no allocation: %s\n",
                bestEval <= 60.0 && allocations == 0 ? "met" : "NOT met");
    expr4free(e);
    code4initUndo(&cb);
    std::remove(path.c_str());
    return matches == expected ? 0 : 1;
}
