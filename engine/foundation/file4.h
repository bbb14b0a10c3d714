// The file object FILE4 and its operations. Every byte the engine reads or
// writes passes through here. Files are opened "without sharing": an
// exclusive, non-blocking flock taken at open, so a second opener (another
// program, or this one again) gets -61 instead of editing the same bytes.
//
// A file may keep a read-ahead window (file4readAheadSet): reads inside the
// window are served from memory; writes keep the window coherent. Beside the
// window it then keeps a few 4 KiB blocks of places visited at random (a
// seek's record), so that visits taking turns do not read again.
#pragma once
#include <cstddef>
#include <cstdint>

struct CODE4;

constexpr unsigned FILE4_VISIT_SLOTS = 8;

struct FILE4 {
    int hand;              // platform handle, -1 when closed
    char *name;            // the name as opened (private copy when ownsName)
    int ownsName;
    int isReadOnly;
    int removeOnClose;
    CODE4 *codeBase;
    // read-ahead window: bytes [cachePos, cachePos + cacheLen) of the file
    unsigned char *cache;
    uint32_t cacheCap;
    uint32_t cacheLen;
    int64_t cachePos;
    // blocks of random visits; the one least recently used makes room
    unsigned char *visits;
    int64_t visitPos[FILE4_VISIT_SLOTS];
    uint32_t visitLen[FILE4_VISIT_SLOTS];
    uint32_t visitUse[FILE4_VISIT_SLOTS];
    uint32_t visitClock;
    int64_t lastRead;      // where the last read through the window began
    // write-behind buffer (file4writeBehindSet): bytes [pendPos, pendPos +
    // pendLen) written by the caller but not yet by the platform
    unsigned char *pend;
    uint32_t pendCap;
    uint32_t pendLen;
    int64_t pendPos;
};

struct FILE4SEQ_READ {
    FILE4 *file;
    int64_t pos;          // file position of the next chunk to read
    char *buffer;
    unsigned total;       // usable buffer size (multiple of 1024; 0: unbuffered)
    unsigned nextReadLen; // size of the next chunk
    unsigned avail;       // bytes still unread in the buffer
    unsigned working;     // bytes in the buffer
};

struct FILE4SEQ_WRITE {
    FILE4 *file;
    int64_t pos;          // file position of the current chunk
    char *buffer;
    unsigned total;       // usable buffer size (multiple of 1024; 0: unbuffered)
    unsigned bufLen;      // size of the current chunk
    unsigned avail;       // room left in the current chunk
};

// Open an existing file; 0, a negative code, or 70 when openError is off.
int file4open(FILE4 *f, CODE4 *c, const char *name, int copyName);
// Create a file (null name: a temporary file); 0, 60 or a negative code.
int file4create(FILE4 *f, CODE4 *c, const char *name, int copyName);
// Create a uniquely named temporary file ("TEMPnnnn.ext") in the system's
// temporary folder; ext null means ".TMP".
int file4tempLow(FILE4 *f, CODE4 *c, int removeOnClose, const char *ext);
// Close (deleting when removeOnClose); a closed file returns 0.
int file4close(FILE4 *f);
// Remove the file's name now and keep the open file usable until it is
// closed (a program killed meanwhile leaves nothing behind); close then has
// nothing to remove. 1 when the name is gone, 0 when it could not be removed
// (an outcome, not reported: a removeOnClose file is still removed at close).
int file4removeNow(FILE4 *f);
// Give the open file f the name `target` in place of the file that has it
// (one step: a reader sees the old file or the new one, never neither);
// f stays open under its new name. 0, or -120 with both names.
int file4replace(FILE4 *f, const char *target);
// Bytes read (fewer at the end of the file); 0 when errorCode is negative.
unsigned file4read(FILE4 *f, int64_t pos, void *buf, unsigned len);
// 0 when exactly len bytes were read, else -70.
int file4readAll(FILE4 *f, int64_t pos, void *buf, unsigned len);
// 0 when every byte was written, else -120. A failed write that would have
// extended the file leaves it at its old length.
int file4write(FILE4 *f, int64_t pos, const void *data, unsigned len);
// File length, or -1 after -30.
int64_t file4len(FILE4 *f);
// Cut or extend to exactly len bytes; 0 or -40.
int file4lenSet(FILE4 *f, int64_t len);
// Ask the platform to write the file's buffers to storage.
int file4flush(FILE4 *f);
// Keep a read-ahead window of size bytes (0 turns it off); 0 or -920.
int file4readAheadSet(FILE4 *f, uint32_t size);
// Keep a write-behind buffer of size bytes (0 turns it off after writing
// what it holds); 0, -920 or the failure of that write (the buffer then
// stays as it was). Writes that run on from each other collect in the buffer
// and reach the platform together: when the run breaks, on file4flush,
// file4lenSet and file4close, and before a read of the bytes (reads always
// see what was written). A failed platform write is reported where it
// happens (possibly by one of those calls) and leaves a file it would have
// extended at its old length; the buffered bytes stay for the next of those
// calls to try again, and only file4close gives them up.
int file4writeBehindSet(FILE4 *f, uint32_t size);
// Whether a name exists (with the case-insensitive fallback).
bool file4exists(const char *name);

int file4seqReadInit(FILE4SEQ_READ *r, FILE4 *f, int64_t start, void *buffer, unsigned size);
unsigned file4seqRead(FILE4SEQ_READ *r, void *dest, unsigned len);
int file4seqReadAll(FILE4SEQ_READ *r, void *dest, unsigned len);
int file4seqWriteInit(FILE4SEQ_WRITE *w, FILE4 *f, int64_t start, void *buffer, unsigned size);
int file4seqWrite(FILE4SEQ_WRITE *w, const void *data, unsigned len);
int file4seqWriteRepeat(FILE4SEQ_WRITE *w, long count, char byte);
int file4seqWriteFlush(FILE4SEQ_WRITE *w);
