// Scanning and the parse buffers: blanks, name lookup in the function table,
// the operator stack, the constants buffer and the entry array.
#include <cstdlib>
#include <cstring>

#include "expr4parse.h"
#include "foundation/code4.h"
#include "foundation/error4.h"

void e4parseInit(E4PARSE &p, DATA4 *d, const char *source, TAG4FILE *tag, E4STATE *state) {
    std::memset(&p, 0, sizeof p);
    p.data = d;
    p.tag = tag;
    p.state = state;
    p.src = source;
    p.len = (int)std::strlen(source);
    p.ops = p.opLocal;
    p.opCap = (int)(sizeof p.opLocal / sizeof p.opLocal[0]);
    p.consts = p.constLocal;
    p.constCap = sizeof p.constLocal;
}

void e4parseRelease(E4PARSE &p, bool failed) {
    if (failed) {
        for (int i = 0; i < p.numItems; i++)
            if (p.items[i].row == E4R_CALC && p.items[i].pointer) expr4free(static_cast<EXPR4 *>(p.items[i].pointer));
    }
    if (p.ops != p.opLocal) std::free(p.ops);
    if (p.consts != p.constLocal) std::free(p.consts);
    std::free(p.items);
    p.ops = p.opLocal;
    p.consts = p.constLocal;
    p.items = nullptr;
    p.numItems = p.itemCap = 0;
}

int e4parseError2(E4PARSE &p, int code, const char *t1, const char *t2) {
    if (code == e4memory) return error4(p.c, code, E4_LOC_EXPR4PARSE);
    if (p.state && p.state->exprError) return error4describe(p.c, code, E4_LOC_EXPR4PARSE, t1, t2, nullptr);
    return code;
}

int e4parseError(E4PARSE &p, int code) { return e4parseError2(p, code, p.src, nullptr); }

void e4skipSpaces(E4PARSE &p) {
    while (p.pos < p.len && p.src[p.pos] == ' ') p.pos++;
}

void e4skipBlanks(E4PARSE &p) {
    while (p.pos < p.len && p.src[p.pos] >= 0x01 && p.src[p.pos] <= 0x20) p.pos++;
}

int e4lookup(const char *text, int len, int exactLen, int first, int last) {
    // At most 8 characters take part; names are no longer.
    char upper[9] = {};
    int n = len < 8 ? len : 8;
    for (int i = 0; i < n; i++) {
        char ch = text[i];
        upper[i] = (ch >= 'a' && ch <= 'z') ? (char)(ch - 'a' + 'A') : ch;
    }
    const EXPR4FUNC *table = expr4functions();
    for (int row = first; row <= last; row++) {
        const EXPR4FUNC &f = table[row];
        if (!f.name || f.name[0] != upper[0]) continue;
        if (exactLen > 0 && f.nameLen != exactLen) continue;
        if (f.nameLen > n) continue;
        if (std::memcmp(f.name, upper, f.nameLen) == 0) return row;
    }
    return -1;
}

int s4stackPush(E4PARSE &p, int32_t value) {
    if (p.opCount == p.opCap) {
        // Doubles, as the constants and the items do.
        int cap = p.opCap * 2;
        int32_t *ops = static_cast<int32_t *>(std::malloc((size_t)cap * sizeof(int32_t)));
        if (!ops) return e4parseError(p, e4memory);
        std::memcpy(ops, p.ops, (size_t)p.opCount * sizeof(int32_t));
        if (p.ops != p.opLocal) std::free(p.ops);
        p.ops = ops;
        p.opCap = cap;
    }
    p.ops[p.opCount++] = value;
    return 0;
}

int32_t s4stackPop(E4PARSE &p) { return p.opCount ? p.ops[--p.opCount] : E4MARK_EMPTY; }

long e4addConstant(E4PARSE &p, const void *bytes, uint32_t len) {
    if ((uint64_t)p.constLen + len + 1 > E4MAX_RESULT_LEN * 4) return e4parseError(p, e4overflow);
    if (p.constLen + len > p.constCap) {
        // Doubling: a long text costs a few copies, not one per constant.
        uint32_t cap = p.constCap * 2;
        if (p.constLen + len > cap) cap = p.constLen + len;
        char *buf = static_cast<char *>(std::malloc(cap));
        if (!buf) return e4parseError(p, e4memory);
        std::memcpy(buf, p.consts, p.constLen);
        if (p.consts != p.constLocal) std::free(p.consts);
        p.consts = buf;
        p.constCap = cap;
    }
    long offset = (long)p.constLen;
    if (len) std::memcpy(p.consts + offset, bytes, len);
    p.constLen += len;
    return offset;
}

int e4functionAdd(E4PARSE &p, int row, int numParms) {
    if (p.numItems == p.itemCap) {
        int cap = p.numItems < 16 ? 16 : p.numItems * 2;
        EXPR4ITEM *items = static_cast<EXPR4ITEM *>(std::realloc(p.items, (size_t)cap * sizeof(EXPR4ITEM)));
        if (!items) return e4parseError(p, e4memory);
        p.items = items;
        p.itemCap = cap;
    }
    EXPR4ITEM &item = p.items[p.numItems];
    std::memset(&item, 0, sizeof item);
    item.row = (int16_t)row;
    item.numParms = numParms;
    return p.numItems++;
}
