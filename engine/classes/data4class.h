// Data4: a table handle. It does not own the DATA4: close() releases it, and
// copies refer to the same open table. Every operation forwards to the d4
// function of the same name (a null handle is reported by the engine).
#pragma once
#include "classes/code4class.h"
#include "tables/data4.h"

class Data4 {
public:
    Data4() = default;
    explicit Data4(DATA4 *d) : d_(d) {}
    Data4(Code4 &code, const char *name) { open(code, name); }

    // d4open; 0, or the context's error code (-1 when it left none).
    int open(Code4 &code, const char *name) {
        d_ = d4open(code.handle(), name);
        if (d_) return 0;
        return code.errorCode() < 0 ? code.errorCode() : -1;
    }
    // d4close; the handle is gone afterwards whatever the result.
    int close() {
        if (!d_) return 0;
        int rc = d4close(d_);
        d_ = nullptr;
        return rc;
    }
    bool isValid() const { return d_ != nullptr; }
    DATA4 *handle() const { return d_; }

    int go(long recNo) { return d4go(d_, recNo); }
    int top() { return d4top(d_); }
    int bottom() { return d4bottom(d_); }
    int skip(long n = 1) { return d4skip(d_, n); }
    int eof() const { return d4eof(d_); }
    int bof() const { return d4bof(d_); }
    long recNo() const { return d4recNo(d_); }
    long recCount() const { return d4recCount(d_); }
    int deleted() const { return d4deleted(d_); }
    int deleteRec() { return d4delete(d_); }
    int recall() { return d4recall(d_); }
    int appendBlank() { return d4appendBlank(d_); }
    int appendStart(int useMemo = 0) { return d4appendStart(d_, useMemo); }
    int append() { return d4append(d_); }
    int blank() { return d4blank(d_); }
    int write(long recNo = -1) { return d4write(d_, recNo); }
    int flush() { return d4flush(d_); }
    // d4changed: positive sets, 0 clears, negative only asks; the previous value.
    int changed(int value = -1) { return d4changed(d_, value); }

    int numFields() const { return d4numFields(d_); }
    FIELD4 *fieldJ(int number) const { return d4fieldJ(d_, number); }
    FIELD4 *field(const char *name) const { return d4field(d_, name); }
    int codePage() const { return d4codePage(d_); }
    int tableLevel() const { return d4tableLevel(d_); }
    const char *alias() const { return d4alias(d_); }
    const char *fileName() const { return d4fileName(d_); }

private:
    DATA4 *d_ = nullptr;
};
