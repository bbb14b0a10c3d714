// Reading fields as display text and numbers, and writing edited values back:
// readRow, readRecord, writeRecord, deleteRecord.
//
// Display text and number by the type the engine reports:
//   D        the date through the regional picture; the day number (1e100 blank)
//   G        "[Binary OLE]", 0           X, binary W   "[Binary Memo]", 0
//   L        T/t "True" 1, F/f "False" -1, Y/y "Yes" 1, N/n "No" -1, else the byte, 0
//   M        the memo text, 0
//   I        the integer in digits       B   the double (field's decimals)
//   Y        four decimals               T   the date through the picture and hh:mm:ss
//   W        the UTF-16 text
//   V        a varchar (version-0x32 table): its value exactly, edited like C
//            up to the field's length
//   Q        a varbinary: "[Binary]", 0; not written
//   other    the field's text without leading and trailing blanks; f4double
// A null field (level 30) shows no text.
#include <cmath>
#include <cstdio>

#include "brindle.h"
#include "table_session.h"

namespace vandrel {

namespace {

constexpr double kNoDate = DATE4_BLANK_DOUBLE;

std::string trimBlanks(const char *p, size_t n) {
    size_t a = 0;
    while (a < n && p[a] == ' ') a++;
    while (n > a && p[n - 1] == ' ') n--;
    return std::string(p + a, n - a);
}

// Stored types f4double reads without refusing.
bool readsAsDouble(char storedType) {
    switch (storedType) {
        case 'C': case 'N': case 'F': case 'P': case 'Q': case 'R': case 'I': case 'B': case 'Y':
            return true;
        default:
            return false;
    }
}

// A blob of Visual FoxPro: a W field holding a 4-byte memo reference rather
// than wide text. Never shown as text nor written, so the reference survives.
bool isBlobReference(const FIELD4 *f) {
    return f->type == 'W' && f->len == 4 && f->data->dataFile->memoFile.isOpen;
}

std::u16string wideField(const char *p, unsigned len) {
    std::u16string out;
    for (unsigned i = 0; i + 1 < len; i += 2)
        out += (char16_t)((unsigned char)p[i] | ((unsigned char)p[i + 1] << 8));
    while (!out.empty() && (out.back() == u' ' || out.back() == 0)) out.pop_back();
    return out;
}

std::u16string ascii(const std::string &s) { return std::u16string(s.begin(), s.end()); }

std::string textOf(const char *p) { return p ? std::string(p) : std::string(); }

}  // namespace

// A value ready to be assigned: prepared for every modified entry before the
// record is touched, so a refused value leaves the table as it was.
struct TableSession::PendingValue {
    enum Kind { kDouble, kLong, kBytes, kMemo } kind = kBytes;
    int number = 0;
    double dbl = 0;
    long lng = 0;
    std::string bytes;
};

void TableSession::fieldDisplay(int number, std::u16string &text, double &value) {
    text.clear();
    value = 0;
    if (fieldValue_.init(table_, number) != 0) return;
    FIELD4 *f = fieldValue_.handle();
    int type = fieldValue_.type();
    if (fieldValue_.isNull()) {
        if (type == 'D') value = kNoDate;
        return;
    }
    const char *p = fieldValue_.ptr();
    unsigned len = fieldValue_.len();
    if (f->varLength) {
        if (type == 'V') text = text_.widen(p, f4varLen(f));
        else text = u"[Binary]";
        return;
    }
    switch (type) {
        case 'D': {
            dateValue_.assignN(p, len);
            text = formatDate(dateValue_);
            long day = dateValue_.julian();
            value = day == 0 ? kNoDate : (double)day;
            return;
        }
        case 'G':
            text = u"[Binary OLE]";
            return;
        case 'X':
            text = u"[Binary Memo]";
            return;
        case 'L': {
            char c = len ? p[0] : ' ';
            if (c == 'T' || c == 't') text = u"True", value = 1.0;
            else if (c == 'Y' || c == 'y') text = u"Yes", value = 1.0;
            else if (c == 'F' || c == 'f') text = u"False", value = -1.0;
            else if (c == 'N' || c == 'n') text = u"No", value = -1.0;
            else text = text_.widen(p, len);
            return;
        }
        case 'M':
            memoValue_ = Field4memo(f);
            text = text_.widen(memoValue_.ptr(), memoValue_.len());
            return;
        case 'I':
            text = ascii(std::to_string(fieldValue_.getLong()));
            value = fieldValue_.getDouble();
            return;
        case 'B': {
            value = fieldValue_.getDouble();
            char buf[400];
            int dec = fieldValue_.decimals();
            if (dec > 0) std::snprintf(buf, sizeof buf, "%.*f", dec > 15 ? 15 : dec, value);
            else std::snprintf(buf, sizeof buf, "%.15g", value);
            text = ascii(buf);
            return;
        }
        case 'Y':
            text = ascii(textOf(fieldValue_.currency(4)));
            value = fieldValue_.getDouble();
            return;
        case 'T': {
            std::string stamp = textOf(fieldValue_.dateTime());  // CCYYMMDD then hh:mm:ss
            if (stamp.size() < 16) return;
            dateValue_.assignN(stamp.data(), 8);
            long day = dateValue_.julian();
            if (day <= 0 && stamp.compare(8, 8, "00:00:00") == 0) return;
            text = (day > 0 ? formatDate(dateValue_) + u" " : u"") + ascii(stamp.substr(8, 8));
            int h = 0, m = 0, s = 0;
            std::sscanf(stamp.c_str() + 8, "%d:%d:%d", &h, &m, &s);
            value = day > 0 ? (double)day + (h * 3600 + m * 60 + s) / 86400.0 : 0;
            return;
        }
        case 'W':
            if (isBlobReference(f)) text = u"[Binary Memo]";
            else text = wideField(p, len);
            return;
        default:
            text = text_.widen(trimBlanks(p, len));
            if (readsAsDouble(f->type)) value = fieldValue_.getDouble();
            return;
    }
}

bool TableSession::atRecord() { return isOpen_ && !table_.eof() && !table_.bof(); }

bool TableSession::readRow(DisplayCell *cells, int n) {
    bool on = atRecord();
    long recNo = on ? table_.recNo() : -1;
    for (int k = 0; cells && k < n; k++) {
        DisplayCell &cell = cells[k];
        int i = on ? fieldIndexOfColumn(k, true) : -1;
        cell.recordNumber = on ? recNo : -1;
        cell.valid = i >= 0 ? 1 : 0;
        if (i >= 0) {
            fieldDisplay(fields[i].number, cell.text, cell.number);
        } else {
            cell.text.clear();
            cell.number = -1.0;
        }
    }
    if (isOpen_) clearError();
    return on;
}

long TableSession::rememberPosition() { return atRecord() ? table_.recNo() : 0; }

void TableSession::returnTo(long remembered) {
    if (remembered > 0) table_.go(remembered);
}

bool TableSession::readRecord(FieldList &list, long record) {
    bool ok = false;
    long remembered = 0;
    if (isOpen_) {
        remembered = rememberPosition();
        // Only records that exist: a new record (0) is no error to report.
        ok = record >= 1 && record <= table_.recCount() && table_.go(record) == 0;
    }
    for (int i = 0; i < list.count(); i++) {
        FieldEntry &e = list[i];
        if (ok) {
            fieldDisplay(e.number, e.valueText, e.valueNumber);
            e.modified = 0;
        } else {
            e.valueText.clear();
            e.valueNumber = -1.0;
        }
    }
    if (ok) table_.flush();
    if (isOpen_) {
        returnTo(remembered);
        clearError();
    }
    return ok;
}

// The value of a modified entry in the field's stored form; false when the
// field cannot hold it.
bool TableSession::prepareValue(const FieldEntry &e, PendingValue &v) {
    FIELD4 *f = table_.fieldJ(e.number);
    clearError();
    if (!f) return true;
    v.number = e.number;
    if (f->varLength) {
        // A varchar takes the text as it is, up to the field's length; a
        // varbinary is not written.
        if (f4type(f) != 'V') {
            v.number = 0;
            return true;
        }
        v.kind = PendingValue::kBytes;
        return text_.narrow(e.valueText, v.bytes) && v.bytes.size() <= f4len(f);
    }
    switch (f4type(f)) {
        case 'B':
            v.kind = PendingValue::kDouble, v.dbl = e.valueNumber;
            return true;
        case 'F': case 'N': {
            // A number the field's width cannot show would be stored as asterisks.
            std::string probe(f4len(f), ' ');
            v.kind = PendingValue::kDouble, v.dbl = e.valueNumber;
            return c4dtoa45(e.valueNumber, probe.data(), (int)probe.size(), f4decimals(f)) == 0;
        }
        case 'I':
            if (!(e.valueNumber > -2147483649.0 && e.valueNumber < 2147483648.0)) return false;
            v.kind = PendingValue::kLong, v.lng = (long)e.valueNumber;
            return true;
        case 'D': {
            Date4 date;
            date.assignDouble(e.valueNumber);
            v.kind = PendingValue::kBytes, v.bytes.assign(date.ptr(), 8);
            return true;
        }
        case 'C':
            if (!text_.narrow(e.valueText, v.bytes)) return false;
            if (v.bytes.size() < f4len(f)) v.bytes.append(f4len(f) - v.bytes.size(), ' ');
            v.kind = PendingValue::kBytes;
            return true;
        case 'L':
            v.kind = PendingValue::kBytes;
            if (!text_.narrow(e.valueText, v.bytes)) return false;
            v.bytes = v.bytes.empty() ? std::string(" ") : v.bytes.substr(0, 1);
            return true;
        case 'M':
            v.kind = PendingValue::kMemo;
            return text_.narrow(e.valueText, v.bytes);
        case 'W': {
            if (isBlobReference(f)) break;
            std::u16string wide = e.valueText;
            wide.resize(f4len(f) / 2, u' ');
            v.kind = PendingValue::kBytes;
            for (char16_t c : wide) v.bytes += (char)(c & 0xFF), v.bytes += (char)(c >> 8);
            return true;
        }
        default:
            break;
    }
    v.number = 0;  // a type the session does not write (G, X, T, Y, Z, ...)
    return true;
}

void TableSession::assignValue(const PendingValue &v) {
    if (v.number == 0) return;
    fieldValue_.init(table_, v.number);
    switch (v.kind) {
        case PendingValue::kDouble: fieldValue_.assignDouble(v.dbl); break;
        case PendingValue::kLong: fieldValue_.assignLong(v.lng); break;
        case PendingValue::kBytes: fieldValue_.assignN(v.bytes.data(), (unsigned)v.bytes.size()); break;
        case PendingValue::kMemo:
            memoValue_ = Field4memo(fieldValue_.handle());
            memoValue_.assignN(v.bytes.data(), (unsigned)v.bytes.size());
            break;
    }
}

bool TableSession::writeRecord(FieldList &list, long record) {
    refusedField_.clear();
    if (!isOpen_) return false;
    std::vector<PendingValue> values;
    for (int i = 0; i < list.count(); i++) {
        if (!list[i].modified) continue;
        PendingValue v;
        if (!prepareValue(list[i], v)) {
            refusedField_ = list[i].wideName;
            return false;
        }
        values.push_back(std::move(v));
    }
    long remembered = rememberPosition();
    // A new record is filled before it is appended, so one the table
    // refuses (a unique key, a full disk) leaves no blank record behind.
    bool appending = record <= 0;
    bool ok;
    if (appending) ok = table_.appendStart(0) == 0 && table_.blank() == 0;
    else ok = record <= table_.recCount() && table_.go(record) == 0;
    if (ok) {
        for (const PendingValue &v : values) assignValue(v);
        ok = context_.errorCode() >= 0 && (appending ? table_.append() : table_.write(-1)) == 0;
        ok = ok && table_.flush() == 0;
        // A refused write is not kept for the next move to write after all.
        if (!ok) table_.changed(0);
    }
    clearError();
    returnTo(remembered);
    clearError();
    return ok;
}

bool TableSession::deleteRecord(long record) {
    if (!isOpen_ || record <= 0) return false;
    long remembered = rememberPosition();
    bool ok = record <= table_.recCount() && table_.go(record) == 0;
    if (ok) {
        bool wasDeleted = table_.deleted() != 0;
        table_.deleteRec();
        ok = table_.flush() == 0;
        if (!ok) table_.changed(0);
        else if (!wasDeleted) recordCount_--;
    }
    clearError();
    returnTo(remembered);
    clearError();
    return ok;
}

}  // namespace vandrel
