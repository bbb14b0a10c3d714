// Opening a table handle: find or open the shared table file, build the
// field descriptors, buffers and memo entries, and open the production index
// through the index layer's seam.
#include <cstdlib>
#include <cstring>
#include <string>

#include "d4internal.h"
#include "dfile4.h"
#include "field4harbour.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/mem4.h"
#include "foundation/u4name.h"
#include "index_seam.h"

namespace {

bool ensurePools(CODE4 *c) {
    if (!c->dataMemory && !(c->dataMemory = mem4create(c, 10, sizeof(DATA4), 5, 0))) return false;
    if (!c->dataFileMemory && !(c->dataFileMemory = mem4create(c, 5, sizeof(DATA4FILE), 5, 0))) return false;
    c->tableCloseHook = d4close;
    return true;
}

// The table's name as this platform uses it, with "dbf" added when it has
// no extension; empty when the name cannot be held.
std::string tableName(const char *name) {
    std::string full = u4namePlatform(name);
    full.resize(full.size() + 8, '\0');
    if (u4nameExt(full.data(), (int)full.size(), "dbf", 0) != 0) return std::string();
    full.resize(std::strlen(full.c_str()));
    return full;
}

DATA4FILE *findOpen(CODE4 *c, const std::string &full) {
    std::string resolved = u4nameResolve(full);
    for (LINK4 *l = l4first(&c->dataFileList); l; l = l4next(l)) {
        DATA4FILE *df = reinterpret_cast<DATA4FILE *>(l);
        if (df->file.name && (u4nameEqual(df->file.name, full.c_str()) || u4nameEqual(df->file.name, resolved.c_str())))
            return df;
    }
    return nullptr;
}

void setAlias(DATA4 *d, const std::string &full) {
    std::string base = u4nameBase(full.c_str());
    size_t n = base.size() < sizeof d->alias - 1 ? base.size() : sizeof d->alias - 1;
    for (size_t i = 0; i < n; i++) d->alias[i] = base[i] == ' ' ? '_' : base[i];
    d->alias[n] = 0;
}

// Builds the field descriptors from the descriptor block: user fields first
// in record order, the _NullFlags system field after them.
int buildFields(DATA4 *d) {
    CODE4 *c = d->codeBase;
    DATA4FILE *df = d->dataFile;
    int n = df->nFields;
    d->fields = static_cast<FIELD4 *>(std::calloc(n ? n : 1, sizeof(FIELD4)));
    if (!d->fields) return error4(c, e4memory, E4_LOC_D4OPEN);
    int userCount = 0;
    for (int i = 0; i < n; i++)
        if (df->descriptors[i * dbf::DESC_SIZE + dbf::DESC_TYPE] != '0') userCount++;
    int nextUser = 0, nextSystem = userCount, nullBit = 0, memoCount = 0;
    uint32_t offset = 1;
    for (int i = 0; i < n; i++) {
        const unsigned char *desc = df->descriptors + (size_t)i * dbf::DESC_SIZE;
        unsigned char type = desc[dbf::DESC_TYPE];
        FIELD4 *f = &d->fields[type == '0' ? nextSystem++ : nextUser++];
        f->s4valid = S4VALID;
        f->data = d;
        f->type = (char)dbf::readsAs(type);
        f->fileType = (char)type;
        size_t nameLen = strnlen(reinterpret_cast<const char *>(desc), 10);
        std::memcpy(f->name, desc, nameLen);
        f->name[nameLen] = 0;
        dbf::fieldLengthOf(type, desc, df->tableLevel, &f->len, &f->dec);
        f->offset = offset;
        offset += f->len;
        unsigned char flags = desc[dbf::DESC_FLAGS];
        if (df->tableLevel == 30) {
            // A varying-length field's length bit comes before its null bit.
            if (dbf::isVarLengthType(type, df->varFields)) field4varBitSet(f, nullBit++);
            if (flags & dbf::FIELD_NULLABLE) {
                f->nullable = 1;
                f->nullBit = nullBit++;
                f->nullByte = f->nullBit / 8;
                f->nullMask = (unsigned char)(1u << (f->nullBit % 8));
            }
            if (flags & dbf::FIELD_BINARY)
                f->binary = 1;
            else if (dbf::isMemoType(type, df->varFields))
                f->binary = 2;
        }
        if ((flags & dbf::FIELD_AUTOINC) && df->hasAutoIncrement) {
            f->autoIncrement = 1;
            if (!d->autoIncrementField) d->autoIncrementField = f;
        }
        if (dbf::isCounterDescriptor(df, desc)) {
            f->autoIncrement = 1;
            f->counterSlot = i + 1;
        }
        if (type == '+') f->autoIncrement = 1;  // numbered from its descriptor
        if (dbf::isMemoType(type, df->varFields)) memoCount++;
    }
    d->nFields = userCount;
    if (userCount < n) d->nullFlags = &d->fields[userCount];
    // A nullable field whose bit the table's _NullFlags cannot hold has no
    // null state: its bit would lie outside the record.
    for (int i = 0; i < userCount; i++) {
        FIELD4 *f = &d->fields[i];
        if (f->nullable && (!d->nullFlags || (unsigned)f->nullByte >= d->nullFlags->len)) f->nullable = 0;
        // Likewise a length bit: such a field always holds its full length.
        if (f->varLength && (!d->nullFlags || (unsigned)f->varByte >= d->nullFlags->len || f->len == 0))
            f->varLength = 0;
    }
    d->nMemoFields = memoCount;
    if (memoCount) {
        d->memoFields = static_cast<F4MEMO *>(std::calloc(memoCount, sizeof(F4MEMO)));
        if (!d->memoFields) return error4(c, e4memory, E4_LOC_D4OPEN);
        int m = 0;
        for (int i = 0; i < n; i++) {
            FIELD4 *f = &d->fields[i];
            if (dbf::isMemoType((unsigned char)f->type, df->varFields)) {
                memo4entryInit(&d->memoFields[m], f);
                f->memo = &d->memoFields[m++];
            }
        }
    }
    return 0;
}

int buildBuffers(DATA4 *d) {
    unsigned size = d->dataFile->recordLen + 1u;
    d->record = static_cast<unsigned char *>(std::calloc(size, 1));
    d->recordOld = static_cast<unsigned char *>(std::calloc(size, 1));
    d->recordBlank = static_cast<unsigned char *>(std::calloc(size, 1));
    if (!d->record || !d->recordOld || !d->recordBlank) return error4(d->codeBase, e4memory, E4_LOC_D4OPEN);
    std::memset(d->recordBlank, ' ', size - 1);
    // Last field first: _NullFlags (the last) is blanked before the varying
    // fields set their length bits in it.
    for (int i = d->dataFile->nFields - 1; i >= 0; i--) field4blankBytes(&d->fields[i], d->recordBlank);
    std::memcpy(d->record, d->recordBlank, size);
    std::memcpy(d->recordOld, d->recordBlank, size);
    return 0;
}

// The production index: opened by the index layer; without one the table
// cannot be opened as its header asks.
int openProduction(DATA4 *d, const std::string &full) {
    CODE4 *c = d->codeBase;
    if (index4hooks().openProduction) return index4hooks().openProduction(d);
    if (!c->openError) {
        c->errorCode = r4noOpen;
        return r4noOpen;
    }
    if (c->errorCode < 0) return c->errorCode;
    std::string index = full;
    index.resize(index.size() + 8, '\0');
    u4nameExt(index.data(), (int)index.size(), "cdx", 1);
    return error4describe(c, e4open, E4_LOC_D4OPEN, index.c_str(), nullptr, nullptr);
}

DATA4 *failed(DATA4 *d) {
    CODE4 *c = d->codeBase;
    int code = c->errorCode;
    c->errorCode = 0;
    d4close(d);
    c->errorCode = code;
    return nullptr;
}

}  // namespace

DATA4 *d4open(CODE4 *c, const char *name) {
    if (error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_D4OPEN)) return nullptr;
    if (!name) return error4(c, e4parmNull, E4_LOC_D4OPEN), nullptr;
    if (c->errorCode < 0) return nullptr;
    if (!ensurePools(c)) return nullptr;
    std::string full = tableName(name);
    if (full.empty()) return error4describe(c, e4open, E4_MSG_NAME_TOO_LONG, name, nullptr, nullptr), nullptr;

    DATA4 *d = static_cast<DATA4 *>(mem4alloc(c->dataMemory, c));
    if (!d) return nullptr;
    l4add(&c->dataList, &d->link);
    d->s4valid = S4VALID;
    d->codeBase = c;
    d->recNo = d->recNoOld = -1;

    DATA4FILE *df = findOpen(c, full);
    if (df && df->userCount > 0) {
        if (c->singleOpen) {
            error4describe(c, e4instance, E4_LOC_D4OPEN, full.c_str(), nullptr, nullptr);
            return failed(d);
        }
        df->userCount++;
    } else {
        df = static_cast<DATA4FILE *>(mem4alloc(c->dataFileMemory, c));
        if (!df) return failed(d);
        df->s4valid = S4VALID;
        if (dfile4open(df, c, full.c_str()) != 0) {
            mem4free(c->dataFileMemory, df);
            return failed(d);
        }
        l4add(&c->dataFileList, &df->link);
        df->userCount = 1;
    }
    d->dataFile = df;
    setAlias(d, full);
    if (buildFields(d) != 0 || buildBuffers(d) != 0) return failed(d);
    d->recCount = df->recCount;

    if ((df->flags & dbf::FLAG_PRODUCTION) && c->autoOpen) {
        int rc = openProduction(d, full);
        if (rc != 0) return failed(d);
    }
    d->handleNumber = ++c->handleCounter;
    d->readOnly = df->file.isReadOnly ? 1 : (c->readOnly ? 1 : 0);
    return d;
}
