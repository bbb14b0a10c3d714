#include "brindle_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "test_support.h"

namespace vt {

namespace {

std::string slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

RunResult runCommand(const std::vector<std::string> &argv) {
    TempDir io;
    std::string outPath = io.file("out"), errPath = io.file("err");
    pid_t pid = fork();
    if (pid == 0) {
        int o = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int e = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(o, 1);
        dup2(e, 2);
        std::vector<char *> args;
        for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    RunResult r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = slurp(outPath);
    r.err = slurp(errPath);
    return r;
}

std::string brindlePath() { return std::string(VANDREL_BINARY_DIR) + "/tools/brindle/brindle"; }

RunResult runBrindle(const std::vector<std::string> &args) {
    std::vector<std::string> argv{brindlePath()};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv);
}

RunResult runPython(const std::string &program, const std::vector<std::string> &args) {
    std::vector<std::string> argv{"/usr/bin/python3", "-c", program};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv);
}

RunResult runPerl(const std::string &script, const std::vector<std::string> &args) {
    std::vector<std::string> argv{"/usr/bin/perl", script};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv);
}

}  // namespace vt
