// Runs the brindle tool as a child process and captures what it prints.
#pragma once
#include <string>
#include <vector>

namespace vt {

struct RunResult {
    int status = -1;  // exit status
    std::string out;
    std::string err;
};

// Runs a program (argv[0] is its path) and captures what it prints.
RunResult runCommand(const std::vector<std::string> &argv);
std::string brindlePath();
RunResult runBrindle(const std::vector<std::string> &args);
// Runs a Python program with Debian's interpreter (which sees python3-dbf
// and python3-dbfread) with the given arguments.
RunResult runPython(const std::string &program, const std::vector<std::string> &args);
// Runs a Perl script with Debian's interpreter (which sees libdbd-xbase-perl).
RunResult runPerl(const std::string &script, const std::vector<std::string> &args);

}  // namespace vt
