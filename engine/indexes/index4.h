// Compound index files opened with their tables, their tags, and moving a
// position through a tag. File-level objects (INDEX4FILE, TAG4FILE) are
// shared by every handle of one table file; INDEX4 and TAG4 belong to one
// table handle.
//
//   DATA4FILE --indexes--> INDEX4FILE --tags--> TAG4FILE (header, exprs, path)
//   DATA4 --indexes--> INDEX4 --tags--> TAG4 --> TAG4FILE
//
// This is the reading side. Blocks are read through the file's cache
// (block4cache.h). Key maintenance (t4add.cpp, t4remove.cpp) and building
// (i4create.cpp, i4build.cpp) sit beside it and keep their changed blocks in
// the file's write side (index4write.h), which the cache consults first; a
// block written to the file goes to the cache as well (index4cacheStore).
#pragma once
#include <cstdint>

#include "block4cache.h"
#include "cdx4format.h"
#include "foundation/file4.h"
#include "foundation/list4.h"

struct CODE4;
struct COLLATE4;
struct DATA4;
struct DATA4FILE;
struct EXPR4;
struct COLLATE4;

constexpr int TAG4_MAX_DEPTH = 32;   // deeper trees are taken as damaged

// One node of a tag's current path, with its own copy of the block image.
// A level of the path keeps its node when the path is dropped: going down
// to the same block again (same cache generation) reuses the image, its
// checks and its expanded key without copying.
struct NODE4 {
    uint32_t ref;              // block reference, cdx::NO_BLOCK when none
    uint32_t generation;       // the block cache's generation when copied
    int position;              // current entry, 0 .. count (count: past the last)
    unsigned count;            // keys in the node
    int leaf;
    cdx::LeafParams params;    // leaves: their own field widths
    int expanded;              // leaf entry whose key is in `key`, -1 none
    unsigned storedAt;         // offset of that entry's stored bytes in the block
    unsigned char *key;        // expanded key (leaf) of entry `expanded`
    unsigned char *block;      // block image (8 bytes of slack follow it)
};

struct INDEX4FILE;

struct TAG4FILE {
    LINK4 link;                // on the index file's tag list
    int32_t s4valid;
    INDEX4FILE *indexFile;
    CODE4 *codeBase;
    char alias[cdx::TAG_NAME_MAX + 1];   // upper case
    EXPR4 *expr;               // key expression (null for the directory)
    EXPR4 *filter;             // FOR expression, or null
    cdx::TagHeader header;
    uint32_t headerRef;        // block reference of the header
    int isDirectory;
    const COLLATE4 *collation; // named collation of a character tag, null: machine order
    unsigned char pad;         // trailing pad byte of its keys
    char keyType;              // result type of the key expression
    // Current path, root first. depth 0: no position.
    int depth;
    NODE4 path[TAG4_MAX_DEPTH];
    unsigned char *scratch;    // 2 * key length bytes for seeks
};

struct INDEX4FILE {
    LINK4 link;                // on the table file's index list
    int32_t s4valid;
    CODE4 *codeBase;
    DATA4FILE *dataFile;
    FILE4 file;
    LIST4 tags;                // TAG4FILEs in directory order
    TAG4FILE *directory;       // null for a single-tag file
    uint32_t blockSize, unit;
    int64_t fileLen;
    uint32_t versionOld;
    int userCount;
    BLOCK4CACHE cache;         // every block read goes through it
    struct INDEX4WRITE *write; // changed blocks and the journal (null: none yet)
};

struct INDEX4 {
    LINK4 link;                // on the table handle's index list
    int32_t s4valid;
    DATA4 *data;
    INDEX4FILE *indexFile;
    LIST4 tags;                // TAG4s
    char *fileName;
};

struct TAG4 {
    LINK4 link;                // on the INDEX4's tag list
    int32_t s4valid;
    INDEX4 *index;
    TAG4FILE *tagFile;
    int errUnique;             // unique handling code: 0, 15, 25 (or -340/-360)
};

// ---- index files ---------------------------------------------------------

// Open an index file for table handle d (name: with or without extension
// "cdx"). Null on failure; -69 when d has it open already.
INDEX4 *i4open(DATA4 *d, const char *name);
// Close one handle's index; the shared file closes with its last user.
int i4close(INDEX4 *i);
// The tag of i named name (upper-cased), or null (-330 with errTagName).
TAG4 *i4tag(INDEX4 *i, const char *name);
// The index of d opened under name (base name compared without case), or
// with null name the first one.
INDEX4 *d4index(DATA4 *d, const char *name);

// ---- tags of a table handle -----------------------------------------------

int d4tagSelect(DATA4 *d, TAG4 *t);           // null t: record-number order
TAG4 *d4tagSelected(DATA4 *d);                // the seeks' tag (see index4.cpp)
TAG4 *d4tag(DATA4 *d, const char *name);      // -330 when missing and errTagName
TAG4 *d4tagNext(DATA4 *d, TAG4 *t);           // null t: the first; null after the last
TAG4 *d4tagDefault(DATA4 *d);                 // the selected tag, or null

const char *t4alias(TAG4 *t);
const char *t4expr(TAG4 *t);                  // key expression source
const char *t4filter(TAG4 *t);                // FOR source, "" when none
int t4unique(TAG4 *t);                        // unique handling code
int t4isUnique(TAG4 *t);                      // 1 unique, 2 candidate, 0 neither
int t4descending(TAG4 *t);
const char *t4collation(TAG4 *t);             // "" machine
int t4keyLen(TAG4 *t);
char t4type(TAG4 *t);                         // key expression result type

// ---- table-level seeks and positions (d4seek.cpp) ---------------------------

int d4seek(DATA4 *d, const char *value);
int d4seekN(DATA4 *d, const char *value, int len);
int d4seekDouble(DATA4 *d, double value);
int d4seekNext(DATA4 *d, const char *value);
int d4seekNextN(DATA4 *d, const char *value, int len);
int d4seekNextDouble(DATA4 *d, double value);
double d4position(DATA4 *d);
int d4positionSet(DATA4 *d, double fraction);

// ---- tag-level moves (tfile4nav.cpp) ----------------------------------------
// Every move returns -1 at once while the context is in an error state.

int tfile4top(TAG4FILE *t);
int tfile4bottom(TAG4FILE *t);
// Keys moved, with the sign of n; smaller in magnitude at an end.
long tfile4skip(TAG4FILE *t, long n);
// 0 found (first `len` bytes equal), 2 positioned on the next greater key
// or past the last, negative error.
int tfile4seek(TAG4FILE *t, const unsigned char *search, int len);
// As tfile4seek, for a search made from text (the table-level seeks): on a
// character tag with a named collation each key is judged by the
// collation's comparison with the text's search bytes (collate4searchKey).
int tfile4seekText(TAG4FILE *t, const unsigned char *search, int len, const char *text, int textLen);
// Whether key (a key of t, null: none) matches such a search: 1 or 0.
int tfile4matchesText(TAG4FILE *t, const unsigned char *key, const unsigned char *search, int len, const char *text,
                      int textLen);
// 0 on the exact (key, record) entry, 1 not there, negative error.
int tfile4go(TAG4FILE *t, const unsigned char *key, uint32_t record);
int tfile4eof(TAG4FILE *t);
// The current entry's record number; -1 past the end, -2 no leaf, 0 empty.
long tfile4recNo(TAG4FILE *t);
// The current expanded key (key length bytes), or null past the end.
const unsigned char *tfile4key(TAG4FILE *t);
double tfile4position(TAG4FILE *t);
int tfile4positionSet(TAG4FILE *t, double fraction);
// Compare search (len bytes) with a stored key, unsigned: -1 when the search
// is smaller, else the number of leading bytes that matched (len: equal).
int tfile4compare(const unsigned char *key, const unsigned char *search, int len);

// ---- streaming records of a stretch of a tag (tfile4visit.cpp) ---------------

// A place in a tag's stored order: a leaf and an entry of it (the entry
// count: past its last key). none: the tag had no position.
struct TAG4SPOT {
    uint32_t leaf;
    int position;
    int none;
};
// The current place of t.
TAG4SPOT tfile4spot(TAG4FILE *t);
// From the current place forward in stored order, up to end (not included;
// null: to the last key), calls visit with each entry's record number
// without expanding any key. The entries visited, or negative. The tag is
// left at end, or past its last key.
long tfile4visit(TAG4FILE *t, const TAG4SPOT *end, void (*visit)(void *context, uint32_t record), void *context);
