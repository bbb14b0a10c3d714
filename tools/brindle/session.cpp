#include "session.h"

#include <cstdio>
#include <cstring>

#include "foundation/u4name.h"

namespace brindle {

namespace {
// The engine's message box, as text on standard error.
void printEngineError(const char *, const char *message) {
    std::string s(message);
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
        out += s[i];
    }
    std::fprintf(stderr, "brindle: engine error\n%s", out.c_str());
}

bool endsWith(const std::string &s, const std::string &tail) {
    if (s.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); i++)
        if (std::tolower((unsigned char)s[s.size() - tail.size() + i]) != tail[i]) return false;
    return true;
}
}  // namespace

void complain(const std::string &message) { std::fprintf(stderr, "brindle: %s\n", message.c_str()); }

Session::Session(const Options &options) : options_(options) {
    error4setDisplay(printEngineError);
    code4init(&cb_);
    if (options.flag("--no-index")) cb_.autoOpen = 0;
    // Commands that only read open read-only, so they share the table with
    // other readers; a writer still has it alone.
    static const char *kReaders[] = {"info", "dump", "count", "eval", "seek", "check"};
    bool reads = false;
    for (const char *r : kReaders) reads = reads || options.command == r;
    if (options.flag("--readonly") || reads) cb_.readOnly = 1;
}

Session::~Session() { code4initUndo(&cb_); }

DATA4 *Session::open(const std::string &name) {
    DATA4 *d = d4open(&cb_, name.c_str());
    if (d || !cb_.autoOpen) return d;
    // When the table opens without its production index, the index was the
    // trouble: say how to read the table anyway.
    std::string file = cb_.errorText ? cb_.errorText : "";
    if (file.find('\r') != std::string::npos) file.resize(file.find('\r'));
    int code = cb_.errorCode;
    int quiet = cb_.offError;
    cb_.errorCode = 0;
    cb_.offError = 1;
    cb_.autoOpen = 0;
    DATA4 *bare = d4open(&cb_, name.c_str());
    if (bare) {
        d4close(bare);
        if (endsWith(file, ".cdx") && !file4exists(file.c_str()))
            complain("the table's header says it has a production index, " + file +
                     ", which is missing; --no-index opens the table without it");
        else
            complain("the table's production index could not be opened; --no-index opens the table without it");
    }
    cb_.autoOpen = 1;
    cb_.offError = quiet;
    cb_.errorCode = code;
    return nullptr;
}

DATA4 *Session::openToWrite(const std::string &name) {
    DATA4 *d = open(name);
    if (!d || cb_.autoOpen) return d;
    // The production index is the table's name with the index extension.
    std::string index = d4fileName(d);
    size_t dot = index.find_last_of('.');
    size_t slash = index.find_last_of('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) index.resize(dot);
    index += ".cdx";
    // The header may flag an index that is gone: nothing then goes stale.
    if (file4exists(u4nameResolve(index).c_str())) {
        complain("the table has a production index, which a write without it would leave stale; "
                 "writes need the index (leave out --no-index)");
        d4close(d);
        return nullptr;
    }
    return d;
}

CodePage Session::codePage(DATA4 *d) const {
    if (options_.has("--codepage")) return CodePage(codePageName(codePageMark(options_.value("--codepage"))));
    return CodePage(codePageName(d ? d4codePage(d) : 0));
}

FIELD4 *Session::field(DATA4 *d, const CodePage &cp, const std::string &utf8Name) {
    std::string name;
    FIELD4 *f = nullptr;
    if (cp.fromUtf8(utf8Name, name)) {
        cb_.fieldNameError = 0;
        f = d4field(d, name.c_str());
        cb_.fieldNameError = 1;
        error4set(&cb_, 0);
    }
    if (!f) complain("no field named " + utf8Name);
    return f;
}

bool Session::engineText(const CodePage &cp, const std::string &utf8, const std::string &what, std::string &out) {
    if (cp.fromUtf8(utf8, out)) return true;
    complain(what + " has characters the code page " + cp.name() + " cannot hold");
    return false;
}

}  // namespace brindle
