// The regional date picture: the order from a locale's date format, the
// environment's override, and dates laid out through each picture.
#include <gtest/gtest.h>

#include <cstdlib>

#include "date_picture.h"
#include "table_session.h"

namespace {

using namespace vandrel;

// Restores VANDREL_DATE_ORDER and LC_ALL as they were.
class EnvGuard {
public:
    explicit EnvGuard(const char *name) : name_(name) {
        const char *v = std::getenv(name);
        had_ = v != nullptr;
        if (had_) value_ = v;
    }
    ~EnvGuard() {
        if (had_) setenv(name_, value_.c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char *name_;
    bool had_ = false;
    std::string value_;
};

TEST(DatePicture, OrderOfLocaleDateFormats) {
    struct Case {
        const char *format;  // D_FMT as glibc's locales give it
        int order;
    } cases[] = {
        {"%m/%d/%y", kMonthDayYear},    // C, POSIX
        {"%m/%d/%Y", kMonthDayYear},    // en_US
        {"%d/%m/%y", kDayMonthYear},    // en_GB
        {"%d.%m.%Y", kDayMonthYear},    // de_DE
        {"%d-%m-%Y", kDayMonthYear},    // nl_NL
        {"%e/%m/%Y", kDayMonthYear},
        {"%Y-%m-%d", kYearMonthDay},    // sv_SE
        {"%Y\xe5\xb9\xb4%m\xe6\x9c\x88%d\xe6\x97\xa5", kYearMonthDay},  // ja_JP
        {"%Y. %m. %d.", kYearMonthDay},  // hu_HU
        {"%D", kMonthDayYear},
        {"%F", kYearMonthDay},
        {"%Od/%Om/%Ey", kDayMonthYear},
        {"%%d %m/%d/%y", kMonthDayYear},  // a literal "%d" is not a day
        {"", kMonthDayYear},
        {nullptr, kMonthDayYear},
    };
    for (const Case &c : cases) EXPECT_EQ(dateOrderOfFormat(c.format), c.order) << (c.format ? c.format : "null");
}

TEST(DatePicture, PicturesByOrder) {
    EXPECT_STREQ(datePicture(kMonthDayYear), "mm/dd/ccyy");
    EXPECT_STREQ(datePicture(kDayMonthYear), "dd/mm/ccyy");
    EXPECT_STREQ(datePicture(kYearMonthDay), "ccyy/mm/dd");
    EXPECT_STREQ(datePicture(7), "mm/dd/ccyy");
}

TEST(DatePicture, EnvironmentOverridesTheLocale) {
    EnvGuard order("VANDREL_DATE_ORDER"), all("LC_ALL");
    setenv("LC_ALL", "C", 1);  // month first
    unsetenv("VANDREL_DATE_ORDER");
    EXPECT_EQ(regionalDateOrder(), kMonthDayYear);
    setenv("VANDREL_DATE_ORDER", "1", 1);
    EXPECT_EQ(regionalDateOrder(), kDayMonthYear);
    setenv("VANDREL_DATE_ORDER", "2", 1);
    EXPECT_EQ(regionalDateOrder(), kYearMonthDay);
    setenv("VANDREL_DATE_ORDER", "0", 1);
    EXPECT_EQ(regionalDateOrder(), kMonthDayYear);
    for (const char *ignored : {"3", "-1", "1x", ""}) {
        setenv("VANDREL_DATE_ORDER", ignored, 1);
        EXPECT_EQ(regionalDateOrder(), kMonthDayYear) << ignored;
    }
}

TEST(DatePicture, SessionFormatsDatesThroughTheRegionalPicture) {
    EnvGuard order("VANDREL_DATE_ORDER");
    const char16_t *expected[] = {u"05/13/2003", u"13/05/2003", u"2003/05/13"};
    const char16_t *blank[] = {u"  /  /    ", u"  /  /    ", u"    /  /  "};
    for (int o = 0; o < 3; o++) {
        setenv("VANDREL_DATE_ORDER", std::to_string(o).c_str(), 1);
        TableSession session;
        EXPECT_EQ(session.formatDate(Date4("20030513")), expected[o]);
        EXPECT_EQ(session.formatDate(Date4()), blank[o]);
        EXPECT_EQ(session.formatDate(Date4(2451545L)), o == 2 ? u"2000/01/01" : u"01/01/2000");
    }
}

}  // namespace
