#include "date_picture.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace vandrel {

namespace {

enum Part { kNone, kDay, kMonth, kYear };

// What a strftime conversion letter stands for.
Part partOf(char c) {
    switch (c) {
        case 'd': case 'e': return kDay;
        case 'm': case 'b': case 'B': case 'h': return kMonth;
        case 'y': case 'Y': case 'C': case 'G': case 'g': return kYear;
        case 'D': return kMonth;  // %m/%d/%y
        case 'F': return kYear;   // %Y-%m-%d
        default: return kNone;
    }
}

}  // namespace

int dateOrderOfFormat(const char *format) {
    if (!format) return kMonthDayYear;
    for (const char *p = format; *p; p++) {
        if (*p != '%') continue;
        p++;
        while (*p == 'E' || *p == 'O' || *p == '-' || *p == '_' || *p == '0' || *p == '^' || *p == '#') p++;
        if (!*p) break;
        switch (partOf(*p)) {
            case kDay: return kDayMonthYear;
            case kYear: return kYearMonthDay;
            case kMonth: return kMonthDayYear;
            case kNone: break;
        }
    }
    return kMonthDayYear;
}

int regionalDateOrder() {
    const char *forced = std::getenv("VANDREL_DATE_ORDER");
    if (forced && (std::strcmp(forced, "0") == 0 || std::strcmp(forced, "1") == 0 || std::strcmp(forced, "2") == 0))
        return forced[0] - '0';
    locale_t user = newlocale(LC_TIME_MASK, "", (locale_t)0);
    if (user == (locale_t)0) return dateOrderOfFormat(nl_langinfo(D_FMT));
    std::string format = nl_langinfo_l(D_FMT, user);
    freelocale(user);
    return dateOrderOfFormat(format.c_str());
}

const char *datePicture(int order) {
    switch (order) {
        case kDayMonthYear: return "dd/mm/ccyy";
        case kYearMonthDay: return "ccyy/mm/dd";
        default: return "mm/dd/ccyy";
    }
}

}  // namespace vandrel
