// Handlers that look at the record or the table rather than at operands:
// the deletion flag, the record count and number, and named calculations.
#include "func4.h"
#include "tables/data4.h"

void e4del(E4EVAL &r) {
    char *out = e4out(r);
    out[0] = (char)e4record(r.item)[0];
    *r.top++ = out;
}

void e4deleted(E4EVAL &r) {
    char *out = e4out(r);
    e4putLogical(out, e4record(r.item)[0] == '*');
    *r.top++ = out;
}

void e4reccount(E4EVAL &r) {
    char *out = e4out(r);
    long n = d4recCount(r.expr->data);
    e4putDouble(out, n < 0 ? 0.0 : (double)n);
    *r.top++ = out;
}

void e4recno(E4EVAL &r) {
    char *out = e4out(r);
    e4putDouble(out, (double)d4recNo(r.expr->data));
    *r.top++ = out;
}

void e4calc(E4EVAL &r) {
    // The calculation's own copy runs with registers of its own; the outer
    // evaluation's registers stay in this frame untouched.
    EXPR4 *calc = static_cast<EXPR4 *>(r.item->pointer);
    *r.top++ = e4run(calc, 0, calc->numItems - 1);
}
