// The expression layer's per-context state: settings, named calculations,
// the live expressions and the key buffer. It is created on first use and
// released by code4initUndo through the layer's release hook.
#include <cstdlib>

#include "expr4internal.h"
#include "foundation/code4.h"
#include "foundation/error4.h"

namespace {

void e4release(CODE4 *c) {
    E4STATE *s = static_cast<E4STATE *>(c->layerState[LAYER4_EXPRESSIONS]);
    if (!s) return;
    expr4calcReset(c);
    // Expressions still alive belong to the context and go with it.
    while (s->exprs.first) expr4free(reinterpret_cast<EXPR4 *>(s->exprs.first));
    std::free(s->keyBuf);
    std::free(s);
    c->layerState[LAYER4_EXPRESSIONS] = nullptr;
    c->layerReleaseHooks[LAYER4_EXPRESSIONS] = nullptr;
}

}  // namespace

E4STATE *e4state(CODE4 *c) {
    E4STATE *s = static_cast<E4STATE *>(c->layerState[LAYER4_EXPRESSIONS]);
    if (s) return s;
    s = static_cast<E4STATE *>(std::calloc(1, sizeof(E4STATE)));
    if (!s) {
        error4(c, e4memory, E4_LOC_EXPR4PARSE);
        return nullptr;
    }
    s->exprError = 1;
    s->memSizeMemoExpr = 1024;
    c->layerState[LAYER4_EXPRESSIONS] = s;
    c->layerReleaseHooks[LAYER4_EXPRESSIONS] = e4release;
    return s;
}

unsigned char *e4keyBuffer(CODE4 *c, uint32_t len) {
    E4STATE *s = e4state(c);
    if (!s) return nullptr;
    if (len + 1 > s->keyCap) {
        uint32_t want = len + 1 < 256 ? 256 : len + 1;
        unsigned char *p = static_cast<unsigned char *>(std::realloc(s->keyBuf, want));
        if (!p) {
            error4(c, e4memory, E4_LOC_EXPR4KEY);
            return nullptr;
        }
        s->keyBuf = p;
        s->keyCap = want;
    }
    return s->keyBuf;
}

int code4exprError(CODE4 *c, int value) {
    if (int rc = error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_EXPR4PARSE)) return rc;
    E4STATE *s = e4state(c);
    if (!s) return e4memory;
    int previous = s->exprError;
    if (value >= 0) s->exprError = value ? 1 : 0;
    return previous;
}

long code4memSizeMemoExpr(CODE4 *c, long value) {
    if (int rc = error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_EXPR4PARSE)) return rc;
    E4STATE *s = e4state(c);
    if (!s) return e4memory;
    long previous = (long)s->memSizeMemoExpr;
    if (value > 0) s->memSizeMemoExpr = (uint32_t)(value > (long)E4MAX_RESULT_LEN ? (long)E4MAX_RESULT_LEN : value);
    return previous;
}
