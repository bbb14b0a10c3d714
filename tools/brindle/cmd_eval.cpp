// brindle eval TABLE EXPR [--recno N | --all] [--key]
// One JSON object per record and line:
//   {"recno": N, "type": "C", "length": 10, "value": ..., "key": "..."}
#include <cmath>
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "output.h"
#include "session.h"

namespace brindle {

namespace {

std::string hex(const char *bytes, int len) {
    static const char *digits = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < len; i++) {
        unsigned char b = (unsigned char)bytes[i];
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::string numberJson(double v) {
    return std::isfinite(v) ? shortestDouble(v) : jsonString(shortestDouble(v));
}

// The value of a result of the given type, as JSON.
std::string valueJson(int type, const char *p, int len, const CodePage &cp) {
    switch (type) {
        case 'C':
        case 'D':
        case 'N':
            return jsonString(cp.toUtf8(std::string(p, (size_t)len)));
        case 'n':
        case 'd': {
            double v;
            std::memcpy(&v, p, sizeof v);
            return numberJson(v);
        }
        case 'L': {
            int32_t v;
            std::memcpy(&v, p, sizeof v);
            return v ? "true" : "false";
        }
        case 'I':
            return std::to_string(b4::getI32le(reinterpret_cast<const unsigned char *>(p)));
        case 'Y': {
            int64_t v = b4::getI64le(reinterpret_cast<const unsigned char *>(p));
            uint64_t mag = v < 0 ? 0 - (uint64_t)v : (uint64_t)v;
            char buf[40];
            std::snprintf(buf, sizeof buf, "%s%llu.%04llu", v < 0 ? "-" : "", (unsigned long long)(mag / 10000),
                          (unsigned long long)(mag % 10000));
            return buf;
        }
        case 'T': {
            const unsigned char *u = reinterpret_cast<const unsigned char *>(p);
            long day = b4::getI32le(u);
            long ms = b4::getI32le(u + 4);
            if (day <= 0) return "null";
            if (ms < 0 || ms >= 86400000L) return jsonString("damaged time");
            long secs = (ms + 500) / 1000;
            if (secs == 86400) day++, secs = 0;  // carried into the next day
            char d8[9] = {};
            date4assign(d8, day);
            char buf[40];
            std::snprintf(buf, sizeof buf, "\"%.4s-%.2s-%.2sT%02ld:%02ld:%02ld\"", d8, d8 + 4, d8 + 6, secs / 3600,
                          secs / 60 % 60, secs % 60);
            return buf;
        }
        default:
            return jsonString(base64(std::string(p, (size_t)len)));
    }
}

}  // namespace

int runEval(const Options &o) {
    if (o.args.size() != 2) {
        complain("eval needs a TABLE and an EXPR (see brindle eval --help)");
        return kUsage;
    }
    long recno = 1;
    if (o.has("--recno") && (!parseLong(o.value("--recno"), recno) || recno < 1)) {
        complain("--recno takes a record number");
        return kUsage;
    }
    if (o.has("--recno") && o.flag("--all")) {
        complain("--recno and --all exclude each other");
        return kUsage;
    }
    Session s(o);
    DATA4 *d = s.open(o.args[0]);
    if (!d) return kEngineError;
    CodePage cp = s.codePage(d);
    std::string source;
    if (!cp.fromUtf8(o.args[1], source)) {
        complain("the expression has characters the code page " + cp.name() + " cannot hold");
        return kUsage;
    }
    EXPR4 *e = expr4parse(d, source.c_str());
    if (!e) return kEngineError;
    bool all = o.flag("--all");
    long last = all ? d4recCount(d) : recno;
    if (!all && recno > d4recCount(d)) {
        complain("no record " + std::to_string(recno) + " (the table has " + std::to_string(d4recCount(d)) + ")");
        expr4free(e);
        return kUsage;
    }
    int rc = kOk;
    for (long r = all ? 1 : recno; r <= last; r++) {
        if (d4go(d, r) != 0) {
            rc = kEngineError;
            break;
        }
        char *result = nullptr;
        int len = expr4vary(e, &result);
        if (len < 0) {
            rc = kEngineError;
            break;
        }
        int type = expr4type(e);
        std::string line = "{\"recno\": " + std::to_string(r) + ", \"type\": \"" + std::string(1, (char)type) +
                           "\", \"length\": " + std::to_string(len) + ", \"value\": " + valueJson(type, result, len, cp);
        if (o.flag("--key")) {
            char *key = nullptr;
            int keyLen = expr4key(e, &key, nullptr);
            if (keyLen < 0) {
                rc = kEngineError;
                break;
            }
            line += ", \"key\": \"" + hex(key, keyLen) + "\"";
        }
        std::printf("%s}\n", line.c_str());
        if (std::ferror(stdout)) {  // reported as the program ends
            rc = kEngineError;
            break;
        }
    }
    expr4free(e);
    return rc;
}

}  // namespace brindle
