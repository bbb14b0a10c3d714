// brindle seek TABLE --tag NAME VALUE
#include <cstdio>

#include "commands.h"
#include "output.h"
#include "session.h"
#include "tags.h"
#include "values.h"

namespace brindle {

namespace {

const char *seekMeaning(int rc) {
    switch (rc) {
        case 0: return "found";
        case r4after: return "not found, positioned on the next key";
        case r4eof: return "not found, end of file";
        case r4noTag: return "no tag";
        default: return "error";
    }
}

}  // namespace

int runSeek(const Options &o) {
    if (o.args.size() != 2 || !o.has("--tag")) {
        complain("seek needs TABLE, --tag NAME and VALUE (see brindle seek --help)");
        return kUsage;
    }
    Session s(o);
    DATA4 *d = s.open(o.args[0]);
    if (!d) return kEngineError;
    if (!selectTag(d, o)) return kUsage;
    CodePage cp = s.codePage(d);
    std::string value;
    if (!cp.valid() || !cp.fromUtf8(o.args[1], value)) {
        complain("the value cannot be written in the table's code page " + cp.name());
        return kUsage;
    }
    int rc = d4seekN(d, value.data(), (int)value.size());
    if (rc < 0) return kEngineError;
    std::printf("result: %d (%s)\n", rc, seekMeaning(rc));
    if (d4eof(d)) {
        std::printf("recno: none (end of file)\n");
        return kOk;
    }
    std::printf("recno: %ld%s\n", d4recNo(d), d4deleted(d) ? " (deleted)" : "");
    Value v;
    std::string damage, line;
    for (int i = 1; i <= d4numFields(d); i++) {
        FIELD4 *f = d4fieldJ(d, i);
        if (!readValue(f, cp, v, damage)) {
            complain(fieldName(f, cp) + ": " + (damage.empty() ? "the value cannot be read" : damage));
            return kEngineError;
        }
        line.clear();
        appendValue(line, v, Format::Text);
        std::printf("  %-10s %s\n", fieldName(f, cp).c_str(), line.c_str());
    }
    return s.failed() ? kEngineError : kOk;
}

}  // namespace brindle
