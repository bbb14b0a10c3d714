// The memo file (".fpt") and the per-field memo entry that holds a field's
// contents between reading and writing.
#pragma once
#include <cstdint>

#include "foundation/file4.h"

struct CODE4;
struct DATA4FILE;
struct FIELD4;

struct MEMO4FILE {
    FILE4 file;
    uint32_t blockSize;
    DATA4FILE *dataFile;
    int isOpen;
};

// Memo entry of one memo field of one table handle.
struct F4MEMO {
    char *contents;      // owned; never null while the handle is open
    uint32_t len;
    uint32_t capacity;
    int needsRead;       // set by a reset, cleared when read or assigned
    int changed;         // set by an assignment, cleared when written
    FIELD4 *field;
};

int memo4fileOpen(MEMO4FILE *m, DATA4FILE *d, const char *name);
// Create a memo file; a null name makes a temporary one in the folder of d.
int memo4fileCreate(MEMO4FILE *m, CODE4 *c, DATA4FILE *d, const char *name);
int memo4fileClose(MEMO4FILE *m);
// Read the memo starting at block into the entry (length 0 for block <= 0).
// A block or length outside the file is -1110.
int memo4fileRead(MEMO4FILE *m, long block, F4MEMO *entry);
// Store len bytes as the memo that replaces the one at oldBlock: in place
// when its blocks suffice, else at the end of the file. *newBlock gets the
// block number (0 for an empty memo).
int memo4fileWrite(MEMO4FILE *m, long oldBlock, const char *data, uint32_t len, long *newBlock);
// Make room for need bytes in the entry's buffer; 0 or -920.
int memo4entryReserve(F4MEMO *entry, CODE4 *c, uint64_t need);
// Write the pending contents of a changed memo entry and update the field's
// block number (used by d4write and d4append).
int memo4fieldWrite(F4MEMO *entry);
// Forget the contents (keeping the buffer) and set needs-read.
void memo4entryReset(F4MEMO *entry);

const char *f4memoPtr(FIELD4 *f);
const char *f4memoStr(FIELD4 *f);
unsigned f4memoLen(FIELD4 *f);
int f4memoAssign(FIELD4 *f, const char *text);
int f4memoAssignN(FIELD4 *f, const char *data, unsigned len);
int f4memoSetLen(FIELD4 *f, unsigned len);
unsigned f4memoNcpy(FIELD4 *f, char *buffer, unsigned size);
int f4memoFree(FIELD4 *f);
