// Key maintenance of one tag: adding and removing a (key, record number)
// entry, with the key given or computed from the table's record buffer.
// The record-level update of every tag on d4write and d4append uses these
// through the table layer's seam (t4update.cpp).
//
// Unique handling codes (a TAG4's t4unique, or passed to t4add):
//   code   tag        key already there          null key
//      0   plain      added after equal keys     added
//     20   unique     not added, returns 20      added
//     25   unique     not added, returns 25      added
//   -340   unique     not added, error -340      added
//     15   candidate  not added, returns 20      not added, returns 20
//   -360   candidate  not added, error -340      error -340
// Equal keys are kept in ascending record-number order.
#pragma once
#include "index4.h"

// Adds key (the tag's key length in bytes) for record rec under unique code
// `unique`. 0 added (or the pair was there already), 20 or 25 not added,
// negative error.
int t4add(TAG4 *t, const unsigned char *key, long rec, int unique);
// The key and FOR result of the table's record buffer: a false FOR adds
// nothing (0); else t4add with the tag's own unique code, null keys judged
// as the table above says.
int t4addCalc(TAG4 *t, long rec);
// Removes the pair; 0, r4entry (5) when it is not in the tag, or negative.
int t4remove(TAG4 *t, const unsigned char *key, long rec);
// The key of the table's record buffer removed for rec (a false FOR: 5).
int t4removeCalc(TAG4 *t, long rec);
