// Pack speed beside copying the same files with plain buffered reads and
// writes, flushed the same way, measured in the same run.
//
//   pack_bench [RECORDS] [FOLDER]     (defaults: 300000, the temp folder)
//
// Table: NAME C(20), NOTES M; every record has a memo of 100 to 400 bytes,
// every second memo is rewritten once (the memo file's old copies are the
// space a pack gives back) and every fourth record is deleted.
// pack      d4packFile: the live records and their memos into new files,
//           flushed, renamed over the old
// baseline  the table and memo file copied (64 KiB stdio buffers), each
//           copy flushed (fsync)
// Each figure is one run on a fresh table. Goal: within 3x of the copy.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "brindle.h"

namespace {

using Clock = std::chrono::steady_clock;

void build(CODE4 *c, const std::string &path, long records) {
    std::remove(path.c_str());
    std::remove((path.substr(0, path.size() - 3) + "fpt").c_str());
    FIELD4INFO fields[] = {{"NAME", 'C', 20, 0, 0}, {"NOTES", 'M', 0, 0, 0}, {nullptr, 0, 0, 0, 0}};
    DATA4 *d = d4create(c, path.c_str(), fields);
    if (!d) std::exit(1);
    std::string memo(400, 'm');
    for (long i = 1; i <= records; i++) {
        d4appendStart(d, 0);
        d4blank(d);
        f4assign(d4field(d, "NAME"), "a name of twenty ch");
        f4memoAssignN(d4field(d, "NOTES"), memo.data(), (unsigned)(100 + i % 300));
        if (d4append(d) != 0) std::exit(1);
    }
    for (long i = 2; i <= records; i += 2) {
        d4go(d, i);
        f4memoAssignN(d4field(d, "NOTES"), memo.data(), (unsigned)(120 + i % 280));
        if (i % 4 == 0) d4delete(d);
        if (d4write(d, i) != 0) std::exit(1);
    }
    d4close(d);
}

long long copyFlushed(const std::string &from, const std::string &to) {
    FILE *in = std::fopen(from.c_str(), "rb"), *out = std::fopen(to.c_str(), "wb");
    if (!in || !out) std::exit(1);
    static char inBuf[65536], outBuf[65536], chunk[65536];
    setvbuf(in, inBuf, _IOFBF, sizeof inBuf);
    setvbuf(out, outBuf, _IOFBF, sizeof outBuf);
    long long total = 0;
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0; total += (long long)n) std::fwrite(chunk, 1, n, out);
    std::fflush(out);
    fsync(fileno(out));
    std::fclose(in);
    std::fclose(out);
    return total;
}

}  // namespace

int main(int argc, char **argv) {
    long records = argc > 1 ? std::atol(argv[1]) : 300000;
    std::string folder = argc > 2 ? argv[2] : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    std::string table = folder + "/pack_bench.dbf", memo = folder + "/pack_bench.fpt";
    CODE4 c{};
    code4init(&c);
    c.compatibility = 30;
    build(&c, table, records);
    auto start = Clock::now();
    long long bytes = copyFlushed(table, table + ".copy") + copyFlushed(memo, memo + ".copy");
    double baseline = std::chrono::duration<double>(Clock::now() - start).count();
    std::remove((table + ".copy").c_str());
    std::remove((memo + ".copy").c_str());
    PACK4RESULT r{};
    start = Clock::now();
    if (d4packFile(&c, table.c_str(), &r) != 0) return 1;
    double pack = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf("%ld records, %lld bytes (table and memo file)\n", records, bytes);
    std::printf("pack      %8.3f s  (%ld records kept, memo file %lld -> %lld bytes)\n", pack, r.recordsKept,
                (long long)r.memoBytesBefore, (long long)r.memoBytesAfter);
    std::printf("baseline  %8.3f s  copy of both files, flushed\n", baseline);
    std::printf("ratio     %8.2fx\n", pack / baseline);
    std::remove(table.c_str());
    std::remove(memo.c_str());
    code4initUndo(&c);
    return 0;
}
