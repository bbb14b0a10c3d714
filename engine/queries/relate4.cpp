// Creating, configuring, resetting and releasing relations: relate4init,
// relate4querySet, relate4sortSet, relate4skipEnable, relate4changed,
// relate4eof and relate4free. The texts of the query and the sort expression
// are checked when they are set (they must parse against the master table and
// read no field of another table) and kept as private copies; they are parsed
// again at each set-up.
#include <cstdlib>
#include <cstring>

#include "expressions/expressions.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "relate4internal.h"
#include "tables/data4.h"
#include "tables/field4.h"

namespace {

// code4initUndo releases the relations still on the context's list.
int relate4freeHook(RELATE4 *r) { return relate4free(r, 0); }

// Parse text against the master and check that it reads only the master's
// fields; the parse is then dropped. 0 or negative.
int relate4validate(RELATION4 *rel, const char *text, long location) {
    RELATE4 *r = &rel->relate;
    CODE4 *c = r->codeBase;
    EXPR4 *e = expr4parse(r->data, text);
    if (!e) {
        if (c->errorCode < 0) return c->errorCode;
        return error4describe(c, e4relate, location, text, nullptr, nullptr);
    }
    for (int i = 0; i < e->numItems; i++) {
        const FIELD4 *f = e->items[i].field;
        if (f && f->data != r->data) {
            char name[sizeof f->name + 1];
            std::memcpy(name, f->name, sizeof f->name);
            name[sizeof f->name] = 0;
            expr4free(e);
            return error4describe(c, e4relate, E4_MSG_RELATE_NO_DATA, text, name, nullptr);
        }
    }
    expr4free(e);
    return 0;
}

// Replace the query text (isSort 0) or the sort text (1) by a validated copy
// of text, or clear it for null or "".
int relate4textSet(RELATE4 *r, int isSort, const char *text, long location) {
    if (int rc = relate4check(r, location)) return rc;
    RELATION4 *rel = r->relation;
    char **slot = isSort ? &rel->sortSource : &rel->exprSource;
    relate4reset(rel);
    if (!text || !*text) {
        std::free(*slot);
        *slot = nullptr;
        return 0;
    }
    if (int rc = relate4validate(rel, text, location)) return rc;
    size_t len = std::strlen(text);
    char *copy = static_cast<char *>(std::malloc(len + 1));
    if (!copy) return error4(r->codeBase, e4memory, location);
    std::memcpy(copy, text, len + 1);
    std::free(*slot);
    *slot = copy;
    return 0;
}

}  // namespace

int relate4check(RELATE4 *r, long location) {
    if (int rc = error4checkStamp(r, r ? r->s4valid : 0, location)) return rc;
    if (r->codeBase->errorCode < 0) return -1;
    return 0;
}

void relate4reset(RELATION4 *rel) {
    relate4queryFree(rel);
    relate4sortEnd(rel);
    if (rel->sortExpr) {
        expr4free(rel->sortExpr);
        rel->sortExpr = nullptr;
    }
    rel->isInitialized = 0;
}

RELATE4 *relate4init(DATA4 *d) {
    if (error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_RELATE4INIT)) return nullptr;
    CODE4 *c = d->codeBase;
    if (c->errorCode < 0) return nullptr;
    auto *rel = static_cast<RELATION4 *>(std::calloc(1, sizeof(RELATION4)));
    if (!rel) {
        error4(c, e4memory, E4_LOC_RELATE4INIT);
        return nullptr;
    }
    RELATE4 *r = &rel->relate;
    r->s4valid = S4VALID;
    r->relation = rel;
    r->codeBase = c;
    r->data = d;
    rel->sortedFile.hand = -1;
    l4add(&c->relationList, &r->link);
    c->relationFreeHook = relate4freeHook;
    return r;
}

int relate4querySet(RELATE4 *r, const char *expr) {
    return relate4textSet(r, 0, expr, E4_LOC_RELATE4QUERYSET);
}

int relate4sortSet(RELATE4 *r, const char *expr) {
    return relate4textSet(r, 1, expr, E4_LOC_RELATE4SORTSET);
}

int relate4skipEnable(RELATE4 *r, int doEnable) {
    if (int rc = relate4check(r, E4_LOC_RELATE4SKIPENABLE)) return rc;
    RELATION4 *rel = r->relation;
    int flag = doEnable ? 1 : 0;
    if (flag != rel->skipBackwards) {
        relate4reset(rel);
        rel->skipBackwards = flag;
    }
    return 0;
}

int relate4changed(RELATE4 *r) {
    if (int rc = relate4check(r, E4_LOC_RELATE4CHANGED)) return rc;
    relate4reset(r->relation);
    return 0;
}

int relate4eof(RELATE4 *r) {
    if (int rc = relate4check(r, E4_LOC_RELATE4EOF)) return rc;
    RELATION4 *rel = r->relation;
    if (!rel->isInitialized) return error4(r->codeBase, e4relate, E4_MSG_RELATE_TOP_FIRST);
    if (rel->sortState == RELATE4_SORT_DONE) return rel->sortEofFlag;
    return d4eof(r->data);
}

int relate4free(RELATE4 *r, int closeFiles) {
    if (int rc = error4checkStamp(r, r ? r->s4valid : 0, E4_LOC_RELATE4FREE)) return rc;
    CODE4 *c = r->codeBase;
    RELATION4 *rel = r->relation;
    // A relation can be released after an error: work with a clear error
    // code and put the earlier failure back afterwards.
    int previous = error4set(c, 0);
    int result = 0;
    relate4reset(rel);
    if (closeFiles && r->data && d4close(r->data) < 0) result = -1;
    std::free(rel->exprSource);
    std::free(rel->sortSource);
    l4remove(&c->relationList, &r->link);
    r->s4valid = 0;
    std::free(rel);
    if (previous < 0) error4set(c, previous);
    return result;
}
