// Internals of tag use by a table handle, shared by the index layer's files.
#pragma once
#include "index4.h"

// The tag's file with its expressions bound to the tag's table handle.
TAG4FILE *t4bind(TAG4 *t);
// The tag's key of record (the handle's record buffer or its old copy);
// *key points into the context's key buffer until the next key. The key
// length, or negative.
int t4keyOf(TAG4 *t, unsigned char *record, const unsigned char **key);
// The tag's FOR expression on record: 1 (also without FOR), 0, or negative.
int t4forTrue(TAG4 *t, unsigned char *record);
// d4top, d4bottom and d4skip through the handle's selected tag.
int d4tagTop(DATA4 *d);
int d4tagBottom(DATA4 *d);
int d4tagSkip(DATA4 *d, long n);
