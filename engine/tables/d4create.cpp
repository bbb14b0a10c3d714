// Creating a table: check the field list, compute the record and header
// lengths, write the header, descriptors and trailer, create the memo file
// beside it, then open the new table.
//
// Bytes written (layout in dfile4.h), through a 2048-byte sequential writer:
//   0..31     header: version 0x30/0x31 (level 30), 0xF5/0x03 (level 25/26)
//             or 0x83/0x03 (level 3, dBASE III: memos in a .dbt), today's
//             date, count 0, header and record length, the autoincrement
//             marker and start value (bytes 12 and 20..27) of a 0x31 table,
//             flags (0x02 with memo fields, level 30), code page; 0x32 for
//             d4create32 (varchar, varbinary, blob fields), whose
//             autoincrement I fields keep start value and step 1 in their
//             descriptors (bytes 19..23)
//   32..      one descriptor per field, the _NullFlags descriptor when
//             fields are nullable (level 30), then the trailer:
//             level 3/25/26  0x0D 0x1A
//             level 30       0x0D, 263 zero bytes, one more zero byte (the
//                            byte that makes the file as long as its header)
#include <cstring>
#include <string>
#include <vector>

#include "date4.h"
#include "dfile4.h"
#include "dfile4dbase.h"
#include "foundation/bytes.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/u4name.h"
#include "memo4.h"

namespace {

struct Planned {
    char name[dbf::DESC_NAME_LEN];
    unsigned char type;     // as written
    uint32_t width;
    unsigned char dec;      // byte 17 unless the length is 16 bits
    unsigned char flags;
    bool longLength;        // byte 17 holds the high byte of the width
    bool counter;           // the newer writers' autoincrement (0x32 tables)
};

int illegal(CODE4 *c, long code, const char *text) {
    return error4describe(c, (int)code, E4_MSG_ILLEGAL_FIELD_DATA, text, nullptr, nullptr);
}

bool isBinaryType(unsigned char t) {
    return std::strchr("123456BIOPQRTVWYZX", t) != nullptr;
}

// Width, decimals and level rule of one requested field; 0 or a code. In a
// version-0x32 table (varFields) V and Q are varchar and varbinary of the
// given length (1..254) and W a blob (a binary memo).
int planField(CODE4 *c, int level, bool varFields, const FIELD4INFO &in, Planned *out) {
    unsigned char t = (unsigned char)in.type;
    if (t >= 'a' && t <= 'z') t = (unsigned char)(t - 32);
    bool level30Only = false;
    uint32_t width = 0;
    unsigned dec = 0;
    out->longLength = false;
    out->counter = false;
    if (varFields && (t == 'V' || t == 'Q') && (in.len < 1 || in.len > 254)) return illegal(c, e4data, in.name);
    switch (varFields && (t == 'V' || t == 'Q' || t == 'W') ? 0 : t) {
        case 0: width = t == 'W' ? 4 : in.len; break;
        case 'C': width = in.len; out->longLength = true; break;
        case 'F': case 'N':
            // Their length is one byte in the descriptor.
            if (in.len > 255 || in.dec > 255) return illegal(c, e4data, in.name);
            width = in.len;
            dec = in.dec;
            break;
        case 'L': width = 1; break;
        case 'D': width = 8; break;
        case 'M': case 'G': width = level == 30 ? 4 : 10; break;
        case 'I': width = 4; level30Only = true; break;
        case 'P': width = 4; break;
        case 'B': width = 8; dec = in.dec > 255 ? 255 : in.dec; level30Only = true; break;
        case 'T': width = 8; level30Only = true; break;
        case 'Y': width = 8; dec = 4; level30Only = true; break;
        case '1': case '5': case '6': width = 8; break;
        case '2': case '3': width = 6; break;
        case '4': case 'V': width = 16; break;
        case 'Q': case 'R': width = 2; break;
        case 'O': width = (in.len + 1) / 2 * 2 + 2; out->longLength = true; break;
        case 'W': width = (in.len + 1) / 2 * 2; out->longLength = true; level30Only = true; break;
        case 'X': width = 4; level30Only = true; break;
        case 'Z': width = in.len; out->longLength = true; level30Only = true; break;
        default: {
            char code[12];
            c4ltoa45(t, code, 3);
            size_t i = 0;
            while (code[i] == ' ') i++;
            std::string text(code + i, 3 - i);
            return illegal(c, e4fieldType, text.c_str());
        }
    }
    if (level30Only && level != 30) return illegal(c, e4data, in.name);
    if (level == dbf::LEVEL_DBASE3 && !dbf::dbase3Creates(t, in.len)) return illegal(c, e4data, in.name);
    if (width > 0xFFFF) return error4describe(c, e4recordLen, E4_LOC_D4CREATE, in.name, nullptr, nullptr);
    out->width = width;
    out->dec = (unsigned char)dec;
    // A varchar is text (code page translated); the other kinds binary.
    out->flags = isBinaryType(t) && !(varFields && t == 'V') ? dbf::FIELD_BINARY : 0;
    if (level == 30 && in.attribute == r4null) out->flags |= dbf::FIELD_NULLABLE;
    if (in.attribute == r4autoIncrement) out->flags |= dbf::FIELD_AUTOINC;
    out->counter = varFields && t == 'I' && in.attribute == r4autoIncrement;
    out->type = t == 'X' ? 'M' : t == 'Z' ? 'C' : t;
    // Upper-case name, trailing blanks removed, at most 10 characters.
    std::memset(out->name, 0, sizeof out->name);
    size_t n = std::strlen(in.name);
    while (n && in.name[n - 1] == ' ') n--;
    if (n > 10) n = 10;
    for (size_t i = 0; i < n; i++) {
        char ch = in.name[i];
        out->name[i] = ch >= 'a' && ch <= 'z' ? (char)(ch - 32) : ch;
    }
    return 0;
}

void putDescriptor(CODE4 *c, unsigned char *desc, const Planned &p, uint32_t displacement) {
    std::memset(desc, 0, dbf::DESC_SIZE);
    std::memcpy(desc, p.name, sizeof p.name);
    desc[dbf::DESC_TYPE] = p.type;
    b4::putU32le(desc + dbf::DESC_DISPLACEMENT, displacement);
    desc[dbf::DESC_LEN] = (unsigned char)(p.width & 0xFF);
    desc[dbf::DESC_DEC] = p.longLength ? (unsigned char)(p.width >> 8) : p.dec;
    desc[dbf::DESC_FLAGS] = p.flags;
    if (p.counter) {
        double start = c->autoIncrementStart;
        b4::putI32le(desc + dbf::DESC_COUNTER_NEXT,
                     start >= 2147483647.0 ? INT32_MAX : start <= -2147483648.0 ? INT32_MIN : (int32_t)start);
        desc[dbf::DESC_COUNTER_STEP] = 1;
    }
}

struct Layout {
    std::vector<Planned> fields;  // _NullFlags included
    uint32_t recordLen = 1;
    uint32_t headerLen = 0;
    int memoFields = 0;
    bool autoIncrement = false;   // the engine's own (header marker)
    bool varFields = false;       // version 0x32
};

bool isLetter(char ch) { return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z'); }

// A name other programs can read back: an ASCII letter, then ASCII letters,
// digits or underscores (before trailing blanks).
bool wellFormedName(const char *name) {
    size_t n = std::strlen(name);
    while (n && name[n - 1] == ' ') n--;
    if (n == 0 || !isLetter(name[0])) return false;
    for (size_t i = 1; i < n; i++)
        if (!isLetter(name[i]) && !(name[i] >= '0' && name[i] <= '9') && name[i] != '_') return false;
    return true;
}

int plan(CODE4 *c, int level, const FIELD4INFO *fields, Layout *l) {
    int nullBits = 0, autoCount = 0;
    for (const FIELD4INFO *in = fields; in->name && in->name[0]; in++) {
        Planned p;
        if (!wellFormedName(in->name))
            return error4describe(c, e4fieldName, E4_MSG_FIELD_NAME_FORM, in->name, nullptr, nullptr);
        if (int rc = planField(c, level, l->varFields, *in, &p)) return rc;
        // Names are compared as written: upper-case, cut to 10 characters.
        for (const Planned &other : l->fields)
            if (std::memcmp(other.name, p.name, sizeof p.name) == 0)
                return error4describe(c, e4fieldName, E4_MSG_FIELD_NAME_TWICE, in->name, nullptr, nullptr);
        l->recordLen += p.width;
        // _NullFlags bits: a null bit per nullable field, a length bit per
        // varchar and varbinary.
        if (p.flags & dbf::FIELD_NULLABLE) nullBits++;
        if (dbf::isVarLengthType(p.type, l->varFields)) nullBits++;
        if (dbf::isMemoType(p.type, l->varFields)) l->memoFields++;
        l->fields.push_back(p);
    }
    if (level == 30 && nullBits > 0) {
        Planned p{};
        std::memcpy(p.name, dbf::NULL_FLAGS_NAME, 10);
        p.type = '0';
        p.width = (uint32_t)(nullBits + 7) / 8;
        p.flags = dbf::FIELD_SYSTEM | dbf::FIELD_BINARY;
        p.longLength = true;
        l->fields.push_back(p);
        l->recordLen += p.width;
    }
    // Beyond 65535 the length cannot even be written; up to it only the
    // validation switch lets it pass.
    if (l->recordLen > 0xFFFF || (l->recordLen > 0xFFFE && !c->validationOff))
        return error4(c, e4recordLen, E4_LOC_D4CREATE);
    for (const FIELD4INFO *in = fields; in->name && in->name[0]; in++) {
        if (in->attribute != r4autoIncrement) continue;
        unsigned char t = (unsigned char)in->type;
        // A version-0x32 table numbers I fields in their descriptors, any
        // number of them; the engine's own kind is one B field.
        if (l->varFields) {
            if (t != 'I' && t != 'i') return error4(c, e4data, E4_MSG_AUTOINC_TYPE_INTEGER);
            continue;
        }
        if (++autoCount > 1) return error4(c, e4data, E4_MSG_AUTOINC_TWICE);
        if (t != 'B' && t != 'b') return error4(c, e4data, E4_MSG_AUTOINC_TYPE);
    }
    l->autoIncrement = autoCount == 1;
    uint64_t n = l->fields.size();
    uint64_t header = level == 30 ? 32 * n + 264 + 33 : 32 * n + 34;
    if (header >= 0xFFFF) return error4(c, e4recordLen, E4_LOC_D4CREATE);
    l->headerLen = (uint32_t)header;
    return 0;
}

int writeTable(FILE4 *file, CODE4 *c, int level, const Layout &l) {
    unsigned char h[dbf::HEADER_SIZE] = {};
    if (l.varFields)
        h[dbf::OFF_VERSION] = dbf::VERSION_VAR_FIELDS;
    else if (level == 30)
        h[dbf::OFF_VERSION] = l.autoIncrement ? dbf::VERSION_AUTOINC : dbf::VERSION_LEVEL30;
    else
        h[dbf::OFF_VERSION] = !l.memoFields ? dbf::VERSION_PLAIN
                              : level == dbf::LEVEL_DBASE3 ? dbf::VERSION_DBASE3_MEMO : dbf::VERSION_MEMO;
    DATE4CLOCK now;
    date4clock(&now);
    h[dbf::OFF_YEAR] = (unsigned char)(now.year % 100);
    h[dbf::OFF_YEAR + 1] = (unsigned char)now.month;
    h[dbf::OFF_YEAR + 2] = (unsigned char)now.day;
    b4::putU16le(h + dbf::OFF_HEADER_LEN, (uint16_t)l.headerLen);
    b4::putU16le(h + dbf::OFF_RECORD_LEN, (uint16_t)l.recordLen);
    if (l.autoIncrement) {
        std::memcpy(h + dbf::OFF_RESERVED, dbf::AUTOINC_MARKER, sizeof dbf::AUTOINC_MARKER);
        b4::putF64le(h + dbf::OFF_AUTOINC_NEXT, c->autoIncrementStart);
    }
    if (level == 30 && l.memoFields) h[dbf::OFF_FLAGS] = dbf::FLAG_MEMO;
    h[dbf::OFF_CODE_PAGE] = c->codePage;

    char buffer[2048];
    FILE4SEQ_WRITE w;
    file4seqWriteInit(&w, file, 0, buffer, sizeof buffer);
    int rc = file4seqWrite(&w, h, sizeof h);
    uint32_t displacement = 1;
    for (const Planned &p : l.fields) {
        unsigned char desc[dbf::DESC_SIZE];
        putDescriptor(c, desc, p, displacement);
        displacement += p.width;
        if (rc == 0) rc = file4seqWrite(&w, desc, sizeof desc);
    }
    const unsigned char terminator = dbf::DESC_TERMINATOR, eofMark = dbf::EOF_MARK;
    if (rc == 0) rc = file4seqWrite(&w, &terminator, 1);
    if (rc == 0) {
        if (level == 30)
            rc = file4seqWriteRepeat(&w, dbf::BACKLINK_LEN + 1, 0);
        else
            rc = file4seqWrite(&w, &eofMark, 1);
    }
    if (rc == 0) rc = file4seqWriteFlush(&w);
    return rc;
}

// Removes the file beside name with extension ext that this create made but
// could not finish; quietly, as the create's own failure is what is reported.
void removeMade(CODE4 *c, const std::string &name, const char *ext) {
    std::string other = name;
    other.resize(other.size() + 8, '\0');
    if (u4nameExt(other.data(), (int)other.size(), ext, 1) != 0) return;
    int savedCode = c->errorCode, savedOpenError = c->openError;
    c->openError = 0;
    FILE4 f;
    if (file4open(&f, c, other.c_str(), 1) == 0) {
        file4removeNow(&f);
        file4close(&f);
    }
    c->openError = savedOpenError;
    c->errorCode = savedCode;
}

DATA4 *createTable(CODE4 *c, const char *name, const FIELD4INFO *fields, bool varFields) {
    if (error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_D4CREATE)) return nullptr;
    if (!name || !fields) return error4(c, e4parmNull, E4_LOC_D4CREATE), nullptr;
    if (c->errorCode < 0) return nullptr;
    int level = c->compatibility;
    if (!dbf::knownLevel(level)) return error4describe(c, e4open, E4_LOC_D4CREATE, name, nullptr, nullptr), nullptr;
    if (varFields) level = 30;
    std::string full = u4namePlatform(name);
    full.resize(full.size() + 8, '\0');
    if (u4nameExt(full.data(), (int)full.size(), "dbf", 0) != 0)
        return error4describe(c, e4create, E4_MSG_NAME_TOO_LONG, name, nullptr, nullptr), nullptr;
    full.resize(std::strlen(full.c_str()));

    Layout layout;
    layout.varFields = varFields;
    if (plan(c, level, fields, &layout) != 0) return nullptr;

    FILE4 file;
    if (file4create(&file, c, full.c_str(), 1) != 0) return nullptr;
    int rc = writeTable(&file, c, level, layout);
    bool memoMade = false;
    const int memoFormat = level == dbf::LEVEL_DBASE3 ? MEMO4_DBT3 : MEMO4_FPT;
    if (rc == 0 && layout.memoFields) {
        MEMO4FILE memo;
        rc = memo4fileCreate(&memo, c, nullptr, full.c_str(), memoFormat);
        memoMade = rc == 0;
        if (rc == 0) rc = memo4fileClose(&memo);
    }
    if (rc != 0) {
        // Nothing half-made is left behind, not even a memo file whose
        // close failed.
        int code = c->errorCode;
        c->errorCode = 0;
        file.removeOnClose = 1;
        file4close(&file);
        if (memoMade) removeMade(c, full, memo4fmt::extension(memoFormat));
        c->errorCode = code;
        return nullptr;
    }
    if (file4close(&file) != 0) return nullptr;
    return d4open(c, full.c_str());
}

}  // namespace

DATA4 *d4create(CODE4 *c, const char *name, const FIELD4INFO *fields) { return createTable(c, name, fields, false); }

DATA4 *d4create32(CODE4 *c, const char *name, const FIELD4INFO *fields) { return createTable(c, name, fields, true); }
