// The record-level key update the table layer asks for through its seam
// (tables/index_seam.h): every tag of every open index of a table handle,
// in order, for a record write or an append; taking it all back when a later
// step fails; flushing and closing the index files.
#pragma once

struct DATA4;
struct INDEX4;

// d4write: every tag from the old-record buffer's key to the record
// buffer's. 0; 20 or -340 when a unique tag refused the new key; negative.
// On any result but 0 every tag is exactly as before.
int t4updateKeys(DATA4 *d, long recNo);
// d4append: the new record's key added to every tag whose FOR is true.
int t4appendKeys(DATA4 *d, long recNo);
// The last t4updateKeys / t4appendKeys of d taken back (its record write
// failed): every tag exactly as before it.
void t4undoKeys(DATA4 *d, long recNo);
// Writes what the index files of d hold changed and asks the platform to
// store them. 0 or the first failure.
int i4flushAll(DATA4 *d);
// Writes an index file's changes before it closes, trying once more after a
// failure; 0 or the first failure.
int i4flushClosing(INDEX4 *i);
