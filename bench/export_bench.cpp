// Benchmark of export: brindle dump of a generated 1,000,000-record "people"
// table as csv, json and a psql script, side by side in the same run with
// pgdbf (Debian's pgdbf) converting the same table to its psql script. Each
// program writes to /dev/null; the best of --repeat runs counts. Prints the
// seconds of each and brindle's time over pgdbf's (below 1: brindle faster).
//
// Usage: export_bench [--records N] [--dir DIR] [--repeat K]
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "people_gen.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs argv with standard output to /dev/null; seconds, or -1 on failure.
double timed(const std::vector<std::string> &argv) {
    auto start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        std::vector<char *> args;
        for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double best(const std::vector<std::string> &argv, int repeat) {
    double b = -1;
    for (int i = 0; i < repeat; i++) {
        double t = timed(argv);
        if (t < 0) return -1;
        if (b < 0 || t < b) b = t;
    }
    return b;
}

}  // namespace

int main(int argc, char **argv) {
    long records = 1000000;
    int repeat = 3;
    std::string dir;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--records") records = std::atol(argv[i + 1]);
        else if (a == "--repeat") repeat = std::atoi(argv[i + 1]);
        else if (a == "--dir") dir = argv[i + 1];
    }
    if (dir.empty()) {
        char pattern[] = "/tmp/export-bench-XXXXXX";
        if (!mkdtemp(pattern)) return 1;
        dir = pattern;
    }
    std::string table = dir + "/people.dbf";
    if (!bench::writePeopleTable(table, records)) {
        std::perror(table.c_str());
        return 1;
    }
    const std::string brindle = BRINDLE_PATH;
    bool havePgdbf = std::system("command -v pgdbf >/dev/null 2>&1") == 0;
    double pg = havePgdbf ? best({"pgdbf", table}, repeat) : -1;
    std::printf("export of %ld records (%s), best of %d\n", records, table.c_str(), repeat);
    if (pg > 0) std::printf("  pgdbf (psql script)        %7.3f s\n", pg);
    else std::printf("  pgdbf                      not available (apt-get install pgdbf)\n");
    for (const char *format : {"csv", "json", "postgres"}) {
        double t = best({brindle, "dump", table, "--format", format}, repeat);
        if (t < 0) {
            std::printf("  brindle dump --format %-8s failed\n", format);
            continue;
        }
        std::printf("  brindle dump --format %-8s %7.3f s", format, t);
        if (pg > 0) std::printf("   ratio to pgdbf %.2f", t / pg);
        std::printf("\n");
    }
    std::remove(table.c_str());
    return 0;
}
