// dump --format postgres: a psql script that makes a table and loads the
// records, in one transaction, stopping at the first error:
//
//   \set ON_ERROR_STOP on
//   SET client_encoding = 'UTF8';
//   BEGIN;
//   CREATE TABLE "people" ("first" varchar(20), "born" date, ...);
//   COPY "people" ("first", "born", ...) FROM stdin;
//   Mary<TAB>1917-07-31<TAB>...        (COPY's text format: \N for null,
//   \.                                  \\ \n \r \t escaped, bytea as \\x..)
//   COMMIT;
//
// Types: C, Z varchar(length); N, F numeric(length, decimals); I integer;
// B double precision; Y numeric(19,4); D date; T timestamp; L boolean;
// M text; G, X and the other binary types bytea. Every field may be null
// except, in tables that mark nullable fields, the fields not so marked
// whose values are never empty (text, memo, integer, double, currency).
// With --deleted a boolean column "deleted" says which records are.
// A value PostgreSQL cannot take as it stands (text in a numeric or date
// field, a NUL byte in text, more digits than the numeric type holds) stops
// the dump with an error rather than lose it.
#include <cctype>
#include <cstring>

#include "dump.h"
#include "fast_format.h"
#include "output.h"
#include "values.h"

namespace brindle {

namespace {

std::string quoteIdentifier(const std::string &name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += (char)std::tolower((unsigned char)c);
    }
    return out + "\"";
}

std::string columnType(FIELD4 *f) {
    int type = f4type(f);
    unsigned len = f4len(f);
    int dec = f4decimals(f);
    if (isVarchar(f)) return "varchar(" + std::to_string(len) + ")";
    switch (type) {
        case 'C':
        case 'Z': return "varchar(" + std::to_string(len) + ")";
        case 'N':
        case 'F':
            if ((unsigned)dec >= len) return "numeric";
            return "numeric(" + std::to_string(len) + "," + std::to_string(dec) + ")";
        case 'I': return "integer";
        case 'B': return "double precision";
        case 'Y': return "numeric(19,4)";
        case 'D': return "date";
        case 'T': return "timestamp";
        case 'L': return "boolean";
        case 'M': return "text";
        default: return "bytea";
    }
}

bool neverEmpty(int type) { return std::strchr("CZMIBY", type) != nullptr; }

// The table's base name: no folder, no extension.
std::string baseName(const std::string &path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

void appendByteaHex(std::string &out, const std::string &bytes) {
    static const char *hex = "0123456789abcdef";
    out += "\\\\x";
    for (unsigned char b : bytes) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
}

// Whether a plain number fits numeric(len, dec).
bool fitsNumeric(const std::string &n, unsigned len, int dec) {
    if ((unsigned)dec >= len) return true;
    size_t dot = n.find('.');
    size_t intDigits = (dot == std::string::npos ? n.size() : dot) - (n[0] == '-' ? 1 : 0);
    size_t fracDigits = dot == std::string::npos ? 0 : n.size() - dot - 1;
    std::string intPart = n.substr(n[0] == '-' ? 1 : 0, intDigits);
    if (intPart == "0") intDigits = 0;
    return fracDigits <= (size_t)dec && intDigits <= len - (unsigned)dec;
}

// Appends one value in COPY's text form; false with why when PostgreSQL's
// column type cannot take it.
bool appendCopyValue(std::string &out, FIELD4 *f, const Value &v, std::string &why) {
    int type = f4type(f);
    switch (v.kind) {
        case Value::None:
            out += "\\N";
            return true;
        case Value::Bool:
            out += v.truth ? 't' : 'f';
            return true;
        case Value::Binary:
            appendByteaHex(out, v.text);
            return true;
        case Value::Number:
            if ((type == 'N' || type == 'F') && !fitsNumeric(v.text, f4len(f), f4decimals(f))) {
                why = "holds " + v.text + ", more digits than numeric(" + std::to_string(f4len(f)) + "," +
                      std::to_string(f4decimals(f)) + ") takes";
                return false;
            }
            out += v.text;
            return true;
        case Value::Text:
        default:
            if (type == 'D' && v.text.size() == 10 && v.text[4] == '-' && v.text[7] == '-') {
                out += v.text;
                return true;
            }
            if (type == 'N' || type == 'F' || type == 'D') {
                why = "holds '" + v.text + "', which is not a " + (type == 'D' ? "date" : "number");
                return false;
            }
            if (v.text.find('\0') != std::string::npos) {
                why = "holds a NUL byte, which PostgreSQL text cannot hold";
                return false;
            }
            appendCopyField(out, v.text.data(), v.text.size());
            return true;
    }
}

}  // namespace

int dumpPostgres(DumpJob &job, const std::string &tableName) {
    std::string table = quoteIdentifier(tableName.empty() ? baseName(d4fileName(job.d)) : tableName);
    bool marksNulls = job.d->dataFile->tableLevel == 30;
    std::string deletedColumn = "\"deleted\"";
    for (const Column &c : job.columns)
        if (quoteIdentifier(c.name) == deletedColumn) deletedColumn = "\"_deleted\"";
    std::string &out = job.out.buffer;
    out += "\\set ON_ERROR_STOP on\nSET client_encoding = 'UTF8';\nBEGIN;\nCREATE TABLE " + table + " (";
    std::string names;
    for (size_t i = 0; i < job.columns.size(); i++) {
        FIELD4 *f = job.columns[i].field;
        std::string name = quoteIdentifier(job.columns[i].name);
        out += (i ? ",\n  " : "\n  ") + name + " " + columnType(f);
        if (marksNulls && !f->nullable && (neverEmpty(f4type(f)) || isVarchar(f))) out += " NOT NULL";
        names += (i ? ", " : "") + name;
    }
    if (job.withDeleted) {
        out += (job.columns.empty() ? "\n  " : ",\n  ") + deletedColumn + " boolean NOT NULL";
        names += (job.columns.empty() ? "" : ", ") + deletedColumn;
    }
    out += "\n);\nCOPY " + table + " (" + names + ") FROM stdin;\n";
    std::vector<Value> values(job.columns.size());
    std::vector<FastColumn> fast;
    for (const Column &c : job.columns) fast.emplace_back(c.field, job.cp);
    std::vector<char> scratch;
    int rc = walkView(job, [&]() {
        size_t mark = out.size();  // a refused record leaves nothing behind
        for (size_t i = 0; i < values.size(); i++) {
            if (i) out += '\t';
            if (fast[i].append(out, Format::Copy, scratch)) continue;
            std::string why;
            if (!readColumn(job, i, values[i])) return out.resize(mark), false;
            if (!appendCopyValue(out, job.columns[i].field, values[i], why)) {
                complain("record " + std::to_string(d4recNo(job.d)) + ", field " + job.columns[i].name + " " + why);
                return out.resize(mark), false;
            }
        }
        if (job.withDeleted) out += values.empty() ? (d4deleted(job.d) ? "t" : "f") : (d4deleted(job.d) ? "\tt" : "\tf");
        out += '\n';
        return true;
    });
    // A failed dump ends without COMMIT: psql rolls the transaction back.
    if (rc != kOk) {
        job.out.flush();
        return rc;
    }
    out += "\\.\nCOMMIT;\n";
    return job.out.flush() ? kOk : kEngineError;
}

}  // namespace brindle
