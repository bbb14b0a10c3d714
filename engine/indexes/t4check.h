// Checking a tag against its table: the tree's shape and soundness, and its
// keys against the keys computed from every record.
#pragma once
#include "index4.h"

struct TAG4CHECK {
    int levels;            // nodes from the root to a leaf
    long blocks;           // nodes in the tree
    long leaves;
    long keys;             // entries in the leaves
    long keysExpected;     // entries the table calls for
    double fill;           // bytes used / bytes of all nodes
    int damaged;           // the tree is not sound (message says where)
    int stale;             // the keys differ from the table's (message: the first difference)
    char message[320];
};

// Checks tag t of its table handle (the handle's position is restored).
// 0 sound and current, 1 damaged or stale (see out), negative on an engine
// error other than damage.
int t4check(TAG4 *t, TAG4CHECK *out);
