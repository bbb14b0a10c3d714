// Date4: a stored date, eight characters "CCYYMMDD" and a terminator,
// initialised to eight blanks (the blank date). Forwards to the date
// functions of the tables layer.
#pragma once
#include <cstring>
#include <string>

#include "classes/str4.h"
#include "tables/date4.h"

class Date4 : public Str4 {
public:
    Date4() { std::memset(date_, ' ', 8); }
    explicit Date4(long julian) : Date4() { assign(julian); }
    // From "CCYYMMDD" text (at least eight bytes).
    explicit Date4(const char *ccyymmdd) : Date4() { Str4::assignN(ccyymmdd, ccyymmdd ? 8u : 0u); }

    char *ptr() override { return date_; }
    const char *ptr() const override { return date_; }
    unsigned len() const override { return 8; }

    using Str4::assign;
    // The date of a day number; 0 or less (or a day outside 0001..9999) is blank.
    void assign(long julian) { date4assign(date_, julian); }
    // The date of a day number held in a double: anything that is not a whole
    // day of 0001..9999 (blank 0, the no-date value 1e100, NaN) is blank.
    void assignDouble(double julian, int = 0) override {
        if (!(julian >= (double)DATE4_FIRST_DAY && julian <= (double)DATE4_LAST_DAY)) julian = 0;
        date4assign(date_, (long)julian);
    }
    void assignLong(long julian) override { assign(julian); }
    void today() { date4today(date_); }

    // Day number: 0 blank, -1 invalid.
    long julian() const { return date4long(date_); }
    // Day number as a double; 1e100 for blank.
    double asDouble() const { return date4double(date_); }
    // The date written through a picture ("MM/DD/CCYY").
    std::string format(const char *picture) const {
        if (!picture) return std::string();
        size_t n = std::strlen(picture);
        std::string out(n + 1, ' ');
        date4formatN(date_, out.data(), (int)n + 1, picture);
        out.resize(n);
        return out;
    }
    const char *str() const { return date_; }

private:
    char date_[9] = {};
};
