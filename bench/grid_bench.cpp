// Benchmark of the record grid on a 1,000,000-record view, headless, each
// step timed to the drawn screen (fetch and paint at scale 1):
//   - a page move down (average over many pages from the top), with the
//     records it read;
//   - a jump from the first page to the last and back;
//   - the thumb dragged to the middle (a relative walk of half the view);
//   - a page up from the last page (the relation stands at the view's end);
//   - from choosing "Ascending" on a text column to the first drawn sorted
//     page (the relation sorts every record on that first move).
// Baseline: a plain sequential read of the table file in the same run.
// Goals: a page move within 5 ms; the first sorted page within 1 s.
//
// Usage: grid_bench [TABLE]   (without TABLE a 1,000,000-record table is made in /tmp)
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "pages/grid_page.h"
#include "people_gen.h"
#include "shell/globals.h"
#include "shell/main_frame.h"
#include "shell/platform/headless_backend.h"
#include "shell/platform/platform.h"
#include "shell/platform/utf.h"

namespace {

using bench::Clock;
using bench::since;

double plainRead(const std::string &path) {
    auto t = Clock::now();
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    std::vector<char> buf(1 << 20);
    long long sum = 0;
    for (ssize_t n; (n = read(fd, buf.data(), buf.size())) > 0;) sum += buf[size_t(n) - 1];
    close(fd);
    if (sum == 42) std::puts("");
    return since(t);
}

void line(const char *what, double seconds, double baseline, const char *goal) {
    std::printf("%-44s %9.3f ms  (%6.3f x the plain read)%s%s\n", what, seconds * 1000, seconds / baseline,
                goal ? "  goal " : "", goal ? goal : "");
}

}  // namespace

int main(int argc, char **argv) {
    std::string table = argc > 1 ? argv[1] : "/tmp/app_bench_people.dbf";
    if (argc <= 1 && access(table.c_str(), R_OK) != 0) {
        std::printf("making %s (1,000,000 records)\n", table.c_str());
        if (!bench::writePeopleTable(table, 1000000)) {
            std::perror("grid_bench");
            return 1;
        }
    }
    plainRead(table);
    double read = plainRead(table);
    std::printf("table %s\n", table.c_str());
    std::printf("%-44s %9.3f ms\n", "plain sequential read of the file", read * 1000);

    vshell::Globals g;
    vshell::setGlobals(&g);
    {
        vp::Platform platform(vp::HeadlessBackend::fromText("", "/tmp"), 1);
        platform.start();
        vshell::CMainFrame frame(g);
        std::unique_ptr<vpages::GridPage> page;
        frame.create([&] {
            page = std::make_unique<vpages::GridPage>(g);
            g.panes.setPane(0, page.get());
        });
        frame.openTable(vp::fromUtf8(table));
        if (!g.session.isOpen()) {
            std::fprintf(stderr, "grid_bench: cannot open %s\n", table.c_str());
            return 1;
        }
        platform.paintNow();
        vpages::RecordGrid &grid = page->grid();
        std::printf("records in the view: %ld\n", grid.total);

        const int pages = 500;
        unsigned long long reads = g.session.recordReads();
        auto t = Clock::now();
        for (int i = 1; i <= pages; i++) {
            grid.scrollTo(15L * i);
            platform.paintNow();
        }
        double pageDown = since(t) / pages;
        double readsPerPage = double(g.session.recordReads() - reads) / pages;
        line("page move down (fetch and draw)", pageDown, read, "5 ms");
        std::printf("%-44s %9.1f\n", "  records read per page move", readsPerPage);

        grid.scrollTo(0);
        platform.paintNow();
        t = Clock::now();
        grid.scrollTo(grid.verticalBar().highest());
        platform.paintNow();
        double toLast = since(t);
        t = Clock::now();
        grid.scrollTo(0);
        platform.paintNow();
        double back = since(t);
        line("jump to the last page", toLast, read, nullptr);
        line("  and back to the first", back, read, nullptr);

        // The worst case: the thumb dragged to the middle is a relative walk
        // of half the view, whichever end it starts from.
        t = Clock::now();
        grid.scrollTo(grid.total / 2);
        platform.paintNow();
        line("thumb to the middle (walks half the view)", since(t), read, nullptr);

        grid.scrollTo(grid.verticalBar().highest());
        platform.paintNow();
        reads = g.session.recordReads();
        t = Clock::now();
        grid.scrollTo(grid.top - 15);
        platform.paintNow();
        double upFromLast = since(t);
        line("page up from the last page", upFromLast, read, "5 ms");
        std::printf("%-44s %9llu\n", "  records read", g.session.recordReads() - reads);

        grid.scrollTo(0);
        platform.paintNow();
        t = Clock::now();
        page->sortFromHeader(1, 'A');  // NAME C(20)
        platform.paintNow();
        double sorted = since(t);
        line("\"Ascending\" on NAME to the first sorted page", sorted, read, "1000 ms");

        t = Clock::now();
        for (int i = 1; i <= pages; i++) {
            grid.scrollTo(15L * i);
            platform.paintNow();
        }
        line("page move down in the sorted view", since(t) / pages, read, "5 ms");

        g.session.closeTable();
        for (int h = 0; h < vshell::kHostCount; h++) g.panes.host(h).clear();
    }
    vshell::setGlobals(nullptr);
    return 0;
}
