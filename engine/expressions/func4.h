// The handlers of the function table, one family per source file. Every
// handler pops its operands' pointers from the result stack, writes its
// result at its entry's place in the work area (reading every operand before
// it overwrites the first one's place) and pushes one pointer. A handler
// never reads or writes outside its operands and its result: lengths and
// offsets are fixed and clipped by the type pass.
#pragma once
#include "expr4internal.h"

// func4field.cpp: fields and constants
void e4fieldPtr(E4EVAL &r);
void e4fieldCopy(E4EVAL &r);
void e4fieldCopyO(E4EVAL &r);
void e4fieldLogical(E4EVAL &r);
void e4fieldDateDouble(E4EVAL &r);
void e4fieldNumDouble(E4EVAL &r);
void e4fieldDouble(E4EVAL &r);
void e4fieldShort(E4EVAL &r);
void e4fieldIntDouble(E4EVAL &r);
void e4fieldCurrencyDouble(E4EVAL &r);
void e4fieldMemo(E4EVAL &r);
void e4constDouble(E4EVAL &r);
void e4constText(E4EVAL &r);

// func4logic.cpp: logic, arithmetic, date arithmetic
void e4true(E4EVAL &r);
void e4false(E4EVAL &r);
void e4not(E4EVAL &r);
void e4or(E4EVAL &r);
void e4and(E4EVAL &r);
void e4add(E4EVAL &r);
void e4addNumDate(E4EVAL &r);
void e4addDateNum(E4EVAL &r);
void e4sub(E4EVAL &r);
void e4subDates(E4EVAL &r);
void e4subDateNum(E4EVAL &r);
void e4multiply(E4EVAL &r);
void e4divide(E4EVAL &r);
void e4power(E4EVAL &r);

// func4compare.cpp: comparisons and "$"
void e4eqText(E4EVAL &r);
void e4eqExactText(E4EVAL &r);
void e4neText(E4EVAL &r);
void e4gtText(E4EVAL &r);
void e4ltText(E4EVAL &r);
void e4geText(E4EVAL &r);
void e4leText(E4EVAL &r);
void e4eqDouble(E4EVAL &r);
void e4neDouble(E4EVAL &r);
void e4gtDouble(E4EVAL &r);
void e4ltDouble(E4EVAL &r);
void e4geDouble(E4EVAL &r);
void e4leDouble(E4EVAL &r);
void e4eqLogical(E4EVAL &r);
void e4neLogical(E4EVAL &r);
void e4eqCurrency(E4EVAL &r);
void e4neCurrency(E4EVAL &r);
void e4gtCurrency(E4EVAL &r);
void e4ltCurrency(E4EVAL &r);
void e4geCurrency(E4EVAL &r);
void e4leCurrency(E4EVAL &r);
void e4eqDateTime(E4EVAL &r);
void e4neDateTime(E4EVAL &r);
void e4gtDateTime(E4EVAL &r);
void e4ltDateTime(E4EVAL &r);
void e4geDateTime(E4EVAL &r);
void e4leDateTime(E4EVAL &r);
void e4contains(E4EVAL &r);

// func4text.cpp: concatenation and text functions
void e4concat(E4EVAL &r);
void e4concatTrim(E4EVAL &r);
void e4concatBlank(E4EVAL &r);
void e4chr(E4EVAL &r);
void e4substr(E4EVAL &r);
void e4upper(E4EVAL &r);
void e4space(E4EVAL &r);
void e4trim(E4EVAL &r);
void e4ltrim(E4EVAL &r);
void e4alltrim(E4EVAL &r);
void e4padl(E4EVAL &r);
void e4padr(E4EVAL &r);
void e4iifText(E4EVAL &r);
void e4iifDouble(E4EVAL &r);
void e4iifLogical(E4EVAL &r);

// func4convert.cpp: number conversions, ASCEND() and DESCEND()
void e4str(E4EVAL &r);
void e4strWide(E4EVAL &r);
void e4strZero(E4EVAL &r);
void e4val(E4EVAL &r);
void e4l2bin(E4EVAL &r);
template <char Type, bool Descend>
void e4keyForm(E4EVAL &r);

// func4date.cpp: dates and times
void e4time(E4EVAL &r);
void e4dtos(E4EVAL &r);
void e4dtosDouble(E4EVAL &r);
void e4dtoc(E4EVAL &r);
void e4dtocDouble(E4EVAL &r);
void e4datetime(E4EVAL &r);
void e4stod(E4EVAL &r);
void e4ctod(E4EVAL &r);
void e4date(E4EVAL &r);
void e4day(E4EVAL &r);
void e4dayDouble(E4EVAL &r);
void e4month(E4EVAL &r);
void e4monthDouble(E4EVAL &r);
void e4year(E4EVAL &r);
void e4yearDouble(E4EVAL &r);

// func4table.cpp: the record, the table and named calculations
void e4del(E4EVAL &r);
void e4deleted(E4EVAL &r);
void e4reccount(E4EVAL &r);
void e4recno(E4EVAL &r);
void e4calc(E4EVAL &r);
