// Field descriptors FIELD4: read and assign one field of a table handle's
// record buffer, converting between the stored form of each type and the
// requested one. Every assignment clears the field's null bit and marks the
// handle changed.
#pragma once
#include <cstdint>

struct DATA4;
struct F4MEMO;

struct FIELD4 {
    int32_t s4valid;
    char name[11];
    char type;              // the type it reads as: the file's, but I for
                            // Harbour's '+' and T for its '=' and '@'
    char fileType;          // the type byte of the file
    uint16_t len;
    uint16_t dec;
    uint32_t offset;        // position in the record; the first field is at 1
    DATA4 *data;
    int nullable;           // level 30: descriptor flag 0x02
    int nullBit;            // bit number among nullable fields
    int nullByte;           // byte of _NullFlags holding the bit
    unsigned char nullMask;
    int binary;             // level 30: 1 binary flag, 2 M/G without it, else 0
    int autoIncrement;
    F4MEMO *memo;           // memo entry of M, G and X fields (and W blobs)
    // Version-0x32 tables: a V or Q field's value is shorter than the field
    // when its length bit in _NullFlags is set (field4var.cpp).
    int varLength;
    int varByte;            // byte of _NullFlags holding the length bit
    unsigned char varMask;
    int counterSlot;        // the newer writers' autoincrement: 1 + descriptor slot
};

const char *f4name(const FIELD4 *f);
int f4type(const FIELD4 *f);           // 'Z' for binary C, 'X' for binary M
unsigned f4len(const FIELD4 *f);
int f4decimals(const FIELD4 *f);
int f4number(const FIELD4 *f);         // 1-based
char *f4ptr(const FIELD4 *f);          // the field's bytes in the record buffer
char *f4data(const FIELD4 *f);
char *f4assignPtr(FIELD4 *f);          // the same for writing: clears null, sets changed

char *f4str(FIELD4 *f);                // in the context's scratch buffer, NUL-terminated
int f4char(FIELD4 *f);
long f4long(FIELD4 *f);
int f4int(FIELD4 *f);
double f4double(FIELD4 *f);
int f4true(FIELD4 *f);
const char *f4currency(FIELD4 *f, int decimals);
const char *f4dateTime(FIELD4 *f);
unsigned f4ncpy(FIELD4 *f, char *buffer, unsigned size);

int f4assign(FIELD4 *f, const char *text);
int f4assignN(FIELD4 *f, const char *text, unsigned len);
int f4assignChar(FIELD4 *f, int character);
int f4assignLong(FIELD4 *f, long value);
int f4assignInt(FIELD4 *f, int value);
int f4assignDouble(FIELD4 *f, double value);
int f4assignCurrency(FIELD4 *f, const char *text);
int f4assignDateTime(FIELD4 *f, const char *text);
int f4assignNull(FIELD4 *f);
int f4null(const FIELD4 *f);
int f4blank(FIELD4 *f);
// The length of the value a V or Q field of a version-0x32 table holds (its
// last byte when the length bit is set, else the field's length); for every
// other field its length. Its bytes start at f4ptr.
unsigned f4varLen(const FIELD4 *f);
// The same for the field's bytes in record, a record buffer of its table
// (the evaluator reads old and new records); no stamp check.
unsigned field4varLenIn(const FIELD4 *f, const unsigned char *record);
