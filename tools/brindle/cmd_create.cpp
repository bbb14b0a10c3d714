// brindle create TABLE [--level 3|25|26|30] [--codepage MARK] FIELD...
// FIELD is NAME:TYPE[:LENGTH[:DECIMALS]][:null][:autoinc]. Without --level
// the table is level 30 when a field needs it (a Visual FoxPro type, null or
// autoinc), else 25. V (varchar), Q (varbinary) and W (blob) make a
// version-0x32 table (level 30), whose autoinc fields are I fields.
// Level 3 makes a dBASE III table (memos in a .dbt).
#include <cctype>
#include <cstdio>
#include <cstring>
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
long defaultLength(int type) {
    switch (type) {
        case 'D': return 8;
        case 'L': return 1;
        case 'M': case 'G': case 'I': case 'X': case 'W': return 4;  // the width is the engine's
        case 'B': case 'T': case 'Y': return 8;
        default: return 0;
    }
}

bool needsLevel30(const FieldSpec &f) { return std::strchr("IBTYWXZVQ", f.type) || f.attribute != 0; }

// The kinds only a version-0x32 table holds.
bool varKind(const FieldSpec &f) { return f.type == 'V' || f.type == 'Q' || f.type == 'W'; }

bool letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// An ASCII letter, then ASCII letters, digits or underscores: what other
// programs read back.
bool wellFormedName(const std::string &name) {
    if (name.empty() || !letter(name[0])) return false;
    for (char c : name)
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '_') return false;
    return true;
}

std::string upper(std::string s) {
    for (char &c : s) c = (char)std::toupper((unsigned char)c);
    return s;
}

bool parseField(const std::string &text, FieldSpec &out, std::string &error) {
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
    if (!wellFormedName(out.name)) {
        error = "field name '" + out.name + "' is not a letter followed by letters, digits or underscores (ASCII)";
        return false;
    }
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
    out.len = numbers.size() > 0 ? numbers[0] : defaultLength(out.type);
    out.dec = numbers.size() > 1 ? numbers[1] : (out.type == 'Y' ? 4 : 0);
    if (out.len <= 0 || out.len > 65535 || out.dec < 0 || out.dec > 255) {
        error = "field " + out.name + " needs a length (1 to 65535) and decimals (0 to 255)";
        return false;
    }
    if ((out.type == 'N' || out.type == 'F') && out.dec > 0 && out.dec + 2 > out.len) {
        error = "field " + out.name + ": " + std::to_string(out.dec) + " decimals leave no room for a digit and the " +
                "point in a length of " + std::to_string(out.len) + " (needs at least " + std::to_string(out.dec + 2) +
                ")";
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
    if (o.flag("--readonly")) {
        complain("create writes a new table; --readonly does not go with it");
        return kUsage;
    }
    long level = 25;
    if (o.has("--level") &&
        (!parseLong(o.value("--level"), level) || (level != 3 && level != 25 && level != 26 && level != 30))) {
        complain("--level is 3 (dBASE III), 25, 26 or 30");
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
    bool level30 = false, varFields = false;
    for (size_t i = 1; i < o.args.size(); i++) {
        FieldSpec f;
        std::string error;
        if (!parseField(o.args[i], f, error)) {
            complain(error);
            return kUsage;
        }
        for (const FieldSpec &other : specs)
            if (upper(other.name) == upper(f.name)) {
                complain("two fields are named " + upper(f.name));
                return kUsage;
            }
        if ((f.type == 'V' || f.type == 'Q') && f.len > 254) {
            complain("field " + f.name + ": a " + (f.type == 'V' ? "varchar" : "varbinary") +
                     " holds 1 to 254 bytes");
            return kUsage;
        }
        level30 = level30 || needsLevel30(f);
        varFields = varFields || varKind(f);
        specs.push_back(f);
    }
    if (varFields && o.has("--level") && level != 30) {
        complain("V, Q and W fields (varchar, varbinary, blob) need level 30");
        return kUsage;
    }
    if (!o.has("--level") && level30) level = 30;
    std::string name = o.args[0];
    Session s(o);
    char withExt[1024];
    u4ncpy(withExt, name.c_str(), sizeof withExt);
    u4nameExt(withExt, sizeof withExt, "dbf", 0);
    if (file4exists(withExt)) {
        complain(u4nameResolve(u4namePlatform(withExt)) + " exists; create does not overwrite tables");
        return kEngineError;
    }
    CODE4 *c = s.code();
    c->compatibility = (int16_t)level;
    c->codePage = (unsigned char)mark;
    std::vector<FIELD4INFO> info;
    for (const FieldSpec &f : specs)
        info.push_back({f.name.c_str(), f.type, (unsigned)f.len, (unsigned)f.dec, f.attribute});
    info.push_back({nullptr, 0, 0, 0, 0});
    DATA4 *d = varFields ? d4create32(c, withExt, info.data()) : d4create(c, withExt, info.data());
    if (!d) return kEngineError;
    int rc = d4close(d);
    return rc < 0 ? kEngineError : kOk;
}

}  // namespace brindle
