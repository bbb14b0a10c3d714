// brindle dump TABLE [--format text|csv|json|postgres] [--fields A,B] [--deleted]
//                    [--start N] [--limit N] [--query EXPR] [--sort EXPR]
//                    [--table NAME]
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "commands.h"
#include "dump.h"
#include "fast_format.h"
#include "output.h"
#include "progress.h"
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

// Characters of UTF-8 text (continuation bytes count as nothing).
size_t characters(const std::string &s) {
    size_t chars = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) chars++;
    return chars;
}

// Width of a column in the text format.
size_t textWidth(const Column &c) {
    size_t w;
    switch (isBlob(c.field) ? 'X' : f4type(c.field)) {
        case 'D': w = 10; break;
        case 'T': w = 19; break;
        case 'L': w = 1; break;
        case 'M': case 'G': case 'X': w = 10; break;
        case 'I': w = 11; break;
        case 'B': case 'Y': w = 12; break;
        default: w = f4len(c.field);
    }
    w = std::min<size_t>(w, 40);
    return std::max(w, characters(c.name));
}

void appendPadded(std::string &out, const std::string &s, size_t width) {
    out += s;
    size_t chars = characters(s);
    if (chars < width) out.append(width - chars, ' ');
}

void appendDecimal(std::string &out, long v) {
    char buf[24];
    char *end = buf + sizeof buf, *p = end;
    unsigned long m = v < 0 ? 0UL - (unsigned long)v : (unsigned long)v;
    do *--p = (char)('0' + m % 10);
    while (m /= 10);
    if (v < 0) *--p = '-';
    out.append(p, (size_t)(end - p));
}

void trimLine(std::string &line, size_t from) {
    while (line.size() > from && line.back() == ' ') line.pop_back();
}

bool chooseColumns(Session &s, DATA4 *d, const CodePage &cp, const Options &o, std::vector<Column> &columns) {
    if (!o.has("--fields")) {
        for (int i = 1; i <= d4numFields(d); i++) {
            FIELD4 *f = d4fieldJ(d, i);
            columns.push_back({f, fieldName(f, cp)});
        }
        return true;
    }
    for (const std::string &name : splitComma(o.value("--fields"))) {
        FIELD4 *f = s.field(d, cp, name);
        if (!f) return false;
        columns.push_back({f, fieldName(f, cp)});
    }
    return true;
}

int dumpText(DumpJob &job, Format format) {
    std::vector<Value> values(job.columns.size());
    std::vector<size_t> widths;
    for (const Column &c : job.columns) widths.push_back(textWidth(c));
    std::string &out = job.out.buffer;
    if (format == Format::Json) {
        out += "{\"table\": ";
        appendJsonString(out, d4fileName(job.d), std::strlen(d4fileName(job.d)));
        out += ", \"fields\": [";
        for (size_t i = 0; i < job.columns.size(); i++) {
            FIELD4 *f = job.columns[i].field;
            out += i ? ", {\"name\": " : "{\"name\": ";
            appendJsonString(out, job.columns[i].name.data(), job.columns[i].name.size());
            char buf[96];
            std::snprintf(buf, sizeof buf, ", \"type\": \"%c\", \"length\": %u, \"decimals\": %d}", f4type(f), f4len(f),
                          f4decimals(f));
            out += buf;
        }
        out += "], \"records\": [";
    } else if (format == Format::Csv) {
        for (size_t i = 0; i < job.columns.size(); i++) {
            if (i) out += ',';
            appendCsvField(out, job.columns[i].name.data(), job.columns[i].name.size());
        }
        out += "\r\n";
    } else {
        size_t from = out.size();
        out += "   RECNO  ";
        for (size_t i = 0; i < job.columns.size(); i++) {
            if (i) out += "  ";
            appendPadded(out, job.columns[i].name, widths[i]);
        }
        trimLine(out, from);
        out += '\n';
    }
    // JSON member names, made once.
    std::vector<std::string> keys;
    for (const Column &c : job.columns) {
        std::string k;
        appendJsonString(k, c.name.data(), c.name.size());
        keys.push_back(k + ": ");
    }
    std::vector<FastColumn> fast;
    for (const Column &c : job.columns) fast.emplace_back(c.field, job.cp);
    std::vector<char> scratch;
    // Appends column i's value, by the fast path when it takes it; false
    // (reported) when the value is damaged.
    auto appendColumn = [&](size_t i) {
        if (fast[i].append(out, format, scratch)) return true;
        if (!readColumn(job, i, values[i])) return false;
        appendValue(out, values[i], format);
        return true;
    };
    long shown = 0;
    std::string cell;
    int rc = walkView(job, [&]() {
        long recno = d4recNo(job.d);
        char head[64];
        size_t mark = out.size();  // a damaged record leaves nothing behind
        if (format == Format::Json) {
            out += shown ? ", {\"recno\": " : "{\"recno\": ";
            appendDecimal(out, recno);
            out += d4deleted(job.d) ? ", \"deleted\": true, \"values\": {" : ", \"deleted\": false, \"values\": {";
            for (size_t i = 0; i < values.size(); i++) {
                if (i) out += ", ";
                out += keys[i];
                if (!appendColumn(i)) return out.resize(mark), false;
            }
            out += "}}";
        } else if (format == Format::Csv) {
            for (size_t i = 0; i < values.size(); i++) {
                if (i) out += ',';
                if (!appendColumn(i)) return out.resize(mark), false;
            }
            out += "\r\n";
        } else {
            if (!readRecord(job, values)) return false;
            size_t from = out.size();
            std::snprintf(head, sizeof head, "%8ld%c ", recno, d4deleted(job.d) ? '*' : ' ');
            out += head;
            for (size_t i = 0; i < values.size(); i++) {
                cell.clear();
                appendValue(cell, values[i], format);
                for (char &c : cell)
                    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
                if (i) out += "  ";
                appendPadded(out, cell, widths[i]);
            }
            trimLine(out, from + 10);
            out += '\n';
        }
        shown++;
        return true;
    });
    if (rc != kOk) return rc;
    if (format == Format::Json) out += "]}\n";
    return job.out.flush() ? kOk : kEngineError;
}

}  // namespace

bool readColumn(DumpJob &job, size_t i, Value &value) {
    std::string damage;
    if (readValue(job.columns[i].field, job.cp, value, damage) && !job.session.failed()) return true;
    std::string what = "record " + std::to_string(d4recNo(job.d)) + ", field " + job.columns[i].name;
    complain(damage.empty() ? what + " cannot be read" : what + " " + damage);
    return false;
}

bool readRecord(DumpJob &job, std::vector<Value> &values) {
    for (size_t i = 0; i < job.columns.size(); i++)
        if (!readColumn(job, i, values[i])) return false;
    return true;
}

int walkView(DumpJob &job, const std::function<bool()> &row) {
    Progress progress("dump", job.sorted ? -1 : d4recCount(job.d), job.sorted ? "selecting and sorting" : nullptr);
    long position = 0, shown = 0;
    bool more = job.view.first();
    progress.phase(nullptr);
    for (; more && (job.limit < 0 || shown < job.limit); more = job.view.next()) {
        progress.set(++position);
        if (position < job.start) continue;
        shown++;
        if (!row()) return kEngineError;
        if (!job.out.spill()) return kEngineError;
    }
    if (job.view.failed() || job.session.failed()) return kEngineError;
    return kOk;
}

int runDump(const Options &o) {
    if (o.args.size() != 1) {
        complain("dump needs one TABLE (see brindle dump --help)");
        return kUsage;
    }
    std::string format = o.value("--format", "text");
    if (format != "text" && format != "csv" && format != "json" && format != "postgres") {
        complain("--format is text, csv, json or postgres");
        return kUsage;
    }
    if (o.has("--table") && format != "postgres") {
        complain("--table goes with --format postgres");
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
    std::vector<Column> columns;
    if (!chooseColumns(s, d, cp, o, columns)) return kUsage;
    std::string query, sort;
    if (!s.engineText(cp, o.value("--query"), "--query", query) || !s.engineText(cp, o.value("--sort"), "--sort", sort))
        return kUsage;
    View view;
    if (!view.open(d, query, sort, o.flag("--deleted"))) return kEngineError;
    Sink out;
    DumpJob job{s, d, cp, columns, view, start, limit, o.flag("--deleted"), !query.empty() || !sort.empty(), out};
    if (format == "postgres") return dumpPostgres(job, o.value("--table"));
    return dumpText(job, format == "json" ? Format::Json : format == "csv" ? Format::Csv : Format::Text);
}

}  // namespace brindle
