// Collations read at run time from three tables, opened read-only with the
// table layer:
//
//   coll4inf  one record per collation number (record number = number):
//             ISUNICODE  wide-character collation (refused)
//             COLLSTART, COLLEND  records of collate4 that belong to it (256)
//             COMPSTART, COMPEND  records of compres4 (its expansions; none
//                                 when COMPEND < COMPSTART or COMPSTART is 0)
//             EXPANREQD, COMPREQD, SUBREQD, TRANSREQD  flags
//             COMPCHAR   expansion marker; NOTAILCHAR  no-tail marker
//             LOSSINFO   the weights lose information (lossless = !LOSSINFO)
//   collate4  one record per character code, in code order:
//             TRANS_CODE primary weight, SBSORTCODE secondary weight (< 256)
//   compres4  one record per expansion: IS_EXPAND (kind, 1 = expand),
//             CHAR1, CHAR2 (the characters it weighs as)
//
// Flags and numbers may be logical, numeric or integer fields; a character
// field of length 1 holds a character code, a longer one a number as text.
// Kind: no TRANSREQD 0 (machine); TRANSREQD with EXPANREQD or COMPREQD: 6
// with SUBREQD, else 4; TRANSREQD alone: 2 with SUBREQD, else 1. Only 0 and
// 6 can key a character tag.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "indexes/collate4.h"
#include "tables/data4.h"
#include "tables/field4.h"

namespace {

constexpr int kChars = 256;

// One allocation: the descriptor, its weights and its expansions.
struct Loaded {
    COLLATE4 desc;
    uint8_t weights[kChars][2];
    COLLATE4EXPANSION expansions[kChars];
};

// The engine settings the loader changes while it reads, restored on exit.
class QuietReadOnly {
public:
    explicit QuietReadOnly(CODE4 *c)
        : c_(c), autoOpen_(c->autoOpen), offError_(c->offError), readOnly_(c->readOnly), singleOpen_(c->singleOpen) {
        c->autoOpen = 0;
        c->offError = 1;
        c->readOnly = 1;
        c->singleOpen = 0;
    }
    ~QuietReadOnly() {
        c_->autoOpen = autoOpen_;
        c_->offError = offError_;
        c_->readOnly = readOnly_;
        c_->singleOpen = singleOpen_;
    }

private:
    CODE4 *c_;
    int32_t autoOpen_, offError_, readOnly_;
    int16_t singleOpen_;
};

struct Reader {
    CODE4 *c;
    const char *failure = nullptr;  // what went wrong, for the one report

    bool fail(const char *what) {
        if (!failure) failure = what;
        return false;
    }
    bool ok() const { return !failure && c->errorCode >= 0; }

    // A field's value as a number (see the head of the file); -1 when absent.
    long number(DATA4 *d, const char *name) {
        FIELD4 *f = d4field(d, name);
        if (!f) {
            fail(name);
            return -1;
        }
        switch (f4type(f)) {
        case 'L':
            return f4true(f);
        case 'C':
            if (f4len(f) == 1) return (unsigned char)f4ptr(f)[0];
            return f4long(f);
        default:
            return f4long(f);
        }
    }

    bool go(DATA4 *d, long recNo) {
        if (recNo < 1 || recNo > d4recCount(d)) return fail("record out of range");
        return d4go(d, recNo) == 0 || fail("record unreadable");
    }
};

std::string pathOf(const char *folder, const char *name) {
    if (!folder || !*folder) return name;
    std::string p = folder;
    if (p.back() != '/') p += '/';
    return p + name;
}

DATA4 *openTable(Reader &r, const char *folder, const char *name) {
    if (!r.ok()) return nullptr;
    DATA4 *d = d4open(r.c, pathOf(folder, name).c_str());
    if (!d) r.fail(name);
    return d;
}

int kindOf(bool trans, bool expand, bool compress, bool sub) {
    if (!trans) return COLLATE4_KIND_MACHINE;
    if (expand || compress) return sub ? COLLATE4_KIND_WEIGHTS : 4;
    return sub ? 2 : 1;
}

bool readWeights(Reader &r, DATA4 *table, long first, long last, Loaded *l) {
    if (last - first + 1 != kChars) return r.fail("collate4 range is not 256 records");
    for (int ch = 0; ch < kChars && r.ok(); ch++) {
        if (!r.go(table, first + ch)) return false;
        long primary = r.number(table, "TRANS_CODE"), secondary = r.number(table, "SBSORTCODE");
        if (primary < 0 || primary > 255 || secondary < 0 || secondary > 255) return r.fail("weight out of range");
        l->weights[ch][0] = (uint8_t)primary;
        l->weights[ch][1] = (uint8_t)secondary;
    }
    return r.ok();
}

bool readExpansions(Reader &r, DATA4 *table, long first, long last, Loaded *l) {
    if (first <= 0 || last < first) return true;
    if (last - first + 1 > kChars) return r.fail("compres4 range longer than 256 records");
    for (long rec = first; rec <= last && r.ok(); rec++) {
        if (!r.go(table, rec)) return false;
        long kind = r.number(table, "IS_EXPAND"), a = r.number(table, "CHAR1"), b = r.number(table, "CHAR2");
        if (kind < 0 || kind > 255 || a < 0 || a > 255 || b < 0 || b > 255) return r.fail("expansion out of range");
        l->expansions[rec - first] = {(uint8_t)kind, (uint8_t)a, (uint8_t)b};
        l->desc.numExpansions++;
    }
    return r.ok();
}

// Every character that expands names an expansion of kind 1 whose two
// characters do not expand again, so keying never meets a bad entry.
bool checkExpansions(Reader &r, const Loaded *l) {
    const COLLATE4 &d = l->desc;
    for (int ch = 0; ch < kChars; ch++) {
        if (l->weights[ch][0] != d.expandMarker) continue;
        int at = l->weights[ch][1];
        if (at >= d.numExpansions) return r.fail("expansion missing");
        const COLLATE4EXPANSION &x = l->expansions[at];
        if (x.kind != COLLATE4_EXPAND) return r.fail("expansion of another kind");
        if (l->weights[x.first][0] == d.expandMarker || l->weights[x.second][0] == d.expandMarker)
            return r.fail("expansion expands again");
    }
    return true;
}

bool readCollation(Reader &r, const char *folder, int number, Loaded *l) {
    DATA4 *info = openTable(r, folder, "coll4inf");
    DATA4 *weights = openTable(r, folder, "collate4");
    DATA4 *expansions = openTable(r, folder, "compres4");
    if (r.ok() && r.go(info, number)) {
        if (r.number(info, "ISUNICODE") > 0) r.fail("wide-character collation");
        bool trans = r.number(info, "TRANSREQD") > 0, expand = r.number(info, "EXPANREQD") > 0;
        bool compress = r.number(info, "COMPREQD") > 0, sub = r.number(info, "SUBREQD") > 0;
        long collStart = r.number(info, "COLLSTART"), collEnd = r.number(info, "COLLEND");
        long compStart = r.number(info, "COMPSTART"), compEnd = r.number(info, "COMPEND");
        long compChar = r.number(info, "COMPCHAR"), noTail = r.number(info, "NOTAILCHAR");
        long lossInfo = r.number(info, "LOSSINFO");
        l->desc.kind = kindOf(trans, expand, compress, sub);
        l->desc.number = number;
        l->desc.keyFactor = (sub || expand) ? 1 : 0;
        l->desc.expandMarker = (uint16_t)compChar;
        l->desc.noTailMarker = (uint16_t)noTail;
        l->desc.lossless = lossInfo > 0 ? 0 : 1;
        l->desc.owned = 1;
        if (r.ok() && l->desc.kind != COLLATE4_KIND_MACHINE) {
            if (l->desc.kind != COLLATE4_KIND_WEIGHTS) r.fail("kind cannot key a character tag");
            if (readWeights(r, weights, collStart, collEnd, l) &&
                readExpansions(r, expansions, compStart, compEnd, l))
                checkExpansions(r, l);
        }
    }
    for (DATA4 *d : {info, weights, expansions})
        if (d) d4close(d);
    return r.ok();
}

}  // namespace

COLLATE4 *collate4load(CODE4 *c, const char *folder, int number) {
    if (error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_I4OPEN)) return nullptr;
    if (c->errorCode < 0) return nullptr;
    Loaded *l = static_cast<Loaded *>(std::calloc(1, sizeof(Loaded)));
    if (!l) {
        error4(c, e4memory, E4_LOC_I4OPEN);
        return nullptr;
    }
    l->desc.weights = l->weights;
    l->desc.expansions = l->expansions;

    Reader r{c};
    bool loaded;
    int cause;
    {
        QuietReadOnly quiet(c);
        loaded = readCollation(r, folder, number, l);
        cause = c->errorCode;
        if (cause < 0) error4set(c, 0);
    }
    if (!loaded) {
        std::free(l);
        char code[16];
        std::snprintf(code, sizeof code, "%d", number);
        const char *why = r.failure ? r.failure : error4text(cause);
        error4describe(c, e4notSupported, E4_LOC_I4OPEN, "collation could not be loaded", code, why);
        return nullptr;
    }
    return &l->desc;
}

void collate4free(COLLATE4 *coll) {
    if (coll && coll->owned) std::free(reinterpret_cast<Loaded *>(coll));
}
