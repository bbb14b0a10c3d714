// The type pass over the postfix entries: overload resolution with the field
// conversions, copying rows for handlers that rewrite their operand, result
// lengths (clipping every folded offset and length to its operand), the
// trimming concatenation switch, the work-area layout and subtree sizes.
//
// Work-area layout: every entry gets an 8-aligned place of at least 8 bytes
// (e4reserve); an entry with operands writes its result at its first
// operand's place, a leaf at the first free place after the pending
// operands. So the pending operands always lie in ascending order, and a
// result only covers places of operands it has consumed.
#include <cstring>

#include "expr4parse.h"
#include "foundation/code4.h"
#include "foundation/error4.h"

namespace {

struct Operand {
    char type;
    uint32_t len;
    uint32_t pos;
    int32_t subtree;
    int item;
};

// The conversion row for a field entry where `want` is needed, or -1.
int conversionRow(int row, char want) {
    if (want == 'd' && row == E4R_FIELD_D) return E4R_FIELD_D_DOUBLE;
    if (want == 'n') {
        if (row == E4R_FIELD_N) return E4R_FIELD_N_DOUBLE;
        if (row == E4R_FIELD_I) return E4R_FIELD_I_DOUBLE;
        if (row == E4R_FIELD_Y) return E4R_FIELD_Y_DOUBLE;
    }
    return -1;
}

// Entries whose handler works on its operand in place.
bool rewritesOperand(int row, int code) {
    if (code == E4C_ADD) return row == E4R_ADD_C || row == E4R_ADD_C + 1 || row == E4R_ADD_C_TRIM;
    switch (code) {
        case E4C_SUB: case E4C_SUBSTR: case E4C_UPPER: case E4C_SPACE: case E4C_TRIM: case E4C_LTRIM:
        case E4C_ALLTRIM: case E4C_LEFT: case E4C_RIGHT: case E4C_PADL: case E4C_PADR: case E4C_ASCEND:
        case E4C_DESCEND:
            return true;
        default:
            return false;
    }
}

bool isComparison(int code) {
    return code == E4C_EQ || code == E4C_EXACT_EQ || code == E4C_NE || code == E4C_GE || code == E4C_LE ||
           code == E4C_GT || code == E4C_LT;
}

uint32_t keyFormLen(char type, uint32_t operandLen) {
    switch (type) {
        case '1': case 'T': case 'd': case 'n': return 8;
        case '2': case '3': return 6;
        case '4': return 16;
        case 'I': case 'P': case 'Q': case 'R': return 4;
        case 'L': return 1;
        default: return operandLen;
    }
}

uint32_t clip(int64_t v, int64_t lo, int64_t hi) { return (uint32_t)(v < lo ? lo : (v > hi ? hi : v)); }

// Copy the context's date picture into the constants; its offset and length.
long datePicture(E4PARSE &p, uint32_t *len) {
    const char *picture = p.c->dateFormat;
    *len = (uint32_t)std::strlen(picture);
    return e4addConstant(p, picture, *len + 1);
}

}  // namespace

int e4massage(E4PARSE &p) {
    const EXPR4FUNC *table = expr4functions();
    Operand stack[E4MAX_PENDING + 1];
    int depth = 0;
    uint64_t workEnd = 0;
    bool trimSeen = false;

    for (int i = 0; i < p.numItems; i++) {
        EXPR4ITEM &it = p.items[i];
        int n = it.numParms;
        int row = it.row;
        if (table[row].numParms >= 0 && n != table[row].numParms) return e4parseError(p, e4numParms);
        if (n > depth || n < 0) return e4parseError(p, e4result);
        int base = depth - n;

        // Overloads and conversions.
        for (;;) {
            const EXPR4FUNC &f = table[row];
            bool ok = f.numParms < 0 || n == f.numParms;
            for (int k = 0; ok && k < n; k++) {
                char want = f.numParms < 0 ? f.parms[0] : f.parms[k];
                Operand &o = stack[base + k];
                if (o.type == want) continue;
                EXPR4ITEM &operand = p.items[o.item];
                int conv = conversionRow(operand.row, want);
                if (conv < 0) {
                    ok = false;
                    break;
                }
                operand.row = (int16_t)conv;
                operand.len = 8;
                o.type = want;
                o.len = 8;
            }
            if (ok) break;
            if (table[row + 1].code != f.code) return e4parseError(p, e4typeSub);
            row++;
        }
        const EXPR4FUNC &f = table[row];
        int code = f.code;

        // Handlers that rewrite their operand get copies of fields, never the
        // record buffer itself.
        if (rewritesOperand(row, code)) {
            for (int k = 0; k < n; k++) {
                EXPR4ITEM &operand = p.items[stack[base + k].item];
                if (operand.row == E4R_FIELD_C) operand.row = E4R_FIELD_C_COPY;
                if (operand.row == E4R_FIELD_W) operand.row = E4R_FIELD_W_COPY;
            }
        }
        if (row == E4R_ADD_C && trimSeen) row = E4R_ADD_C_TRIM;
        it.row = (int16_t)row;

        // Result type and length.
        char type = f.type;
        uint64_t len = 0;
        uint32_t len0 = n > 0 ? stack[base].len : 0;
        uint32_t len1 = n > 1 ? stack[base + 1].len : 0;
        if (row == E4R_CALC) {
            const EXPR4 *child = static_cast<const EXPR4 *>(it.pointer);
            type = child->type;
            len = child->len;
            trimSeen = true;
        } else if (n == 0 && row <= E4R_CONST_C) {
            len = it.len;  // fields and constants: set by the parser
            if (row == E4R_MEMO) trimSeen = true;
        } else if (type == 'C') {
            switch (code) {
                case E4C_ADD:
                case E4C_SUB:
                    len = (uint64_t)len0 + len1;
                    it.i1 = (int32_t)len0;
                    break;
                case E4C_CHR: case E4C_DEL: len = 1; break;
                case E4C_SUBSTR:
                case E4C_LEFT: {
                    uint32_t start = clip(it.i1, 0, len0);
                    len = clip(it.len, 0, len0 - start);
                    it.i1 = (int32_t)start;
                    break;
                }
                case E4C_RIGHT: {
                    uint32_t start = clip(it.i1, 0, len0);
                    len = clip(it.len, 0, len0 - start);
                    it.i1 = (int32_t)start;
                    break;
                }
                case E4C_TIME: case E4C_DTOS: len = 8; break;
                case E4C_DTOC: {
                    uint32_t plen = 0;
                    long off = datePicture(p, &plen);
                    if (off < 0) return (int)off;
                    it.i1 = (int32_t)off;
                    len = plen;
                    break;
                }
                case E4C_TRIM: case E4C_LTRIM: case E4C_ALLTRIM:
                    p.hasTrim = 1;
                    trimSeen = true;
                    len = len0;
                    break;
                case E4C_UPPER: len = len0; break;
                case E4C_PADL: case E4C_PADR:
                    len = it.len;
                    it.i1 = (int32_t)(it.len > len0 ? it.len - len0 : 0);
                    it.i2 = (int32_t)len0;
                    break;
                case E4C_IIF:
                    len = len1 > stack[base + 2].len ? len1 : stack[base + 2].len;
                    it.i1 = (int32_t)len1;
                    it.i2 = (int32_t)stack[base + 2].len;
                    break;
                case E4C_L2BIN: len = 4; break;
                case E4C_ASCEND: case E4C_DESCEND: len = keyFormLen(stack[base].type, len0); break;
                case E4C_STR: case E4C_STRZERO: case E4C_SPACE: len = it.len; break;
                default: return e4parseError(p, e4result);
            }
        } else {
            switch (type) {
                case 'D': case 'T': case 'Y': case '1': case 'd': case 'n': len = 8; break;
                case 'I': case 'P': case 'Q': case 'R': case 'L': len = 4; break;
                case '2': case '3': len = 6; break;
                case '4': len = 16; break;
                case 'W': case 'O':
                    len = (uint64_t)len0 + len1;  // "+" of two wide texts
                    it.i1 = (int32_t)len0;
                    break;
                default: return e4parseError(p, e4result);
            }
            if (code == E4C_CTOD) {
                uint32_t plen = 0;
                long off = datePicture(p, &plen);
                if (off < 0) return (int)off;
                it.i1 = (int32_t)off;
                it.i2 = (int32_t)plen;
            }
            if (code == E4C_CONTAINS) {
                it.i1 = (int32_t)len0;
                it.i2 = (int32_t)len1;
            }
            if (isComparison(code) && stack[base].type == 'C') {
                it.i1 = (int32_t)(len0 < len1 ? len0 : len1);
                if (code == E4C_GT) it.i2 = len0 > len1;
                if (code == E4C_LT) it.i2 = len0 < len1;
                if (code == E4C_EXACT_EQ) it.i1 = (int32_t)len0, it.i2 = (int32_t)len1;
            }
        }
        if (len > E4MAX_RESULT_LEN) return e4parseError(p, e4overflow);
        it.len = (uint32_t)len;

        // Place in the work area.
        uint32_t pos;
        if (n > 0)
            pos = stack[base].pos;
        else
            pos = depth > 0 ? stack[depth - 1].pos + e4reserve(stack[depth - 1].len) : 0;
        it.resultPos = pos;
        uint64_t end = (uint64_t)pos + e4reserve(it.len);
        if (end > workEnd) workEnd = end;
        if (workEnd > E4MAX_RESULT_LEN * 4) return e4parseError(p, e4overflow);

        int32_t subtree = 1;
        for (int k = 0; k < n; k++) subtree += stack[base + k].subtree;
        it.subtree = subtree;

        depth = base;
        if (depth >= E4MAX_PENDING) return e4parseError(p, e4overflow);
        stack[depth++] = Operand{type, it.len, pos, subtree, i};
    }
    if (depth != 1) return e4parseError(p, e4result);

    for (int i = 0; i < p.numItems; i++) p.items[i].handler = table[p.items[i].row].handler;
    p.type = stack[0].type;
    p.resultLen = stack[0].len;
    p.workSize = (uint32_t)workEnd + 1;
    return 0;
}
