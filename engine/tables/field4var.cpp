// Varying-length fields of version-0x32 tables: V (varchar) and Q
// (varbinary). The field's bytes hold the value from its start; when the
// value is shorter than the field, the field's length bit in _NullFlags is
// set, its last byte holds the value's length and the bytes between are
// blanks (as the newer writers leave them). A value as long as the field
// clears the bit. The bit's number is given at open (d4open.cpp); a
// nullable field's null bit is the one after it.
//
//   field bytes:  value (n bytes) | blanks | n     length bit set, n < len
//                 value (len bytes)                length bit clear
#include <cstring>

#include "d4internal.h"

namespace {

unsigned char *lengthByte(const FIELD4 *f, unsigned char *record) {
    return record + f->data->nullFlags->offset + f->varByte;
}

}  // namespace

void field4varBitSet(FIELD4 *f, int bit) {
    f->varLength = 1;
    f->varByte = bit / 8;
    f->varMask = (unsigned char)(1u << (bit % 8));
}

unsigned field4varLenIn(const FIELD4 *f, const unsigned char *record) {
    if (!f->varLength) return f->len;
    if (!(*lengthByte(f, const_cast<unsigned char *>(record)) & f->varMask)) return f->len;
    unsigned n = record[f->offset + f->len - 1u];
    // A damaged length cannot reach into its own byte.
    return n < f->len ? n : f->len - 1u;
}

void field4varStore(const FIELD4 *f, unsigned char *record, const char *value, unsigned len) {
    unsigned char *p = record + f->offset;
    unsigned char *bits = lengthByte(f, record);
    if (len >= f->len) {
        std::memcpy(p, value, f->len);
        *bits &= (unsigned char)~f->varMask;
        return;
    }
    if (len) std::memcpy(p, value, len);
    std::memset(p + len, ' ', f->len - len - 1u);
    p[f->len - 1u] = (unsigned char)len;
    *bits |= f->varMask;
}

unsigned f4varLen(const FIELD4 *f) {
    if (stamp4check(f, f ? f->s4valid : 0, E4_LOC_F4LEN)) return 0;
    return field4varLenIn(f, f->data->record);
}
