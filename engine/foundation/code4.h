// The engine context CODE4: settings, error state, the lists of open tables
// and table files, relations and the object pools. Everything the engine
// allocates hangs off a context and is released by code4initUndo.
//
// States: uninitialised (all zero) --code4init--> initialised
//         initialised --code4initUndo--> uninitialised
// While initialised a negative errorCode gates the engine: almost every
// operation returns at once until the caller clears it with error4set(c, 0).
#pragma once
#include <cstddef>
#include <cstdint>

#include "list4.h"
#include "mem4.h"

constexpr int32_t S4VALID = 21121;        // validity stamp of every engine structure
constexpr long S4VERSION = 6503002;      // engine version checked by code4init
constexpr int S4DATE_FORMAT_MAX = 20;    // date pictures are shorter than this

struct DATA4;
struct RELATE4;

struct CODE4 {
    int32_t s4valid;

    // Settings (defaults set by code4init).
    int32_t autoOpen;        // 1: open the production index with its table
    int32_t fieldNameError;  // 1: report unknown field names (-210)
    int32_t openError;       // 1: report open failures; 0: errorCode 70, silent
    int32_t goError;         // 1: d4go to an unreadable record reports -70
    int32_t skipError;       // 1: d4skip without a current record reports -910
    int16_t singleOpen;      // 1: a second d4open of an open table fails (-69)
    int32_t offError;        // 1: record errors without showing them
    int32_t readOnly;        // copied into every table handle at open
    unsigned char accessMode;  // 0 shared, 1 writers denied, 2 all denied
    int16_t compatibility;   // table level for files without their own: 25, 26, 30
    unsigned char codePage;  // written into byte 29 of created tables
    int32_t safety;          // 1: create refuses to replace an existing file
    int32_t createError;     // 1: such a refusal is error -20; 0: result 60
    int32_t createTemp;      // 1: created files are removed on close
    int32_t writeThrough;    // 1: open files with synchronous writes
    int32_t validationOff;   // 1: skip the record-count/length/size checks
    int32_t errTagName;      // 1: report unknown tag names
    double autoIncrementStart;
    char dateFormat[S4DATE_FORMAT_MAX];

    // Memory sizes used by the memo, index and sort layers.
    uint32_t memSizeMemo;        // block size of created memo files (512)
    uint32_t memSizeBlock;       // index block size (512)
    uint32_t memSizeBuffer;      // sequential buffer size (32768)
    uint32_t memSizeSortBuffer;  // spool read/write buffer size (4096)
    uint64_t memSizeSortBudget;  // memory a sort may hold before spooling (64 MiB)
    uint32_t fileReadAhead;      // read-ahead window of table files (65536)

    // Statistics: records d4go has read from table files (tests and
    // benchmarks show with it what a navigation costs).
    uint64_t recordReads;

    // Error state.
    int32_t errorCode;
    int32_t errorLocation;   // location number as passed (group * 10000 + index)
    char *errorText;         // up to three texts joined by "\r\n"

    // Lists and pools.
    LIST4 dataList;          // DATA4 handles
    LIST4 dataFileList;      // DATA4FILE objects
    LIST4 relationList;      // RELATE4 objects
    MEM4 *dataMemory;        // table handles: start 10, expand 5
    MEM4 *dataFileMemory;    // table-file objects: start 5, expand 5
    int32_t handleCounter;   // numbers table handles as they open

    // Context-wide scratch buffer for f4str, f4currency, f4dateTime.
    char *fieldBuffer;
    size_t fieldBufferLen;

    // Upper layers register their teardown here, so the foundation can release
    // a context without calling up through the layers.
    int (*tableCloseHook)(DATA4 *);        // d4close
    int (*relationFreeHook)(RELATE4 *);    // relate4free
    void (*layerReleaseHooks[4])(CODE4 *); // free per-layer context state
    void *layerState[4];                   // per-layer state owned by those hooks

    int32_t initialized;
};

enum Layer4 { LAYER4_TABLES = 0, LAYER4_EXPRESSIONS = 1, LAYER4_INDEXES = 2, LAYER4_QUERIES = 3 };

// Initialise a context: the caller passes the version it was built for and
// the size of the context it allocated. 0 or a negative code.
int code4initLow(CODE4 *c, long version, size_t structSize);
inline int code4init(CODE4 *c) { return code4initLow(c, S4VERSION, sizeof(CODE4)); }
// Close every table, free relations, pools and buffers; returns errorCode then.
int code4initUndo(CODE4 *c);
// Close every open table handle of the context.
int code4closeAll(CODE4 *c);
// Set the date picture (fewer than 20 characters); 0 or -930.
int code4dateFormatSet(CODE4 *c, const char *picture);
const char *code4dateFormat(CODE4 *c);
// Number of initialised contexts in the process.
int code4instanceCount();
// Grow the context's scratch buffer to at least len bytes; null after -920.
char *code4fieldBuffer(CODE4 *c, size_t len);
