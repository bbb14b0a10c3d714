// Handlers of logic, arithmetic and date arithmetic. Logical values are
// 4-byte integers, numbers and day numbers 8-byte doubles. .AND. and .OR.
// look at every operand (their operands are evaluated anyway).
#include <cmath>

#include "func4.h"

void e4true(E4EVAL &r) {
    char *out = e4out(r);
    e4putLogical(out, 1);
    *r.top++ = out;
}

void e4false(E4EVAL &r) {
    char *out = e4out(r);
    e4putLogical(out, 0);
    *r.top++ = out;
}

void e4not(E4EVAL &r) {
    char *out = e4out(r);
    int32_t v = e4getLogical(e4arg(r, 0, 1));
    e4putLogical(out, v == 0);
    e4push(r, 1, out);
}

void e4or(E4EVAL &r) {
    int n = r.item->numParms;
    int32_t any = 0;
    for (int k = 0; k < n; k++) any |= e4getLogical(e4arg(r, k, n)) != 0;
    char *out = e4out(r);
    e4putLogical(out, any);
    e4push(r, n, out);
}

void e4and(E4EVAL &r) {
    int n = r.item->numParms;
    int32_t all = 1;
    for (int k = 0; k < n; k++) all &= e4getLogical(e4arg(r, k, n)) != 0;
    char *out = e4out(r);
    e4putLogical(out, all);
    e4push(r, n, out);
}

namespace {
// Two doubles in, one double out.
template <typename Op>
inline void binary(E4EVAL &r, Op op) {
    double a = e4getDouble(e4arg(r, 0, 2)), b = e4getDouble(e4arg(r, 1, 2));
    char *out = e4out(r);
    e4putDouble(out, op(a, b));
    e4push(r, 2, out);
}
}  // namespace

void e4add(E4EVAL &r) { binary(r, [](double a, double b) { return a + b; }); }
void e4sub(E4EVAL &r) { binary(r, [](double a, double b) { return a - b; }); }
void e4multiply(E4EVAL &r) { binary(r, [](double a, double b) { return a * b; }); }
void e4divide(E4EVAL &r) { binary(r, [](double a, double b) { return b == 0 ? 0.0 : a / b; }); }
void e4power(E4EVAL &r) { binary(r, [](double a, double b) { return std::pow(a, b); }); }

// A blank date (day 0) stays blank under arithmetic.
void e4addNumDate(E4EVAL &r) { binary(r, [](double n, double d) { return d == 0 ? 0.0 : n + d; }); }
void e4addDateNum(E4EVAL &r) { binary(r, [](double d, double n) { return d == 0 ? 0.0 : d + n; }); }
void e4subDateNum(E4EVAL &r) { binary(r, [](double d, double n) { return d == 0 ? 0.0 : d - n; }); }
void e4subDates(E4EVAL &r) { binary(r, [](double a, double b) { return a == 0 || b == 0 ? 0.0 : a - b; }); }
