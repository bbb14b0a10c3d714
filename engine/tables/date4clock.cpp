// The clock: the platform's local time as a date, a time and broken-down
// parts. The only place outside the file layer that calls the system.
#include <ctime>
#include <cstring>

#include "tables/date4.h"

namespace {

void putTwo(char *out, int value) {
    out[0] = (char)('0' + (value / 10) % 10);
    out[1] = (char)('0' + value % 10);
}

}  // namespace

void date4clock(DATE4CLOCK *now) {
    struct timespec ts;
    if (clock_gettime(CLOCK_REALTIME, &ts) != 0) {
        ts.tv_sec = std::time(nullptr);
        ts.tv_nsec = 0;
    }
    struct tm local;
    if (localtime_r(&ts.tv_sec, &local) == nullptr) {
        std::memset(&local, 0, sizeof local);
        local.tm_year = 70;  // the epoch's date rather than no date
        local.tm_mday = 1;
    }
    now->year = local.tm_year + 1900;
    if (now->year < 1) now->year = 1;
    if (now->year > 9999) now->year = 9999;
    now->month = local.tm_mon + 1;
    now->day = local.tm_mday;
    now->hour = local.tm_hour;
    now->minute = local.tm_min;
    now->second = local.tm_sec > 59 ? 59 : local.tm_sec;  // no leap second in a stored time
    now->millisecond = (int)(ts.tv_nsec / 1000000);
}

void date4today(char *date8) {
    DATE4CLOCK now;
    date4clock(&now);
    putTwo(date8, now.year / 100);
    putTwo(date8 + 2, now.year % 100);
    putTwo(date8 + 4, now.month);
    putTwo(date8 + 6, now.day);
}

void date4timeNow(char *time8) {
    DATE4CLOCK now;
    date4clock(&now);
    putTwo(time8, now.hour);
    time8[2] = ':';
    putTwo(time8 + 3, now.minute);
    time8[5] = ':';
    putTwo(time8 + 6, now.second);
}
