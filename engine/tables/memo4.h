// The memo file (".fpt", or the ".dbt" of a dBASE table) and the per-field
// memo entry that holds a field's contents between reading and writing.
#pragma once
#include <cstdint>

#include "foundation/file4.h"
#include "memo4format.h"

struct CODE4;
struct DATA4FILE;
struct FIELD4;

struct MEMO4FILE {
    FILE4 file;
    uint32_t blockSize;
    DATA4FILE *dataFile;
    int isOpen;
    int format;          // MEMO4FORMAT: how its header and memos are laid out
};

// A run of consecutive memo blocks.
struct MEMO4RUN {
    uint32_t block;      // first block; 0 none
    uint32_t count;
};

// Memo entry of one memo field of one table handle.
struct F4MEMO {
    char *contents;      // owned; never null while the handle is open
    uint32_t len;
    uint32_t capacity;
    int needsRead;       // set by a reset, cleared when read or assigned
    int changed;         // set by an assignment, cleared once the record holding it is written
    MEMO4RUN spare;      // blocks an unfinished write of this entry took; no record refers to them
    FIELD4 *field;
};

int memo4fileOpen(MEMO4FILE *m, DATA4FILE *d, const char *name, int format = MEMO4_FPT);
// Create a memo file of the format (by default like the memo file of d, or
// .fpt); a null name makes a temporary one in the folder of d.
int memo4fileCreate(MEMO4FILE *m, CODE4 *c, DATA4FILE *d, const char *name, int format = -1);
int memo4fileClose(MEMO4FILE *m);
// Read the memo starting at block into the entry (length 0 for block <= 0).
// A block or length outside the file is -1110.
int memo4fileRead(MEMO4FILE *m, long block, F4MEMO *entry);
// Store len bytes as a new memo (refused when the format cannot hold them),
// never over blocks a record refers to: in
// the spare run when it is long enough, else in blocks taken at the end of
// the file (which become the spare run, so that a retry of a failed record
// write reuses them). A first block above maxBlock is refused. *block gets
// the memo's first block (0 for an empty memo).
int memo4fileWrite(MEMO4FILE *m, MEMO4RUN *spare, const char *data, uint32_t len, uint32_t maxBlock,
                   uint32_t *block);
// Make room for need bytes in the entry's buffer; 0 or -920.
int memo4entryReserve(F4MEMO *entry, CODE4 *c, uint64_t need);
// Write the contents of a changed memo entry as a new memo and store its
// block number in the record buffer (the null bit untouched). The entry
// stays changed until memo4entryCommitted (used by d4write and d4append).
int memo4fieldWrite(F4MEMO *entry);
// The record holding the entry's memo reached the file: nothing pending.
void memo4entryCommitted(F4MEMO *entry);
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
