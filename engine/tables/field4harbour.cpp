// Harbour's self-kept fields ('+' autoincrement, '=' modification time and
// '@' time stamp) and the FoxPro binary types in level-25 tables; layouts
// in field4harbour.h.
#include "field4harbour.h"

#include <cstring>

#include "d4internal.h"
#include "date4.h"
#include "dfile4.h"
#include "foundation/bytes.h"
#include "foundation/c4ltoa.h"

namespace dbf {

bool harbourAdmits(const unsigned char *desc) {
    unsigned char type = desc[DESC_TYPE];
    return (type == 'B' || type == 'T' || type == 'Y') && desc[DESC_LEN] == 8;
}

unsigned char readsAs(unsigned char fileType) {
    switch (fileType) {
        case '+': return 'I';
        case '=': case '@': return 'T';
        default: return fileType;
    }
}

bool storedBinary(unsigned char fileType) { return fileType && std::strchr("IBTY+=@", fileType); }

}  // namespace dbf

namespace {

// Calls visit(descriptor, offset in the record) for every descriptor of
// the table, in record order.
template <typename Visit>
void eachDescriptor(DATA4FILE *df, Visit visit) {
    uint32_t offset = 1;
    for (int i = 0; i < df->nFields; i++) {
        unsigned char *desc = df->descriptors + (size_t)i * dbf::DESC_SIZE;
        uint16_t len, dec;
        dbf::fieldLengthOf(desc[dbf::DESC_TYPE], desc, df->tableLevel, &len, &dec);
        visit(desc, offset, len);
        offset += len;
    }
}

uint32_t stepOf(const unsigned char *desc) { return desc[dbf::DESC_COUNTER_STEP] ? desc[dbf::DESC_COUNTER_STEP] : 1; }

}  // namespace

bool field4keptByTable(const FIELD4 *f) { return f->fileType == '+' || f->fileType == '=' || f->fileType == '@'; }

int field4refuseKept(const FIELD4 *f) {
    return error4describe(f->data->codeBase, e4parm, E4_MSG_FIELD_KEPT_BY_TABLE, f->name, nullptr, nullptr);
}

int d4harbourStamp(DATA4 *d) {
    DATA4FILE *df = d->dataFile;
    DATE4CLOCK now{};
    bool haveClock = false;
    int rc = 0;
    eachDescriptor(df, [&](unsigned char *desc, uint32_t offset, uint16_t len) {
        unsigned char type = desc[dbf::DESC_TYPE];
        unsigned char value[8] = {};
        if (type == '+') {
            uint32_t next = b4::getU32le(desc + dbf::DESC_COUNTER_NEXT);
            b4::putU32le(value, next);
            unsigned char after[4];
            b4::putU32le(after, next + stepOf(desc));
            int64_t at = dbf::HEADER_SIZE + (desc - df->descriptors) + dbf::DESC_COUNTER_NEXT;
            if (rc == 0) rc = file4write(&df->file, at, after, sizeof after);
        } else if (type == '=') {
            if (!haveClock) date4clock(&now);
            haveClock = true;
            char today[8];
            c4ltoa45(now.year, today, -4);
            c4ltoa45(now.month, today + 4, -2);
            c4ltoa45(now.day, today + 6, -2);
            b4::putI32le(value, (int32_t)date4long(today));
            b4::putI32le(value + 4, ((now.hour * 60 + now.minute) * 60 + now.second) * 1000 + now.millisecond);
        } else {
            return;
        }
        std::memcpy(d->record + offset, value, len < sizeof value ? len : sizeof value);
        if (len > sizeof value) std::memset(d->record + offset + sizeof value, 0, len - sizeof value);
    });
    return rc;
}

void d4harbourAppended(DATA4 *d) {
    eachDescriptor(d->dataFile, [](unsigned char *desc, uint32_t, uint16_t) {
        if (desc[dbf::DESC_TYPE] != '+') return;
        b4::putU32le(desc + dbf::DESC_COUNTER_NEXT, b4::getU32le(desc + dbf::DESC_COUNTER_NEXT) + stepOf(desc));
    });
}
