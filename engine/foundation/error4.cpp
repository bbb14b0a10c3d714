#include "error4.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>

#include "c4ltoa.h"
#include "code4.h"

namespace {

struct LocationEntry {
    long number;
    const char *text;
};

// Group 4: the context's setting accessors.
constexpr LocationEntry kGroup4[] = {
    {40101, "code4accessMode()"},   {40102, "code4autoOpen()"},   {40103, "code4codePage()"},
    {40104, "code4compatibility()"}, {40105, "code4createTemp()"}, {40106, "code4dateFormat()"},
    {40107, "code4errCreate()"},    {40108, "code4errFieldName()"}, {40109, "code4errGo()"},
    {40110, "code4errOff()"},       {40111, "code4errOpen()"},    {40112, "code4errSkip()"},
    {40113, "code4memSizeMemo()"},  {40114, "code4readOnly()"},   {40115, "code4safety()"},
    {40116, "code4singleOpen()"},
};

// Group 6: the class-style operations of the thin class layer.
constexpr LocationEntry kGroup6[] = {
    {60101, "Code4::init"},  {60102, "Code4::initUndo"}, {60103, "Data4::open"},
    {60104, "Data4::close"}, {60105, "Data4::go"},       {60106, "Data4::skip"},
    {60107, "Field4::assign"}, {60108, "Field4::str"},   {60109, "Expr4::parse"},
    {60110, "Relate4set::init"},
};

constexpr LocationEntry kGroup8[] = {
#define E4LOC(id, number, text) {number, text},
#include "error4loc8.def"
#undef E4LOC
};

constexpr LocationEntry kGroup9[] = {
#define E4LOC(id, number, text) {number, text},
#include "error4loc9.def"
#undef E4LOC
};

constexpr const char *kUnknown = "Invalid or Unknown Error Code";

void defaultDisplay(const char *caption, const char *message) {
    std::fprintf(stderr, "%s\n%s", caption, message);
    std::fflush(stderr);
}

std::atomic<Error4Display> g_display{defaultDisplay};

template <size_t N>
void lookup(const LocationEntry (&table)[N], long index, long *number, const char **text) {
    if (index >= 0 && (size_t)index < N) {
        *number = table[index].number;
        *text = table[index].text;
    }
}

// Appends s to out (length *len of 256) if it fits together with its "\r\n"
// and one more character; returns false when it did not.
bool appendText(char *out, size_t *len, const char *s) {
    size_t n = std::strlen(s);
    if (*len + n + 2 + 1 > 256) return false;
    std::memcpy(out + *len, s, n);
    *len += n;
    std::memcpy(out + *len, "\r\n", 2);
    *len += 2;
    return true;
}

void keepErrorText(CODE4 *c, const char *t1, const char *t2, const char *t3) {
    std::free(c->errorText);
    c->errorText = nullptr;
    if (!t1 && !t2 && !t3) return;
    size_t total = (t1 ? std::strlen(t1) : 0) + (t2 ? std::strlen(t2) : 0) + (t3 ? std::strlen(t3) : 0) + 6;
    char *s = static_cast<char *>(std::malloc(total));
    if (!s) return;  // the text is simply not kept
    s[0] = 0;
    if (t1) std::strcat(s, t1);
    for (const char *t : {t2, t3}) {
        if (!t) continue;
        if (s[0]) std::strcat(s, "\r\n");
        std::strcat(s, t);
    }
    c->errorText = s;
}

}  // namespace

void error4location(long location, long *number, const char **text) {
    *number = 0;
    *text = kUnknown;
    if (location < 0) {
        *number = location;
        *text = error4text((int)location);
        return;
    }
    long group = location / 10000, index = location % 10000;
    switch (group) {
        case 4: lookup(kGroup4, index, number, text); break;
        case 6: lookup(kGroup6, index, number, text); break;
        case 8: lookup(kGroup8, index, number, text); break;
        case 9: lookup(kGroup9, index, number, text); break;
        default: break;
    }
}

void error4message(int code, long location, const char *t1, const char *t2, const char *t3, char out[257]) {
    size_t len = 0;
    out[0] = 0;
    if (code != 0) {
        long number;
        const char *locText;
        error4location(location, &number, &locText);
        char num[8];
        std::memcpy(out, "Error #: ", 9);
        len = 9;
        c4ltoa45(code, num, 5);
        std::memcpy(out + len, num, 5);
        len += 5;
        std::memcpy(out + len, "\r\nError #: ", 11);
        len += 11;
        c4ltoa45(number, num, 6);
        std::memcpy(out + len, num, 6);
        len += 6;
        std::memcpy(out + len, "\r\n", 2);
        len += 2;
        out[len] = 0;
        appendText(out, &len, error4text(code));
        appendText(out, &len, locText);
    }
    for (const char *t : {t1, t2, t3}) {
        if (!t || !appendText(out, &len, t)) break;
    }
    out[len] = 0;
}

bool error4isFatal(int code) { return code == e4info || code == e4memory || code == e4result || code == e4corrupt; }

Error4Display error4setDisplay(Error4Display hook) {
    return g_display.exchange(hook ? hook : defaultDisplay);
}

int error4describe(CODE4 *c, int code, long location, const char *t1, const char *t2, const char *t3) {
    bool live = c && c->s4valid == S4VALID && c->initialized;
    if (live) {
        keepErrorText(c, t1, t2, t3);
        c->errorCode = code;
        c->errorLocation = (int32_t)location;
        if (!c->offError) {
            char message[257];
            error4message(code, location, t1, t2, t3, message);
            g_display.load()(E4CAPTION, message);
        }
    }
    if (error4isFatal(code)) {
        if (live && c->initialized == 1) code4initUndo(c);
        // This platform ends the program with a failure status, not 0.
        std::exit(EXIT_FAILURE);
    }
    return code;
}

int error4(CODE4 *c, int code, long location) { return error4describe(c, code, location, nullptr, nullptr, nullptr); }

int error4set(CODE4 *c, int code) {
    if (!c || c->s4valid != S4VALID) return error4(nullptr, c ? e4parm : e4parmNull, E4_LOC_ERROR4);
    int previous = c->errorCode;
    c->errorCode = code;
    return previous;
}

int error4code(const CODE4 *c) {
    if (!c || c->s4valid != S4VALID) return e4parm;
    return c->errorCode;
}

int error4checkStamp(const void *handle, int32_t stamp, long location) {
    if (!handle) return error4describe(nullptr, e4parmNull, location, nullptr, nullptr, nullptr);
    if (stamp != S4VALID)
        return error4describe(nullptr, e4parm, location, kGroup8[E4_MSG_INVALID_STRUCTURE - 80000].text, nullptr, nullptr);
    return 0;
}
