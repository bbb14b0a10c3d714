// The relation: a view over one master table, restricted by a query
// expression and ordered by a sort expression, without building an index
// tag. The caller moves only through the relation (relate4top, relate4bottom,
// relate4skip) and reads the current record through the table handle.
//
// A relation is a set (RELATION4) with its master node (RELATE4) embedded at
// its head; the caller's handle is the master node. Slave tables are not
// supported: the set always holds the master alone.
//
// States of a set:
//
//   NOT INITIALISED --relate4top/relate4bottom: set-up--> UNSORTED   (no sort text)
//   NOT INITIALISED --relate4top/relate4bottom: set-up--> SORTING 'x' --scan done--> SORTED 'y'
//   SORTING 'x' --no qualifying record--> UNSORTED (the view is empty)
//   any --relate4querySet/relate4sortSet/relate4skipEnable(change)/relate4changed--> NOT INITIALISED
//   SORTED without backward skipping --relate4top--> NOT INITIALISED, then set-up again
//   SORTED without backward skipping --relate4bottom--> backward skipping on, NOT INITIALISED
//
// Invariants:
//  1. isInitialized == 0 implies no parsed query, no parsed sort expression,
//     no sort and no file of sorted entries;
//  2. sortState == 'y' implies the sort is open, sortedCount >= 1, and
//     0 <= sortedPosition <= sortedCount + 1;
//  3. the file of sorted entries is open exactly while sortState == 'y' and
//     backward skipping is on; it then holds entries 1 .. sortGetCount;
//  4. temporary files have no name on disk while open, so no path (normal
//     end, error, release, a killed program) leaves one behind;
//  5. the master node is on the context's relationList from relate4init to
//     relate4free.
#pragma once
#include <cstdint>

#include "foundation/file4.h"
#include "foundation/list4.h"
#include "indexes/sort4.h"

struct CODE4;
struct DATA4;
struct EXPR4;
struct RELATION4;

// A node of a relation: the master table of its set.
struct RELATE4 {
    LINK4 link;            // on the context's relationList; must stay first
    int32_t s4valid;
    RELATION4 *relation;   // the set this node belongs to
    CODE4 *codeBase;
    DATA4 *data;           // the node's table
};

// Sort states.
constexpr char RELATE4_SORT_NONE = 0;
constexpr char RELATE4_SORT_BUILDING = 'x';
constexpr char RELATE4_SORT_DONE = 'y';

// Bytes of one sorted entry's information part: the master's record number.
constexpr uint32_t RELATE4_ENTRY_LEN = 4;

struct RELATION4 {
    RELATE4 relate;            // the master node; must stay first

    // Query: the text as set and, once set up, its parse and the entries that
    // end its top-level .AND. operands (evaluated left to right, stopping at
    // the first false one).
    char *exprSource;
    EXPR4 *exprQuery;
    int32_t *queryParts;
    int32_t queryPartCount;

    // Query bitmap (relate4bitmap.cpp): bit r set when record r may qualify;
    // null when there is no pre-selection. Records past bitmapRecords are
    // candidates.
    uint64_t *bitmap;
    long bitmapRecords;
    int bitmapExact;           // set bits are exactly the qualifying records 1 .. bitmapRecords

    // Sort expression: the text as set and, once set up, its parse.
    char *sortSource;
    EXPR4 *sortExpr;

    int isInitialized;
    int skipBackwards;         // relate4skipEnable
    char sortState;            // RELATE4_SORT_*

    // The sort of (key, sequence number, record number) entries.
    SORT4 sort;
    int sortOpen;              // sort4init done, sort4free pending
    uint32_t keyLen;
    unsigned char *keyPad;     // a key of the wrong length, fitted to keyLen

    // The file of fetched sorted entries (backward skipping only): entries
    // already on disk, a tail not yet written, and a read cache.
    FILE4 sortedFile;
    int sortedFileOpen;
    unsigned char *tailBuf;    // entries after the file's end
    uint32_t tailLen;          // bytes in tailBuf
    unsigned char *readBuf;    // bytes [readPos, readPos + readLen) of the file
    int64_t readPos;
    uint32_t readLen;
    uint32_t bufSize;          // size of tailBuf and of readBuf
    int64_t sortFileLen;       // bytes written to the file

    long sortGetCount;         // entries fetched from the sort so far
    int sortDoneFlag;          // every entry has been fetched
    int sortEofFlag;           // last result of a sorted move: 3 after the end, else 0
    long sortedCount;          // entries of the sorted result
    long sortedPosition;       // 1-based; 0 before the first, sortedCount + 1 after the last
};

// A relation over table d: no query, no sort, backward skipping off; null on failure.
RELATE4 *relate4init(DATA4 *d);
// Set (text) or clear (null or "") the query; resets the relation. 0 or negative.
int relate4querySet(RELATE4 *r, const char *expr);
// Set (text) or clear (null or "") the sort expression; resets the relation.
int relate4sortSet(RELATE4 *r, const char *expr);
// Enable (non-zero) or disable backward skipping; resets the relation when it changes.
int relate4skipEnable(RELATE4 *r, int doEnable);
// First qualifying record in sort order: 0, 3 (none) or negative.
int relate4top(RELATE4 *r);
// Last qualifying record in sort order: 0, 3 (none) or negative. Turns backward skipping on.
int relate4bottom(RELATE4 *r);
// Move by n qualifying records: 0, 3 (ran off the end), 4 (ran off the start) or negative.
int relate4skip(RELATE4 *r, long n);
// The number of qualifying records, whatever the sort order; afterwards the
// relation is set up and the master is at end of file. When the query
// bitmap selects exactly the records the query accepts, they are counted
// without being read. The count, or negative.
long relate4count(RELATE4 *r);
// Whether the relation is past its end (non-zero), or negative.
int relate4eof(RELATE4 *r);
// Discard the set-up and any sorted result; the next positioning sets up again.
int relate4changed(RELATE4 *r);
// Release the relation; with closeFiles also close its table. 0, or -1 when a close failed.
int relate4free(RELATE4 *r, int closeFiles);
