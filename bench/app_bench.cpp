// Benchmark of the app's start and drawing, headless, on a large table:
//   - start to the first drawn page: the platform, the frame with its skin
//     and fonts, opening the table (which counts the view by walking it) and
//     painting the screen, beside a plain sequential read of the same file;
//   - one page drawn at scale 1 and at scale 3, beside a plain fill of the
//     whole screen at that scale;
//   - the whole program run headless on the table with an empty script.
// Goals: the first page within 0.5 s, a page within 2 ms at scale 3.
//
// Usage: app_bench [TABLE]   (without TABLE a 1,000,000-record table is made in /tmp)
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "people_gen.h"
#include "shell/globals.h"
#include "shell/main_frame.h"
#include "shell/platform/headless_backend.h"
#include "shell/platform/platform.h"
#include "pages/grid_page.h"
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

struct Figures {
    double firstPage = 0, page = 0, fill = 0;
};

// Start, open and draw in this process at a scale; then the time of one page.
Figures run(const std::string &table, int scale) {
    Figures f;
    auto t0 = Clock::now();
    vshell::Globals g;
    vshell::setGlobals(&g);
    {
        vp::Platform platform(vp::HeadlessBackend::fromText("", "/tmp"), scale);
        platform.start();
        vshell::CMainFrame frame(g);
        std::unique_ptr<vpages::GridPage> grid;
        frame.create([&] {
            grid = std::make_unique<vpages::GridPage>(g);
            g.panes.setPane(0, grid.get());
        });
        frame.openTable(vp::fromUtf8(table));
        platform.paintNow();
        f.firstPage = since(t0);
        const int rounds = 200;
        auto t = Clock::now();
        for (int i = 0; i < rounds; i++) platform.paintNow();
        f.page = since(t) / rounds;
        t = Clock::now();
        for (int i = 0; i < rounds; i++) platform.canvas().fill({0, 0, 240, 320}, vp::rgb(i, i, i));
        f.fill = since(t) / rounds;
        g.session.closeTable();
        for (int h = 0; h < vshell::kHostCount; h++) g.panes.host(h).clear();
    }
    vshell::setGlobals(nullptr);
    return f;
}

double runProgram(const std::string &vandrel, const std::string &table) {
    std::string script = "/tmp/app_bench_script.txt";
    FILE *s = std::fopen(script.c_str(), "w");
    if (s) std::fclose(s);
    auto t = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        execl(vandrel.c_str(), vandrel.c_str(), table.c_str(), "--headless", "--script", script.c_str(), "--out",
              "/tmp/app_bench_out", (char *)nullptr);
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? since(t) : -1;
}

}  // namespace

int main(int argc, char **argv) {
    std::string table = argc > 1 ? argv[1] : "/tmp/app_bench_people.dbf";
    if (argc <= 1 && access(table.c_str(), R_OK) != 0) {
        std::printf("making %s (1,000,000 records)\n", table.c_str());
        if (!bench::writePeopleTable(table, 1000000)) {
            std::perror("app_bench");
            return 1;
        }
    }
    double read = plainRead(table);
    plainRead(table);
    read = plainRead(table);
    std::printf("table %s\n", table.c_str());
    std::printf("plain sequential read of the file   %8.1f ms\n", read * 1000);
    for (int scale : {1, 3}) {
        Figures f = run(table, scale);
        std::printf("scale %d: start to first page        %8.1f ms  (%.1f x the plain read; goal 500 ms)\n", scale,
                    f.firstPage * 1000, f.firstPage / read);
        std::printf("scale %d: one page drawn             %8.3f ms  (%.1f x a plain screen fill of %.3f ms%s)\n",
                    scale, f.page * 1000, f.page / f.fill, f.fill * 1000, scale == 3 ? "; goal 2 ms" : "");
    }
    std::string vandrel = std::string(VANDREL_APP_BINARY);
    double whole = runProgram(vandrel, table);
    std::printf("whole program, headless, empty script %6.1f ms  (%.1f x the plain read)\n", whole * 1000,
                whole / read);
    return 0;
}
