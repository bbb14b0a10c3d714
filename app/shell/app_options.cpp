#include "app_options.h"

namespace vshell {

const char *usageText() {
    return "usage: vandrel [TABLE] [--scale N]\n"
           "       vandrel [TABLE] [--scale N] --headless --script FILE --out DIR\n"
           "Opens TABLE (a .dbf file) at start. --scale N draws the 240 x 320 screen N times\n"
           "larger (1 to 4; by default the largest that fits the display, 1 headless).\n"
           "--headless plays the events of FILE (one per line) without a window and\n"
           "writes the screenshots (NAME.png) and state dumps (NAME.json) it asks for\n"
           "into DIR.\n";
}

bool parseOptions(int argc, const char *const *argv, AppOptions &o, std::string &error) {
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        auto value = [&](std::string &out) {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--headless") {
            o.headless = true;
        } else if (a == "--script") {
            if (!value(o.script)) return false;
        } else if (a == "--out") {
            if (!value(o.out)) return false;
        } else if (a == "--scale") {
            std::string v;
            if (!value(v)) return false;
            if (v.size() != 1 || v[0] < '1' || v[0] > '4') {
                error = "--scale takes 1, 2, 3 or 4";
                return false;
            }
            o.scale = v[0] - '0';
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else if (o.table.empty()) {
            o.table = a;
        } else {
            error = "only one table can be opened";
            return false;
        }
    }
    if (o.help) return true;
    if (o.headless && (o.script.empty() || o.out.empty())) {
        error = "--headless needs --script FILE and --out DIR";
        return false;
    }
    if (!o.headless && (!o.script.empty() || !o.out.empty())) {
        error = "--script and --out go with --headless";
        return false;
    }
    return true;
}

}  // namespace vshell
