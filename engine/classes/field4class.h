// Field4, Field4memo and Field4info: a field of a table handle, the same for
// memo contents, and the descriptions of every field of a table.
//
// Field4 points at one field at a time (init); reading and assigning forward
// to the f4 functions, so assignLong/assignDouble store the binary form into
// binary fields (I, B, Y, level-30 memo references) and formatted digits into
// fields stored as text. Field4memo reads and assigns the memo contents
// instead of the field's bytes.
#pragma once
#include <string>
#include <vector>

#include "classes/data4class.h"
#include "classes/str4.h"
#include "tables/field4.h"
#include "tables/memo4.h"

class Field4 : public Str4 {
public:
    Field4() = default;
    explicit Field4(FIELD4 *f) : f_(f) {}
    Field4(const Data4 &d, int number) { init(d, number); }
    Field4(const Data4 &d, const char *name) { init(d, name); }

    // Points at field number (1-based) of d; 0, or -1 when there is none.
    int init(const Data4 &d, int number) {
        f_ = d.isValid() ? d.fieldJ(number) : nullptr;
        return f_ ? 0 : -1;
    }
    int init(const Data4 &d, const char *name) {
        f_ = d.isValid() ? d.field(name) : nullptr;
        return f_ ? 0 : -1;
    }
    bool isValid() const { return f_ != nullptr; }
    FIELD4 *handle() const { return f_; }

    const char *name() const { return f4name(f_); }
    // Reported type: 'Z' for binary text, 'X' for binary memo.
    int type() const { return f4type(f_); }
    int decimals() const { return f4decimals(f_); }
    int number() const { return f4number(f_); }
    bool isNull() const { return f4null(f_) > 0; }

    char *ptr() override { return f4ptr(f_); }
    const char *ptr() const override { return f4ptr(f_); }
    unsigned len() const override { return f4len(f_); }
    void changed() override { f4assignPtr(f_); }

    // f4str: the field's bytes and a NUL in the context's scratch buffer.
    const char *str() const { return f4str(f_); }
    double getDouble() const { return f4double(f_); }
    long getLong() const { return f4long(f_); }
    bool isTrue() const { return f4true(f_) > 0; }
    const char *currency(int decimals) const { return f4currency(f_, decimals); }
    const char *dateTime() const { return f4dateTime(f_); }

    void assign(const char *text) override { f4assign(f_, text); }
    void assignN(const char *data, unsigned n) override { f4assignN(f_, data, n); }
    void assignLong(long value) override { f4assignLong(f_, value); }
    void assignDouble(double value, int = 0) override { f4assignDouble(f_, value); }
    void assignChar(int c) { f4assignChar(f_, c); }

protected:
    FIELD4 *f_ = nullptr;
};

class Field4memo : public Field4 {
public:
    Field4memo() = default;
    explicit Field4memo(FIELD4 *f) : Field4(f) {}
    Field4memo(const Data4 &d, int number) : Field4(d, number) {}

    // The contents (read from the memo file on first access).
    char *ptr() override { return const_cast<char *>(f4memoPtr(f_)); }
    const char *ptr() const override { return f4memoPtr(f_); }
    unsigned len() const override { return f4memoLen(f_); }
    void changed() override {}
    const char *str() const { return f4memoStr(f_); }

    void assign(const char *text) override { f4memoAssign(f_, text); }
    void assignN(const char *data, unsigned n) override { f4memoAssignN(f_, data, n); }
    // Numbers become the contents' text, never the memo reference.
    void assignLong(long value) override {
        std::string s = std::to_string(value);
        assignN(s.data(), (unsigned)s.size());
    }
    void assignDouble(double value, int decimals = 0) override {
        char buf[64];
        if (decimals < 0) decimals = 0;
        if (decimals > 15) decimals = 15;
        int width = 40 + decimals;
        if (c4dtoa45(value, buf, width, decimals) != 0) return;
        unsigned from = 0;
        while (from < (unsigned)width && buf[from] == ' ') from++;
        assignN(buf + from, (unsigned)width - from);
    }
    int setLen(unsigned n) { return f4memoSetLen(f_, n); }
    int free() { return f4memoFree(f_); }
};

// The descriptions of a table's fields, read with d4numFields (which leaves
// out the hidden _NullFlags field) and d4fieldJ; fields() ends with an entry
// whose name is null, as d4create takes it.
class Field4info {
public:
    Field4info() = default;
    explicit Field4info(const Data4 &d) { init(d); }

    // Reads the descriptions of d; 0, or -1 when d is not open.
    int init(const Data4 &d) {
        free();
        if (!d.isValid()) return -1;
        int n = d.numFields();
        if (n < 0) return -1;
        names_.reserve((size_t)n);
        for (int j = 1; j <= n; j++) {
            FIELD4 *f = d.fieldJ(j);
            if (!f) return -1;
            names_.emplace_back(f4name(f));
            int attribute = f->autoIncrement ? r4autoIncrement : (f->nullable ? r4null : 0);
            info_.push_back(FIELD4INFO{nullptr, f4type(f), f4len(f), (unsigned)f4decimals(f), attribute});
        }
        for (size_t i = 0; i < info_.size(); i++) info_[i].name = names_[i].c_str();
        info_.push_back(FIELD4INFO{nullptr, 0, 0, 0, 0});
        return 0;
    }
    // Releases the description array.
    void free() {
        info_.clear();
        names_.clear();
    }
    int numFields() const { return info_.empty() ? 0 : (int)info_.size() - 1; }
    const FIELD4INFO &operator[](int i) const { return info_[(size_t)i]; }
    const FIELD4INFO *fields() const { return info_.empty() ? nullptr : info_.data(); }

private:
    std::vector<std::string> names_;
    std::vector<FIELD4INFO> info_;
};
