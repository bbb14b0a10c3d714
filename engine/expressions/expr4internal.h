// Internals shared by the files of the expression layer: row numbers and
// codes of the function table, limits, the per-context state of the layer,
// and the evaluation registers handed to every handler.
#pragma once
#include <cstdint>
#include <cstring>

#include "expressions.h"

struct CODE4;

// Rows of the function table the parser and the type pass choose directly.
enum E4Row : int16_t {
    E4R_FIELD_C = 0, E4R_FIELD_W = 1, E4R_FIELD_O = 2, E4R_FIELD_C_COPY = 3, E4R_FIELD_W_COPY = 4,
    E4R_FIELD_L = 5, E4R_FIELD_D_DOUBLE = 6, E4R_FIELD_D = 7, E4R_FIELD_N_DOUBLE = 8, E4R_FIELD_N = 9,
    E4R_FIELD_Y = 10, E4R_FIELD_B = 11, E4R_FIELD_I = 12, E4R_FIELD_P = 13, E4R_FIELD_Q = 14,
    E4R_FIELD_R = 15, E4R_FIELD_T = 16, E4R_FIELD_I_DOUBLE = 17, E4R_FIELD_Y_DOUBLE = 18,
    E4R_FIELD_1 = 19, E4R_FIELD_2 = 20, E4R_FIELD_3 = 21, E4R_FIELD_4 = 22, E4R_MEMO = 23,
    E4R_CONST_N = 24, E4R_CONST_C = 25,
    E4R_TRUE = 26, E4R_NOT = 30, E4R_NOT_BANG = 31,
    E4R_OR = 32, E4R_AND = 33,
    E4R_ADD_C = 34, E4R_ADD_C_TRIM = 37,
    E4R_CHR = 91, E4R_STR = 93, E4R_STR_W = 94, E4R_DTOS = 99,
    E4R_CALC = 130,
    E4R_DESCEND = 133, E4R_ASCEND = 150,
    E4R_END = 168,
};

// Ranges searched by name.
constexpr int E4R_VALUE_FIRST = 26, E4R_VALUE_LAST = 31;       // .TRUE. .. "!"
constexpr int E4R_OPERATOR_FIRST = 32, E4R_OPERATOR_LAST = 90; // .OR. .. "$"
constexpr int E4R_FUNCTION_FIRST = 91, E4R_FUNCTION_LAST = 167; // CHR .. the last ASCEND

// Codes of the rows (overloads share one code).
enum E4Code : int16_t {
    E4C_ADD = 25, E4C_SUB = 30, E4C_EQ = 40, E4C_EXACT_EQ = 42, E4C_NE = 50, E4C_GE = 60, E4C_LE = 70, E4C_GT = 80,
    E4C_LT = 90, E4C_CONTAINS = 110, E4C_CHR = 120, E4C_DEL = 130, E4C_STR = 140, E4C_STRZERO = 145, E4C_SUBSTR = 150,
    E4C_TIME = 160, E4C_UPPER = 170, E4C_DTOS = 180, E4C_DTOC = 200, E4C_SPACE = 210,
    E4C_TRIM = 220, E4C_LTRIM = 230, E4C_ALLTRIM = 235, E4C_LEFT = 240, E4C_RIGHT = 245,
    E4C_PADL = 246, E4C_PADR = 247, E4C_IIF = 250, E4C_DATETIME = 259, E4C_STOD = 260,
    E4C_CTOD = 270, E4C_DELETED = 350, E4C_L2BIN = 385, E4C_CALC = 390, E4C_DESCEND = 420, E4C_ASCEND = 430,
};

// Limits.
constexpr int E4MAX_PENDING = 64;            // operands pending at once
constexpr int E4MAX_DEPTH = 100;             // nesting of brackets, calls and .NOT.
constexpr long E4MAX_CONSTANT_LEN = 65536;   // folded lengths (PADL, SPACE, STR ...)
constexpr uint64_t E4MAX_RESULT_LEN = 1u << 20;  // any entry's result
constexpr int E4MAX_NUMBER_TEXT = 49;        // numeric constants and VAL()
constexpr int E4MAX_CALC_NAME = 64;

// Per-context state of the layer, in c->layerState[LAYER4_EXPRESSIONS].
struct E4STATE {
    int exprError;             // report parse failures
    uint32_t memSizeMemoExpr;  // length of memo text in expressions
    LIST4 calcs;               // EXPR4CALC
    LIST4 exprs;               // live EXPR4
    unsigned char *keyBuf;
    uint32_t keyCap;
};
// The state, created on first use; null after -920.
E4STATE *e4state(CODE4 *c);
// The key buffer grown to at least len bytes; null after -920.
unsigned char *e4keyBuffer(CODE4 *c, uint32_t len);

// Registers of one evaluation: live in the evaluating call's frame.
struct E4EVAL {
    char **top;             // next free slot of the result stack
    const char *constants;  // the expression's constants
    EXPR4 *expr;
    EXPR4ITEM *item;        // the entry being run
    char *work;             // the expression's work area
};

// Run items [first, last] of e; the result pointer left on the stack.
char *e4run(EXPR4 *e, int first, int last);

// Work-area reservation of an entry of length len at an 8-aligned position.
inline uint32_t e4reserve(uint32_t len) { return ((len < 8 ? 8 : len) + 7u) & ~7u; }

// Handler helpers.
inline char *e4out(E4EVAL &r) { return r.work + r.item->resultPos; }
// Operand k (0-based) of an entry with n operands.
inline char *e4arg(E4EVAL &r, int k, int n) { return r.top[k - n]; }
inline void e4push(E4EVAL &r, int n, char *result) {
    r.top -= n;
    *r.top++ = result;
}
inline double e4getDouble(const char *p) {
    double d;
    std::memcpy(&d, p, sizeof d);
    return d;
}
inline void e4putDouble(char *p, double d) { std::memcpy(p, &d, sizeof d); }
inline int32_t e4getLogical(const char *p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void e4putLogical(char *p, int32_t v) { std::memcpy(p, &v, sizeof v); }
// The record buffer an entry's field reads go through.
inline unsigned char *e4record(const EXPR4ITEM *item) { return *static_cast<unsigned char **>(item->pointer); }
// A double to long, clamped into [lo, hi]; NaN gives lo.
inline long e4clampLong(double v, long lo, long hi) {
    if (!(v >= (double)lo)) return lo;
    if (v >= (double)hi) return hi;
    return (long)v;
}
