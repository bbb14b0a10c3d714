#include "options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace brindle {

namespace {
const OptionSpec kGlobal{{"--codepage"}, {"--no-index", "--readonly"}};

bool contains(const std::vector<std::string> &v, const std::string &s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}
}  // namespace

bool Options::flag(const std::string &name) const {
    auto it = flags.find(name);
    return it != flags.end() && it->second;
}

bool Options::has(const std::string &name) const { return values.count(name) > 0; }

std::string Options::value(const std::string &name, const std::string &fallback) const {
    auto it = values.find(name);
    return it == values.end() || it->second.empty() ? fallback : it->second.back();
}

const std::vector<std::string> &Options::all(const std::string &name) const {
    static const std::vector<std::string> none;
    auto it = values.find(name);
    return it == values.end() ? none : it->second;
}

bool parseOptions(int argc, char **argv, const std::map<std::string, OptionSpec> &commands, Options &out,
                  std::string &error) {
    const OptionSpec *own = nullptr;
    bool onlyPositional = false;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (!onlyPositional && a == "--") {
            onlyPositional = true;
            continue;
        }
        bool isOption = !onlyPositional && a.size() > 2 && a[0] == '-' && a[1] == '-';
        if (!isOption && !onlyPositional && (a == "-h")) {
            out.help = true;
            continue;
        }
        if (!isOption) {
            if (out.command.empty()) {
                auto it = commands.find(a);
                if (it == commands.end()) {
                    error = "unknown command '" + a + "'";
                    return false;
                }
                out.command = a;
                own = &it->second;
            } else {
                out.args.push_back(a);
            }
            continue;
        }
        std::string value;
        bool inlineValue = false;
        if (size_t eq = a.find('='); eq != std::string::npos) {
            value = a.substr(eq + 1);
            a = a.substr(0, eq);
            inlineValue = true;
        }
        if (a == "--help") {
            out.help = true;
            continue;
        }
        bool takesValue = contains(kGlobal.withValue, a) || (own && contains(own->withValue, a));
        bool isFlag = contains(kGlobal.flags, a) || (own && contains(own->flags, a));
        if (takesValue) {
            if (!inlineValue) {
                if (i + 1 >= argc) {
                    error = "option " + a + " needs a value";
                    return false;
                }
                value = argv[++i];
            }
            out.values[a].push_back(value);
        } else if (isFlag && !inlineValue) {
            out.flags[a] = true;
        } else {
            error = "unknown option " + a + (out.command.empty() ? "" : " for '" + out.command + "'");
            return false;
        }
    }
    return true;
}

bool parseLong(const std::string &text, long &value) {
    if (text.empty()) return false;
    errno = 0;
    char *end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != 0 || errno == ERANGE) return false;
    value = v;
    return true;
}

}  // namespace brindle
