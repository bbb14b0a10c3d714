// Opening a table file: read the 32-byte header and the descriptor block and
// validate them step by step, each failure reported with the file's name.
//
// Bytes read here (layout in dfile4.h):
//   0..31              the file header: version (0), date (1..3), record
//                      count (4..7), header length (8..9), record length
//                      (10..11), reserved block (12..27), flags (28), code
//                      page (29)
//   32..headerLen-1    descriptors (32 bytes each) up to the 0x0D slot; what
//                      follows the terminator is not examined
//
// A header that ends one byte short of its own header length (the last byte
// after the backlink area never written) is accepted; the byte reads as 0.
#include <cstdlib>
#include <cstring>
#include <string>

#include "dfile4.h"
#include "dfile4dbase.h"
#include "field4harbour.h"
#include "pack4journal.h"
#include "foundation/bytes.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/u4name.h"
#include "memo4.h"

namespace {

// Releases what a failed open took and passes its code on.
int failOpen(DATA4FILE *df, int code) {
    CODE4 *c = df->codeBase;
    int saved = c->errorCode;
    memo4fileClose(&df->memoFile);
    file4close(&df->file);
    std::free(df->descriptors);
    df->descriptors = nullptr;
    df->descriptorLen = 0;
    c->errorCode = saved;
    return code;
}

int corrupt(DATA4FILE *df, int code, long location) {
    error4describe(df->codeBase, code, location, df->file.name, nullptr, nullptr);
    return failOpen(df, code);
}

// Opens the memo file beside the table: the table's name with extension fpt.
int openMemo(DATA4FILE *df) {
    std::string memoName = df->file.name;
    memoName.resize(memoName.size() + 8, '\0');
    if (u4nameExt(memoName.data(), (int)memoName.size(), "fpt", 1) != 0)
        return error4describe(df->codeBase, e4parm, E4_MSG_NAME_TOO_LONG, df->file.name, nullptr, nullptr);
    return memo4fileOpen(&df->memoFile, df, memoName.c_str());
}

bool memoExists(DATA4FILE *df) {
    std::string memoName = df->file.name;
    memoName.resize(memoName.size() + 8, '\0');
    return u4nameExt(memoName.data(), (int)memoName.size(), "fpt", 1) == 0 && file4exists(memoName.c_str());
}

// Walks the descriptor block: counts the slots before the terminator, checks
// each type against the table level and sums the widths. 0 or a code.
int checkDescriptors(DATA4FILE *df) {
    CODE4 *c = df->codeBase;
    const unsigned char *block = df->descriptors;
    const uint32_t blockLen = df->descriptorLen;
    int n = 0;
    for (uint32_t off = 0;; off += dbf::DESC_SIZE, n++) {
        // A slot counts only while it lies within the block.
        if (off >= blockLen) return corrupt(df, e4data, E4_MSG_DATA_CORRUPT);
        if (block[off] == dbf::DESC_TERMINATOR) break;
        if (off + dbf::DESC_SIZE > blockLen) return corrupt(df, e4data, E4_MSG_DATA_CORRUPT);
    }
    uint32_t sum = 1;          // the deletion flag
    uint32_t fieldEnd = 1;     // as the field descriptors will place them
    int memoFields = 0, counterFields = 0;
    for (int i = 0; i < n; i++) {
        const unsigned char *desc = block + (size_t)i * dbf::DESC_SIZE;
        unsigned char type = desc[dbf::DESC_TYPE];
        dbf::TypeRule rule = dbf::typeRule(type);
        if (rule == dbf::TYPE_UNKNOWN) return corrupt(df, e4fieldType, E4_MSG_INVALID_FIELD_TYPE);
        if (rule == dbf::TYPE_LEVEL30 && df->tableLevel != 30 && !dbf::harbourAdmits(desc))
            return corrupt(df, e4data, E4_MSG_INVALID_FIELD_TYPE);
        if (type == '0' && !dbf::isNullFlagsName(desc)) return corrupt(df, e4data, E4_MSG_INVALID_FIELD_TYPE);
        if (dbf::typeHasLongLength(type))
            sum += desc[dbf::DESC_LEN] + 256u * desc[dbf::DESC_DEC];
        else
            sum += desc[dbf::DESC_LEN];
        if (dbf::isMemoType(type, df->varFields)) memoFields++;
        if (dbf::isCounterDescriptor(df, desc)) counterFields++;
        uint16_t len, dec;
        dbf::fieldLengthOf(type, desc, df->tableLevel, &len, &dec);
        fieldEnd += len;
    }
    if (!c->validationOff && sum != df->recordLen)
        return corrupt(df, e4data, E4_LOC_DFILE4OPEN);
    // Whatever the switches say, no field may reach past the record: the
    // field operations address the record buffer through these lengths.
    if (fieldEnd > df->recordLen) return corrupt(df, e4data, E4_MSG_DATA_CORRUPT);
    // A version-0x31 table without the engine's marker is the newer
    // writers' only when a descriptor holds their autoincrement.
    if (df->version == dbf::VERSION_AUTOINC && !df->hasAutoIncrement && counterFields == 0)
        return corrupt(df, e4data, E4_MSG_DATA_VERSION);
    df->nFields = n;
    df->nFieldsMemo = memoFields;
    df->counterFields = counterFields;
    return 0;
}

}  // namespace

int dfile4open(DATA4FILE *df, CODE4 *c, const char *name) {
    df->codeBase = c;
    df->file.hand = -1;
    df->memoFile.file.hand = -1;
    df->recCount = -1;
    if (!dbf::knownLevel(c->compatibility)) return error4describe(c, e4open, E4_LOC_DFILE4OPEN, name, nullptr, nullptr);
    // A replacement of the table's files that was stopped (pack4journal.h)
    // is finished or undone before the table is read.
    int rc = pack4recover(c, name);
    if (rc != 0) return rc;
    rc = file4open(&df->file, c, name, 1);
    if (rc != 0) return rc;

    unsigned char h[dbf::HEADER_SIZE];
    if (file4readAll(&df->file, 0, h, sizeof h) != 0) return failOpen(df, c->errorCode < 0 ? c->errorCode : e4read);
    df->headerLen = b4::getU16le(h + dbf::OFF_HEADER_LEN);
    df->recordLen = b4::getU16le(h + dbf::OFF_RECORD_LEN);
    if (df->recordLen == 0) return corrupt(df, e4data, E4_MSG_DATA_CORRUPT);
    df->flags = h[dbf::OFF_FLAGS];
    df->version = h[dbf::OFF_VERSION];
    df->yy = h[1];
    df->mm = h[2];
    df->dd = h[3];
    df->numRecsStored = b4::getI32le(h + dbf::OFF_NUM_RECS);
    std::memcpy(df->reserved12, h + dbf::OFF_RESERVED, dbf::RESERVED_LEN);

    // Version 0x31 with the engine's marker is its own autoincrement table;
    // without it, the newer writers' (checked with the descriptors). 0x32 is
    // theirs too, with varchar, varbinary and blob fields.
    if (df->version == dbf::VERSION_AUTOINC &&
        std::memcmp(h + dbf::OFF_RESERVED, dbf::AUTOINC_MARKER, sizeof dbf::AUTOINC_MARKER) == 0) {
        df->hasAutoIncrement = 1;
        df->version = dbf::VERSION_LEVEL30;
    }
    df->varFields = df->version == dbf::VERSION_VAR_FIELDS;
    if (df->version == dbf::VERSION_LEVEL30 || df->version == dbf::VERSION_AUTOINC || df->varFields)
        df->tableLevel = 30;
    else
        df->tableLevel = c->compatibility == 26 ? 26 : 25;
    df->codePage = (signed char)h[dbf::OFF_CODE_PAGE];

    if (!c->validationOff) {
        if (df->numRecsStored == -1) return corrupt(df, e4data, E4_MSG_DATA_CORRUPT);
        // The engine counts records in 31 bits: a count from 2^31 up is damage,
        // not an empty table.
        if (df->numRecsStored < 0) return corrupt(df, e4data, E4_MSG_RECORD_COUNT);
        if (c->accessMode == 1 || c->accessMode == 2) {
            int64_t fileLen = file4len(&df->file);
            if (fileLen < 0) return failOpen(df, c->errorCode);
            // A header one byte short (see above) holds no records.
            uint64_t computed = fileLen + 1 == df->headerLen ? 0 : ((uint64_t)fileLen - df->headerLen) / df->recordLen;
            if (computed != (uint64_t)(uint32_t)df->numRecsStored) return corrupt(df, e4data, E4_MSG_DATA_CORRUPT);
        }
    }
    if (df->headerLen <= dbf::HEADER_SIZE) return corrupt(df, e4data, E4_MSG_DATA_CORRUPT);

    // The descriptor block is at most 65503 bytes: the header length is 16 bits.
    df->descriptorLen = df->headerLen - dbf::HEADER_SIZE;
    df->descriptors = static_cast<unsigned char *>(std::malloc(df->descriptorLen));
    if (!df->descriptors) {
        error4(c, e4memory, E4_LOC_DFILE4OPEN);
        return failOpen(df, e4memory);
    }
    unsigned got = file4read(&df->file, dbf::HEADER_SIZE, df->descriptors, df->descriptorLen);
    if (c->errorCode < 0) return failOpen(df, c->errorCode);
    if (got + 1 == df->descriptorLen)
        df->descriptors[got] = 0;  // the one byte a creator left unwritten
    else if (got != df->descriptorLen)
        return corrupt(df, e4data, E4_MSG_DATA_SHORT_HEADER);

    bool hasMemo = df->tableLevel == 30 ? (df->flags & dbf::FLAG_MEMO) != 0
                                        : (h[dbf::OFF_VERSION] & dbf::VERSION_MEMO_BIT) != 0;
    if (hasMemo && (rc = dbf::hasDbtMemo(df->version) ? dfile4openDbt(df) : openMemo(df)) != 0)
        return failOpen(df, rc);

    if ((rc = checkDescriptors(df)) != 0) return rc;
    // Some writers leave the memo mark clear in tables with memo fields
    // (python3-dbf's Visual FoxPro tables): their memo file is used when it
    // is there.
    if (!df->memoFile.isOpen && df->nFieldsMemo > 0 && memoExists(df) && (rc = openMemo(df)) != 0)
        return failOpen(df, rc);

    df->recCount = df->numRecsStored >= 0 ? df->numRecsStored : -1;
    // Scans read records one after another and appends write them one after
    // another: keep a read-ahead window and a write-behind buffer.
    if (c->fileReadAhead && file4readAheadSet(&df->file, c->fileReadAhead) != 0) return failOpen(df, c->errorCode);
    if (!df->file.isReadOnly && c->fileReadAhead && file4writeBehindSet(&df->file, c->fileReadAhead) != 0)
        return failOpen(df, c->errorCode);
    return 0;
}
