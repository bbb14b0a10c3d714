// Function calls: the parameter list, the folding of constant parameters
// into the call's entry (lengths, offsets, decimals, fill digits), and the
// entries of named calculations.
#include <cmath>
#include <cstring>

#include "expr4parse.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "tables/field4.h"

namespace {

constexpr int kMaxRecorded = 8;  // parameters whose start is remembered

struct Params {
    int count;
    int start[kMaxRecorded + 1];  // first entry of each parameter; start[count] = end
};

// The parameter as a single numeric constant: 0 and *value, or -425.
int foldValue(E4PARSE &p, const Params &ps, int k, double *value) {
    if (ps.start[k + 1] - ps.start[k] != 1 || p.items[ps.start[k]].row != E4R_CONST_N)
        return e4parseError(p, e4notConstant);
    std::memcpy(value, p.consts + p.items[ps.start[k]].i1, sizeof *value);
    return 0;
}

// A folded length: negative becomes `negative`, above the bound is -440.
int foldLength(E4PARSE &p, double v, long negative, long *out) {
    if (std::isnan(v)) v = 0;
    if (v < 0) {
        *out = negative;
        return 0;
    }
    if (v > (double)E4MAX_CONSTANT_LEN) return e4parseError(p, e4overflow);
    *out = (long)v;
    return 0;
}

// A folded offset or clipped length: any value, clamped into int32.
int32_t foldClamp(double v) { return (int32_t)e4clampLong(std::trunc(v), -2147483647L, 2147483647L); }

bool equalNoCase(const char *a, const char *b, int n) {
    for (int i = 0; i < n; i++) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = (char)(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = (char)(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

EXPR4CALC *calcLookup(E4STATE *s, const char *name, int len) {
    if (len > E4MAX_CALC_NAME) return nullptr;
    for (LINK4 *l = l4first(&s->calcs); l; l = l4next(l)) {
        EXPR4CALC *calc = reinterpret_cast<EXPR4CALC *>(l);
        if ((int)std::strlen(calc->name) == len && equalNoCase(calc->name, name, len)) return calc;
    }
    return nullptr;
}

// Checks the parameter count of the functions whose constants are folded.
bool foldCountOk(int code, int n) {
    switch (code) {
        case E4C_SPACE: return n == 1;
        case E4C_STR: return n >= 1 && n <= 3;
        case E4C_STRZERO: return n == 2 || n == 3;
        case E4C_SUBSTR: return n == 2 || n == 3;
        case E4C_LEFT: case E4C_RIGHT: case E4C_PADL: case E4C_PADR: return n == 2;
        case E4C_DATETIME: return n >= 3 && n <= 6;
        case E4C_DTOC: return n == 1 || n == 2;
        default: return true;
    }
}

}  // namespace

EXPR4CALC *expr4calcLookupLow(E4STATE *s, const char *name, int len) { return calcLookup(s, name, len); }

int expr4parseFunction(E4PARSE &p, int nameStart, int nameLen) {
    int row = e4lookup(p.src + nameStart, nameLen, nameLen, E4R_FUNCTION_FIRST, E4R_FUNCTION_LAST);
    EXPR4CALC *calc = nullptr;
    if (row < 0) {
        calc = calcLookup(p.state, p.src + nameStart, nameLen);
        if (!calc) return e4parseError(p, e4unrecFunction);
        row = E4R_CALC;
    }
    const EXPR4FUNC &f = expr4functions()[row];

    // The parameter list.
    if (int rc = s4stackPush(p, E4MARK_OPEN)) return rc;
    p.pos++;  // "("
    Params ps{};
    e4skipBlanks(p);
    if (p.pos < p.len && p.src[p.pos] == ')') {
        p.pos++;
    } else {
        for (;;) {
            e4skipBlanks(p);
            if (p.pos >= p.len) return e4parseError(p, e4rightMissing);
            if (ps.count < kMaxRecorded) ps.start[ps.count] = p.numItems;
            if (int rc = expr4parseExpr(p)) return rc;
            e4skipBlanks(p);
            ps.count++;
            if (p.pos >= p.len) return e4parseError(p, e4rightMissing);
            if (p.src[p.pos] == ')') {
                p.pos++;
                break;
            }
            if (p.src[p.pos] != ',') return e4parseError(p, e4commaExpected);
            p.pos++;
        }
    }
    s4stackPop(p);  // the open-bracket marker
    if (ps.count <= kMaxRecorded) ps.start[ps.count] = p.numItems;

    int code = f.code;
    if (!foldCountOk(code, ps.count)) return e4parseError(p, e4numParms);

    // Fold constant parameters into the call's entry.
    int numParms = ps.count;
    long len = -1;  // the folded result length, -1 when the type pass computes it
    int32_t i1 = 0;
    double v = 0;
    switch (code) {
        case E4C_SPACE:
            if (int rc = foldValue(p, ps, 0, &v)) return rc;
            if (int rc = foldLength(p, v, 0, &len)) return rc;
            break;
        case E4C_STR: {
            const EXPR4ITEM *first = &p.items[ps.start[0]];
            if (ps.count == 1 && ps.start[1] - ps.start[0] == 1 &&
                (first->row == E4R_FIELD_W || first->row == E4R_FIELD_O) && first->field) {
                row = E4R_STR_W;
                len = first->field->len;
                break;
            }
            long decimals = 0, width = 10;
            if (ps.count == 3) {
                if (int rc = foldValue(p, ps, 2, &v)) return rc;
                decimals = foldClamp(v);
            }
            if (ps.count >= 2) {
                if (int rc = foldValue(p, ps, 1, &v)) return rc;
                if (int rc = foldLength(p, v, 10, &width)) return rc;
            }
            if (decimals + 1 >= width) decimals = width - 2;
            if (decimals < 0) decimals = 0;
            len = width;
            i1 = (int32_t)decimals;
            numParms = 1;
            break;
        }
        case E4C_STRZERO: {
            long digit = 0;
            if (ps.count == 3) {
                if (int rc = foldValue(p, ps, 2, &v)) return rc;
                if (!(v >= 0 && v <= 9)) return e4parseError(p, e4notConstant);
                digit = (long)v;
            }
            if (int rc = foldValue(p, ps, 1, &v)) return rc;
            if (int rc = foldLength(p, v, 0, &len)) return rc;
            i1 = (int32_t)digit;
            numParms = 1;
            break;
        }
        case E4C_RIGHT: {
            if (int rc = foldValue(p, ps, 1, &v)) return rc;
            const EXPR4ITEM &s = p.items[ps.start[0]];
            if (ps.start[1] - ps.start[0] != 1 || (!s.field && s.row != E4R_CONST_C))
                return e4parseError(p, e4notConstant);
            int32_t n = foldClamp(v);
            if (n < 0) n = 0;
            len = n;
            i1 = (int32_t)((int64_t)s.len - n < INT32_MIN ? INT32_MIN : (int64_t)s.len - n);
            numParms = 1;
            break;
        }
        case E4C_PADL:
        case E4C_PADR:
            if (int rc = foldValue(p, ps, 1, &v)) return rc;
            if (int rc = foldLength(p, v, 0, &len)) return rc;
            numParms = 1;
            break;
        case E4C_SUBSTR: {
            int32_t count = INT32_MAX;  // to the end of the text
            if (ps.count == 3) {
                if (int rc = foldValue(p, ps, 2, &v)) return rc;
                count = foldClamp(v);
                if (count < 0) count = 0;
            }
            if (int rc = foldValue(p, ps, 1, &v)) return rc;
            int32_t start = foldClamp(v);
            i1 = start == INT32_MIN ? INT32_MIN : start - 1;
            len = count;
            numParms = 1;
            break;
        }
        case E4C_LEFT: {
            if (int rc = foldValue(p, ps, 1, &v)) return rc;
            int32_t count = foldClamp(v);
            len = count < 0 ? 0 : count;
            i1 = 0;
            numParms = 1;
            break;
        }
        case E4C_DATETIME: {
            static const double kMs[3] = {3600000.0, 60000.0, 1000.0};
            double ms = 0;
            for (int k = 3; k < ps.count; k++) {
                if (int rc = foldValue(p, ps, k, &v)) return rc;
                ms += std::trunc(v) * kMs[k - 3];
            }
            if (!(ms >= -2147483648.0 && ms <= 2147483647.0)) return e4parseError(p, e4overflow);
            i1 = (int32_t)ms;
            numParms = 3;
            break;
        }
        case E4C_DTOC:
            if (ps.count == 2) {
                // DTOC(d, 1) is DTOS(d).
                if (int rc = foldValue(p, ps, 1, &v)) return rc;
                if (v == 1) row = E4R_DTOS;
                numParms = 1;
            }
            break;
        default:
            break;
    }
    if (numParms < ps.count) p.numItems = ps.start[numParms];

    if (f.numParms >= 0 && numParms != f.numParms) return e4parseError(p, e4numParms);

    EXPR4 *child = nullptr;
    if (calc) {
        child = e4parseCalc(p, calc);
        if (!child) return p.c->errorCode < 0 ? p.c->errorCode : e4unrecFunction;
    }
    int item = e4functionAdd(p, row, numParms);
    if (item < 0) {
        if (child) expr4free(child);
        return item;
    }
    EXPR4ITEM &it = p.items[item];
    if (len >= 0) it.len = (uint32_t)len;
    it.i1 = i1;
    it.pointer = child;
    return 0;
}

EXPR4 *e4parseCalc(E4PARSE &p, EXPR4CALC *calc) {
    if (calc->parsing) {
        // A calculation that calls itself would never end.
        e4parseError(p, e4overflow);
        return nullptr;
    }
    calc->parsing = 1;
    EXPR4 *child = expr4parseTag(p.data, calc->expr->source, p.tag);
    calc->parsing = 0;
    if (!child) return nullptr;
    if (child->type == 'N' && child->numItems == 1) {
        // A bare numeric field is computed with as a double.
        child->items[0].row = E4R_FIELD_N_DOUBLE;
        child->items[0].handler = expr4functions()[E4R_FIELD_N_DOUBLE].handler;
        child->items[0].len = 8;
        child->type = 'n';
        child->len = 8;
    }
    return child;
}
