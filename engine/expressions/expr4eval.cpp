// The evaluator: runs the entries' handlers in postfix order over a result
// stack and registers that live in this call's frame, so evaluations on
// different threads share nothing. Also the results as number, logical and
// text, rebinding to another handle, and the accessors.
#include <cstdlib>
#include <cstring>

#include "expr4internal.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "tables/data4.h"
#include "tables/date4.h"
#include "tables/field4.h"

char *e4run(EXPR4 *e, int first, int last) {
    char *stack[E4MAX_PENDING + 2];
    E4EVAL r;
    r.top = stack;
    r.constants = e->constants;
    r.expr = e;
    r.work = e->work;
    EXPR4ITEM *items = e->items;
    for (int i = first; i <= last; i++) {
        r.item = &items[i];
        r.item->handler(r);
    }
    return stack[0];
}

namespace {

int checkExpr(EXPR4 *e, long location) {
    if (int rc = error4checkStamp(e, e ? e->s4valid : 0, location)) return rc;
    if (e->codeBase->errorCode < 0) return -1;
    return 0;
}

void rebind(EXPR4 *e, DATA4 *d) {
    for (int i = 0; i < e->numItems; i++) {
        EXPR4ITEM &it = e->items[i];
        if (it.row == E4R_CALC) {
            rebind(static_cast<EXPR4 *>(it.pointer), d);
            continue;
        }
        int16_t code = expr4functions()[it.row].code;
        if (it.field && it.ownTable) {
            it.field = d4fieldJ(d, it.fieldNo);
            if (!e->tag) it.pointer = &d->record;
        } else if ((code == E4C_DEL || code == E4C_DELETED) && !e->tag) {
            it.pointer = &d->record;
        }
    }
    e->data = d;
    e->record = d->record;
}

void recordSet(EXPR4 *e, unsigned char *record) {
    e->record = record;
    for (int i = 0; i < e->numItems; i++)
        if (e->items[i].row == E4R_CALC) recordSet(static_cast<EXPR4 *>(e->items[i].pointer), record);
}

}  // namespace

int expr4vary(EXPR4 *e, char **result) {
    if (!result) return error4(e && e->s4valid == S4VALID ? e->codeBase : nullptr, e4parmNull, E4_LOC_EXPR4VARY);
    if (int rc = checkExpr(e, E4_LOC_EXPR4VARY)) return rc;
    *result = e4run(e, 0, e->numItems - 1);
    return (int)e->len;
}

int expr4execute(EXPR4 *e, int entry, char **result) {
    if (!result) return error4(e && e->s4valid == S4VALID ? e->codeBase : nullptr, e4parmNull, E4_LOC_EXPR4EXECUTE);
    if (int rc = checkExpr(e, E4_LOC_EXPR4EXECUTE)) return rc;
    if (entry < 0 || entry >= e->numItems) return error4(e->codeBase, e4parm, E4_LOC_EXPR4EXECUTE);
    const EXPR4ITEM &it = e->items[entry];
    *result = e4run(e, entry - it.subtree + 1, entry);
    return (int)it.len;
}

double expr4double(EXPR4 *e) {
    char *value = nullptr;
    int len = expr4vary(e, &value);
    if (len < 0) return 0.0;
    switch (e->type) {
        case 'C':
        case 'N': return c4atod(value, len);
        case 'D': {
            long day = date4long(value);
            return day < 0 ? 0.0 : (double)day;
        }
        case 'd':
        case 'n': return e4getDouble(value);
        default: return 0.0;
    }
}

int expr4true(EXPR4 *e) {
    if (int rc = checkExpr(e, E4_LOC_EXPR4TRUE)) return rc;
    if (e->type != 'L') return error4describe(e->codeBase, e4result, E4_LOC_EXPR4TRUE, e->source, nullptr, nullptr);
    char *value = e4run(e, 0, e->numItems - 1);
    return e4getLogical(value) != 0 ? 1 : 0;
}

const char *expr4str(EXPR4 *e) {
    if (checkExpr(e, E4_LOC_EXPR4STR)) return nullptr;
    if (e->type != 'C' && e->type != 'D') {
        error4(e->codeBase, e4parm, E4_LOC_EXPR4STR);
        return nullptr;
    }
    char *value = e4run(e, 0, e->numItems - 1);
    // The final entry's place holds the text and one more byte for the NUL.
    char *place = e->work + e->items[e->numItems - 1].resultPos;
    if (value != place) std::memmove(place, value, e->len);
    place[e->len] = 0;
    return place;
}

int expr4context(EXPR4 *e, DATA4 *d) {
    if (int rc = error4checkStamp(e, e ? e->s4valid : 0, E4_LOC_EXPR4CONTEXT)) return rc;
    if (int rc = error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_EXPR4CONTEXT)) return rc;
    if (d->dataFile != e->dataFile) return error4(e->codeBase, e4parm, E4_LOC_EXPR4CONTEXT);
    rebind(e, d);
    return 0;
}

int expr4recordSet(EXPR4 *e, unsigned char *record) {
    if (int rc = error4checkStamp(e, e ? e->s4valid : 0, E4_LOC_EXPR4CONTEXT)) return rc;
    if (!record) return error4(e->codeBase, e4parmNull, E4_LOC_EXPR4CONTEXT);
    recordSet(e, record);
    return 0;
}

void expr4free(EXPR4 *e) {
    if (!e || e->s4valid != S4VALID) return;
    for (int i = 0; i < e->numItems; i++)
        if (e->items[i].row == E4R_CALC && e->items[i].pointer) expr4free(static_cast<EXPR4 *>(e->items[i].pointer));
    if (!e->owned) {
        E4STATE *s = static_cast<E4STATE *>(e->codeBase->layerState[LAYER4_EXPRESSIONS]);
        if (s) l4remove(&s->exprs, &e->link);
    }
    std::free(e->work);
    e->s4valid = 0;
    std::free(e);
}

int expr4len(const EXPR4 *e) { return e && e->s4valid == S4VALID ? (int)e->len : -1; }
int expr4type(const EXPR4 *e) { return e && e->s4valid == S4VALID ? e->type : 0; }
const char *expr4source(const EXPR4 *e) { return e && e->s4valid == S4VALID ? e->source : ""; }
int expr4nullable(const EXPR4 *e) { return e && e->s4valid == S4VALID ? e->hasNullable : 0; }

int expr4readsMemo(const EXPR4 *e) {
    if (!e || e->s4valid != S4VALID) return 0;
    for (int i = 0; i < e->numItems; i++) {
        const EXPR4ITEM &it = e->items[i];
        if (it.row == E4R_CALC && expr4readsMemo(static_cast<const EXPR4 *>(it.pointer))) return 1;
        if (it.field && it.field->memo) return 1;
    }
    return 0;
}
