// brindle append TABLE NAME=VALUE...
// brindle set TABLE RECNO NAME=VALUE... [--null NAME]
// append and set also take --file NAME=PATH (PATH - for standard input)
// brindle delete TABLE RECNO...   brindle recall TABLE RECNO...
// Every value is checked before anything is written: a refused value leaves
// the table as it was.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "session.h"
#include "values.h"

namespace brindle {

namespace {

// Reads a whole file, or standard input for "-"; false (message printed)
// when it cannot be read.
bool readInput(const std::string &path, std::string &out) {
    FILE *in = path == "-" ? stdin : std::fopen(path.c_str(), "rb");
    if (!in) {
        complain("cannot read " + path + ": " + std::strerror(errno));
        return false;
    }
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) out.append(buf, n);
    bool ok = !std::ferror(in);
    if (in != stdin) std::fclose(in);
    if (!ok) complain("cannot read " + path);
    return ok;
}

// Applies one NAME=VALUE (or, from --file, NAME=PATH) to the record buffer;
// false (message printed) when it is refused.
bool assignOne(Session &s, DATA4 *d, const CodePage &cp, const std::string &a, bool fromFile, bool appending) {
    size_t eq = a.find('=');
    if (eq == std::string::npos || eq == 0) {
        complain("'" + a + "' is not " + (fromFile ? "NAME=PATH" : "NAME=VALUE"));
        return false;
    }
    FIELD4 *f = s.field(d, cp, a.substr(0, eq));
    if (!f) return false;
    std::string name = fieldName(f, cp);
    if (appending && f->autoIncrement) {
        complain(name + " is an autoincrement field: append numbers it itself and takes no value for it");
        return false;
    }
    std::string value = a.substr(eq + 1), error;
    if (fromFile) {
        std::string path = value;
        value.clear();
        if (!readInput(path, value)) return false;
    }
    if (!assignValue(f, value, cp, error, fromFile)) {
        if (!error.empty()) complain(name + ": " + error);
        return false;
    }
    return !s.failed();
}

// Applies the NAME=VALUE arguments from index from on, then every --file.
bool assignAll(Session &s, DATA4 *d, const Options &o, size_t from, bool appending) {
    CodePage cp = s.codePage(d);
    for (size_t i = from; i < o.args.size(); i++)
        if (!assignOne(s, d, cp, o.args[i], false, appending)) return false;
    for (const std::string &a : o.all("--file"))
        if (!assignOne(s, d, cp, a, true, appending)) return false;
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
    if (!assignAll(s, d, o, 1, true)) {
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
    bool ok = assignAll(s, d, o, 2, false);
    for (const std::string &name : o.all("--null")) {
        if (!ok) break;
        FIELD4 *f = s.field(d, s.codePage(d), name);
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
