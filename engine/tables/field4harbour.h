// Field types of Harbour and xHarbour tables, in level-25 tables (0x03):
//
//   type  width  stored as                       reads as   on append
//   '+'   4      int32, little-endian            I          the counter
//   '='   8      day number and milliseconds     T          the current time
//                since midnight, int32 LE each
//   '@'   8      as '='                          T          blank (zeros)
//
// An autoincrement ('+') field's counter lives in its descriptor:
//   off  size  meaning
//    19     4  the value the next appended record takes (uint32 LE)
//    23     1  the step the counter grows by after each append (0: 1)
// The engine never assigns these three fields: every assignment to them is
// refused, and only an append gives '+' and '=' their values.
//
// The same writers put the FoxPro types I, B, T and Y in level-25 tables:
// they read as in level-30 tables (B, T and Y only in their 8-byte form;
// a B of another width is dBASE's binary memo, still refused) and blank to
// zeros like every binary-stored field.
#pragma once

struct DATA4;
struct DATA4FILE;
struct FIELD4;

namespace dbf {

// Whether a level-30 type's descriptor is admitted in a level-25 table.
bool harbourAdmits(const unsigned char *desc);
// The type a field of this file type reads as ('+' I, '=' and '@' T).
unsigned char readsAs(unsigned char fileType);
// Whether a field of this file type is stored in binary (blanks to zeros).
bool storedBinary(unsigned char fileType);

}  // namespace dbf

// Whether the table keeps the field itself ('+', '=', '@'); assignments to
// it are refused.
bool field4keptByTable(const FIELD4 *f);
// Reports the refusal of an assignment to such a field; returns its code.
int field4refuseKept(const FIELD4 *f);

// Before an append writes the record buffer: '+' fields take their
// counters and '=' fields the current time, and the counters as they will
// be after this append are written to the file (a failed append leaves a
// gap in the numbers, never a number twice). 0 or a code.
int d4harbourStamp(DATA4 *d);
// The append succeeded: the counters in memory advance by their steps.
void d4harbourAppended(DATA4 *d);
