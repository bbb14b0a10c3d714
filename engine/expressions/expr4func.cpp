// The function and operator table. Row order is part of the language: name
// lookup takes the first matching row (so longer operator names stand before
// their prefixes), and overloads are consecutive rows with one code that the
// type pass tries in turn. Rows without a name are chosen by the parser
// (fields, constants) or reached as overloads.
#include "expr4internal.h"
#include "func4.h"

namespace {

#define ROW(h, name, code, prio, type, n, ...) \
    {h, name, code, (uint8_t)(sizeof(name) > 1 ? sizeof(name) - 1 : 0), prio, type, n, {__VA_ARGS__}}
#define NONAME(h, code, type, n, ...) {h, nullptr, code, 0, 0, type, n, {__VA_ARGS__}}

template <char T>
constexpr E4HANDLER asc = e4keyForm<T, false>;
template <char T>
constexpr E4HANDLER desc = e4keyForm<T, true>;

constexpr EXPR4FUNC kTable[] = {
    // 0..25: fields and constants, chosen by the parser
    NONAME(e4fieldPtr, 0, 'C', 0),             // 0 character field
    NONAME(e4fieldPtr, 0, 'W', 0),             // 1 W field
    NONAME(e4fieldCopyO, 0, 'O', 0),           // 2 O field
    NONAME(e4fieldCopy, 1, 'C', 0),            // 3 character field rewritten in place
    NONAME(e4fieldCopy, 2, 'W', 0),            // 4 W field rewritten in place
    NONAME(e4fieldLogical, 3, 'L', 0),         // 5 logical field
    NONAME(e4fieldDateDouble, 4, 'd', 0),      // 6 date field as a day number
    NONAME(e4fieldPtr, 5, 'D', 0),             // 7 date field
    NONAME(e4fieldNumDouble, 6, 'n', 0),       // 8 numeric field as a double
    NONAME(e4fieldPtr, 7, 'N', 0),             // 9 numeric field
    NONAME(e4fieldPtr, 440, 'Y', 0),           // 10 currency field
    NONAME(e4fieldDouble, 441, 'n', 0),        // 11 double field
    NONAME(e4fieldPtr, 442, 'I', 0),           // 12 integer field
    NONAME(e4fieldPtr, 443, 'P', 0),           // 13
    NONAME(e4fieldShort, 444, 'Q', 0),         // 14
    NONAME(e4fieldShort, 445, 'R', 0),         // 15
    NONAME(e4fieldPtr, 446, 'T', 0),           // 16 date-time field
    NONAME(e4fieldIntDouble, 447, 'n', 0),     // 17 integer field as a double
    NONAME(e4fieldCurrencyDouble, 448, 'n', 0),// 18 currency field as a double
    NONAME(e4fieldPtr, 449, '1', 0),           // 19
    NONAME(e4fieldPtr, 450, '2', 0),           // 20
    NONAME(e4fieldPtr, 451, '3', 0),           // 21
    NONAME(e4fieldPtr, 452, '4', 0),           // 22
    NONAME(e4fieldMemo, 7, 'C', 0),            // 23 memo field as text
    NONAME(e4constDouble, 8, 'n', 0),          // 24 numeric constant
    NONAME(e4constText, 9, 'C', 0),            // 25 string constant

    // 26..90: logical constants and operators
    ROW(e4true, ".TRUE.", 14, 0, 'L', 0),      // 26
    ROW(e4true, ".T.", 14, 0, 'L', 0),         // 27
    ROW(e4false, ".FALSE.", 16, 0, 'L', 0),    // 28
    ROW(e4false, ".F.", 16, 0, 'L', 0),        // 29
    ROW(e4not, ".NOT.", 18, 5, 'L', 1, 'L'),   // 30
    ROW(e4not, "!", 18, 5, 'L', 1, 'L'),       // 31
    ROW(e4or, ".OR.", 20, 3, 'L', -1, 'L'),    // 32
    ROW(e4and, ".AND.", 22, 4, 'L', -1, 'L'),  // 33
    ROW(e4concat, "+", 25, 7, 'C', 2, 'C', 'C'),  // 34 plain
    NONAME(e4concat, 25, 'W', 2, 'W', 'W'),       // 35
    NONAME(e4concat, 25, 'O', 2, 'O', 'O'),       // 36
    NONAME(e4concatTrim, 25, 'C', 2, 'C', 'C'),   // 37 trimming, chosen by the type pass
    NONAME(e4add, 25, 'n', 2, 'n', 'n'),          // 38
    NONAME(e4addNumDate, 25, 'd', 2, 'n', 'd'),   // 39
    NONAME(e4addDateNum, 25, 'd', 2, 'd', 'n'),   // 40
    ROW(e4concatBlank, "-", 30, 7, 'C', 2, 'C', 'C'),  // 41
    NONAME(e4sub, 30, 'n', 2, 'n', 'n'),          // 42
    NONAME(e4subDates, 30, 'n', 2, 'd', 'd'),     // 43
    NONAME(e4subDateNum, 30, 'd', 2, 'd', 'n'),   // 44
    ROW(e4neText, "#", 50, 6, 'L', 2, 'C', 'C'),  // 45
    ROW(e4neText, "<>", 50, 6, 'L', 2, 'C', 'C'), // 46
    NONAME(e4neDouble, 50, 'L', 2, 'n', 'n'),     // 47
    NONAME(e4neDouble, 50, 'L', 2, 'd', 'd'),     // 48
    NONAME(e4neLogical, 50, 'L', 2, 'L', 'L'),    // 49
    NONAME(e4neCurrency, 50, 'L', 2, 'Y', 'Y'),   // 50
    NONAME(e4neDateTime, 50, 'L', 2, 'T', 'T'),   // 51
    ROW(e4geText, ">=", 60, 6, 'L', 2, 'C', 'C'), // 52
    ROW(e4geText, "=>", 60, 6, 'L', 2, 'C', 'C'), // 53
    NONAME(e4geDouble, 60, 'L', 2, 'n', 'n'),     // 54
    NONAME(e4geDouble, 60, 'L', 2, 'd', 'd'),     // 55
    NONAME(e4geCurrency, 60, 'L', 2, 'Y', 'Y'),   // 56
    NONAME(e4geDateTime, 60, 'L', 2, 'T', 'T'),   // 57
    ROW(e4leText, "<=", 70, 6, 'L', 2, 'C', 'C'), // 58
    ROW(e4leText, "=<", 70, 6, 'L', 2, 'C', 'C'), // 59
    NONAME(e4leDouble, 70, 'L', 2, 'n', 'n'),     // 60
    NONAME(e4leDouble, 70, 'L', 2, 'd', 'd'),     // 61
    NONAME(e4leCurrency, 70, 'L', 2, 'Y', 'Y'),   // 62
    NONAME(e4leDateTime, 70, 'L', 2, 'T', 'T'),   // 63
    ROW(e4eqExactText, "==", 42, 6, 'L', 2, 'C', 'C'),  // 64 exact equality
    NONAME(e4eqLogical, 42, 'L', 2, 'L', 'L'),          // 65
    NONAME(e4eqDouble, 42, 'L', 2, 'n', 'n'),           // 66
    NONAME(e4eqDouble, 42, 'L', 2, 'd', 'd'),           // 67
    NONAME(e4eqCurrency, 42, 'L', 2, 'Y', 'Y'),         // 68
    NONAME(e4eqDateTime, 42, 'L', 2, 'T', 'T'),         // 69
    ROW(e4eqText, "=", 40, 6, 'L', 2, 'C', 'C'),  // 70
    NONAME(e4eqLogical, 40, 'L', 2, 'L', 'L'),    // 71
    NONAME(e4eqDouble, 40, 'L', 2, 'n', 'n'),     // 72
    NONAME(e4eqDouble, 40, 'L', 2, 'd', 'd'),     // 73
    NONAME(e4eqCurrency, 40, 'L', 2, 'Y', 'Y'),   // 74
    NONAME(e4eqDateTime, 40, 'L', 2, 'T', 'T'),   // 75
    ROW(e4gtText, ">", 80, 6, 'L', 2, 'C', 'C'),  // 76
    NONAME(e4gtDouble, 80, 'L', 2, 'n', 'n'),     // 77
    NONAME(e4gtDouble, 80, 'L', 2, 'd', 'd'),     // 78
    NONAME(e4gtCurrency, 80, 'L', 2, 'Y', 'Y'),   // 79
    NONAME(e4gtDateTime, 80, 'L', 2, 'T', 'T'),   // 80
    ROW(e4ltText, "<", 90, 6, 'L', 2, 'C', 'C'),  // 81
    NONAME(e4ltDouble, 90, 'L', 2, 'n', 'n'),     // 82
    NONAME(e4ltDouble, 90, 'L', 2, 'd', 'd'),     // 83
    NONAME(e4ltCurrency, 90, 'L', 2, 'Y', 'Y'),   // 84
    NONAME(e4ltDateTime, 90, 'L', 2, 'T', 'T'),   // 85
    ROW(e4power, "^", 100, 9, 'n', 2, 'n', 'n'),  // 86
    ROW(e4power, "**", 100, 9, 'n', 2, 'n', 'n'), // 87
    ROW(e4multiply, "*", 102, 8, 'n', 2, 'n', 'n'),  // 88
    ROW(e4divide, "/", 105, 8, 'n', 2, 'n', 'n'),    // 89
    ROW(e4contains, "$", 110, 6, 'L', 2, 'C', 'C'),  // 90

    // 91..161: functions
    ROW(e4chr, "CHR", 120, 0, 'C', 1, 'n'),           // 91
    ROW(e4del, "DEL", 130, 0, 'C', 0),                // 92
    ROW(e4str, "STR", 140, 0, 'C', 1, 'n'),           // 93
    // 94: STR of a W field; reached only through the parser's field rule,
    // never by name.
    NONAME(e4strWide, 140, 'C', 1, 'W'),
    ROW(e4strZero, "STRZERO", 145, 0, 'C', 1, 'n'),   // 95
    ROW(e4substr, "SUBSTR", 150, 0, 'C', 1, 'C'),     // 96
    ROW(e4time, "TIME", 160, 0, 'C', 0),              // 97
    ROW(e4upper, "UPPER", 170, 0, 'C', 1, 'C'),       // 98
    ROW(e4dtos, "DTOS", 180, 0, 'C', 1, 'D'),         // 99
    NONAME(e4dtosDouble, 180, 'C', 1, 'd'),           // 100
    ROW(e4dtoc, "DTOC", 200, 0, 'C', 1, 'D'),         // 101
    NONAME(e4dtocDouble, 200, 'C', 1, 'd'),           // 102
    ROW(e4space, "SPACE", 210, 0, 'C', 1, 'n'),       // 103
    ROW(e4trim, "TRIM", 220, 0, 'C', 1, 'C'),         // 104
    ROW(e4ltrim, "LTRIM", 230, 0, 'C', 1, 'C'),       // 105
    ROW(e4alltrim, "ALLTRIM", 235, 0, 'C', 1, 'C'),   // 106
    ROW(e4substr, "LEFT", 240, 0, 'C', 1, 'C'),       // 107
    ROW(e4substr, "RIGHT", 245, 0, 'C', 1, 'C'),      // 108
    ROW(e4padl, "PADL", 246, 0, 'C', 1, 'C'),         // 109
    ROW(e4padr, "PADR", 247, 0, 'C', 1, 'C'),         // 110
    ROW(e4iifText, "IIF", 250, 0, 'C', 3, 'L', 'C', 'C'),  // 111
    NONAME(e4iifDouble, 250, 'n', 3, 'L', 'n', 'n'),       // 112
    NONAME(e4iifDouble, 250, 'd', 3, 'L', 'd', 'd'),       // 113
    NONAME(e4iifLogical, 250, 'L', 3, 'L', 'L', 'L'),      // 114
    ROW(e4datetime, "DATETIME", 259, 0, 'T', 3, 'n', 'n', 'n'),  // 115
    ROW(e4stod, "STOD", 260, 0, 'd', 1, 'C'),         // 116
    ROW(e4ctod, "CTOD", 270, 0, 'd', 1, 'C'),         // 117
    ROW(e4date, "DATE", 280, 0, 'd', 0),              // 118
    ROW(e4day, "DAY", 290, 0, 'n', 1, 'D'),           // 119
    NONAME(e4dayDouble, 290, 'n', 1, 'd'),            // 120
    ROW(e4month, "MONTH", 310, 0, 'n', 1, 'D'),       // 121
    NONAME(e4monthDouble, 310, 'n', 1, 'd'),          // 122
    ROW(e4year, "YEAR", 340, 0, 'n', 1, 'D'),         // 123
    NONAME(e4yearDouble, 340, 'n', 1, 'd'),           // 124
    ROW(e4deleted, "DELETED", 350, 0, 'L', 0),        // 125
    ROW(e4reccount, "RECCOUNT", 360, 0, 'n', 0),      // 126
    ROW(e4recno, "RECNO", 370, 0, 'n', 0),            // 127
    ROW(e4val, "VAL", 380, 0, 'n', 1, 'C'),           // 128
    ROW(e4l2bin, "L2BIN", 385, 0, 'C', 1, 'n'),       // 129
    NONAME(e4calc, 390, 0, 0),                        // 130 named calculation
    NONAME(nullptr, 400, 0, 0),                       // 131 never chosen
    NONAME(nullptr, 410, 0, 0),                       // 132 never chosen
    ROW(desc<'C'>, "DESCEND", 420, 0, 'C', 1, 'C'),   // 133
    NONAME(desc<'N'>, 420, 'C', 1, 'N'),              // 134
    NONAME(desc<'d'>, 420, 'C', 1, 'd'),              // 135
    NONAME(desc<'L'>, 420, 'C', 1, 'L'),              // 136
    NONAME(desc<'T'>, 420, 'C', 1, 'T'),              // 137
    NONAME(desc<'I'>, 420, 'C', 1, 'I'),              // 138
    NONAME(desc<'Y'>, 420, 'C', 1, 'Y'),              // 139
    NONAME(desc<'W'>, 420, 'C', 1, 'W'),              // 140
    NONAME(desc<'O'>, 420, 'C', 1, 'O'),              // 141
    NONAME(desc<'n'>, 420, 'C', 1, 'n'),              // 142
    NONAME(desc<'1'>, 420, 'C', 1, '1'),              // 143
    NONAME(desc<'P'>, 420, 'C', 1, 'P'),              // 144
    NONAME(desc<'R'>, 420, 'C', 1, 'R'),              // 145
    NONAME(desc<'Q'>, 420, 'C', 1, 'Q'),              // 146
    NONAME(desc<'2'>, 420, 'C', 1, '2'),              // 147
    NONAME(desc<'3'>, 420, 'C', 1, '3'),              // 148
    NONAME(desc<'4'>, 420, 'C', 1, '4'),              // 149
    ROW(asc<'C'>, "ASCEND", 430, 0, 'C', 1, 'C'),     // 150
    NONAME(asc<'W'>, 430, 'C', 1, 'W'),               // 151
    NONAME(asc<'O'>, 430, 'C', 1, 'O'),               // 152
    NONAME(asc<'N'>, 430, 'C', 1, 'N'),               // 153
    NONAME(asc<'D'>, 430, 'C', 1, 'D'),               // 154
    NONAME(asc<'d'>, 430, 'C', 1, 'd'),               // 155
    NONAME(asc<'L'>, 430, 'C', 1, 'L'),               // 156
    NONAME(asc<'I'>, 430, 'C', 1, 'I'),               // 157
    NONAME(asc<'T'>, 430, 'C', 1, 'T'),               // 158
    NONAME(asc<'Y'>, 430, 'C', 1, 'Y'),               // 159
    NONAME(asc<'n'>, 430, 'C', 1, 'n'),               // 160
    NONAME(asc<'P'>, 430, 'C', 1, 'P'),               // 161
    NONAME(asc<'R'>, 430, 'C', 1, 'R'),               // 162
    NONAME(asc<'Q'>, 430, 'C', 1, 'Q'),               // 163
    NONAME(asc<'1'>, 430, 'C', 1, '1'),               // 164
    NONAME(asc<'2'>, 430, 'C', 1, '2'),               // 165
    NONAME(asc<'3'>, 430, 'C', 1, '3'),               // 166
    NONAME(asc<'4'>, 430, 'C', 1, '4'),               // 167
    NONAME(nullptr, -1, 0, 0),                        // 168 end row
};

#undef ROW
#undef NONAME

static_assert(sizeof kTable / sizeof kTable[0] == E4FUNCTION_ROWS + 1, "168 rows and the end row");
static_assert(kTable[E4R_TRUE].code == 14 && kTable[E4R_OR].code == 20 && kTable[E4R_AND].code == 22);
static_assert(kTable[E4R_ADD_C].code == E4C_ADD && kTable[E4R_ADD_C_TRIM].code == E4C_ADD);
static_assert(kTable[E4R_CHR].code == E4C_CHR && kTable[E4R_STR_W].code == E4C_STR);
static_assert(kTable[E4R_CALC].code == E4C_CALC && kTable[E4R_DESCEND].code == E4C_DESCEND);
static_assert(kTable[E4R_ASCEND].code == E4C_ASCEND && kTable[E4R_ASCEND - 1].code == E4C_DESCEND);
static_assert(kTable[E4R_FUNCTION_LAST].code == E4C_ASCEND && kTable[E4R_END].code == -1);
static_assert(kTable[E4R_OPERATOR_LAST].code == 110 && kTable[E4R_OPERATOR_FIRST].code == 20);

}  // namespace

const EXPR4FUNC *expr4functions() { return kTable; }
