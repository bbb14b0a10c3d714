// Table files (DATA4FILE, one per physical file) and table handles (DATA4).
#pragma once
#include <cstdint>

#include "foundation/file4.h"
#include "foundation/list4.h"
#include "memo4.h"

struct CODE4;
struct FIELD4;

// In-memory copy of the table header and descriptors of one physical file.
struct DATA4FILE {
    LINK4 link;                  // on the context's dataFileList
    int32_t s4valid;
    CODE4 *codeBase;
    FILE4 file;
    unsigned char version;       // 0x31 is kept as 0x30 once its marker checked
    unsigned char yy, mm, dd;    // last update
    int32_t numRecsStored;       // header bytes 4..7 as read or last written
    uint16_t headerLen;
    uint16_t recordLen;
    unsigned char reserved12[16];  // header bytes 12..27 (autoincrement marker and value)
    unsigned char flags;         // header byte 28
    signed char codePage;        // header byte 29, sign-extended
    int tableLevel;              // 25, 26 or 30
    int hasAutoIncrement;
    int varFields;               // version 0x32: V varchar, Q varbinary, W blob
    int counterFields;           // fields with the newer writers' autoincrement
    unsigned char *descriptors;  // header bytes 32 .. headerLen
    uint32_t descriptorLen;
    int nFields;                 // descriptors before the terminator (with _NullFlags)
    int nFieldsMemo;
    int32_t recCount;            // cached record count, -1 unknown
    int appendChecked;           // the append position was checked against the file
    int headerChanged;
    int userCount;
    MEMO4FILE memoFile;
    LIST4 indexes;               // open index files (the index layer fills it)
    void *reuseTag;              // "DEL4REUSE" tag of the production index, or null
    int productionIndexOpen;
};

// Table handle. States: open without record (recNo -1), positioned
// (recNo >= 1), composing (recNo 0), at end of file (eof, recNo = count + 1).
struct DATA4 {
    LINK4 link;                  // on the context's dataList
    int32_t s4valid;
    CODE4 *codeBase;
    DATA4FILE *dataFile;
    char alias[33];
    int32_t recNo;
    int32_t recNoOld;
    int eof, bof, changed, readOnly;
    unsigned char *record;       // record length + 1 bytes each
    unsigned char *recordOld;
    unsigned char *recordBlank;
    FIELD4 *fields;              // every descriptor, _NullFlags included
    int nFields;                 // as reported: without _NullFlags
    FIELD4 *nullFlags;           // the _NullFlags field, or null
    F4MEMO *memoFields;
    int nMemoFields;
    int32_t recCount;
    void *tagSelected;           // null: record-number order
    LIST4 indexes;
    int32_t handleNumber;
    FIELD4 *autoIncrementField;
};

// A field to create: the list ends with an entry whose name is null or empty.
struct FIELD4INFO {
    const char *name;
    int type;
    unsigned len;
    unsigned dec;
    int attribute;   // 0, r4null (190) or r4autoIncrement (195)
};
constexpr int r4null = 190;
constexpr int r4autoIncrement = 195;

DATA4 *d4open(CODE4 *c, const char *name);
DATA4 *d4create(CODE4 *c, const char *name, const FIELD4INFO *fields);
// d4create for a version-0x32 table (level 30) as the newer writers make it:
// V is varchar and Q varbinary of the given length (1..254), W a blob (a
// binary memo); r4autoIncrement goes on I fields, numbered in their
// descriptors from the context's start value in steps of 1.
DATA4 *d4create32(CODE4 *c, const char *name, const FIELD4INFO *fields);
int d4close(DATA4 *d);
int d4go(DATA4 *d, long recNo);
int d4top(DATA4 *d);
int d4bottom(DATA4 *d);
int d4skip(DATA4 *d, long n);
int d4goEof(DATA4 *d);
int d4goBof(DATA4 *d);
int d4eof(DATA4 *d);
int d4bof(DATA4 *d);
long d4recNo(DATA4 *d);
int d4changed(DATA4 *d, int value);
long d4recCount(DATA4 *d);
int d4deleted(DATA4 *d);
int d4delete(DATA4 *d);
int d4recall(DATA4 *d);
int d4blank(DATA4 *d);
int d4appendStart(DATA4 *d, int useMemo);
int d4append(DATA4 *d);
int d4appendBlank(DATA4 *d);
int d4write(DATA4 *d, long recNo);
int d4update(DATA4 *d);
int d4flush(DATA4 *d);
int d4numFields(DATA4 *d);
FIELD4 *d4field(DATA4 *d, const char *name);
FIELD4 *d4fieldJ(DATA4 *d, int number);
int d4fieldNumber(DATA4 *d, const char *name);
const char *d4alias(DATA4 *d);
const char *d4fileName(DATA4 *d);
const unsigned char *d4record(DATA4 *d);   // the record buffer
unsigned d4recWidth(DATA4 *d);            // record length
int d4tableLevel(DATA4 *d);
int d4codePage(DATA4 *d);
int d4productionFlag(DATA4 *d);           // header byte 28 names a production index: 1, else 0
