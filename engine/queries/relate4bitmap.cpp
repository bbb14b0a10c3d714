// The query bitmap: records that cannot qualify, found through the tags of
// the master's open indexes, are never read.
//
// The query's postfix form becomes a tree: .AND. and .OR. nodes, and leaves
// for comparisons (=, <, <=, >, >=) whose left operand is exactly a tag's key
// expression and whose right operand is a constant. A leaf becomes a key
// range on its tag; leaves on one tag under one .AND. are intersected, under
// one .OR. united. Each range is marked by walking the tag between its bounds
// (or, when the range covers more than half of the tag, the keys outside
// it, and the bits are then flipped). Children are intersected under .AND.
// (children that cannot pre-select are left out) and united under .OR. (one
// such child makes the node select everything).
//
// The bitmap only narrows the candidates: every candidate is still tested
// against the whole query. So that nothing that qualifies is lost, bounds
// are always inclusive and compared over the constant's length (a superset
// of what xBase text comparisons accept); "#" and "<>" pre-select nothing;
// only tags that hold every record are used: no FOR, unique, candidate,
// descending or collated tags.
//
// Some selections are exact: "=" on a tag whose key is one character field
// (no null marker) holds precisely the records for which the comparison is
// true, since both compare the field's bytes over the constant's length (or
// the field's, when the constant is longer). A tree of exact leaves under
// .AND. and .OR. is exact as a whole, and counting its records then needs
// no record read.
//
// Layout: bit r of the array (r = 1 .. record count) set when record r is a
// candidate; records past the array's end are candidates.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "expressions/expr4internal.h"
#include "expressions/expressions.h"
#include "expressions/key4.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "indexes/d4tag.h"
#include "indexes/index4internal.h"
#include "relate4internal.h"
#include "tables/data4.h"

namespace {

using Bits = std::vector<uint64_t>;

// A key range on one tag: [lo, hi] compared over each bound's own length.
struct Range {
    TAG4 *tag = nullptr;
    bool hasLo = false, hasHi = false, empty = false;
    bool exact = false;   // holds exactly the records for which its comparisons are true
    std::string lo, hi;
};

// A node's selection: `all` when it cannot pre-select.
struct Selection {
    bool all = true;
    bool exact = false;   // the bits are the node's records, no more
    Bits bits;
};

struct Builder {
    RELATION4 *rel;
    DATA4 *d;
    EXPR4 *e;
    long count;
    size_t words;
};

int codeOf(const EXPR4ITEM &it) { return expr4functions()[it.row].code; }

// Whether items [aEnd - n + 1, aEnd] of a equal the whole of tag expression b.
bool sameExpression(const EXPR4 *a, int aEnd, const EXPR4 *b) {
    int n = b->numItems;
    if (a->items[aEnd].subtree != n) return false;
    int aStart = aEnd - n + 1;
    for (int i = 0; i < n; i++) {
        const EXPR4ITEM &x = a->items[aStart + i];
        const EXPR4ITEM &y = b->items[i];
        if (x.row != y.row || x.fieldNo != y.fieldNo || x.len != y.len || x.numParms != y.numParms ||
            x.subtree != y.subtree || x.i2 != y.i2)
            return false;
        if (x.row == E4R_CONST_C || x.row == E4R_CONST_N) {
            if (std::memcmp(a->constants + x.i1, b->constants + y.i1, x.len) != 0) return false;
        } else if (x.i1 != y.i1) {
            return false;
        }
        if (x.row == E4R_CALC) return false;
    }
    return true;
}

// Whether the subtree ending at end is a constant: literals and functions
// of literals, nothing that reads the record.
bool isConstant(const EXPR4 *e, int end) {
    int start = end - e->items[end].subtree + 1;
    if (start < 0) return false;
    for (int i = start; i <= end; i++) {
        const EXPR4ITEM &it = e->items[i];
        if (it.field || it.row == E4R_CALC) return false;
        if (it.row == E4R_CONST_C || it.row == E4R_CONST_N) continue;
        if (it.row < E4R_FUNCTION_FIRST || it.row > E4R_FUNCTION_LAST) return false;
        const char *name = expr4functions()[it.row].name;
        int code = codeOf(it);
        if (code == E4C_DEL || code == E4C_DELETED || (name && std::strcmp(name, "RECNO") == 0)) return false;
    }
    return true;
}

// A tag that holds one key for every record, usable for ranges.
bool usableTag(TAG4 *t) {
    TAG4FILE *tf = t->tagFile;
    unsigned char f = tf->header.typeFlags;
    if (f & (cdx::TYPE_FOR | cdx::TYPE_UNIQUE | cdx::TYPE_CANDIDATE)) return false;
    if (tf->header.descending || tf->collation || !tf->expr) return false;
    char k = tf->keyType;
    return k == 'C' || k == 'N' || k == 'n' || k == 'D' || k == 'd';
}

// Whether the tag's keys are one character field's bytes, as they stand in
// the record: "=" against a character constant then selects exactly.
bool plainTextKey(TAG4FILE *tf) {
    if (tf->keyType != 'C' || (tf->header.typeFlags & cdx::TYPE_NULL_MARKER)) return false;
    const EXPR4 *k = tf->expr;
    return k->numItems == 1 && k->items[0].row == E4R_FIELD_C && k->items[0].field &&
           (uint32_t)k->items[0].len == tf->header.keyLen;
}

// The constant at end as the tag's key bytes; false when the types do not
// match a way this code understands.
bool constantKey(Builder &b, int end, TAG4 *t, std::string &key) {
    TAG4FILE *tf = t->tagFile;
    char *value = nullptr;
    int len = expr4execute(b.e, end, &value);
    if (len < 0) return false;
    char ctype = expr4functions()[b.e->items[end].row].type;
    char ktype = tf->keyType;
    std::string prefix;
    if (tf->header.typeFlags & cdx::TYPE_NULL_MARKER) prefix.assign(1, (char)KEY4_NULL_MARKER);
    unsigned room = tf->header.keyLen - (unsigned)prefix.size();
    if (ktype == 'C') {
        if (ctype != 'C') return false;
        unsigned n = (unsigned)len < room ? (unsigned)len : room;
        key = prefix + std::string(value, n);
        return true;
    }
    bool numericKey = ktype == 'N' || ktype == 'n';
    bool dateKey = ktype == 'D' || ktype == 'd';
    bool numericConst = ctype == 'N' || ctype == 'n';
    bool dateConst = ctype == 'D' || ctype == 'd';
    if (!((numericKey && numericConst) || (dateKey && dateConst))) return false;
    unsigned char out[KEY4_DOUBLE_LEN];
    if (key4convert(ctype, value, len, out, sizeof out) != KEY4_DOUBLE_LEN) return false;
    key = prefix + std::string(reinterpret_cast<char *>(out), sizeof out);
    return true;
}

// A comparison leaf at entry end: its range, or false.
bool leafRange(Builder &b, int end, Range &r) {
    const EXPR4ITEM &it = b.e->items[end];
    int code = codeOf(it);
    if (code == E4C_EXACT_EQ) code = E4C_EQ;   // exact equality implies equality over the constant
    if (code != E4C_EQ && code != E4C_LT && code != E4C_LE && code != E4C_GT && code != E4C_GE) return false;
    if (it.numParms != 2) return false;
    int right = end - 1;
    int left = right - b.e->items[right].subtree;
    if (left < 0 || !isConstant(b.e, right)) return false;
    for (TAG4 *t = d4tagNext(b.d, nullptr); t; t = d4tagNext(b.d, t)) {
        if (!usableTag(t)) continue;
        TAG4FILE *tf = t4bind(t);
        if (!sameExpression(b.e, left, tf->expr)) continue;
        std::string key;
        if (!constantKey(b, right, t, key)) continue;
        r.tag = t;
        r.exact = codeOf(it) == E4C_EQ && plainTextKey(tf);
        if (code == E4C_EQ || code == E4C_GT || code == E4C_GE) r.hasLo = true, r.lo = key;
        if (code == E4C_EQ || code == E4C_LT || code == E4C_LE) r.hasHi = true, r.hi = key;
        return true;
    }
    return false;
}

// Compare a over b's length (a is a full key).
int prefixCompare(const std::string &a, const std::string &b) {
    return std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
}

void intersect(Range &into, const Range &r) {
    if (r.hasLo && (!into.hasLo || prefixCompare(r.lo, into.lo) > 0 ||
                    (prefixCompare(r.lo, into.lo) == 0 && r.lo.size() > into.lo.size())))
        into.hasLo = true, into.lo = r.lo;
    if (r.hasHi && (!into.hasHi || prefixCompare(r.hi, into.hi) < 0 ||
                    (prefixCompare(r.hi, into.hi) == 0 && r.hi.size() > into.hi.size())))
        into.hasHi = true, into.hi = r.hi;
    // lo above hi on their common length proves the range empty.
    if (into.hasLo && into.hasHi && prefixCompare(into.lo, into.hi) > 0) into.empty = true;
}

void setBit(void *bits, uint32_t r) {
    Bits &b = *static_cast<Bits *>(bits);
    if ((size_t)(r >> 6) < b.size()) b[r >> 6] |= (uint64_t)1 << (r & 63);
}

// Where the keys at or above lo begin (the top when there is no lo).
int spotLo(TAG4FILE *tf, const Range &r, TAG4SPOT *spot) {
    int rc = r.hasLo ? tfile4seek(tf, reinterpret_cast<const unsigned char *>(r.lo.data()), (int)r.lo.size())
                     : tfile4top(tf);
    if (rc < 0) return rc;
    *spot = tfile4spot(tf);
    return 0;
}

// Where the keys above hi begin: the first key at or above the next greater
// value of hi's bytes. *past: no key is above (or there is no hi).
int spotAbove(TAG4FILE *tf, const Range &r, TAG4SPOT *spot, bool *past) {
    *past = true;
    if (!r.hasHi) return 0;
    std::string above = r.hi;
    int last = (int)above.size() - 1;
    while (last >= 0 && (unsigned char)above[last] == 0xFF) last--;
    if (last < 0) return 0;
    above.resize((size_t)last + 1);
    above[last] = (char)((unsigned char)above[last] + 1);
    int rc = tfile4seek(tf, reinterpret_cast<const unsigned char *>(above.data()), (int)above.size());
    if (rc < 0) return rc;
    *past = tfile4eof(tf) != 0;
    *spot = tfile4spot(tf);
    return 0;
}

// Marks the records from the tag's place up to end (null: the last key).
int mark(TAG4FILE *tf, const TAG4SPOT *end, Bits &bits) {
    long n = tfile4visit(tf, end, setBit, &bits);
    CODE4 *c = tf->codeBase;
    return n < 0 ? (c->errorCode < 0 ? c->errorCode : -1) : 0;
}

// The selection of one range, walking the smaller side of the tag: the keys
// between the bounds, or, when they are more than half of the tag, the keys
// outside them, and the bits are then flipped.
int rangeBits(Builder &b, const Range &r, Selection &out) {
    out.all = false;
    out.exact = r.exact;
    out.bits.assign(b.words, 0);
    if (r.empty) return 0;
    TAG4FILE *tf = t4bind(r.tag);
    TAG4SPOT lo{}, above{};
    bool noneAbove = true;
    if (int rc = spotAbove(tf, r, &above, &noneAbove)) return rc;
    double to = noneAbove ? 1.0 : tfile4position(tf);
    if (int rc = spotLo(tf, r, &lo)) return rc;
    double from = tfile4eof(tf) ? 1.0 : tfile4position(tf);
    if (to - from <= 0.5) return mark(tf, noneAbove ? nullptr : &above, out.bits);
    Bits outside(b.words, 0);
    if (r.hasLo) {
        if (int rc = tfile4top(tf)) return rc;
        if (int rc = mark(tf, &lo, outside)) return rc;
    }
    if (!noneAbove) {
        TAG4SPOT again{};
        bool none = true;
        if (int rc = spotAbove(tf, r, &again, &none)) return rc;
        if (int rc = mark(tf, nullptr, outside)) return rc;
    }
    for (size_t i = 0; i < b.words; i++) out.bits[i] = ~outside[i];
    return 0;
}

int nodeSelection(Builder &b, int end, Selection &out);

// The operands of the n-ary entry at end, by their last entries.
std::vector<int> operands(const EXPR4 *e, int end) {
    std::vector<int> out;
    int pos = end - 1;
    for (int k = 0; k < e->items[end].numParms && pos >= 0; k++) {
        out.push_back(pos);
        pos -= e->items[pos].subtree;
    }
    return out;
}

int combine(Builder &b, int end, bool isAnd, Selection &out) {
    std::vector<Range> ranges;
    std::vector<int> others;
    for (int child : operands(b.e, end)) {
        Range r;
        if (leafRange(b, child, r)) {
            bool merged = false;
            for (Range &m : ranges) {
                if (m.tag != r.tag) continue;
                if (isAnd) {
                    intersect(m, r);
                    m.exact = m.exact && r.exact;
                    merged = true;
                }
                break;
            }
            if (!merged) ranges.push_back(r);
        } else {
            others.push_back(child);
        }
    }
    out.all = true;
    std::vector<Selection> parts;
    bool exact = true;   // every child selects exactly (none left out)
    for (const Range &r : ranges) {
        Selection s;
        if (int rc = rangeBits(b, r, s)) return rc;
        exact = exact && s.exact;
        parts.push_back(std::move(s));
    }
    for (int child : others) {
        Selection s;
        if (int rc = nodeSelection(b, child, s)) return rc;
        if (s.all && !isAnd) return 0;   // an .OR. with an unknown child: everything
        exact = exact && !s.all && s.exact;
        if (!s.all) parts.push_back(std::move(s));
    }
    for (Selection &s : parts) {
        if (out.all) {
            out = std::move(s);
            continue;
        }
        for (size_t i = 0; i < b.words; i++) out.bits[i] = isAnd ? (out.bits[i] & s.bits[i]) : (out.bits[i] | s.bits[i]);
    }
    out.exact = !out.all && exact;
    return 0;
}

int nodeSelection(Builder &b, int end, Selection &out) {
    out.all = true;
    const EXPR4ITEM &it = b.e->items[end];
    if (it.row == E4R_AND) return combine(b, end, true, out);
    if (it.row == E4R_OR) return combine(b, end, false, out);
    Range r;
    if (leafRange(b, end, r)) return rangeBits(b, r, out);
    return 0;
}

}  // namespace

void relate4bitmapFree(RELATION4 *rel) {
    std::free(rel->bitmap);
    rel->bitmap = nullptr;
    rel->bitmapRecords = 0;
    rel->bitmapExact = 0;
}

int relate4bitmapBuild(RELATION4 *rel) {
    relate4bitmapFree(rel);
    DATA4 *d = rel->relate.data;
    EXPR4 *e = rel->exprQuery;
    if (!e || e->numItems < 1 || !d4tagNext(d, nullptr)) return 0;
    CODE4 *c = rel->relate.codeBase;
    long count = d4recCount(d);
    if (count <= 0) return count < 0 ? (int)count : 0;
    Builder b{rel, d, e, count, (size_t)(count + 1) / 64 + 1};
    Selection s;
    int rc = nodeSelection(b, e->numItems - 1, s);
    if (rc < 0 || c->errorCode < 0) {
        // The tags could not be read: no pre-selection, every record a
        // candidate, and the failure stays reported.
        return c->errorCode < 0 ? c->errorCode : rc;
    }
    if (s.all) return 0;
    rel->bitmap = static_cast<uint64_t *>(std::malloc(b.words * sizeof(uint64_t)));
    if (!rel->bitmap) return error4(c, e4memory, E4_LOC_RELATE4QUERY);
    std::memcpy(rel->bitmap, s.bits.data(), b.words * sizeof(uint64_t));
    rel->bitmapRecords = count;
    rel->bitmapExact = s.exact ? 1 : 0;
    return 0;
}

long relate4bitmapCount(const RELATION4 *rel) {
    long n = 0;
    long last = rel->bitmapRecords;
    for (size_t w = 0; w <= (size_t)last >> 6; w++) {
        uint64_t word = rel->bitmap[w];
        if (w == 0) word &= ~(uint64_t)1;   // bit 0 stands for no record
        if (w == (size_t)last >> 6 && (last & 63) != 63) word &= ((uint64_t)1 << ((last & 63) + 1)) - 1;
        n += __builtin_popcountll(word);
    }
    return n;
}

int relate4candidate(const RELATION4 *rel, long r) {
    if (!rel->bitmap || r < 1 || r > rel->bitmapRecords) return 1;
    return (rel->bitmap[(size_t)r >> 6] >> (r & 63)) & 1;
}

long relate4candidateNext(const RELATION4 *rel, long from, int dir) {
    if (!rel->bitmap) return from;
    long r = from;
    if (dir > 0) {
        while (r >= 1 && r <= rel->bitmapRecords) {
            uint64_t word = rel->bitmap[(size_t)r >> 6] >> (r & 63);
            if (word) return r + __builtin_ctzll(word);
            r = (r | 63) + 1;
        }
        return r;
    }
    while (r >= 1 && r <= rel->bitmapRecords) {
        if (relate4candidate(rel, r)) return r;
        r--;
    }
    return r;
}
