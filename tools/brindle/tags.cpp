#include "tags.h"

#include <cstdio>

#include "output.h"
#include "session.h"

namespace brindle {

namespace {

const char *uniqueName(TAG4 *t) {
    switch (t4isUnique(t)) {
        case 1: return "unique";
        case 2: return "candidate";
        default: return "";
    }
}

}  // namespace

std::string tagsJson(DATA4 *d) {
    std::string out = "[";
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        if (out.size() > 1) out += ", ";
        out += "{\"name\": " + jsonString(t4alias(t)) + ", \"key\": " + jsonString(t4expr(t)) +
               ", \"for\": " + jsonString(t4filter(t)) + ", \"unique\": " + (t4isUnique(t) == 1 ? "true" : "false") +
               ", \"candidate\": " + (t4isUnique(t) == 2 ? "true" : "false") +
               ", \"descending\": " + (t4descending(t) ? "true" : "false") +
               ", \"collation\": " + jsonString(t4collation(t)[0] ? t4collation(t) : "MACHINE") +
               ", \"keyLength\": " + std::to_string(t4keyLen(t)) + "}";
    }
    return out + "]";
}

void printTags(DATA4 *d) {
    int n = 0;
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) n++;
    if (n == 0) return;
    std::printf("tags:         %d\n", n);
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        std::printf("  %-10s key %s", t4alias(t), t4expr(t));
        if (t4filter(t)[0]) std::printf("  for %s", t4filter(t));
        if (t4isUnique(t)) std::printf("  %s", uniqueName(t));
        if (t4descending(t)) std::printf("  descending");
        if (t4collation(t)[0]) std::printf("  collation %s", t4collation(t));
        std::printf("  key length %d\n", t4keyLen(t));
    }
}

bool selectTag(DATA4 *d, const Options &o) {
    if (!o.has("--tag")) return true;
    CODE4 *c = d->codeBase;
    int saved = c->errTagName;
    c->errTagName = 0;
    TAG4 *t = d4tag(d, o.value("--tag").c_str());
    c->errTagName = saved;
    if (!t) {
        complain("no tag named " + o.value("--tag") + (d4tagNext(d, nullptr) ? "" : " (the table has no open index)"));
        return false;
    }
    d4tagSelect(d, t);
    return true;
}

}  // namespace brindle
