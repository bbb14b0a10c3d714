// Streaming the record numbers of a stretch of a tag, leaf by leaf: what the
// query bitmap marks. No key is expanded; each entry costs the decoding of
// its packed integer.
#include "foundation/code4.h"
#include "index4internal.h"

TAG4SPOT tfile4spot(TAG4FILE *t) {
    NODE4 *leaf = t ? tfile4leaf(t) : nullptr;
    if (!leaf || !leaf->leaf) return TAG4SPOT{cdx::NO_BLOCK, 0, 1};
    return TAG4SPOT{leaf->ref, leaf->position, 0};
}

long tfile4visit(TAG4FILE *t, const TAG4SPOT *end, void (*visit)(void *, uint32_t), void *context) {
    if (!t || t->codeBase->errorCode < 0) return -1;
    NODE4 *leaf = tfile4leaf(t);
    if (!leaf || !leaf->leaf) return 0;
    long visited = 0;
    for (;;) {
        unsigned stop = leaf->count;
        bool last = end && !end->none && leaf->ref == end->leaf;
        if (last) stop = end->position < 0 ? 0 : (unsigned)end->position < stop ? (unsigned)end->position : stop;
        uint32_t mask = leaf->params.recMask;
        for (unsigned i = (unsigned)leaf->position; i < stop; i++) visit(context, (uint32_t)node4packed(leaf, i) & mask);
        if (stop > (unsigned)leaf->position) visited += stop - (unsigned)leaf->position;
        if (last) {
            leaf->position = (int)stop;
            return visited;
        }
        leaf->position = (int)leaf->count;
        int rc = tfile4nextLeaf(t);
        if (rc <= 0) return rc < 0 ? rc : visited;
        leaf = tfile4leaf(t);
    }
}
