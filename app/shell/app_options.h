// The command line: vandrel [TABLE] [--scale N] [--headless --script FILE --out DIR].
#pragma once
#include <string>

namespace vshell {

struct AppOptions {
    std::string table;    // opened at start as if chosen in "Open Database"
    int scale = 0;        // 1 ... 4; 0: the backend's choice
    bool headless = false;
    std::string script;
    std::string out;
    bool help = false;
};

// False with a message for a usage error.
bool parseOptions(int argc, const char *const *argv, AppOptions &o, std::string &error);
const char *usageText();

}  // namespace vshell
