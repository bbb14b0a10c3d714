// brindle create TABLE [--level 25|26|30] [--codepage MARK] FIELD...
// FIELD is NAME:TYPE[:LENGTH[:DECIMALS]][:null][:autoinc]
#include <cctype>
#include <cstdio>
#include <vector>

#include "commands.h"
#include "session.h"

namespace brindle {

namespace {

struct FieldSpec {
    std::string name;
    int type = 0;
    long len = 0, dec = 0;
    int attribute = 0;
};

// Lengths the engine fixes by type; 0 for types that need one given.
long defaultLength(int type, int level) {
    switch (type) {
        case 'D': return 8;
        case 'L': return 1;
        case 'M': case 'G': return level == 30 ? 4 : 10;
        case 'I': case 'X': return 4;
        case 'B': case 'T': case 'Y': return 8;
        default: return 0;
    }
}

bool parseField(const std::string &text, int level, FieldSpec &out, std::string &error) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    if (parts.size() < 2 || parts[0].empty() || parts[1].size() != 1) {
        error = "field '" + text + "' is not NAME:TYPE[:LENGTH[:DECIMALS]][:null][:autoinc]";
        return false;
    }
    out.name = parts[0];
    if (out.name.size() > 10) {
        error = "field name " + out.name + " is longer than 10 characters";
        return false;
    }
    out.type = std::toupper((unsigned char)parts[1][0]);
    size_t i = 2;
    std::vector<long> numbers;
    for (; i < parts.size() && numbers.size() < 2; i++) {
        long n;
        if (!parseLong(parts[i], n)) break;
        numbers.push_back(n);
    }
    for (; i < parts.size(); i++) {
        if (parts[i] == "null") out.attribute = 190;
        else if (parts[i] == "autoinc") out.attribute = 195;
        else {
            error = "unknown field attribute '" + parts[i] + "' in " + text;
            return false;
        }
    }
    out.len = numbers.size() > 0 ? numbers[0] : defaultLength(out.type, level);
    out.dec = numbers.size() > 1 ? numbers[1] : (out.type == 'Y' ? 4 : 0);
    if (out.len <= 0 || out.len > 65535 || out.dec < 0 || out.dec > 255) {
        error = "field " + out.name + " needs a length (1 to 65535) and decimals (0 to 255)";
        return false;
    }
    return true;
}

}  // namespace

int runCreate(const Options &o) {
    if (o.args.size() < 2) {
        complain("create needs a TABLE and at least one FIELD (see brindle create --help)");
        return kUsage;
    }
    long level = 25;
    if (o.has("--level") && (!parseLong(o.value("--level"), level) || (level != 25 && level != 26 && level != 30))) {
        complain("--level is 25, 26 or 30");
        return kUsage;
    }
    int mark = 0x03;
    if (o.has("--codepage")) {
        mark = codePageMark(o.value("--codepage"));
        if (mark < 0) {
            complain("unknown code page " + o.value("--codepage"));
            return kUsage;
        }
    }
    std::vector<FieldSpec> specs;
    for (size_t i = 1; i < o.args.size(); i++) {
        FieldSpec f;
        std::string error;
        if (!parseField(o.args[i], (int)level, f, error)) {
            complain(error);
            return kUsage;
        }
        specs.push_back(f);
    }
    std::string name = o.args[0];
    Session s(o);
    char withExt[1024];
    u4ncpy(withExt, name.c_str(), sizeof withExt);
    u4nameExt(withExt, sizeof withExt, "dbf", 0);
    if (file4exists(withExt)) {
        complain(std::string(withExt) + " exists; create does not overwrite tables");
        return kEngineError;
    }
    CODE4 *c = s.code();
    c->compatibility = (int16_t)level;
    c->codePage = (unsigned char)mark;
    std::vector<FIELD4INFO> info;
    for (const FieldSpec &f : specs)
        info.push_back({f.name.c_str(), f.type, (unsigned)f.len, (unsigned)f.dec, f.attribute});
    info.push_back({nullptr, 0, 0, 0, 0});
    DATA4 *d = d4create(c, withExt, info.data());
    if (!d) return kEngineError;
    int rc = d4close(d);
    return rc < 0 ? kEngineError : kOk;
}

}  // namespace brindle
