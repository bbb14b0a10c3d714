// Benchmark of the relation (query and sorted view) on a generated
// 1,000,000-record "people" table, side by side with a plain sequential read
// of the file and with GDAL's ogrinfo -sql on the same file:
//   - the count of NAME = 'Smith' .AND. AMOUNT > 100 through the relation;
//   - the first 15 records in the order ASCEND(UPPER(NAME))+DESCEND(AMOUNT),
//     then the whole view walked forward, then 15 records walked back from
//     the end, with the peak memory of that walk, once with the default sort
//     budget and once with a 4 MiB budget (which must give the same order).
// Each sorted walk runs in a child process of its own, so that its peak
// resident size (getrusage ru_maxrss) is its own.
//
// Usage: relate4_bench [--records N] [--dir DIR] [--repeat K] [--no-gdal]
//        relate4_bench --make TABLE N            (only write the table)
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "bench_clock.h"
#include "brindle.h"
#include "people_gen.h"

namespace {

using bench::Clock;
using bench::since;

const char *const kQuery = "NAME = 'Smith' .AND. AMOUNT > 100";
const char *const kSort = "ASCEND(UPPER(NAME))+DESCEND(AMOUNT)";
// GDAL's statements; the layer is named after the file. The names are
// capitalised, so NAME's order is UPPER(NAME)'s; ID is the record number,
// which orders equal keys as the relation does.
std::string gdalCount(const std::string &layer) {
    return "SELECT COUNT(*) FROM " + layer + " WHERE NAME = 'Smith' AND AMOUNT > 100";
}
std::string gdalOrder(const std::string &layer) {
    return "SELECT ID FROM " + layer + " ORDER BY NAME ASC, AMOUNT DESC, ID ASC LIMIT 15";
}

volatile uint64_t g_sink;  // keeps the read loop from being optimised away

struct Options {
    long records = 1000000;
    std::string dir;
    int repeat = 3;
    bool gdal = true;
};

long maxRssKb() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Read the whole file once with large reads: the page cache is then warm for
// every contender, and the time is the floor of any scan.
double sequentialRead(const std::string &path) {
    auto t = Clock::now();
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return -1;
    std::vector<char> buf(1 << 20);
    uint64_t sum = 0;
    for (ssize_t n; (n = read(fd, buf.data(), buf.size())) > 0;) sum += (unsigned char)buf[(size_t)n - 1];
    close(fd);
    double s = since(t);
    g_sink = sum;
    return s;
}

// Open, count the query's records through the relation, close.
long engineCount(const std::string &table, double *seconds) {
    auto t = Clock::now();
    CODE4 cb{};
    code4init(&cb);
    DATA4 *d = d4open(&cb, table.c_str());
    long n = -1;
    if (d) {
        RELATE4 *r = relate4init(d);
        if (r && relate4querySet(r, kQuery) == 0) {
            int rc;
            n = 0;
            for (rc = relate4top(r); rc == 0; rc = relate4skip(r, 1)) n++;
            if (rc < 0) n = -1;
        }
        if (r) relate4free(r, 0);
        d4close(d);
    }
    code4initUndo(&cb);
    *seconds = since(t);
    return n;
}

// Child: one sorted walk with the given budget (0: the default), printed as
// one line for the parent.
int childWalk(const std::string &table, uint64_t budget) {
    CODE4 cb{};
    code4init(&cb);
    if (budget) cb.memSizeSortBudget = budget;
    auto t = Clock::now();
    DATA4 *d = d4open(&cb, table.c_str());
    if (!d) return 1;
    FIELD4 *name = d4field(d, "NAME"), *amount = d4field(d, "AMOUNT");
    RELATE4 *r = relate4init(d);
    if (!r || relate4skipEnable(r, 1) || relate4sortSet(r, kSort)) return 1;
    // The first page, read as the grid reads it.
    std::vector<long> first, last;
    size_t shown = 0;
    int rc = relate4top(r);
    for (int i = 0; rc == 0 && i < 15; i++) {
        first.push_back(d4recNo(d));
        shown += std::strlen(f4str(name)) + std::strlen(f4str(amount));
        if (i < 14) rc = relate4skip(r, 1);
    }
    double tFirst = since(t);
    // The rest of the view, forward.
    auto t2 = Clock::now();
    uint64_t digest = 1469598103934665603ull;
    long count = 0;
    for (rc = relate4top(r); rc == 0; rc = relate4skip(r, 1)) {
        digest = (digest ^ (uint64_t)d4recNo(d)) * 1099511628211ull;
        count++;
    }
    if (rc < 0) return 1;
    double tWalk = since(t2);
    // Fifteen back from the end.
    auto t3 = Clock::now();
    rc = relate4bottom(r);
    for (int i = 0; rc == 0 && i < 15; i++) {
        last.push_back(d4recNo(d));
        shown += std::strlen(f4str(name)) + std::strlen(f4str(amount));
        if (i < 14) rc = relate4skip(r, -1);
    }
    double tBack = since(t3);
    uint64_t spools = r->relation->sort.spoolsWritten;
    uint32_t passes = r->relation->sort.passes;
    relate4free(r, 0);
    d4close(d);
    code4initUndo(&cb);
    std::printf("first=%.6f walk=%.6f back=%.6f count=%ld digest=%016" PRIx64 " rss=%ld spools=%" PRIu64
                " passes=%u shown=%zu",
                tFirst, tWalk, tBack, count, digest, maxRssKb(), spools, passes, shown);
    std::printf(" first15=");
    for (long v : first) std::printf("%ld,", v);
    std::printf(" last15=");
    for (long v : last) std::printf("%ld,", v);
    std::printf("\n");
    return 0;
}

struct Walk {
    bool ok = false;
    double first = 0, walk = 0, back = 0;
    long count = 0, rss = 0;
    unsigned long long spools = 0;
    unsigned passes = 0;
    char digest[17] = {};
    std::string first15, last15;
};

// Run a command and capture its standard output; the wall time in seconds.
double runCapture(const std::string &command, std::string *out) {
    auto t = Clock::now();
    std::FILE *p = popen(command.c_str(), "r");
    if (!p) return -1;
    char buf[4096];
    out->clear();
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out->append(buf, n);
    int status = pclose(p);
    double s = since(t);
    return status == 0 ? s : -1;
}

std::string field(const std::string &line, const char *key) {
    size_t at = line.find(std::string(" ") + key + "=");
    if (at == std::string::npos) at = line.rfind(std::string(key) + "=", 0) == 0 ? 0 : std::string::npos;
    else at++;
    if (at == std::string::npos) return "";
    at += std::strlen(key) + 1;
    size_t end = line.find_first_of(" \n", at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

Walk walkInChild(const std::string &self, const std::string &table, uint64_t budget) {
    Walk w;
    std::string out;
    if (runCapture("'" + self + "' --child-walk '" + table + "' " + std::to_string(budget), &out) < 0) return w;
    w.first = std::atof(field(out, "first").c_str());
    w.walk = std::atof(field(out, "walk").c_str());
    w.back = std::atof(field(out, "back").c_str());
    w.count = std::atol(field(out, "count").c_str());
    w.rss = std::atol(field(out, "rss").c_str());
    w.spools = std::strtoull(field(out, "spools").c_str(), nullptr, 10);
    w.passes = (unsigned)std::atoi(field(out, "passes").c_str());
    std::snprintf(w.digest, sizeof w.digest, "%s", field(out, "digest").c_str());
    w.first15 = field(out, "first15");
    w.last15 = field(out, "last15");
    w.ok = w.count > 0;
    return w;
}

// Values of lines "  NAME (Type) = value" of ogrinfo's output.
std::vector<std::string> ogrValues(const std::string &out, const char *name) {
    std::vector<std::string> v;
    std::string key = std::string("  ") + name + " (";
    for (size_t at = out.find(key); at != std::string::npos; at = out.find(key, at + 1)) {
        size_t eq = out.find(" = ", at);
        size_t end = out.find('\n', at);
        if (eq == std::string::npos || eq > end) continue;
        v.push_back(out.substr(eq + 3, end - eq - 3));
    }
    return v;
}

bool hasOgrinfo() { return std::system("ogrinfo --version >/dev/null 2>&1") == 0; }

void verdict(bool met) { std::printf("  [%s]\n", met ? "goal met" : "GOAL MISSED"); }

}  // namespace

int main(int argc, char **argv) {
    if (argc == 4 && std::strcmp(argv[1], "--child-walk") == 0)
        return childWalk(argv[2], std::strtoull(argv[3], nullptr, 10));
    if (argc == 4 && std::strcmp(argv[1], "--make") == 0)
        return bench::writePeopleTable(argv[2], std::atol(argv[3])) ? 0 : 1;

    Options opt;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--records" && i + 1 < argc) opt.records = std::atol(argv[++i]);
        else if (a == "--dir" && i + 1 < argc) opt.dir = argv[++i];
        else if (a == "--repeat" && i + 1 < argc) opt.repeat = std::atoi(argv[++i]);
        else if (a == "--no-gdal") opt.gdal = false;
        else {
            std::fprintf(stderr, "usage: relate4_bench [--records N] [--dir DIR] [--repeat K] [--no-gdal]\n");
            return 2;
        }
    }
    if (opt.repeat < 1) opt.repeat = 1;
    if (opt.dir.empty()) {
        const char *tmp = std::getenv("TMPDIR");
        opt.dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/vandrel-bench";
    }
    mkdir(opt.dir.c_str(), 0755);
    std::string layer = "people" + (opt.records == 1000000 ? std::string() : std::to_string(opt.records));
    std::string table = opt.dir + "/" + layer + ".dbf";
    struct stat st;
    if (stat(table.c_str(), &st) != 0 || st.st_size != bench::peopleTableSize(opt.records)) {
        auto t = Clock::now();
        if (!bench::writePeopleTable(table, opt.records)) {
            std::perror(table.c_str());
            return 1;
        }
        std::printf("generated %s in %.2f s\n", table.c_str(), since(t));
    }
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return 1;
    self[n] = 0;
    bool gdal = opt.gdal && hasOgrinfo();

    std::printf("relate4_bench: %ld records, %s (%lld bytes); best of %d runs\n", opt.records, table.c_str(),
                bench::peopleTableSize(opt.records), opt.repeat);
    sequentialRead(table);  // warm the page cache
    double seqBest = 1e9;
    for (int i = 0; i < opt.repeat; i++) {
        double s = sequentialRead(table);
        if (s < seqBest) seqBest = s;
    }
    std::printf("baseline  plain sequential read of the file (1 MiB reads)     %8.3f s\n", seqBest);

    // The count.
    double countBest = 1e9;
    long count = -1;
    for (int i = 0; i < opt.repeat; i++) {
        double s;
        count = engineCount(table, &s);
        if (s < countBest) countBest = s;
    }
    std::printf("count     %s\n", kQuery);
    std::printf("          engine (open, count, close)  %8.3f s   %ld records   %.1fx the plain read\n", countBest, count,
                countBest / seqBest);
    double gdalCountSec = -1;
    if (gdal) {
        std::string out;
        gdalCountSec = 1e9;
        for (int i = 0; i < opt.repeat; i++) {
            double s = runCapture("ogrinfo -ro -q -sql \"" + gdalCount(layer) + "\" '" + table + "'", &out);
            if (s >= 0 && s < gdalCountSec) gdalCountSec = s;
        }
        std::vector<std::string> v = ogrValues(out, "COUNT_*");
        long gcount = v.empty() ? -1 : std::atol(v[0].c_str());
        std::printf("          gdal ogrinfo -sql COUNT(*)   %8.3f s   %ld records (%s)\n", gdalCountSec, gcount,
                    gcount == count ? "same count" : "COUNTS DIFFER");
        std::printf("          ratio gdal / engine          %8.1fx", gdalCountSec / countBest);
        verdict(countBest <= 0.2 && gdalCountSec / countBest >= 10);
    } else {
        std::printf("          (gdal not run)");
        verdict(countBest <= 0.2);
    }

    // The sorted walks.
    Walk best, small;
    for (int i = 0; i < opt.repeat; i++) {
        Walk w = walkInChild(self, table, 0);
        if (!w.ok) {
            std::printf("sorted walk failed\n");
            return 1;
        }
        if (!best.ok || w.first < best.first) {
            long rss = best.ok && best.rss > w.rss ? best.rss : w.rss;
            best = w;
            best.rss = rss;
        } else if (w.rss > best.rss) {
            best.rss = w.rss;
        }
    }
    small = walkInChild(self, table, 4u << 20);
    std::printf("sort      %s  (backward skipping on)\n", kSort);
    std::printf("          first page of 15             %8.3f s   (scan, sort, fetch 15)\n", best.first);
    std::printf("          whole view walked forward    %8.3f s   %ld records\n", best.walk, best.count);
    std::printf("          15 walked back from the end  %8.3f s\n", best.back);
    double gdalOrderSec = -1;
    if (gdal) {
        std::string out;
        gdalOrderSec = 1e9;
        for (int i = 0; i < opt.repeat; i++) {
            double s = runCapture("ogrinfo -ro -q -sql \"" + gdalOrder(layer) + "\" '" + table + "'", &out);
            if (s >= 0 && s < gdalOrderSec) gdalOrderSec = s;
        }
        std::string ids;
        for (const std::string &v : ogrValues(out, "ID")) ids += std::to_string(std::atol(v.c_str())) + ",";
        std::printf("          gdal ORDER BY ... LIMIT 15   %8.3f s   (%s)\n", gdalOrderSec,
                    ids == best.first15 ? "same 15 records in the same order" : "ORDERS DIFFER");
        std::printf("          ratio gdal / engine          %8.1fx", gdalOrderSec / best.first);
        verdict(best.first <= 0.8 && gdalOrderSec / best.first >= 5);
    } else {
        std::printf("          (gdal not run)");
        verdict(best.first <= 0.8);
    }
    CODE4 defaults{};
    code4init(&defaults);
    double budgetMiB = (double)defaults.memSizeSortBudget / 1048576.0;
    code4initUndo(&defaults);
    std::printf("memory    peak resident size of the sorted walk, default budget (%.0f MiB)  %6.1f MB  %llu spool(s)",
                budgetMiB, best.rss / 1024.0, best.spools);
    verdict(best.rss / 1024.0 < 150);
    if (small.ok) {
        bool same = std::strcmp(small.digest, best.digest) == 0 && small.count == best.count &&
                    small.first15 == best.first15 && small.last15 == best.last15;
        std::printf("          4 MiB budget: first page %.3f s, walk %.3f s, peak %.1f MB, %llu spools, %u merge passes"
                    " before the last; order %s\n",
                    small.first, small.walk, small.rss / 1024.0, small.spools, small.passes,
                    same ? "identical" : "DIFFERS");
    } else {
        std::printf("          4 MiB budget walk FAILED\n");
    }
    return 0;
}
