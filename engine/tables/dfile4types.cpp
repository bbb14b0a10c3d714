// The field-type rules of the table file: which type bytes a table may hold
// at which level, and how long each field is (descriptor bytes 16 and 17).
#include "dfile4.h"

#include <cstring>

namespace dbf {

TypeRule typeRule(unsigned char type) {
    switch (type) {
        case 'C': case 'N': case 'F': case 'D': case 'L': case 'M': case 'G':
        case 'I': case 'O': case 'W': case 'P': case 'Q': case 'R': case 'V':
        case '1': case '2': case '3': case '4': case '5': case '6':
            return TYPE_ALWAYS;
        case '+': case '=': case '@':  // Harbour's own (field4harbour.h)
            return TYPE_ALWAYS;
        case 'B': case 'T': case 'Y': case '0':
            return TYPE_LEVEL30;
        default:
            return TYPE_UNKNOWN;
    }
}

bool typeHasLongLength(unsigned char type) { return type == 'C' || type == 'O' || type == 'W'; }

void fieldLengthOf(unsigned char type, const unsigned char *desc, int tableLevel, uint16_t *len, uint16_t *dec) {
    unsigned char lo = desc[DESC_LEN], hi = desc[DESC_DEC];
    switch (type) {
        case 'B':
            *len = lo;
            *dec = tableLevel == 30 ? hi : 0;
            break;
        case 'D': case 'G': case 'I': case 'L': case 'M': case '+': case '=': case '@':
            *len = lo;
            *dec = 0;
            break;
        case 'F': case 'N': case 'T': case 'Y':
            *len = lo;
            *dec = hi;
            break;
        default:
            *len = (uint16_t)(lo + 256 * hi);
            *dec = 0;
            break;
    }
}

bool isNullFlagsName(const unsigned char *name11) {
    for (unsigned i = 0; i < 10; i++) {
        unsigned char a = name11[i], b = (unsigned char)NULL_FLAGS_NAME[i];
        if (a >= 'a' && a <= 'z') a = (unsigned char)(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = (unsigned char)(b - 'a' + 'A');
        if (a != b) return false;
    }
    return true;  // only the first 10 characters of a name count
}

}  // namespace dbf
