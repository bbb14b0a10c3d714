// Table-handle internals shared by the files of the tables layer.
#pragma once
#include <cstdint>

#include "data4.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "field4.h"

// Fill the field's bytes in record with its blank form: type '2' holds the
// three 16-bit values 1899, 12, 30; binary fields (class 1 or 2) zeros;
// everything else blanks.
void field4blankBytes(const FIELD4 *f, unsigned char *record);
// Give a varying-length field (V, Q of a version-0x32 table) length bit
// number bit of _NullFlags.
void field4varBitSet(FIELD4 *f, int bit);
// Store a varying-length field's value (at most its length; a shorter one
// sets the length bit and puts its length in the last byte, blanks between).
void field4varStore(const FIELD4 *f, unsigned char *record, const char *value, unsigned len);
// Before an append: every field with the newer writers' autoincrement gets
// its next value; -200 (nothing assigned to be kept) when the value after it
// would not be an int32. 0 or the code.
int d4counterAssign(DATA4 *d);
// After an append: advance each such field's next value by its step.
void d4counterAdvance(DATA4 *d);
// Whether the field keeps its contents in the memo file (M, G and X).
inline bool field4isMemo(const FIELD4 *f) { return f->memo != nullptr; }
// Reset every memo entry of the handle (length 0, needs-read set).
void d4memoResetAll(DATA4 *d);
// Write the memo entries that were changed as new memos, storing their
// block numbers in the record buffer. 0 or the first failure.
int d4memoWriteChanged(DATA4 *d);
// The record buffer is on file: every memo entry's change is done.
void d4memoCommitted(DATA4 *d);
// Before the record buffer is written as record n, whose bytes on file the
// old-record buffer holds: a memo reference that is not record n's own (the
// buffer came from another record) is loaded and marked changed, so that
// record n gets a copy of its own. 0 or the failure to read the memo.
int d4memoAdoptForeign(DATA4 *d);
// The largest block number the memo field's reference can hold.
uint32_t memo4maxBlock(const FIELD4 *f);
// Store block (0: none) in the memo field's reference bytes of record.
void memo4storeBlock(const FIELD4 *f, unsigned char *record, uint32_t block);
// Go to record n: goError decides between -70 and a silent 5.
int d4goLow(DATA4 *d, long n, int goError);
// The handle's record count, refreshed from its table file.
long d4recCountLow(DATA4 *d);
// A handle's stamp check with the common case inline: 0 when valid, else
// what error4checkStamp reports.
inline int stamp4check(const void *handle, int32_t stamp, long location) {
    return handle && stamp == S4VALID ? 0 : error4checkStamp(handle, stamp, location);
}
// Checks the handle and the error gate: 0 to go on, else what to return.
inline int d4check(DATA4 *d, long location) {
    if (int rc = stamp4check(d, d ? d->s4valid : 0, location)) return rc;
    return d->codeBase->errorCode < 0 ? -1 : 0;
}
// Currency (an int64 in units of 1/10000) as text with 0..4 decimals,
// truncated: the integer part, '.', the decimals; '-' for negative values.
// out needs 32 bytes; returns the length (out is terminated).
int field4currencyText(int64_t value, int decimals, char *out);
// Give a memo entry its field and the shared empty contents.
void memo4entryInit(F4MEMO *entry, FIELD4 *f);
// Free the entry's buffer.
void memo4entryFree(F4MEMO *entry);
