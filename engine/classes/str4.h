// The string classes: a run of bytes of a known length that the other
// classes (fields, dates) build on. Str4 is the interface; Str4len a view of
// bytes owned by the caller. Every class here only forwards to the engine's
// plain functions; none owns engine state.
#pragma once
#include <cstring>
#include <string>

#include "tables/date4.h"

class Str4 {
public:
    virtual ~Str4() = default;

    virtual char *ptr() = 0;
    virtual const char *ptr() const = 0;
    virtual unsigned len() const = 0;
    // Called after the bytes were changed through assign*.
    virtual void changed() {}

    // Copies text into the string: blank-padded to its length, cut when longer.
    virtual void assign(const char *text) { assignN(text, text ? (unsigned)std::strlen(text) : 0u); }
    virtual void assignN(const char *data, unsigned n) {
        unsigned width = len();
        char *p = ptr();
        if (!p) return;
        unsigned copy = n < width ? n : width;
        if (copy) std::memcpy(p, data, copy);
        if (copy < width) std::memset(p + copy, ' ', width - copy);
        changed();
    }
    // The value as digits right-aligned in the string (asterisks when it does
    // not fit). Fields override these to store the binary form of binary types.
    virtual void assignLong(long value) {
        char *p = ptr();
        if (!p || len() == 0) return;
        c4ltoa45(value, p, (int)len());
        changed();
    }
    virtual void assignDouble(double value, int decimals = 0) {
        char *p = ptr();
        if (!p || len() == 0) return;
        c4dtoa45(value, p, (int)len(), decimals);
        changed();
    }

    // The bytes as a std::string of len() bytes.
    std::string text() const {
        const char *p = ptr();
        return p ? std::string(p, len()) : std::string();
    }
    // Copies at most size - 1 bytes and a NUL; the number copied.
    unsigned ncpy(char *out, unsigned size) const {
        if (!out || size == 0) return 0;
        const char *p = ptr();
        unsigned n = p ? len() : 0;
        if (n > size - 1) n = size - 1;
        if (n) std::memcpy(out, p, n);
        out[n] = 0;
        return n;
    }
    bool isBlank() const {
        const char *p = ptr();
        for (unsigned i = 0; p && i < len(); i++)
            if (p[i] != ' ') return false;
        return true;
    }
};

// A view of len bytes owned by the caller.
class Str4len : public Str4 {
public:
    Str4len() = default;
    Str4len(char *data, unsigned n) : data_(data), len_(n) {}
    char *ptr() override { return data_; }
    const char *ptr() const override { return data_; }
    unsigned len() const override { return len_; }

private:
    char *data_ = nullptr;
    unsigned len_ = 0;
};
