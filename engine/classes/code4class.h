// Code4: the engine context CODE4 held by value, with a flag that says
// whether it was initialised. Initialisation checks the engine version the
// caller was built against (code4init); destruction releases everything the
// context holds.
#pragma once
#include "foundation/code4.h"
#include "foundation/error4.h"

class Code4 {
public:
    Code4() = default;
    ~Code4() { initUndo(); }
    Code4(const Code4 &) = delete;
    Code4 &operator=(const Code4 &) = delete;

    // code4init once; 0 or the engine's negative code.
    int init() {
        if (initialised_) return 0;
        int rc = code4init(&cb_);
        initialised_ = rc == 0;
        return rc;
    }
    // Closes every table and relation and frees the context; its error code then.
    int initUndo() {
        if (!initialised_) return 0;
        initialised_ = false;
        return code4initUndo(&cb_);
    }
    bool initialised() const { return initialised_; }

    int errorCode() const { return cb_.errorCode; }
    // Sets the error code without reporting (0 clears it); the previous code.
    int errorSet(int code = 0) { return initialised_ ? error4set(&cb_, code) : 0; }
    const char *dateFormat() { return code4dateFormat(&cb_); }
    int dateFormatSet(const char *picture) { return code4dateFormatSet(&cb_, picture); }
    int closeAll() { return code4closeAll(&cb_); }

    CODE4 *handle() { return &cb_; }
    operator CODE4 *() { return &cb_; }

private:
    CODE4 cb_{};
    bool initialised_ = false;
};
