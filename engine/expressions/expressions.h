// The expression layer: xBase expressions parsed against a table handle into
// a flat postfix program (EXPR4), evaluated against the handle's current
// record, and turned into index keys.
//
//   text --expr4parse--> EXPR4 (items in postfix order, constants, source,
//                               result type and length, work area)
//   EXPR4 --expr4vary/expr4double/expr4true/expr4str--> value of the record
//   EXPR4 --expr4key--> key bytes in the context's key buffer
//
// Result type letters: C text, W/O wide text, L logical (4-byte 0/1),
// D date text CCYYMMDD, d day number as a double (0 blank), N numeric text,
// n double, Y currency, T date-time, I/P/Q/R integers, 1-4 further raw kinds.
//
// Evaluation keeps its registers (result stack, current item, work area) in
// the caller's frame, so expressions of different contexts can be evaluated
// on different threads at once; one context is used by one thread at a time.
// Evaluation allocates nothing once the expression is parsed.
#pragma once
#include <cstdint>

#include "foundation/list4.h"

struct CODE4;
struct DATA4;
struct DATA4FILE;
struct FIELD4;
struct TAG4FILE;  // owned by the index layer; opaque here
struct E4EVAL;    // the registers of one evaluation (internal)

typedef void (*E4HANDLER)(E4EVAL &registers);

// One row of the function and operator table.
struct EXPR4FUNC {
    E4HANDLER handler;   // null for rows that are never evaluated
    const char *name;    // null: an overload of the named row above, or a row chosen by the parser
    int16_t code;        // rows with equal codes are overloads of one function
    uint8_t nameLen;
    uint8_t priority;    // operators only; 0 for functions
    char type;           // result type letter
    int8_t numParms;     // -1: n-ary operator (two or more operands of parms[0])
    char parms[6];       // parameter type letters
};

constexpr int E4FUNCTION_ROWS = 168;  // followed by the end row (code -1)
// The table, E4FUNCTION_ROWS rows and the end row.
const EXPR4FUNC *expr4functions();

// One postfix entry.
struct EXPR4ITEM {
    uint16_t fieldNo;     // 1-based number of the field read, 0 when none
    FIELD4 *field;        // the field read, or null
    int ownTable;         // 1: the field belongs to the table the expression is bound to
    void *pointer;        // field reads and DEL()/DELETED(): the record-buffer slot
                          // (unsigned char **); calculation entries: the calculation's EXPR4
    uint32_t len;         // result length
    int32_t subtree;      // entries of the sub-expression ending here, itself included
    int32_t numParms;     // operand count
    uint32_t resultPos;   // offset of the result in the work area
    int32_t i1;           // first integer argument (constant offset, field offset, start,
                          // compare length, first-operand length, decimals, fill digit...)
    int32_t i2;           // second integer argument (false-branch length, comparison tie)
    int16_t row;          // the function-table row after overload resolution
    E4HANDLER handler;    // copied from the row
};

// A parsed expression. One block holds the header, the items, the constants
// and the copy of the source; the work area is a second block.
struct EXPR4 {
    LINK4 link;           // on the context's list of live expressions
    int32_t s4valid;
    EXPR4ITEM *items;
    int32_t numItems;
    const char *source;
    char *constants;
    uint32_t len;         // result length
    char type;            // result type letter
    TAG4FILE *tag;        // the tag it was parsed for, or null
    DATA4 *data;          // the bound table handle
    DATA4FILE *dataFile;
    CODE4 *codeBase;
    uint32_t workSize;
    int hasTrim;          // TRIM(), LTRIM() or ALLTRIM() occurs
    int hasNullable;      // some field read can hold a null
    char *work;           // the work area
    uint32_t workCapacity;
    unsigned char *record;  // tag expressions read their own table's fields from here
    int owned;            // 1: a calculation's copy owned by the expression using it
};

// A named calculation of a context.
struct EXPR4CALC {
    LINK4 link;
    char name[65];        // upper case
    EXPR4 *expr;
    int parsing;          // set while its source is being parsed (refuses recursion)
};

// What a tag asks of the key builder; the index layer supplies it (see
// expr4tagOptionsHookSet). Without a hook or tag: machine order, narrow keys,
// the null-marker byte where a field can be null.
struct EXPR4KEYOPTIONS {
    int noNullByte;            // the tag stores keys without the null-marker byte
    int wideKeys;              // text keys are held as 16-bit characters
    unsigned collationExtra;   // extra bytes per character of a collation; 0 machine order
    // Transforms len bytes of text into len * (1 + collationExtra) key bytes.
    void (*collate)(const TAG4FILE *tag, const unsigned char *text, unsigned len, unsigned char *out);
};
typedef void (*EXPR4TAGOPTIONS)(const TAG4FILE *tag, EXPR4KEYOPTIONS *options);
// Install the index layer's hook (process-wide, set once at start); returns
// the hook it replaces.
EXPR4TAGOPTIONS expr4tagOptionsHookSet(EXPR4TAGOPTIONS hook);
// The hook installed (so that a test can put it back after its own).
EXPR4TAGOPTIONS expr4tagOptionsHook();

// Parse source against table handle d; null on failure (reported through the
// context when its expression-error switch is on).
EXPR4 *expr4parse(DATA4 *d, const char *source);
// The tag form: fields are read from the expression's record slot (bound to
// d's record buffer by expr4context), memo text is capped for keys, and
// references to another table are refused (-510).
EXPR4 *expr4parseTag(DATA4 *d, const char *source, TAG4FILE *tag);
void expr4free(EXPR4 *e);

// Evaluate; result points at the value (work area or record buffer) until the
// next evaluation or record change. The result length, or negative.
int expr4vary(EXPR4 *e, char **result);
// The result as a number: C/N text converted, D the day number, d/n the value, else 0.
double expr4double(EXPR4 *e);
// 1 or 0 for a logical expression; -950 for any other type; negative on failure.
int expr4true(EXPR4 *e);
// The text of a C or D result, NUL-terminated; null (-930) for other types.
const char *expr4str(EXPR4 *e);
// The key of the current record (tag null: the tag the expression was parsed
// for, if any). key points into the context's key buffer, NUL-terminated.
// The key length, or negative.
int expr4key(EXPR4 *e, char **key, TAG4FILE *tag);
// The key length expr4key produces.
int expr4keyLen(EXPR4 *e);
// 1 when e's key under tag (null: e's own tag) is a lone character field's
// bytes as they stand in the record (no trim, collation, wide form or null
// marker), so that expr4keyField may stand in for expr4key; else 0.
int expr4keyIsField(EXPR4 *e, TAG4FILE *tag);
// For such an expression: the key of the current record in place, in the
// record buffer (expr4keyLen bytes, not NUL-terminated).
const char *expr4keyField(const EXPR4 *e);
// Rebind to another handle of the same table.
int expr4context(EXPR4 *e, DATA4 *d);
// Tag expressions: read own-table fields from record (record length + 1
// bytes) until the next expr4context.
int expr4recordSet(EXPR4 *e, unsigned char *record);
// Evaluate only the sub-expression ending at entry; its length, or negative.
int expr4execute(EXPR4 *e, int entry, char **result);

int expr4len(const EXPR4 *e);            // result length, -1 for none
int expr4type(const EXPR4 *e);           // result type letter, 0 for none
const char *expr4source(const EXPR4 *e); // "" for none
int expr4nullable(const EXPR4 *e);       // some field read can hold a null
// 1 when a null-capable field the expression reads is null in the record it
// is bound to (a null key), else 0.
int expr4null(const EXPR4 *e);
// 1 when the expression reads a memo field (its value then depends on the
// handle's memo entries, not only on the record buffer), else 0.
int expr4readsMemo(const EXPR4 *e);

// Named calculations. expr4calcCreate hands e to the context (freed by
// expr4calcReset or code4initUndo); name at most 64 characters.
int expr4calcCreate(CODE4 *c, EXPR4 *e, const char *name);
EXPR4CALC *expr4calcLookup(CODE4 *c, const char *name);
void expr4calcReset(CODE4 *c);

// Context settings of the expression layer.
// The expression-error switch (default 1); value < 0 only reads. Returns the previous value.
int code4exprError(CODE4 *c, int value);
// Length of memo text inside expressions (default 1024); value 0 only reads.
long code4memSizeMemoExpr(CODE4 *c, long value);
