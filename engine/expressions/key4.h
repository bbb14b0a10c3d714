// Key encodings: how a value of each expression result type becomes the
// fixed-length bytes that index tags and sorted relations compare as
// unsigned bytes, first byte most significant, so that byte order equals
// value order. Shared by the evaluator (expr4key), ASCEND()/DESCEND(), the
// index layer (string-to-key and number-to-key conversions) and the relation.
//
// Every function is pure: it reads the value, writes key bytes to out
// (outLen bytes available) and returns the number of key bytes written. When
// outLen is too small nothing is written and e4parm (-930) is returned; the
// caller reports it. Nothing here reports through the error routine.
//
// Inputs are the values as the evaluator holds them: doubles and logicals
// in native form (any alignment), field contents as the little-endian bytes
// of the record buffer.
//
// Byte layouts (offsets within the key; "BE" most significant byte first):
//
//  type   len  layout
//  n d N D  8  IEEE 754 double, BE bit pattern; value >= 0 (-0.0 and 0.0
//              alike): sign bit set; value < 0: all 64 bits inverted; NaN
//              sorts after +infinity (FF F8 00 00 00 00 00 00).
//              N: the numeric text read by c4atod first. D: the day number
//              of "CCYYMMDD" (blank or invalid text is day 0).
//  T        8  encoded as n: day + (milliseconds rounded to the nearest whole
//              second) / 86 400 000. Field: int32 LE day at 0, int32 LE
//              milliseconds since midnight at 4.
//  I Q      4  int32 two's complement, BE, sign bit inverted. Field: I int32
//              LE (4 bytes); Q int16 LE (2 bytes), sign-extended.
//  P R      4  uint32 BE. Field: P uint32 LE (4 bytes); R uint16 LE (2 bytes).
//  L        1  'T' true, 'F' false.
//  Y 1      8  int64 two's complement, BE, sign bit inverted. Field: int64 LE
//              (Y: units of 1/10 000).
//  2        6  year, month, day: three 16-bit values BE at 0, 2, 4.
//              Field: three 16-bit LE at 0, 2, 4.
//  3        6  hour, minute, second: three 16-bit values BE with the sign bit
//              inverted, at 0, 2, 4. Field: three 16-bit LE.
//  4       16  year, month, day, hour, minute, second: six 16-bit BE at 0..10,
//              then the fraction of the second, 32-bit BE at 12.
//              Field: six 16-bit LE, then the fraction 32-bit LE at 12.
//  W O   2*n  each 16-bit character BE; pad 0x00. Field: 16-bit LE characters.
//  C     len  the bytes as they are; pad blank (machine collation; named
//              collations are the index layer's).
//
// Null marker: a key over a null-capable field is one byte longer and starts
// with KEY4_NULL_MARKER (0x80) when no referenced field is null; when one is
// null the whole key, marker included, is zero bytes (key4nullMark).
//
// ASCEND()/DESCEND() forms (key4ascend): C, D unchanged; L '1' / '0';
// N the numeric text made sortable (key4numericAscend; a blank number takes
// the form of zero at the field's width and decimals); d the "CCYYMMDD" text
// of the day (8 blanks when blank); every other type its key encoding.
// DESCEND complements every byte (key4invert).
#pragma once
#include <cstdint>

constexpr unsigned char KEY4_NULL_MARKER = 0x80;
constexpr int KEY4_DOUBLE_LEN = 8;     // n d N D T
constexpr int KEY4_INT_LEN = 4;        // I P Q R
constexpr int KEY4_LOGICAL_LEN = 1;    // L
constexpr int KEY4_INT64_LEN = 8;      // Y 1
constexpr int KEY4_PARTS_LEN = 6;      // 2 3
constexpr int KEY4_TIMESTAMP_LEN = 16; // 4

// --- one function per type code -------------------------------------------

// 'n', 'd': value -> 8 native-order double bytes.
int key4double(const void *value, unsigned char *out, int outLen);
// 'N': numeric text of len bytes (need not be terminated).
int key4numericText(const char *text, int len, unsigned char *out, int outLen);
// 'D': 8 bytes "CCYYMMDD"; blank or invalid is day 0.
int key4dateText(const char *date8, unsigned char *out, int outLen);
// 'T': 8 field bytes (int32 LE day, int32 LE milliseconds).
int key4dateTime(const unsigned char *field8, unsigned char *out, int outLen);
// 'I': 4 field bytes int32 LE.
int key4int32(const unsigned char *field4, unsigned char *out, int outLen);
// 'Q': 2 field bytes int16 LE, sign-extended.
int key4int16(const unsigned char *field2, unsigned char *out, int outLen);
// 'P': 4 field bytes uint32 LE.
int key4uint32(const unsigned char *field4, unsigned char *out, int outLen);
// 'R': 2 field bytes uint16 LE, zero-extended.
int key4uint16(const unsigned char *field2, unsigned char *out, int outLen);
// 'L': value -> native int32, non-zero is true.
int key4logical(const void *value, unsigned char *out, int outLen);
// 'Y', '1': 8 field bytes int64 LE.
int key4int64(const unsigned char *field8, unsigned char *out, int outLen);
// '2': 6 field bytes (year, month, day 16-bit LE).
int key4dateParts(const unsigned char *field6, unsigned char *out, int outLen);
// '3': 6 field bytes (hour, minute, second 16-bit LE).
int key4timeParts(const unsigned char *field6, unsigned char *out, int outLen);
// '4': 16 field bytes (six 16-bit LE, fraction 32-bit LE).
int key4timestamp(const unsigned char *field16, unsigned char *out, int outLen);
// 'W', 'O': len bytes of 16-bit LE characters -> outLen key bytes (all of
// out is written: the characters that fit, then 0x00 pad). Returns outLen.
int key4wide(const unsigned char *text, int len, unsigned char *out, int outLen);
// 'C': len bytes -> outLen key bytes (all of out is written: the text cut to
// outLen, then blank pad). nulsToBlanks: trailing NUL bytes of the text
// become blanks (results of TRIM() and friends). Returns outLen.
int key4text(const char *text, int len, int nulsToBlanks, unsigned char *out, int outLen);

// --- search values and numbers given as text or double --------------------

// 'T' from text "CCYYMMDDhh:mm:ss"; a text shorter than 16 characters gives
// 8 zero bytes. An invalid date part is day 0.
int key4dateTimeText(const char *text, int len, unsigned char *out, int outLen);
// 'L' from text: the first of T t Y y (true) or F f N n (false); other
// characters are skipped; neither gives 'F'.
int key4logicalText(const char *text, int len, unsigned char *out, int outLen);
// 'Y' from a double: the value with 4 decimals (rounded half away from
// zero) as units of 1/10 000; values beyond the int64 range are clamped.
int key4currencyDouble(double value, unsigned char *out, int outLen);
// 'Y' from text: leading blanks, optional sign, digits, '.', up to 4 fraction
// digits (further digits are dropped); clamped like key4currencyDouble.
int key4currencyText(const char *text, int len, unsigned char *out, int outLen);

// --- by type code ---------------------------------------------------------

// Key length of a result of type `type` and result length resultLen, without
// the null marker: n d N D T Y 1 -> 8; I P Q R -> 4; L -> 1; 2 3 -> 6;
// 4 -> 16; C W O -> resultLen; any other type -> e4info (-910).
int key4len(char type, int resultLen);
// The key of a value of type `type` (valueLen: its length in bytes, used by
// C, N, W and O). Returns the key length (key4len(type, valueLen)), e4info
// (-910) for a type without an encoding, or e4parm (-930) when outLen is too
// small. C is copied as it is (an expression with TRIM() calls key4text
// itself to turn trailing NULs into blanks); W and O give valueLen bytes.
int key4convert(char type, const void *value, int valueLen, unsigned char *out, int outLen);
// The ASCEND() form of a value (see the table above); its length is that of
// key4convert, except L -> 1, D and d -> 8, N -> valueLen. decimals: those
// of an N value's field.
int key4ascend(char type, const void *value, int valueLen, unsigned char *out, int outLen, int decimals = 0);
// ASCEND() of numeric text: leading blanks become '0'; when a '-' is among
// the leading characters it becomes '0' too and every byte c of the result
// becomes 92 - c, so negatives sort below positives, larger magnitudes lower.
// An all-blank text is zero: '0's with the point where a field of len bytes
// and these decimals puts it ("0000.00"), so it sorts with the zeros.
int key4numericAscend(const char *text, int len, unsigned char *out, int outLen, int decimals = 0);
// Complement every byte (DESCEND()).
void key4invert(unsigned char *key, int len);
// Finish a key whose value was written at key + 1: isNull zeroes all keyLen
// bytes, otherwise key[0] becomes KEY4_NULL_MARKER.
void key4nullMark(unsigned char *key, int keyLen, int isNull);
