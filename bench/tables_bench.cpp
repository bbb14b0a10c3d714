// Table scan and append speed beside plain sequential file reading and
// writing of the same bytes, measured in the same run.
//
//   bench_tables [RECORDS] [FOLDER]     (defaults: 1000000, the temp folder)
//
// Table: ID N(10), NAME C(20), AMOUNT N(12,2), BORN D (51-byte records).
// append       RECORDS x (d4appendStart, four assignments, d4append), then
//              d4close; ID and BORN by f4assignLong, NAME and AMOUNT by
//              f4assign (texts made before the timing)
// append (dbl) the same with AMOUNT by f4assignDouble: adds the cost of the
//              fixed-point number formatting
// baseline     the same number of bytes written with buffered sequential
//              writes (64 KiB stdio buffer)
// scan         d4top/d4skip over every record reading AMOUNT with f4double
// scan (long)  the same reading ID with f4long
// baseline     the file's bytes read with buffered sequential reads
// Each figure is the best of three runs. Goals: append within 5x of the
// sequential write, scan within 3x of the plain read.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "brindle.h"

namespace {

using Clock = std::chrono::steady_clock;

double bestOf3(const std::function<void()> &run) {
    double best = 1e30;
    for (int i = 0; i < 3; i++) {
        auto start = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

void report(const char *what, long records, double engine, double baseline, double goal) {
    double ratio = engine / baseline;
    std::printf("%-13s %11.0f records/s (%.3f s)   baseline %11.0f records/s (%.3f s)   ratio %5.2fx  goal %.0fx: %s\n",
                what, records / engine, engine, records / baseline, baseline, ratio, goal,
                ratio <= goal ? "met" : "NOT met");
}

void fail(const char *what, CODE4 *cb) {
    std::fprintf(stderr, "bench_tables: %s failed (error %d)\n", what, cb->errorCode);
    std::exit(1);
}

}  // namespace

int main(int argc, char **argv) {
    long records = argc > 1 ? std::atol(argv[1]) : 1000000;
    const char *tmp = std::getenv("TMPDIR");
    std::string folder = argc > 2 ? argv[2] : (tmp && *tmp ? tmp : "/tmp");
    std::string table = folder + "/vandrel_bench.dbf";
    std::string plain = folder + "/vandrel_bench.raw";

    CODE4 cb{};
    if (code4init(&cb) != 0) return 1;
    cb.safety = 0;  // each run replaces the previous table
    FIELD4INFO fields[] = {{"ID", 'N', 10, 0, 0}, {"NAME", 'C', 20, 0, 0}, {"AMOUNT", 'N', 12, 2, 0},
                           {"BORN", 'D', 0, 0, 0}, {nullptr, 0, 0, 0, 0}};
    // The amount texts are made before any timing: producing test values
    // is not the engine's work.
    std::vector<std::string> amountTexts(100000);
    for (long i = 0; i < 100000; i++) {
        char t[32];
        std::snprintf(t, sizeof t, "%ld.%02ld", i / 100, i % 100);
        amountTexts[(size_t)i] = t;
    }

    auto append = [&](bool viaDouble) {
        DATA4 *d = d4create(&cb, table.c_str(), fields);
        if (!d) fail("d4create", &cb);
        FIELD4 *id = d4field(d, "ID"), *name = d4field(d, "NAME"), *amount = d4field(d, "AMOUNT"),
               *born = d4field(d, "BORN");
        for (long i = 1; i <= records; i++) {
            d4appendStart(d, 0);
            f4assignLong(id, i);
            f4assign(name, "a name of some sort");
            if (viaDouble) {
                f4assignDouble(amount, (double)(i % 100000) / 100.0);
            } else {
                f4assign(amount, amountTexts[(size_t)(i % 100000)].c_str());
            }
            f4assignLong(born, 2451545 + i % 20000);
            if (d4append(d) != 0) fail("d4append", &cb);
        }
        if (d4close(d) != 0) fail("d4close", &cb);
    };
    double appendDoubleTime = bestOf3([&] { append(true); });
    double appendTime = bestOf3([&] { append(false); });

    FILE *in = std::fopen(table.c_str(), "rb");
    if (!in) return 1;
    std::fseek(in, 0, SEEK_END);
    long size = std::ftell(in);
    std::fclose(in);
    std::vector<char> buffer(1 << 16);
    std::vector<char> record(51, 'x');
    double writeTime = bestOf3([&] {
        FILE *out = std::fopen(plain.c_str(), "wb");
        std::setvbuf(out, buffer.data(), _IOFBF, buffer.size());
        for (long written = 0; written < size;) {
            long n = std::min(size - written, (long)record.size());
            std::fwrite(record.data(), 1, (size_t)n, out);
            written += n;
        }
        std::fclose(out);
    });

    double sum = 0;
    long seen = 0;
    auto scan = [&](bool viaLong) {
        DATA4 *d = d4open(&cb, table.c_str());
        if (!d) fail("d4open", &cb);
        FIELD4 *amount = d4field(d, "AMOUNT"), *id = d4field(d, "ID");
        sum = 0;
        seen = 0;
        for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) {
            sum += viaLong ? (double)f4long(id) : f4double(amount);
            seen++;
        }
        d4close(d);
    };
    double scanTime = bestOf3([&] { scan(false); });
    double scanSum = sum;
    double scanLongTime = bestOf3([&] { scan(true); });

    unsigned long check = 0;
    double readTime = bestOf3([&] {
        FILE *f = std::fopen(table.c_str(), "rb");
        for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), f)) > 0;)
            for (size_t i = 0; i < n; i += 64) check += (unsigned char)buffer[i];
        std::fclose(f);
    });

    std::printf("%ld records of 51 bytes, a %ld-byte table (checks: %ld records, sums %.2f and %.0f, %lu)\n", records,
                size, seen, scanSum, sum, check);
    report("append", records, appendTime, writeTime, 5);
    report("append (dbl)", records, appendDoubleTime, writeTime, 5);
    report("scan", records, scanTime, readTime, 3);
    report("scan (long)", records, scanLongTime, readTime, 3);
    std::remove(table.c_str());
    std::remove(plain.c_str());
    code4initUndo(&cb);
    return 0;
}
