// Table-file internals shared by the files of the tables layer: the byte
// layout of a table file (".dbf") as constants, the field-type rules, and the
// operations on the shared table-file object DATA4FILE.
//
// Table file, all integers little-endian:
//
//   File header, 32 bytes at offset 0
//   off  size  meaning
//     0     1  version: 0x30 level-30 table, 0x31 level 30 with an
//              autoincrement field (the engine's, marked in bytes 12..19, or
//              the newer writers', in its descriptor), 0x32 level 30 with
//              varchar, varbinary or blob fields; anything else level 25/26,
//              bit 7 (0x80) saying a memo file belongs to it. Created as
//              0x30/0x31/0x32 at level 30, 0xF5 (memo fields) or 0x03
//              otherwise.
//     1     3  last update: year modulo 100, month 1-12, day 1-31
//     4     4  record count (int32; -1 marks the file corrupt)
//     8     2  header length = offset of the first record, > 32
//    10     2  record length including the deletion-flag byte, > 0
//    12     8  version 0x31: autoincrement marker 01 00 00 00 00 00 00 00
//    20     8  version 0x31: next autoincrement value (IEEE double)
//    28     1  flags: 0x01 production index exists, 0x02 memo file exists
//              (the memo bit is consulted in level-30 tables only)
//    29     1  code page mark
//    30     2  reserved, zero
//
//   Field descriptors, 32 bytes each from offset 32, in record order
//   off  size  meaning
//     0    11  name, NUL padded (upper case, at most 10 characters)
//    11     1  type letter or digit
//    12     4  displacement in the record (first field 1); ignored on open
//    16     1  length (low byte)
//    17     1  decimals, or the high byte of the length of long types
//    18     1  flags: 0x01 system, 0x02 nullable, 0x04 binary, 0x08 autoinc
//    19     4  0x31/0x32 tables, an I field flagged 0x0C (the newer writers'
//              autoincrement): the next value, int32; else reserved, zero
//    23     1  the same field: the step; else reserved, zero
//    24     8  reserved, zero
//   The list ends at the first slot whose first byte is 0x0D.
//
//   After the terminator, as created:
//     level 25/26: 0x1A (end-of-file marker); header length 32 n + 34
//     level 30:    263 zero bytes (backlink area) and one zero byte; header
//                  length 32 n + 297, plus 32 for a _NullFlags descriptor
//
//   Records from the header length on, record r (from 1) at
//   headerLen + (r - 1) * recordLen: byte 0 the deletion flag (' ' live,
//   anything else deleted), the fields in descriptor order, no separators.
//   Level 25/26 tables end with one 0x1A byte after the last record.
//
//   Version-0x32 tables (the newer writers'): a V (varchar) or Q (varbinary)
//   field owns a bit of _NullFlags, and a nullable one a second bit after
//   it; bits are numbered in descriptor order over all fields that own one
//   (a nullable field of another type owns its null bit only). A set
//   length bit means the value is shorter than the field: its length is
//   the field's last byte, the bytes after the value blanks. A W field
//   (blob) is a 4-byte binary memo reference like M's. Field-kind rules of
//   these tables are in dfile4kinds.cpp.
#pragma once
#include <cstdint>

#include "data4.h"

struct CODE4;

namespace dbf {

constexpr unsigned HEADER_SIZE = 32;
constexpr unsigned OFF_VERSION = 0;
constexpr unsigned OFF_YEAR = 1;
constexpr unsigned OFF_NUM_RECS = 4;
constexpr unsigned OFF_HEADER_LEN = 8;
constexpr unsigned OFF_RECORD_LEN = 10;
constexpr unsigned OFF_RESERVED = 12;        // 16 bytes kept with the table
constexpr unsigned RESERVED_LEN = 16;
constexpr unsigned OFF_AUTOINC_NEXT = 20;    // inside the reserved block
constexpr unsigned OFF_FLAGS = 28;
constexpr unsigned OFF_CODE_PAGE = 29;

constexpr unsigned DESC_SIZE = 32;
constexpr unsigned DESC_NAME_LEN = 11;
constexpr unsigned DESC_TYPE = 11;
constexpr unsigned DESC_DISPLACEMENT = 12;
constexpr unsigned DESC_LEN = 16;
constexpr unsigned DESC_DEC = 17;
constexpr unsigned DESC_FLAGS = 18;
constexpr unsigned DESC_COUNTER_NEXT = 19;   // an autoincrement field's next value (4 bytes)
constexpr unsigned DESC_COUNTER_STEP = 23;

constexpr unsigned char DESC_TERMINATOR = 0x0D;
constexpr unsigned char EOF_MARK = 0x1A;
constexpr unsigned BACKLINK_LEN = 263;

constexpr unsigned char VERSION_LEVEL30 = 0x30;
constexpr unsigned char VERSION_AUTOINC = 0x31;
constexpr unsigned char VERSION_VAR_FIELDS = 0x32;
constexpr unsigned char VERSION_MEMO = 0xF5;
constexpr unsigned char VERSION_PLAIN = 0x03;
constexpr unsigned char VERSION_MEMO_BIT = 0x80;

constexpr unsigned char FLAG_PRODUCTION = 0x01;
constexpr unsigned char FLAG_MEMO = 0x02;

constexpr unsigned char FIELD_SYSTEM = 0x01;
constexpr unsigned char FIELD_NULLABLE = 0x02;
constexpr unsigned char FIELD_BINARY = 0x04;
constexpr unsigned char FIELD_AUTOINC = 0x08;

constexpr const char *NULL_FLAGS_NAME = "_NullFlags";

// The autoincrement marker of a version-0x31 table, header bytes 12..19.
constexpr unsigned char AUTOINC_MARKER[8] = {1, 0, 0, 0, 0, 0, 0, 0};

// Whether a type byte is accepted on open: always, only in level-30 tables,
// or never (unknown).
enum TypeRule { TYPE_ALWAYS, TYPE_LEVEL30, TYPE_UNKNOWN };
TypeRule typeRule(unsigned char type);
// Types whose length is 16 bits (byte 16 + 256 * byte 17) in the record sum.
bool typeHasLongLength(unsigned char type);
// The length and decimals a FIELD4 takes from a descriptor.
void fieldLengthOf(unsigned char type, const unsigned char *desc, int tableLevel, uint16_t *len, uint16_t *dec);
// The descriptor names "_NullFlags", compared without regard to case.
bool isNullFlagsName(const unsigned char *name11);
// Whether a field of this type keeps its contents in the memo file: M and
// G, and W in a version-0x32 table.
bool isMemoType(unsigned char type, bool varFields);
// Whether a field holds a value of varying length (V and Q of a version-0x32
// table): one _NullFlags bit says it is shorter, its last byte by how much.
bool isVarLengthType(unsigned char type, bool varFields);
// Whether a descriptor of a table that is version 0x31 without the engine's
// marker, or 0x32, carries the newer writers' autoincrement: an I field with
// flags 0x0C, next value at bytes 19..22, step at 23.
bool isCounterDescriptor(const DATA4FILE *df, const unsigned char *desc);

}  // namespace dbf

// Open the file and read and validate its header and descriptors (opening
// the memo file when the header says so). df is zeroed by the caller. On
// failure everything is released and the code (or 70) returned.
int dfile4open(DATA4FILE *df, CODE4 *c, const char *name);
// Write the header when changed and writable, close the memo file and the
// file, free the descriptor block. Returns the first failure or 0.
int dfile4close(DATA4FILE *df);
// Rewrite the header slice from memory: bytes 1..9 (withDate) or 4..9, and
// through byte 27 when withAutoIncrement and the table has such a field.
int dfile4updateHeader(DATA4FILE *df, int withDate, int withAutoIncrement);
// Today's date into the in-memory header.
void dfile4stampToday(DATA4FILE *df);
// Set or clear the production-index flag (header byte 28, bit 0) and write
// that byte. 0 or the write's code.
int dfile4productionSet(DATA4FILE *df, int on);
// The record count, read from the header when unknown; -1 when unreadable.
long dfile4recCount(DATA4FILE *df);
// File position of record n (from 1).
int64_t dfile4recordPos(const DATA4FILE *df, long n);
// Append a record (record length + 1 bytes of buffer; the extra byte carries
// the end-of-file mark at level 25/26). Raises the count; 0 or a code.
int dfile4appendRecord(DATA4FILE *df, unsigned char *record);
// Write the next values of the newer writers' autoincrement fields (their
// descriptors' bytes 19..22, as held in memory). 0 or the first failure.
int dfile4writeCounters(DATA4FILE *df);
// The next autoincrement value kept in header bytes 20..27.
double dfile4autoIncrementNext(const DATA4FILE *df);
void dfile4autoIncrementSet(DATA4FILE *df, double value);
