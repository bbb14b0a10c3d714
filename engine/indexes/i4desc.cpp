// Tag descriptions (TAG4DESC) checked and made into tags.
//
//   name         cut to 10 characters, upper-cased; empty: -350
//   unique       0 none; 15, -360 candidate (0x04); 20, 25, -340 unique (0x01);
//                anything else -350
//   descending   0, or 10 (descending flag); anything else -350
//   expression   required (-350); parsed against the table; a null-capable
//                field read sets 0x02 (not for candidates); its text with
//                the zero byte at most 255 bytes (-350); the key must leave
//                room for two entries in a branch (-310)
//   filter       empty or absent: none; else 0x08, parsed, logical (else
//                -20), at most 255 bytes with its zero byte (-350)
//   collation    none (machine), or GENERAL / CB1..CB4 for the table's code
//                page (character keys only are collated)
// Expressions over memo fields are refused (-350): their old keys cannot be
// computed when a record changes, so such tags could not be kept right.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "collate4.h"
#include "expressions/expressions.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "i4file.h"
#include "index4internal.h"
#include "tables/data4.h"

namespace {

int invalid(CODE4 *c, const char *name, const char *why) {
    return error4describe(c, e4tagInfo, E4_LOC_I4CREATE, name, why, nullptr);
}

unsigned char flagsOf(int unique) {
    switch (unique) {
    case 0:
        return 0;
    case r4candidate:
    case e4candidate:
        return cdx::TYPE_CANDIDATE;
    case r4unique:
    case r4uniqueContinue:
    case e4unique:
        return cdx::TYPE_UNIQUE;
    default:
        return 0xFF;
    }
}

EXPR4 *parse(TAG4FILE *t, DATA4 *d, const char *source) {
    EXPR4 *e = expr4parseTag(d, source, t);
    if (!e && t->codeBase->errorCode >= 0) error4describe(t->codeBase, e4tagInfo, E4_LOC_I4CREATE, t->alias, source, nullptr);
    return e;
}

// The collation named for a new tag: 0 and *coll (null: machine order).
int collationNamed(TAG4FILE *t, DATA4 *d, const char *given, const COLLATE4 **coll) {
    *coll = nullptr;
    std::memset(t->header.collation, 0, cdx::COLLATION_LEN);
    if (!given || !*given) return 0;
    std::string name(given);
    for (char &ch : name) ch = (char)std::toupper((unsigned char)ch);
    if (name == "MACHINE") return 0;
    if (name.size() >= cdx::COLLATION_LEN) return invalid(t->codeBase, t->alias, given);
    std::memcpy(t->header.collation, name.data(), name.size());
    return collate4find(t->codeBase, t->header.collation, d4codePage(d), coll);
}

int describe(TAG4FILE *t, DATA4 *d, const TAG4DESC *desc) {
    CODE4 *c = t->codeBase;
    cdx::TagHeader &h = t->header;
    unsigned char unique = flagsOf(desc->unique);
    if (unique == 0xFF) return invalid(c, t->alias, "unique code");
    if (desc->descending != 0 && desc->descending != r4descending) return invalid(c, t->alias, "descending code");
    if (!desc->expression || !*desc->expression) return invalid(c, t->alias, "no key expression");
    if (std::strlen(desc->expression) + 1 > 255) return invalid(c, t->alias, desc->expression);
    const char *filter = desc->filter && *desc->filter ? desc->filter : nullptr;
    if (filter && std::strlen(filter) + 1 > 255) return invalid(c, t->alias, filter);
    h.typeFlags = (unsigned char)(cdx::TYPE_COMPACT | cdx::TYPE_COMPOUND | unique);
    h.signature = 1;
    h.descending = desc->descending ? 1 : 0;
    const COLLATE4 *coll = nullptr;
    if (int rc = collationNamed(t, d, desc->collation, &coll)) return rc;
    t->collation = coll;
    if (!(t->expr = parse(t, d, desc->expression))) return -1;
    t->keyType = (char)expr4type(t->expr);
    if (expr4readsMemo(t->expr)) return invalid(c, t->alias, "the key reads a memo field");
    if (expr4nullable(t->expr) && !(unique & cdx::TYPE_CANDIDATE)) h.typeFlags |= cdx::TYPE_NULL_MARKER;
    int keyLen = expr4keyLen(t->expr);
    if (keyLen < 0) return keyLen;
    if (keyLen < 1 || cdx::branchCapacity(cdx::DEFAULT_BLOCK, (unsigned)keyLen) < 2)
        return error4describe(c, e4index, E4_MSG_KEY_TOO_LARGE, t->alias, desc->expression, nullptr);
    h.keyLen = (unsigned)keyLen;
    if (filter) {
        h.typeFlags |= cdx::TYPE_FOR;
        if (!(t->filter = parse(t, d, filter))) return -1;
        if (expr4type(t->filter) != 'L')
            return error4describe(c, e4create, E4_LOC_I4CREATE, t->alias, filter, nullptr);
        if (expr4readsMemo(t->filter)) return invalid(c, t->alias, "the FOR expression reads a memo field");
    }
    h.exprPos = 0;
    h.exprLen = (unsigned)std::strlen(expr4source(t->expr)) + 1;
    h.forPos = h.exprLen;
    h.forLen = filter ? (unsigned)std::strlen(expr4source(t->filter)) + 1 : 1;
    t->pad = t->keyType == 'C' && !t->collation ? ' ' : 0;
    return 0;
}

}  // namespace

TAG4FILE *i4tagMake(INDEX4FILE *owner, DATA4 *d, const TAG4DESC *desc) {
    CODE4 *c = d->codeBase;
    auto *t = static_cast<TAG4FILE *>(std::calloc(1, sizeof(TAG4FILE)));
    if (!t) return error4(c, e4memory, E4_LOC_I4CREATE), nullptr;
    t->s4valid = S4VALID;
    t->indexFile = owner;
    t->codeBase = c;
    size_t n = 0;
    for (const char *name = desc->name; name && name[n] && n < cdx::TAG_NAME_MAX; n++)
        t->alias[n] = (char)std::toupper((unsigned char)name[n]);
    t->alias[n] = 0;
    int rc = n ? describe(t, d, desc) : invalid(c, desc->name ? desc->name : "", "no tag name");
    if (rc == 0 && !(t->scratch = static_cast<unsigned char *>(std::malloc(2 * t->header.keyLen + 2))))
        rc = error4(c, e4memory, E4_LOC_I4CREATE);
    if (rc != 0) {
        if (c->errorCode >= 0) error4describe(c, e4tagInfo, E4_LOC_I4CREATE, t->alias, nullptr, nullptr);
        tfile4free(t);
        return nullptr;
    }
    return t;
}

int i4uniqueCode(const TAG4FILE *t) {
    if (t->header.typeFlags & cdx::TYPE_CANDIDATE) return r4candidate;
    if (t->header.typeFlags & cdx::TYPE_UNIQUE) return r4uniqueContinue;
    return 0;
}
