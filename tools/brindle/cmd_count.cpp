// brindle count TABLE [--query EXPR] [--deleted]
#include <cstdio>

#include "commands.h"
#include "progress.h"
#include "session.h"
#include "view.h"

namespace brindle {

int runCount(const Options &o) {
    if (o.args.size() != 1) {
        complain("count needs one TABLE (see brindle count --help)");
        return kUsage;
    }
    Session s(o);
    DATA4 *d = s.open(o.args[0]);
    if (!d) return kEngineError;
    std::string query;
    if (!s.engineText(s.codePage(d), o.value("--query"), "--query", query)) return kUsage;
    View view;
    if (!view.open(d, query, "", o.flag("--deleted"))) return kEngineError;
    long n = 0;
    if (view.countsWhole()) {
        n = view.count();
    } else {
        Progress progress("count", query.empty() ? d4recCount(d) : -1);
        for (bool more = view.first(); more; more = view.next()) progress.set(++n);
    }
    if (view.failed() || s.failed()) return kEngineError;
    std::printf("%ld\n", n);
    return kOk;
}

}  // namespace brindle
