// Command-line parsing: global options may stand before or after the command
// name; every command declares which options it takes.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace brindle {

struct Options {
    std::string command;
    std::vector<std::string> args;                         // positional arguments
    std::map<std::string, std::vector<std::string>> values;  // --name VALUE (repeatable)
    std::map<std::string, bool> flags;                     // --name
    bool help = false;

    bool flag(const std::string &name) const;
    bool has(const std::string &name) const;
    std::string value(const std::string &name, const std::string &fallback = "") const;
    const std::vector<std::string> &all(const std::string &name) const;
};

// Options that take a value, and flags, known to the parser.
struct OptionSpec {
    std::vector<std::string> withValue;
    std::vector<std::string> flags;
};

// Parses argv; returns false with a message on an unknown option or a
// missing value. The command's own spec is chosen once its name is seen.
bool parseOptions(int argc, char **argv, const std::map<std::string, OptionSpec> &commands, Options &out,
                  std::string &error);

// Whole-number argument; false when the text is not one.
bool parseLong(const std::string &text, long &value);

}  // namespace brindle
