// Progress of long work goes to standard error only when that is a
// terminal: through a pseudo-terminal the dump, count and sort show their
// counts and erase the line at the end; into a file nothing at all. The wait
// before the first line is cut to nothing for the test.
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "brindle_runner.h"
#include "test_support.h"

namespace {

std::string makeTable(const vt::TempDir &dir, long records) {
    CODE4 c{};
    code4init(&c);
    FIELD4INFO fields[] = {{"N", 'N', 8, 0, 0}, {nullptr, 0, 0, 0, 0}};
    std::string t = dir.file("big.dbf");
    DATA4 *d = d4create(&c, t.c_str(), fields);
    for (long i = 0; d && i < records; i++) {
        d4appendStart(d, 0);
        f4assignLong(d4field(d, "N"), (i * 7919) % records);
        d4append(d);
    }
    if (d) d4close(d);
    code4initUndo(&c);
    return t;
}

// Runs brindle with standard error on a pseudo-terminal; what it showed there.
std::string onTerminal(const std::vector<std::string> &args) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return "no pty";
    std::string slaveName = ptsname(master);
    pid_t pid = fork();
    if (pid == 0) {
        int slave = open(slaveName.c_str(), O_RDWR);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(slave, 2);
        std::vector<std::string> argv{vt::brindlePath()};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char *> p;
        for (auto &a : argv) p.push_back(a.data());
        p.push_back(nullptr);
        execv(p[0], p.data());
        _exit(127);
    }
    std::string shown;
    for (;;) {
        pollfd f{master, POLLIN, 0};
        if (poll(&f, 1, 200) > 0) {
            char buf[4096];
            ssize_t n = read(master, buf, sizeof buf);
            if (n > 0) {
                shown.append(buf, (size_t)n);
                continue;
            }
        }
        if (waitpid(pid, nullptr, WNOHANG) == pid) break;
    }
    close(master);
    return shown;
}

TEST(BrindleProgress, OnlyOnATerminal) {
    vt::TempDir dir;
    std::string t = makeTable(dir, 300000);
    setenv("BRINDLE_PROGRESS_DELAY_MS", "0", 1);
    std::string shown = onTerminal({"dump", t, "--format", "csv"});
    EXPECT_NE(shown.find("brindle: dump: "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" of 300000 records"), std::string::npos) << shown;
    EXPECT_EQ(shown.substr(shown.size() >= 4 ? shown.size() - 4 : 0), "\r\033[K") << shown;  // erased
    shown = onTerminal({"count", t, "--query", "N > 5"});
    EXPECT_NE(shown.find("brindle: count: "), std::string::npos) << shown;
    shown = onTerminal({"dump", t, "--sort", "DESCEND(N)", "--limit", "1"});
    EXPECT_NE(shown.find("brindle: dump: selecting and sorting"), std::string::npos) << shown;
    // not a terminal: nothing
    auto r = vt::runBrindle({"dump", t, "--format", "csv"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    unsetenv("BRINDLE_PROGRESS_DELAY_MS");
}

}  // namespace
