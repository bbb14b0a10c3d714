// A throw-away PostgreSQL server for interop tests: a fresh cluster in a
// temporary folder, listening only on a Unix socket in that folder, on a port
// number no other server uses, run as the postgres system user when the
// tests run as root (the server refuses root). The destructor stops it and
// removes the folder whatever happened in between.
#pragma once
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "test_support.h"

namespace vt {

struct Shell {
    int status;
    std::string out;
};

// Runs a bash command line, capturing standard output.
inline Shell shell(const std::string &command) {
    std::string wrapped = "bash -c '";
    for (char c : command) wrapped += c == '\'' ? std::string("'\\''") : std::string(1, c);
    wrapped += "'";
    Shell r{-1, ""};
    FILE *p = popen(wrapped.c_str(), "r");
    if (!p) return r;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128;
    return r;
}

class PostgresServer {
public:
    PostgresServer() {
        bin_ = findBin();
        if (bin_.empty()) {
            error_ = "no PostgreSQL server under /usr/lib/postgresql (apt-get install postgresql)";
            return;
        }
        std::filesystem::permissions(dir_.path(), std::filesystem::perms::owner_all |
                                                      std::filesystem::perms::group_exec |
                                                      std::filesystem::perms::others_exec);
        asUser_ = getuid() == 0 ? "runuser -u postgres -- " : "";
        port_ = freePort();
        std::string data = dir_.file("data"), sock = dir_.file("sock");
        Shell r = shell("mkdir -p " + data + " " + sock + (getuid() == 0 ? " && chown postgres: " + data + " " + sock : "") +
                        " && " + asUser_ + bin_ + "/initdb -D " + data +
                        " -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 >" + dir_.file("initdb.log") + " 2>&1");
        if (r.status != 0) {
            error_ = "initdb failed: " + shell("cat " + dir_.file("initdb.log")).out;
            return;
        }
        r = shell(asUser_ + bin_ + "/pg_ctl -D " + data + " -w -t 60 -l " + sock + "/server.log -o \"-k " + sock +
                  " -p " + std::to_string(port_) +
                  " -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off\" start >/dev/null 2>&1");
        started_ = true;
        if (r.status != 0) {
            error_ = "the server did not start: " + shell("cat " + sock + "/server.log").out;
            return;
        }
        ok_ = true;
    }

    ~PostgresServer() {
        if (started_)
            shell(asUser_ + bin_ + "/pg_ctl -D " + dir_.file("data") + " -m immediate -w -t 60 stop >/dev/null 2>&1");
        // the folder goes with dir_
    }

    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    bool ok() const { return ok_; }
    const std::string &error() const { return error_; }
    // psql with its connection options, stopping at the first error.
    std::string psql() const {
        return "psql -X -q -v ON_ERROR_STOP=1 -h " + dir_.file("sock") + " -p " + std::to_string(port_) +
               " -U postgres -d postgres";
    }

private:
    static std::string findBin() {
        std::error_code ec;
        std::string best;
        for (auto &e : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
            std::string bin = e.path().string() + "/bin";
            if (std::filesystem::exists(bin + "/pg_ctl") && bin > best) best = bin;
        }
        return best;
    }
    // A port number no one listens on now (its socket file lives in our folder).
    static int freePort() {
        int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        int port = 55432;
        if (s >= 0 && bind(s, (sockaddr *)&a, sizeof a) == 0 && getsockname(s, (sockaddr *)&a, &len) == 0)
            port = ntohs(a.sin_port);
        if (s >= 0) close(s);
        return port;
    }

    TempDir dir_;
    std::string bin_, asUser_, error_;
    int port_ = 0;
    bool started_ = false, ok_ = false;
};

}  // namespace vt
