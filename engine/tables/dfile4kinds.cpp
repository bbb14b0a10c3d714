// The field kinds of the newer desktop writers' tables (layout in dfile4.h):
// varchar (V), varbinary (Q) and blob (W) fields of version-0x32 tables, and
// the autoincrement they keep in an I field's descriptor (0x31 and 0x32).
//
// Bytes written here: for each such autoincrement field, bytes 19..22 of its
// descriptor (file offset 32 + 32 * slot + 19), the next value, int32 LE.
#include <cstring>

#include "dfile4.h"
#include "foundation/bytes.h"
#include "foundation/file4.h"

namespace dbf {

bool isMemoType(unsigned char type, bool varFields) {
    return type == 'M' || type == 'G' || (varFields && type == 'W');
}

bool isVarLengthType(unsigned char type, bool varFields) { return varFields && (type == 'V' || type == 'Q'); }

bool isCounterDescriptor(const DATA4FILE *df, const unsigned char *desc) {
    bool writerTable = df->varFields || (df->version == VERSION_AUTOINC && !df->hasAutoIncrement);
    unsigned char wanted = FIELD_AUTOINC | FIELD_BINARY;
    return writerTable && desc[DESC_TYPE] == 'I' && (desc[DESC_FLAGS] & wanted) == wanted;
}

}  // namespace dbf

int dfile4writeCounters(DATA4FILE *df) {
    if (!df->counterFields) return 0;
    for (int i = 0; i < df->nFields; i++) {
        const unsigned char *desc = df->descriptors + (size_t)i * dbf::DESC_SIZE;
        if (!dbf::isCounterDescriptor(df, desc)) continue;
        int64_t pos = dbf::HEADER_SIZE + (int64_t)i * dbf::DESC_SIZE + dbf::DESC_COUNTER_NEXT;
        if (int rc = file4write(&df->file, pos, desc + dbf::DESC_COUNTER_NEXT, 4)) return rc;
    }
    return 0;
}
