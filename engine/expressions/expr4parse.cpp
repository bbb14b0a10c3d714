// The shunting-yard pass: expression levels, operators, values, constants
// and field references; and expr4parse, which runs both passes and builds
// the EXPR4 block.
//
// EXPR4 block (one allocation, native layout, never written to disk):
//   EXPR4 header | EXPR4ITEM[numItems] | constants | source + NUL
// The work area is a second allocation of workSize bytes.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "expr4parse.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "tables/data4.h"
#include "tables/date4.h"
#include "tables/field4.h"

namespace {

// Pop one operator row into an entry, with one more operand for every
// chained-operand marker beneath it (A .AND. B .AND. K is one entry).
int opToExpr(E4PARSE &p) {
    int32_t row = s4stackPop(p);
    const EXPR4FUNC &f = expr4functions()[row];
    int numParms = f.numParms < 0 ? 2 : f.numParms;
    while (s4stackTop(p) == E4MARK_CHAIN) {
        s4stackPop(p);
        numParms++;
    }
    int rc = e4functionAdd(p, row, numParms);
    return rc < 0 ? rc : 0;
}

// Pop operators into entries down to an open bracket, the floor or the bottom.
int e4popLevel(E4PARSE &p) {
    for (;;) {
        int32_t top = s4stackTop(p);
        if (top == E4MARK_OPEN || top == E4MARK_FLOOR || top == E4MARK_EMPTY) return 0;
        if (top == E4MARK_CHAIN) {
            s4stackPop(p);  // cannot stand alone; consumed by its operator
            continue;
        }
        if (int rc = opToExpr(p)) return rc;
    }
}

// Reads an operator: 1 and *row when one was read, 0 at the end of the level.
int e4getOperator(E4PARSE &p, int *row) {
    e4skipBlanks(p);
    if (p.pos >= p.len || p.src[p.pos] == ')' || p.src[p.pos] == ',') return 0;
    int found = e4lookup(p.src + p.pos, p.len - p.pos, 0, E4R_OPERATOR_FIRST, E4R_OPERATOR_LAST);
    if (found < 0) {
        // Inside a call or brackets a name where an operator should be ends
        // the level; the call then reports its missing comma or bracket.
        if (e4nameChar(p.src[p.pos]))
            for (int i = 0; i < p.opCount; i++)
                if (p.ops[i] == E4MARK_OPEN) return 0;
        return e4parseError(p, e4unrecOperator);
    }
    p.pos += expr4functions()[found].nameLen;
    *row = found;
    return 1;
}

bool startsWithWord(const char *s, int avail, const char *word) {
    int n = (int)std::strlen(word);
    if (avail < n) return false;
    for (int i = 0; i < n; i++) {
        char ch = s[i];
        if (ch >= 'a' && ch <= 'z') ch = (char)(ch - 'a' + 'A');
        if (ch != word[i]) return false;
    }
    return true;
}

// A numeric constant at p.pos: 1 when read, 0 when the text is not a number
// (position unchanged), or a negative code.
int e4numberConstant(E4PARSE &p) {
    int start = p.pos, i = p.pos;
    const char *s = p.src;
    if (s[i] == '+' || s[i] == '-') i++;
    int digits = 0, intDigits = 0;
    bool point = false;
    for (; i < p.len; i++) {
        if (s[i] >= '0' && s[i] <= '9') {
            digits++;
            if (!point) intDigits++;
        } else if (s[i] == '.') {
            const char *rest = s + i;
            int avail = p.len - i;
            if (startsWithWord(rest, avail, ".AND.") || startsWithWord(rest, avail, ".OR.") ||
                startsWithWord(rest, avail, ".NOT."))
                break;
            point = true;
        } else {
            break;
        }
    }
    if (i < p.len && ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= 'a' && s[i] <= 'z'))) return 0;
    // A sign or point without digits is no number (there is no unary minus).
    if (digits == 0) return 0;
    // The conversion reads at most 49 characters: refuse integer parts that
    // would be cut rather than give a wrong value; fraction digits beyond
    // that are insignificant.
    if (intDigits + (i - start - digits) > E4MAX_NUMBER_TEXT) return e4parseError(p, e4overflow);
    double value = c4atod(s + start, i - start);
    long off = e4addConstant(p, &value, sizeof value);
    if (off < 0) return (int)off;
    int item = e4functionAdd(p, E4R_CONST_N, 0);
    if (item < 0) return item;
    p.items[item].i1 = (int32_t)off;
    p.items[item].len = sizeof(double);
    p.pos = i;
    return 1;
}

int e4stringConstant(E4PARSE &p) {
    char close = p.src[p.pos] == '[' ? ']' : p.src[p.pos];
    int start = p.pos + 1;
    const char *end = static_cast<const char *>(std::memchr(p.src + start, close, (size_t)(p.len - start)));
    if (!end) return e4parseError(p, e4unterminated);
    uint32_t len = (uint32_t)(end - (p.src + start));
    long off = e4addConstant(p, p.src + start, len);
    if (off < 0) return (int)off;
    int item = e4functionAdd(p, E4R_CONST_C, 0);
    if (item < 0) return item;
    p.items[item].i1 = (int32_t)off;
    p.items[item].len = len;
    p.pos = (int)(end - p.src) + 1;
    return 0;
}

bool equalNoCase(const char *a, const char *b, int n) {
    for (int i = 0; i < n; i++) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = (char)(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = (char)(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

// The open table handle with this alias, or null.
DATA4 *e4aliasLookup(CODE4 *c, const char *name, int len) {
    for (LINK4 *l = l4first(&c->dataList); l; l = l4next(l)) {
        DATA4 *d = reinterpret_cast<DATA4 *>(l);
        const char *alias = d->alias;
        if ((int)std::strlen(alias) == len && equalNoCase(alias, name, len)) return d;
    }
    return nullptr;
}

// Width a fixed-width field kind needs in the record.
int e4fieldWidth(char type) {
    switch (type) {
        case 'D': case 'T': case 'Y': case 'B': case '1': return 8;
        case 'I': case 'P': return 4;
        case 'Q': case 'R': return 2;
        case '2': case '3': return 6;
        case '4': return 16;
        case 'L': return 1;
        default: return 0;
    }
}

// Row and result length of a field entry; -1 for a type without a row.
int e4fieldRow(E4PARSE &p, const FIELD4 *f, uint32_t *len) {
    *len = f->len;
    // A varchar is text: its value padded with blanks, copied (e4fieldCopy).
    // A varbinary has no expression form.
    if (f->varLength) return f->type == 'V' ? E4R_FIELD_C_COPY : -1;
    // A blob is a binary memo.
    char type = f->type == 'W' && f->memo ? 'M' : f->type;
    switch (type) {
        case 'C': return E4R_FIELD_C;
        case 'W': return E4R_FIELD_W;
        case 'O': *len = f->len >= 2 ? f->len - 2u : 0u; return E4R_FIELD_O;
        case 'L': *len = 4; return E4R_FIELD_L;
        case 'D': *len = 8; return E4R_FIELD_D;
        case 'F': case 'N': return E4R_FIELD_N;
        case 'B': *len = 8; return E4R_FIELD_B;
        case 'I': *len = 4; return E4R_FIELD_I;
        case 'Y': *len = 8; return E4R_FIELD_Y;
        case 'T': *len = 8; return E4R_FIELD_T;
        case 'P': *len = 4; return E4R_FIELD_P;
        case 'Q': *len = 4; return E4R_FIELD_Q;
        case 'R': *len = 4; return E4R_FIELD_R;
        case '1': *len = 8; return E4R_FIELD_1;
        case '2': *len = 6; return E4R_FIELD_2;
        case '3': *len = 6; return E4R_FIELD_3;
        case '4': *len = 16; return E4R_FIELD_4;
        case 'M': case 'G': {
            uint32_t size = p.state->memSizeMemoExpr;
            if (p.tag) {
                uint32_t cap = f->nullable ? 239u : 240u;
                if (size > cap) size = cap;
            }
            *len = size;
            return E4R_MEMO;
        }
        default: return -1;
    }
}

// A field reference: the name at [start, start + len), p.pos after it.
int e4fieldReference(E4PARSE &p, int start, int len) {
    DATA4 *d = p.data;
    const char *name = p.src + start;
    int nameLen = len;
    bool own = true;
    // alias->name
    if (p.pos + 1 < p.len && p.src[p.pos] == '-' && p.src[p.pos + 1] == '>') {
        DATA4 *other = len <= 32 ? e4aliasLookup(p.c, name, len) : nullptr;
        if (!other) {
            char alias[33];
            int n = len < 32 ? len : 32;
            std::memcpy(alias, name, (size_t)n);
            alias[n] = 0;
            return e4parseError2(p, e4dataName, alias, p.src);
        }
        p.pos += 2;
        e4skipBlanks(p);
        start = p.pos;
        while (p.pos < p.len && e4nameChar(p.src[p.pos])) p.pos++;
        name = p.src + start;
        nameLen = p.pos - start;
        d = other;
    } else if (p.pos == start + len && p.pos + 1 < p.len && p.src[p.pos] == '.' && e4nameChar(p.src[p.pos + 1]) &&
               len <= 32) {
        // alias.name, tried silently: without such an alias the "." is left
        // to the operator scanner (A.AND.B reads as A .AND. B).
        DATA4 *other = e4aliasLookup(p.c, name, len);
        if (other) {
            p.pos++;
            start = p.pos;
            while (p.pos < p.len && e4nameChar(p.src[p.pos])) p.pos++;
            name = p.src + start;
            nameLen = p.pos - start;
            d = other;
        }
    }
    if (d != p.data) {
        if (d->dataFile == p.data->dataFile && p.tag)
            d = p.data;  // the tag's own table under another handle
        else if (p.tag)
            return e4parseError(p, e4tagExpr);
        else
            own = false;
    }
    if (nameLen > 10 || nameLen == 0) return e4parseError(p, e4unrecValue);

    FIELD4 *field = nullptr;
    int number = 0;
    int count = d4numFields(d);
    for (int j = 1; j <= count; j++) {
        FIELD4 *f = d4fieldJ(d, j);
        if (f && (int)std::strlen(f->name) == nameLen && equalNoCase(f->name, name, nameLen)) {
            field = f;
            number = j;
            break;
        }
    }
    if (!field) return e4parseError(p, e4fieldName);

    uint32_t len32 = 0;
    int row = e4fieldRow(p, field, &len32);
    int width = e4fieldWidth(field->type);
    // A fixed-width kind narrower than its width (a damaged descriptor) would
    // make the handlers read past the field.
    if (row < 0 || (width && field->len < width)) return e4parseError(p, e4typeSub);

    int item = e4functionAdd(p, row, 0);
    if (item < 0) return item;
    EXPR4ITEM &it = p.items[item];
    it.fieldNo = (uint16_t)number;
    it.field = field;
    it.ownTable = own ? 1 : 0;
    it.i1 = (int32_t)field->offset;
    it.i2 = (int32_t)field->len;  // bytes in the record
    it.len = len32;
    // Own-table fields of a tag expression go through the expression's
    // record slot (bound when the EXPR4 is built); others through the handle.
    it.pointer = (own && p.tag) ? nullptr : &d->record;
    if (field->nullable) p.hasNullable = 1;
    return 0;
}

}  // namespace

int expr4parseValue(E4PARSE &p) {
    if (++p.depth > E4MAX_DEPTH) return e4parseError(p, e4overflow);
    struct DepthGuard {
        E4PARSE &p;
        ~DepthGuard() { p.depth--; }
    } guard{p};

    e4skipSpaces(p);
    if (p.pos >= p.len) return e4parseError(p, e4unrecValue);
    char ch = p.src[p.pos];

    // 1. logical constants and .NOT. / "!"
    if (ch == '!' || ch == '.') {
        int row = e4lookup(p.src + p.pos, p.len - p.pos, 0, E4R_VALUE_FIRST, E4R_VALUE_LAST);
        if (row >= 0) {
            p.pos += expr4functions()[row].nameLen;
            if (row == E4R_NOT || row == E4R_NOT_BANG) {
                // The operand first; the operator then waits on the stack, so
                // it covers everything up to the next operator of priority 5
                // or lower.
                if (int rc = expr4parseValue(p)) return rc;
                return s4stackPush(p, row);
            }
            int item = e4functionAdd(p, row, 0);
            return item < 0 ? item : 0;
        }
    }
    // 2. numeric constants
    if ((ch >= '0' && ch <= '9') || ch == '+' || ch == '-' || ch == '.') {
        int rc = e4numberConstant(p);
        if (rc < 0) return rc;
        if (rc == 1) return 0;
    }
    // 3. names: a call or a field
    if (e4nameChar(ch)) {
        int start = p.pos;
        while (p.pos < p.len && e4nameChar(p.src[p.pos])) p.pos++;
        int len = p.pos - start;
        e4skipSpaces(p);
        if (p.pos < p.len && p.src[p.pos] == '(') return expr4parseFunction(p, start, len);
        return e4fieldReference(p, start, len);
    }
    // 4. string constants
    if (ch == '\'' || ch == '"' || ch == '[') return e4stringConstant(p);
    // 5. brackets
    if (ch == '(') {
        p.pos++;
        if (int rc = s4stackPush(p, E4MARK_OPEN)) return rc;
        if (int rc = expr4parseExpr(p)) return rc;
        e4skipBlanks(p);
        if (p.pos >= p.len || p.src[p.pos] != ')') return e4parseError(p, e4rightMissing);
        p.pos++;
        s4stackPop(p);
        return 0;
    }
    return e4parseError(p, e4unrecValue);
}

int expr4parseExpr(E4PARSE &p) {
    for (;;) {
        if (int rc = expr4parseValue(p)) return rc;
        int row = 0;
        int got = e4getOperator(p, &row);
        if (got < 0) return got;
        if (got == 0) return e4popLevel(p);
        const EXPR4FUNC *table = expr4functions();
        for (;;) {
            int32_t top = s4stackTop(p);
            if (top < 0) break;
            if (table[top].priority < table[row].priority) break;
            if (top == row && table[row].numParms < 0) {
                s4stackPop(p);
                if (int rc = s4stackPush(p, E4MARK_CHAIN)) return rc;
                break;
            }
            if (int rc = opToExpr(p)) return rc;
        }
        if (int rc = s4stackPush(p, row)) return rc;
    }
}

namespace {

// Build the EXPR4 block from a parse whose type pass succeeded.
EXPR4 *e4build(E4PARSE &p) {
    size_t header = (sizeof(EXPR4) + 15) & ~(size_t)15;
    size_t itemsSize = (size_t)p.numItems * sizeof(EXPR4ITEM);
    size_t total = header + itemsSize + p.constLen + (size_t)p.len + 1;
    char *block = static_cast<char *>(std::calloc(1, total));
    char *work = static_cast<char *>(std::calloc(1, p.workSize));
    if (!block || !work) {
        std::free(block);
        std::free(work);
        e4parseError(p, e4memory);
        return nullptr;
    }
    EXPR4 *e = reinterpret_cast<EXPR4 *>(block);
    e->s4valid = S4VALID;
    e->items = reinterpret_cast<EXPR4ITEM *>(block + header);
    e->numItems = p.numItems;
    e->constants = block + header + itemsSize;
    char *source = e->constants + p.constLen;
    std::memcpy(e->items, p.items, itemsSize);
    std::memcpy(e->constants, p.consts, p.constLen);
    std::memcpy(source, p.src, (size_t)p.len);
    source[p.len] = 0;
    e->source = source;
    e->len = p.resultLen;
    e->type = p.type;
    e->tag = p.tag;
    e->data = p.data;
    e->dataFile = p.data->dataFile;
    e->codeBase = p.c;
    e->workSize = p.workSize;
    e->hasTrim = p.hasTrim;
    e->hasNullable = p.hasNullable;
    e->work = work;
    e->workCapacity = p.workSize;
    e->record = p.data->record;
    for (int i = 0; i < e->numItems; i++) {
        EXPR4ITEM &it = e->items[i];
        if (it.field && it.ownTable && p.tag) it.pointer = &e->record;
        if (it.row == E4R_CALC && it.pointer) {
            // The calculation now belongs to this expression, not the context.
            EXPR4 *child = static_cast<EXPR4 *>(it.pointer);
            l4remove(&p.state->exprs, &child->link);
            child->owned = 1;
            e->hasNullable |= child->hasNullable;
            e->hasTrim |= child->hasTrim;
        }
    }
    // DEL() and DELETED() read the deletion flag through the record slot.
    for (int i = 0; i < e->numItems; i++) {
        EXPR4ITEM &it = e->items[i];
        int16_t code = expr4functions()[it.row].code;
        if (code == E4C_DEL || code == E4C_DELETED) it.pointer = p.tag ? (void *)&e->record : (void *)&p.data->record;
    }
    l4add(&p.state->exprs, &e->link);
    return e;
}

}  // namespace

EXPR4 *expr4parseTag(DATA4 *d, const char *source, TAG4FILE *tag) {
    if (!d || !source) {
        error4(d && d->s4valid == S4VALID ? d->codeBase : nullptr, e4parmNull, E4_LOC_EXPR4PARSE);
        return nullptr;
    }
    if (error4checkStamp(d, d->s4valid, E4_LOC_EXPR4PARSE)) return nullptr;
    CODE4 *c = d->codeBase;
    if (c->errorCode < 0) return nullptr;
    E4STATE *state = e4state(c);
    if (!state) return nullptr;

    E4PARSE p;
    e4parseInit(p, d, source, tag, state);
    p.c = c;
    int rc = expr4parseExpr(p);
    if (rc == 0 && p.opCount != 0) rc = e4parseError(p, e4complete);
    if (rc == 0) rc = e4massage(p);
    EXPR4 *e = rc == 0 ? e4build(p) : nullptr;
    e4parseRelease(p, e == nullptr);
    return e;
}

EXPR4 *expr4parse(DATA4 *d, const char *source) { return expr4parseTag(d, source, nullptr); }
