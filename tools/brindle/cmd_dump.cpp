// brindle dump TABLE [--format text|csv|json] [--fields A,B] [--deleted]
//                    [--start N] [--limit N] [--query EXPR] [--sort EXPR]
#include <algorithm>
#include <cstdio>
#include <vector>

#include "commands.h"
#include "output.h"
#include "session.h"
#include "tags.h"
#include "view.h"

namespace brindle {

namespace {

std::vector<std::string> splitComma(const std::string &s) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= s.size()) {
        size_t comma = s.find(',', start);
        if (comma == std::string::npos) comma = s.size();
        if (comma > start) out.push_back(s.substr(start, comma - start));
        start = comma + 1;
    }
    return out;
}

// Width of a column in the text format.
size_t textWidth(FIELD4 *f) {
    size_t w;
    switch (f4type(f)) {
        case 'D': w = 10; break;
        case 'T': w = 19; break;
        case 'L': w = 1; break;
        case 'M': case 'G': case 'X': w = 10; break;
        case 'I': w = 11; break;
        case 'B': case 'Y': w = 12; break;
        default: w = f4len(f);
    }
    w = std::min<size_t>(w, 40);
    return std::max(w, std::string(f4name(f)).size());
}

std::string pad(const std::string &s, size_t width) {
    // pads by characters, counting UTF-8 continuation bytes as nothing
    size_t chars = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) chars++;
    return chars >= width ? s : s + std::string(width - chars, ' ');
}

}  // namespace

int runDump(const Options &o) {
    if (o.args.size() != 1) {
        complain("dump needs one TABLE (see brindle dump --help)");
        return kUsage;
    }
    std::string format = o.value("--format", "text");
    if (format != "text" && format != "csv" && format != "json") {
        complain("--format is text, csv or json");
        return kUsage;
    }
    long start = 1, limit = -1;
    if ((o.has("--start") && (!parseLong(o.value("--start"), start) || start < 1)) ||
        (o.has("--limit") && (!parseLong(o.value("--limit"), limit) || limit < 0))) {
        complain("--start takes a number from 1 and --limit a number from 0");
        return kUsage;
    }
    Session s(o);
    DATA4 *d = s.open(o.args[0]);
    if (!d) return kEngineError;
    if (!selectTag(d, o)) return kUsage;
    CodePage cp = s.codePage(d);
    if (!cp.valid()) {
        complain("unknown code page " + cp.name());
        return kUsage;
    }
    std::vector<FIELD4 *> fields;
    if (o.has("--fields")) {
        for (const std::string &name : splitComma(o.value("--fields"))) {
            s.code()->fieldNameError = 0;
            FIELD4 *f = d4field(d, name.c_str());
            s.code()->fieldNameError = 1;
            error4set(s.code(), 0);
            if (!f) {
                complain("no field named " + name);
                return kUsage;
            }
            fields.push_back(f);
        }
    } else {
        for (int i = 1; i <= d4numFields(d); i++) fields.push_back(d4fieldJ(d, i));
    }

    View view;
    if (!view.open(d, o.value("--query"), o.value("--sort"), o.flag("--deleted"))) return kEngineError;
    std::vector<size_t> widths;
    for (FIELD4 *f : fields) widths.push_back(textWidth(f));
    if (format == "json") {
        std::printf("{\"table\": %s, \"fields\": [", jsonString(d4fileName(d)).c_str());
        for (size_t i = 0; i < fields.size(); i++)
            std::printf("%s{\"name\": %s, \"type\": \"%c\", \"length\": %u, \"decimals\": %d}", i ? ", " : "",
                        jsonString(f4name(fields[i])).c_str(), f4type(fields[i]), f4len(fields[i]),
                        f4decimals(fields[i]));
        std::printf("], \"records\": [");
    } else if (format == "csv") {
        for (size_t i = 0; i < fields.size(); i++) std::printf("%s%s", i ? "," : "", csvField(f4name(fields[i])).c_str());
        std::printf("\r\n");
    } else {
        std::string header = "   RECNO  ";
        for (size_t i = 0; i < fields.size(); i++) header += (i ? "  " : "") + pad(f4name(fields[i]), widths[i]);
        while (!header.empty() && header.back() == ' ') header.pop_back();
        std::printf("%s\n", header.c_str());
    }
    long position = 0, shown = 0;
    for (bool more = view.first(); more && (limit < 0 || shown < limit); more = view.next()) {
        if (++position < start) continue;
        shown++;
        if (format == "json") {
            std::printf("%s{\"recno\": %ld, \"deleted\": %s, \"values\": {", shown > 1 ? ", " : "", d4recNo(d),
                        d4deleted(d) ? "true" : "false");
            for (size_t i = 0; i < fields.size(); i++)
                std::printf("%s%s: %s", i ? ", " : "", jsonString(f4name(fields[i])).c_str(),
                            formatValue(readValue(fields[i], cp), format).c_str());
            std::printf("}}");
        } else if (format == "csv") {
            for (size_t i = 0; i < fields.size(); i++)
                std::printf("%s%s", i ? "," : "", formatValue(readValue(fields[i], cp), format).c_str());
            std::printf("\r\n");
        } else {
            std::printf("%8ld%c ", d4recNo(d), d4deleted(d) ? '*' : ' ');
            std::string line;
            for (size_t i = 0; i < fields.size(); i++) {
                std::string v = formatValue(readValue(fields[i], cp), format);
                for (char &c : v)
                    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
                line += (i ? "  " : "") + pad(v, widths[i]);
            }
            while (!line.empty() && line.back() == ' ') line.pop_back();
            std::printf("%s\n", line.c_str());
        }
        if (s.failed()) break;
    }
    if (format == "json") std::printf("]}\n");
    return view.failed() || s.failed() ? kEngineError : kOk;
}

}  // namespace brindle
