// Named calculations: expressions registered in the context under a name
// that other expressions call like a function without parameters. Each
// expression that calls one gets its own copy parsed from the calculation's
// source, so resetting the calculations never leaves an expression pointing
// at a freed one.
#include <cstdlib>
#include <cstring>

#include "expr4internal.h"
#include "foundation/code4.h"
#include "foundation/error4.h"

EXPR4CALC *expr4calcLookupLow(E4STATE *s, const char *name, int len);  // expr4function.cpp

namespace {

void calcFree(E4STATE *s, EXPR4CALC *calc) {
    l4remove(&s->calcs, &calc->link);
    expr4free(calc->expr);
    std::free(calc);
}

}  // namespace

int expr4calcCreate(CODE4 *c, EXPR4 *e, const char *name) {
    if (int rc = error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_EXPR4CALCCREATE)) return rc;
    if (!e || !name) return error4(c, e4parmNull, E4_LOC_EXPR4CALCCREATE);
    if (int rc = error4checkStamp(e, e->s4valid, E4_LOC_EXPR4CALCCREATE)) return rc;
    if (c->errorCode < 0) return -1;
    size_t len = std::strlen(name);
    if (len == 0 || len > (size_t)E4MAX_CALC_NAME || e->codeBase != c)
        return error4describe(c, e4parm, E4_LOC_EXPR4CALCCREATE, name, nullptr, nullptr);
    E4STATE *s = e4state(c);
    if (!s) return e4memory;
    EXPR4CALC *calc = static_cast<EXPR4CALC *>(std::calloc(1, sizeof(EXPR4CALC)));
    if (!calc) return error4(c, e4memory, E4_LOC_EXPR4CALCCREATE);
    for (size_t i = 0; i < len; i++) {
        char ch = name[i];
        calc->name[i] = (ch >= 'a' && ch <= 'z') ? (char)(ch - 'a' + 'A') : ch;
    }
    if (e->type == 'N' && e->numItems == 1) {
        // A bare numeric field is computed with as a double.
        e->items[0].row = E4R_FIELD_N_DOUBLE;
        e->items[0].handler = expr4functions()[E4R_FIELD_N_DOUBLE].handler;
        e->items[0].len = 8;
        e->type = 'n';
        e->len = 8;
    }
    calc->expr = e;
    // A new calculation replaces an older one of the same name.
    if (EXPR4CALC *old = expr4calcLookupLow(s, calc->name, (int)len)) {
        if (old->expr == e) old->expr = nullptr;
        calcFree(s, old);
    }
    l4add(&s->calcs, &calc->link);
    return 0;
}

EXPR4CALC *expr4calcLookup(CODE4 *c, const char *name) {
    if (error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_EXPR4CALCCREATE) || !name) return nullptr;
    E4STATE *s = static_cast<E4STATE *>(c->layerState[LAYER4_EXPRESSIONS]);
    return s ? expr4calcLookupLow(s, name, (int)std::strlen(name)) : nullptr;
}

void expr4calcReset(CODE4 *c) {
    if (error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_EXPR4CALCRESET)) return;
    E4STATE *s = static_cast<E4STATE *>(c->layerState[LAYER4_EXPRESSIONS]);
    if (!s) return;
    while (s->calcs.first) calcFree(s, reinterpret_cast<EXPR4CALC *>(s->calcs.first));
}
