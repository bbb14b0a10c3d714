// The state of one parse and the steps shared by the parser's files.
//
// Parsing is two passes over one E4PARSE that lives in expr4parse's frame:
//  1. the shunting-yard pass (expr4parse.cpp, expr4function.cpp) reads the
//     text into postfix entries, with an operator stack of row numbers and
//     markers and a constants buffer;
//  2. the type pass (expr4massage.cpp) resolves overloads, inserts
//     conversions, sets result lengths and lays out the work area.
// Then the EXPR4 block is built from the entries, constants and source.
//
// Invariants of the operator stack: a chained-operand marker always lies
// directly below the n-ary operator that will consume it; an open-bracket
// marker stands for every "(" and function call being read.
#pragma once
#include <cstdint>

#include "expr4internal.h"

struct DATA4;

// Operator stack markers; an empty stack's top reads as E4MARK_EMPTY.
constexpr int32_t E4MARK_EMPTY = -1;
constexpr int32_t E4MARK_OPEN = -2;
constexpr int32_t E4MARK_CHAIN = -3;
constexpr int32_t E4MARK_FLOOR = -4;

struct E4PARSE {
    CODE4 *c;
    DATA4 *data;
    TAG4FILE *tag;
    E4STATE *state;
    const char *src;
    int pos;
    int len;
    int depth;            // nesting of brackets, calls and .NOT.

    int32_t opLocal[32];  // operator stack, then on the heap
    int32_t *ops;
    int opCount;
    int opCap;

    char constLocal[512]; // constants, then on the heap
    char *consts;
    uint32_t constLen;
    uint32_t constCap;

    EXPR4ITEM *items;
    int numItems;
    int itemCap;

    // Results of the type pass.
    char type;
    uint32_t resultLen;
    uint32_t workSize;
    int hasTrim;
    int hasNullable;
};

void e4parseInit(E4PARSE &p, DATA4 *d, const char *source, TAG4FILE *tag, E4STATE *state);
// Free the parse buffers (and, when the parse failed, the entries' children).
void e4parseRelease(E4PARSE &p, bool failed);

// Report a parse failure with the source as the first text (when the
// expression-error switch is on); returns code. -920 is always reported.
int e4parseError(E4PARSE &p, int code);
int e4parseError2(E4PARSE &p, int code, const char *t1, const char *t2);

// Scanning.
inline bool e4nameChar(char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '_';
}
void e4skipSpaces(E4PARSE &p);  // blanks before a value
void e4skipBlanks(E4PARSE &p);  // 0x01..0x20 before operators, around brackets and commas
// First row in [first, last] whose name matches the text at `text` (at most
// len characters available); when exactLen > 0 the name must have that length.
int e4lookup(const char *text, int len, int exactLen, int first, int last);

// The operator stack.
int s4stackPush(E4PARSE &p, int32_t value);  // 0 or -920
int32_t s4stackPop(E4PARSE &p);
inline int32_t s4stackTop(const E4PARSE &p) { return p.opCount ? p.ops[p.opCount - 1] : E4MARK_EMPTY; }

// Append bytes to the constants; their offset, or -920.
long e4addConstant(E4PARSE &p, const void *bytes, uint32_t len);
// Append an entry for row with numParms operands; its index, or -920.
int e4functionAdd(E4PARSE &p, int row, int numParms);

// One expression level, up to the end, ")" or "," (shunting-yard).
int expr4parseExpr(E4PARSE &p);
// One value.
int expr4parseValue(E4PARSE &p);
// A call: the name is at [nameStart, nameStart + nameLen), p.pos at "(".
int expr4parseFunction(E4PARSE &p, int nameStart, int nameLen);
// Parse a calculation's source into a child expression of the entry being built.
EXPR4 *e4parseCalc(E4PARSE &p, EXPR4CALC *calc);

// The type pass; 0 or the reported code.
int e4massage(E4PARSE &p);
