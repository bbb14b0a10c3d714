// brindle append TABLE NAME=VALUE...
// brindle set TABLE RECNO NAME=VALUE... [--null NAME]
// brindle delete TABLE RECNO...   brindle recall TABLE RECNO...
// Every value is checked before anything is written: a refused value leaves
// the table as it was.
#include <cstdio>

#include "commands.h"
#include "session.h"
#include "values.h"

namespace brindle {

namespace {

FIELD4 *findField(Session &s, DATA4 *d, const std::string &name) {
    s.code()->fieldNameError = 0;
    FIELD4 *f = d4field(d, name.c_str());
    s.code()->fieldNameError = 1;
    error4set(s.code(), 0);
    if (!f) complain("no field named " + name);
    return f;
}

// Applies NAME=VALUE assignments to the record buffer; false (message
// printed) on the first that is refused.
bool assignAll(Session &s, DATA4 *d, const std::vector<std::string> &assignments, size_t from) {
    CodePage cp = s.codePage(d);
    for (size_t i = from; i < assignments.size(); i++) {
        const std::string &a = assignments[i];
        size_t eq = a.find('=');
        if (eq == std::string::npos || eq == 0) {
            complain("'" + a + "' is not NAME=VALUE");
            return false;
        }
        FIELD4 *f = findField(s, d, a.substr(0, eq));
        if (!f) return false;
        std::string error;
        if (!assignValue(f, a.substr(eq + 1), cp, error)) {
            complain(std::string(f4name(f)) + ": " + error);
            return false;
        }
        if (s.failed()) return false;
    }
    return true;
}

// Reads a record number argument and goes there.
bool goRecord(Session &s, DATA4 *d, const std::string &text) {
    long n;
    if (!parseLong(text, n) || n < 1 || n > d4recCount(d)) {
        complain("no record " + text + " (the table has " + std::to_string(d4recCount(d)) + ")");
        return false;
    }
    return d4go(d, n) == 0 && !s.failed();
}

}  // namespace

int runAppend(const Options &o) {
    if (o.args.size() < 1) {
        complain("append needs a TABLE (see brindle append --help)");
        return kUsage;
    }
    Session s(o);
    DATA4 *d = s.openToWrite(o.args[0]);
    if (!d) return kEngineError;
    d4appendStart(d, 0);
    d4blank(d);
    if (!assignAll(s, d, o.args, 1)) {
        d4changed(d, 0);
        return s.failed() ? kEngineError : kUsage;
    }
    if (d4append(d) != 0 || d4flush(d) != 0) return kEngineError;
    std::printf("%ld\n", d4recNo(d));
    return kOk;
}

int runSet(const Options &o) {
    if (o.args.size() < 2) {
        complain("set needs a TABLE and a RECNO (see brindle set --help)");
        return kUsage;
    }
    Session s(o);
    DATA4 *d = s.openToWrite(o.args[0]);
    if (!d) return kEngineError;
    if (!goRecord(s, d, o.args[1])) return s.failed() ? kEngineError : kUsage;
    bool ok = assignAll(s, d, o.args, 2);
    for (const std::string &name : o.all("--null")) {
        if (!ok) break;
        FIELD4 *f = findField(s, d, name);
        if (!f) ok = false;
        else if (!f->nullable) {
            complain(name + " does not accept null");
            ok = false;
        } else {
            f4assignNull(f);
        }
    }
    if (!ok) {
        d4changed(d, 0);
        return s.failed() ? kEngineError : kUsage;
    }
    return d4flush(d) == 0 ? kOk : kEngineError;
}

int runDelete(const Options &o, bool recall) {
    if (o.args.size() < 2) {
        complain(std::string(recall ? "recall" : "delete") + " needs a TABLE and record numbers");
        return kUsage;
    }
    Session s(o);
    DATA4 *d = s.openToWrite(o.args[0]);
    if (!d) return kEngineError;
    for (size_t i = 1; i < o.args.size(); i++) {
        long n;
        if (!parseLong(o.args[i], n) || n < 1 || n > d4recCount(d)) {
            complain("no record " + o.args[i]);
            return kUsage;
        }
    }
    for (size_t i = 1; i < o.args.size(); i++) {
        if (!goRecord(s, d, o.args[i])) return kEngineError;
        if (recall) d4recall(d);
        else d4delete(d);
        if (d4update(d) != 0) return kEngineError;
    }
    return d4flush(d) == 0 ? kOk : kEngineError;
}

}  // namespace brindle
