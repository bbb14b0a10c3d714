// brindle index TABLE --tag NAME --key EXPR [--for EXPR] [--unique|--candidate]
//                     [--descending] [--collate NAME]
// brindle reindex TABLE
// brindle drop-tag TABLE NAME
// The tags of a table's production index: one added (the index is created,
// and the table flagged, when there is none), all rebuilt, or one removed.
#include <cstdio>

#include "commands.h"
#include "session.h"

namespace brindle {

namespace {

// An expression given in UTF-8, in the table's code page; false after a message.
bool expressionText(Session &s, DATA4 *d, const std::string &utf8, std::string &out) {
    if (s.codePage(d).fromUtf8(utf8, out)) return true;
    complain("'" + utf8 + "' cannot be written in the table's code page");
    return false;
}

int refusedOrFailed(Session &s, int rc, const std::string &what) {
    if (rc == r4unique) {
        complain(what + ": a unique tag met a key twice (nothing was changed)");
        return kEngineError;
    }
    if (!s.failed()) complain(what + " failed");
    return kEngineError;
}

}  // namespace

int runIndex(const Options &o) {
    if (o.args.size() != 1 || !o.has("--tag") || !o.has("--key")) {
        complain("index needs a TABLE, --tag NAME and --key EXPR (see brindle index --help)");
        return kUsage;
    }
    if (o.flag("--unique") && o.flag("--candidate")) {
        complain("a tag is either --unique or --candidate");
        return kUsage;
    }
    if (o.flag("--no-index")) {
        complain("index writes the production index: --no-index does not go with it");
        return kUsage;
    }
    Session s(o);
    DATA4 *d = s.open(o.args[0]);
    if (!d) return kEngineError;
    std::string key, filter;
    if (!expressionText(s, d, o.value("--key"), key)) return kUsage;
    if (o.has("--for") && !expressionText(s, d, o.value("--for"), filter)) return kUsage;
    std::string name = o.value("--tag"), collation = o.value("--collate");
    int16_t unique = o.flag("--unique") ? r4uniqueContinue : o.flag("--candidate") ? r4candidate : 0;
    TAG4DESC tags[] = {{name.c_str(), key.c_str(), filter.empty() ? nullptr : filter.c_str(), unique,
                        (uint16_t)(o.flag("--descending") ? r4descending : 0),
                        collation.empty() ? nullptr : collation.c_str()},
                       {nullptr, nullptr, nullptr, 0, 0, nullptr}};
    INDEX4 *production = d4index(d, nullptr);
    int rc;
    if (production) {
        rc = i4tagAdd(production, tags);
    } else {
        production = i4create(d, nullptr, tags);
        rc = production ? 0 : s.code()->errorCode == r4unique ? r4unique : -1;
    }
    if (rc != 0) return refusedOrFailed(s, rc, "index");
    TAG4 *t = d4tag(d, name.c_str());
    if (t) std::printf("%s: %s\n", t4alias(t), t4expr(t));
    return kOk;
}

int runReindex(const Options &o) {
    if (o.args.size() != 1) {
        complain("reindex needs one TABLE (see brindle reindex --help)");
        return kUsage;
    }
    if (o.flag("--no-index")) {
        complain("reindex rebuilds the production index: --no-index does not go with it");
        return kUsage;
    }
    Session s(o);
    DATA4 *d = s.open(o.args[0]);
    if (!d) return kEngineError;
    if (!d4tagNext(d, nullptr)) {
        complain("the table has no open index");
        return kEngineError;
    }
    int rc = d4reindex(d);
    if (rc != 0) return refusedOrFailed(s, rc, "reindex");
    int tags = 0;
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) tags++;
    std::printf("%d tag%s rebuilt\n", tags, tags == 1 ? "" : "s");
    return kOk;
}

int runDropTag(const Options &o) {
    if (o.args.size() != 2) {
        complain("drop-tag needs a TABLE and a tag NAME (see brindle drop-tag --help)");
        return kUsage;
    }
    if (o.flag("--no-index")) {
        complain("drop-tag changes the production index: --no-index does not go with it");
        return kUsage;
    }
    Session s(o);
    DATA4 *d = s.open(o.args[0]);
    if (!d) return kEngineError;
    s.code()->errTagName = 0;
    TAG4 *t = d4tag(d, o.args[1].c_str());
    s.code()->errTagName = 1;
    if (!t) {
        complain("no tag named " + o.args[1]);
        return kUsage;
    }
    if (i4tagRemove(t) != 0) return refusedOrFailed(s, -1, "drop-tag");
    return kOk;
}

}  // namespace brindle
