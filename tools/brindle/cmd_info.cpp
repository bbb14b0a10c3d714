// brindle info TABLE [--json]
#include <cstdio>

#include "commands.h"
#include "output.h"
#include "session.h"
#include "tags.h"
#include "values.h"

namespace brindle {

namespace {

struct FieldFacts {
    std::string name;
    char type;
    unsigned len;
    int dec;
    bool nullable, binary, autoinc;
};

std::string hex2(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", v & 0xFF);
    return buf;
}

// The header's year byte: the year modulo 100 by the format's rule; some
// writers store year - 1900 instead.
int fullYear(int yy) { return yy >= 100 ? 1900 + yy : (yy < 80 ? 2000 + yy : 1900 + yy); }

}  // namespace

int runInfo(const Options &o) {
    if (o.args.size() != 1) {
        complain("info needs one TABLE (see brindle info --help)");
        return kUsage;
    }
    Session s(o);
    DATA4 *d = s.open(o.args[0]);
    if (!d) return kEngineError;
    DATA4FILE *df = d->dataFile;
    CodePage cp = s.codePage(d);
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", fullYear(df->yy), df->mm, df->dd);
    std::vector<FieldFacts> fields;
    for (int i = 1; i <= d4numFields(d); i++) {
        FIELD4 *f = d4fieldJ(d, i);
        // The letter of the file ('+' rather than the I it reads as), but
        // the Z and X of binary C and M.
        char type = f->fileType == f->type ? (char)f4type(f) : f->fileType;
        fields.push_back({fieldName(f, cp), type, f4len(f), f4decimals(f), f->nullable != 0, f->binary == 1,
                          f->autoIncrement != 0});
    }
    bool memo = df->memoFile.isOpen != 0;
    std::string memoName = memo && df->memoFile.file.name ? df->memoFile.file.name : "";
    if (o.flag("--json")) {
        std::printf("{\"table\": %s, \"level\": %d, \"version\": %d, \"records\": %ld, \"headerLength\": %u, "
                    "\"recordLength\": %u, \"codePage\": {\"mark\": %d, \"name\": %s}, \"lastUpdate\": \"%s\", "
                    "\"memo\": ",
                    jsonString(d4fileName(d)).c_str(), df->tableLevel, df->version, d4recCount(d), df->headerLen,
                    df->recordLen, df->codePage & 0xFF, jsonString(cp.name()).c_str(), date);
        if (memo) std::printf("{\"file\": %s, \"blockSize\": %u}", jsonString(memoName).c_str(), df->memoFile.blockSize);
        else std::printf("null");
        std::printf(", \"fields\": [");
        for (size_t i = 0; i < fields.size(); i++) {
            const FieldFacts &f = fields[i];
            std::printf("%s{\"name\": %s, \"type\": \"%c\", \"length\": %u, \"decimals\": %d, \"nullable\": %s, "
                        "\"binary\": %s, \"autoincrement\": %s}",
                        i ? ", " : "", jsonString(f.name).c_str(), f.type, f.len, f.dec, f.nullable ? "true" : "false",
                        f.binary ? "true" : "false", f.autoinc ? "true" : "false");
        }
        std::printf("], \"tags\": %s}\n", tagsJson(d).c_str());
    } else {
        std::printf("table:        %s\n", d4fileName(d));
        std::printf("level:        %d\n", df->tableLevel);
        std::printf("version:      %s%s\n", hex2(df->version).c_str(), df->hasAutoIncrement ? " (autoincrement)" : "");
        std::printf("records:      %ld\n", d4recCount(d));
        std::printf("header:       %u bytes\n", df->headerLen);
        std::printf("record:       %u bytes\n", df->recordLen);
        std::printf("code page:    %s (%s)\n", hex2(df->codePage).c_str(), cp.name().c_str());
        std::printf("last update:  %s\n", date);
        if (memo) std::printf("memo file:    %s (block size %u)\n", memoName.c_str(), df->memoFile.blockSize);
        else std::printf("memo file:    none\n");
        std::printf("fields:       %zu\n", fields.size());
        for (const FieldFacts &f : fields) {
            std::printf("  %-10s %c %5u %2d%s%s%s\n", f.name.c_str(), f.type, f.len, f.dec, f.nullable ? " null" : "",
                        f.binary ? " binary" : "", f.autoinc ? " autoinc" : "");
        }
        printTags(d);
    }
    return s.failed() ? kEngineError : kOk;
}

}  // namespace brindle
