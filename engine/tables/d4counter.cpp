// The newer writers' autoincrement (tables of version 0x31 without the
// engine's marker, and 0x32): each I field flagged 0x0C keeps its next value
// (int32 LE, descriptor bytes 19..22) and step (byte 23) in its descriptor.
// An append gives every such field its next value and then advances it by
// the step in the in-memory descriptor block; the header write stores it
// (dfile4writeCounters).
#include "d4internal.h"
#include "dfile4.h"
#include "foundation/bytes.h"

namespace {

unsigned char *descriptorOf(const FIELD4 *f) {
    return f->data->dataFile->descriptors + (size_t)(f->counterSlot - 1) * dbf::DESC_SIZE;
}

}  // namespace

int d4counterAssign(DATA4 *d) {
    for (int i = 0; i < d->nFields; i++) {
        FIELD4 *f = &d->fields[i];
        if (!f->counterSlot) continue;
        const unsigned char *desc = descriptorOf(f);
        int64_t next = b4::getI32le(desc + dbf::DESC_COUNTER_NEXT);
        // The value after this one must still be an int32.
        if (next + desc[dbf::DESC_COUNTER_STEP] > INT32_MAX)
            return error4describe(d->codeBase, e4data, E4_MSG_AUTOINC_RANGE, f->name, nullptr, nullptr);
        f4assignLong(f, (long)next);
    }
    return d->codeBase->errorCode < 0 ? d->codeBase->errorCode : 0;
}

void d4counterAdvance(DATA4 *d) {
    for (int i = 0; i < d->nFields; i++) {
        FIELD4 *f = &d->fields[i];
        if (!f->counterSlot) continue;
        unsigned char *desc = descriptorOf(f);
        int32_t next = b4::getI32le(desc + dbf::DESC_COUNTER_NEXT);
        b4::putI32le(desc + dbf::DESC_COUNTER_NEXT, next + desc[dbf::DESC_COUNTER_STEP]);
    }
    d->dataFile->headerChanged = 1;
}
