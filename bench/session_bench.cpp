// Benchmark of the app's session on a large table: what the first page
// costs before anything is drawn (open, count the view by walking it, read
// the first 15 rows of every column), and one page of 15 rows read from the
// top. Baselines in the same run: a plain sequential read of the file, and
// the engine's own walk of the table (d4top/d4skip counting undeleted records).
//
// Usage: session_bench [TABLE] [--repeat K]
//        without TABLE a generated 1,000,000-record "people" table is used.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "brindle.h"
#include "people_gen.h"
#include "table_session.h"
#include "utf16.h"

namespace {

using bench::Clock;
using bench::since;

volatile unsigned long long g_sink;

double sequentialRead(const std::string &path) {
    auto t = Clock::now();
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return -1;
    std::vector<char> buf(1 << 20);
    unsigned long long sum = 0;
    for (ssize_t n; (n = read(fd, buf.data(), buf.size())) > 0;) sum += (unsigned char)buf[(size_t)n - 1];
    close(fd);
    g_sink = sum;
    return since(t);
}

// The engine's walk of every record, counting the undeleted ones.
double engineWalk(const std::string &path, long *count) {
    auto t = Clock::now();
    CODE4 cb{};
    code4init(&cb);
    DATA4 *d = d4open(&cb, path.c_str());
    *count = 0;
    for (int rc = d ? d4top(d) : 3; rc == 0; rc = d4skip(d, 1)) *count += d4deleted(d) ? 0 : 1;
    if (d) d4close(d);
    code4initUndo(&cb);
    return since(t);
}

// Open, count by walking the view, read the first page: what the grid needs
// before it draws.
double firstPage(const std::string &path, long *count, double *pageSeconds) {
    auto t = Clock::now();
    vandrel::TableSession session;
    if (!session.openTable(vandrel::utf8ToUtf16(path))) return -1;
    *count = session.count(true);
    int n = session.columnCount(false);
    std::vector<vandrel::DisplayCell> row((size_t)n);
    unsigned long long sum = 0;
    auto readPage = [&] {
        session.move(0, true);
        for (int r = 0; r < 15; r++) {
            session.readRow(row.data(), n);
            sum += row[0].text.size();
            session.skipNext();
        }
    };
    readPage();
    double first = since(t);
    auto p = Clock::now();
    const int pages = 200;
    for (int i = 0; i < pages; i++) readPage();
    *pageSeconds = since(p) / pages;
    g_sink = sum;
    return first;
}

}  // namespace

int main(int argc, char **argv) {
    std::string table;
    int repeat = 3;
    for (int i = 1; i < argc; i++) {
        if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) repeat = std::atoi(argv[++i]);
        else table = argv[i];
    }
    std::string made;
    if (table.empty()) {
        made = (std::filesystem::temp_directory_path() / ("session_bench_" + std::to_string(getpid()) + ".dbf")).string();
        std::printf("writing a 1,000,000-record table %s\n", made.c_str());
        if (!bench::writePeopleTable(made, 1000000)) {
            std::perror("session_bench");
            return 1;
        }
        table = made;
    }
    sequentialRead(table);  // warm the page cache for every contender
    double seq = 1e9, walk = 1e9, first = 1e9, page = 1e9;
    long walked = 0, counted = 0;
    for (int i = 0; i < repeat; i++) {
        double pageSeconds = 0;
        seq = std::min(seq, sequentialRead(table));
        walk = std::min(walk, engineWalk(table, &walked));
        double f = firstPage(table, &counted, &pageSeconds);
        if (f < 0) {
            std::fprintf(stderr, "session_bench: cannot open %s\n", table.c_str());
            return 1;
        }
        first = std::min(first, f);
        page = std::min(page, pageSeconds);
    }
    std::printf("records in the view                                 %ld (engine walk %ld)\n", counted, walked);
    std::printf("baseline  plain sequential read of the file         %8.3f s\n", seq);
    std::printf("baseline  engine walk d4top/d4skip                  %8.3f s\n", walk);
    std::printf("session   open + count the view + first 15 rows     %8.3f s   %.2fx the engine walk (goal 0.5 s)\n",
                first, first / walk);
    std::printf("session   one page of 15 rows from the top          %8.3f ms\n", page * 1000);
    if (!made.empty()) std::filesystem::remove(made);
    return 0;
}
