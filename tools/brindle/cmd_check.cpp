// brindle check TABLE [--tag NAME]
#include <cstdio>

#include "commands.h"
#include "indexes/t4check.h"
#include "session.h"

namespace brindle {

int runCheck(const Options &o) {
    if (o.args.size() != 1) {
        complain("check needs one TABLE (see brindle check --help)");
        return kUsage;
    }
    Session s(o);
    DATA4 *d = s.open(o.args[0]);
    if (!d) return kEngineError;
    if (!d4tagNext(d, nullptr)) {
        std::printf("no open index: nothing to check\n");
        return kOk;
    }
    bool wrong = false, any = false;
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        if (o.has("--tag") && !u4nameEqual(t4alias(t), o.value("--tag").c_str())) continue;
        any = true;
        TAG4CHECK check;
        int rc = t4check(t, &check);
        if (rc < 0) {
            std::printf("%-10s error (see above)\n", t4alias(t));
            error4set(s.code(), 0);
            wrong = true;
            continue;
        }
        const char *verdict = check.damaged ? "damaged" : check.stale ? "stale" : "consistent";
        std::printf("%-10s %s: %ld keys", t4alias(t), verdict, check.keys);
        if (!check.damaged) std::printf(" (table gives %ld)", check.keysExpected);
        std::printf(", %d level%s, %ld blocks (%ld leaves), %.0f%% full\n", check.levels, check.levels == 1 ? "" : "s",
                    check.blocks, check.leaves, check.fill * 100.0);
        if (check.message[0]) std::printf("           %s\n", check.message);
        if (rc != 0) wrong = true;
    }
    if (!any) {
        complain("no tag named " + o.value("--tag"));
        return kUsage;
    }
    return wrong ? kEngineError : kOk;
}

}  // namespace brindle
