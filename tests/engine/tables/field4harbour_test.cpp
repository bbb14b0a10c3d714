// Harbour's field types in level-25 tables: '+', '=' and '@' read as I and
// T everywhere (fields, expressions, keys), I, Y, B and T read as in level-30
// tables, an append numbers '+' from its descriptor's counter and stamps
// '=' with the time, and every assignment to the three is refused.
#include <cerrno>
#include <cstring>
#include <functional>
#include <set>

#include "tables/date4.h"
#include "foundation/file4platform.h"
#include "harbour_types.h"
#include "tables_test_util.h"

namespace {

// Fails the n-th platform write from arming (0: none).
long g_failIn = 0;
ssize_t failingWrite(int fd, const void *buf, size_t len, off_t pos) {
    if (g_failIn > 0 && --g_failIn == 0) {
        errno = EIO;
        return -1;
    }
    return file4platformDefault().pwrite(fd, buf, len, pos);
}

class Harbour : public vt::EngineTest {
protected:
    std::string path;
    DATA4 *open(unsigned step = vt::kHarbourStep, uint32_t counter = 4) {
        path = dir.file("hb.dbf");
        vt::writeFile(path, vt::harbourTypesTable(step, counter));
        DATA4 *d = d4open(&cb, path.c_str());
        EXPECT_NE(d, nullptr) << cb.errorCode;
        return d;
    }
    std::string key(DATA4 *d, const char *source) {
        EXPR4 *e = expr4parse(d, source);
        EXPECT_NE(e, nullptr) << source;
        if (!e) return "";
        char *k = nullptr;
        int len = expr4key(e, &k, nullptr);
        std::string out(k, len > 0 ? (size_t)len : 0);
        expr4free(e);
        return out;
    }
};

TEST_F(Harbour, EveryTypeReadsAsItsFoxProCounterpart) {
    DATA4 *d = open();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d4tableLevel(d), 25);
    FIELD4 *id = d4field(d, "ID"), *changed = d4field(d, "CHANGED"), *when = d4field(d, "WHEN");
    EXPECT_EQ(f4type(id), 'I');
    EXPECT_EQ(id->fileType, '+');
    EXPECT_EQ(id->autoIncrement, 1);
    EXPECT_EQ(f4type(changed), 'T');
    EXPECT_EQ(changed->fileType, '=');
    EXPECT_EQ(f4type(when), 'T');
    EXPECT_EQ(f4decimals(d4field(d, "PRICE")), 4);

    ASSERT_EQ(d4go(d, 1), 0);
    EXPECT_EQ(f4long(id), 1);
    EXPECT_STREQ(f4dateTime(changed), "2000022901:02:03");
    EXPECT_STREQ(f4dateTime(when), "2000010112:00:00");
    EXPECT_EQ(f4long(d4field(d, "QTY")), -7);
    EXPECT_STREQ(f4currency(d4field(d, "PRICE"), 4), "12.3456");
    EXPECT_EQ(f4double(d4field(d, "RATIO")), 2.5);
    EXPECT_STREQ(f4dateTime(d4field(d, "SEEN")), "2000010100:00:00");
    ASSERT_EQ(d4go(d, 3), 0);
    EXPECT_EQ(f4long(id), 3);
    EXPECT_EQ(d4deleted(d), 1);
    EXPECT_STREQ(f4dateTime(changed), "2000010200:00:00");  // 86399.6 s carry into the next day
    EXPECT_STREQ(f4dateTime(when), "1900010100:00:00");
    EXPECT_EQ(f4long(d4field(d, "QTY")), 2147483647);
    EXPECT_EQ(f4double(d4field(d, "RATIO")), 1e300);
    d4close(d);
}

TEST_F(Harbour, ExpressionsAndKeysTreatThemAsIAndT) {
    DATA4 *d = open();
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4go(d, 2), 0);
    EXPR4 *e = expr4parse(d, "ID");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(expr4type(e), 'I');
    expr4free(e);
    e = expr4parse(d, "WHEN");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(expr4type(e), 'T');
    expr4free(e);
    e = expr4parse(d, "ID * 10 + QTY");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(expr4double(e), 20.0);
    expr4free(e);

    // The same value in the FoxPro field gives the same key.
    std::string idKey = key(d, "ID"), whenKey = key(d, "CHANGED");
    ASSERT_EQ(f4assignLong(d4field(d, "QTY"), 2), 0);
    EXPECT_EQ(key(d, "QTY"), idKey);
    EXPECT_EQ(key(d, "SEEN"), whenKey);  // both blank
    ASSERT_EQ(d4go(d, 1), 0);
    ASSERT_EQ(f4assignDateTime(d4field(d, "SEEN"), "2000010112:00:00"), 0);
    EXPECT_EQ(key(d, "SEEN"), key(d, "WHEN"));
    EXPECT_NE(key(d, "SEEN"), key(d, "CHANGED"));
    d4changed(d, 0);
    d4close(d);
}

TEST_F(Harbour, AssignmentsToTheKeptFieldsAreRefused) {
    DATA4 *d = open();
    ASSERT_NE(d, nullptr);
    cb.offError = 1;
    ASSERT_EQ(d4go(d, 1), 0);
    std::string before((const char *)d4record(d), d4recWidth(d));
    for (const char *name : {"ID", "CHANGED", "WHEN"}) {
        SCOPED_TRACE(name);
        FIELD4 *f = d4field(d, name);
        std::function<int()> assignments[] = {[&] { return f4assignLong(f, 9); },
                                              [&] { return f4assignDouble(f, 9.0); },
                                              [&] { return f4assign(f, "9"); },
                                              [&] { return f4blank(f); },
                                              [&] { return f4assignDateTime(f, "2001010100:00:00"); }};
        for (auto &assign : assignments) {
            EXPECT_EQ(assign(), e4parm);
            EXPECT_EQ(cb.errorLocation, E4_MSG_FIELD_KEPT_BY_TABLE);
            cb.errorCode = 0;
        }
    }
    EXPECT_EQ(std::string((const char *)d4record(d), d4recWidth(d)), before);
    EXPECT_EQ(d4changed(d, -1), 0);
    d4close(d);
}

TEST_F(Harbour, AppendNumbersFromTheDescriptorAndStampsTheTime) {
    DATA4 *d = open(3, 40);
    ASSERT_NE(d, nullptr);
    DATE4CLOCK t0;
    date4clock(&t0);
    ASSERT_EQ(d4appendBlank(d), 0);
    // The counter on disk already says where the next append goes.
    auto b = vt::readFile(path);
    EXPECT_EQ(tt::i32(b, 32 + 19), 43);
    ASSERT_EQ(d4appendStart(d, 0), 0);
    d4blank(d);
    f4assign(d4field(d, "NAME"), "delta");
    ASSERT_EQ(d4append(d), 0);
    DATE4CLOCK t1;
    date4clock(&t1);
    d4close(d);

    d = d4open(&cb, path.c_str());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4recCount(d), 5);
    ASSERT_EQ(d4go(d, 4), 0);
    EXPECT_EQ(f4long(d4field(d, "ID")), 40);
    // Blank binary fields are zeros, not blanks.
    for (const char *name : {"WHEN", "QTY", "PRICE", "RATIO", "SEEN"}) {
        FIELD4 *f = d4field(d, name);
        EXPECT_EQ(tt::raw(f), std::string(f4len(f), '\0')) << name;
    }
    std::string stamp = f4dateTime(d4field(d, "CHANGED"));
    char low[32], high[32];
    std::snprintf(low, sizeof low, "%04d%02d%02d%02d:%02d:%02d", t0.year, t0.month, t0.day, t0.hour, t0.minute,
                  t0.second);
    std::snprintf(high, sizeof high, "%04d%02d%02d%02d:%02d:%02d", t1.year, t1.month, t1.day, t1.hour, t1.minute,
                  t1.second + 1);
    EXPECT_GE(stamp, std::string(low));
    EXPECT_LE(stamp, std::string(high));
    ASSERT_EQ(d4go(d, 5), 0);
    EXPECT_EQ(f4long(d4field(d, "ID")), 43);
    EXPECT_EQ(tt::text(vt::readFile(path), 32 + 19, 4), std::string("\x2e\0\0\0", 4));  // 46
    d4close(d);
}

// Appends meeting a failing write at each of their writes in turn: the
// counter on disk always stays above every number a record on disk holds,
// so no number is ever given twice (a failure may leave a gap).
TEST_F(Harbour, AFailedAppendNeverGivesANumberTwice) {
    vt::PlatformOverride restore;
    file4platform.pwrite = failingWrite;
    cb.offError = 1;
    for (long n = 1; n <= 12; n++) {
        SCOPED_TRACE(n);
        DATA4 *d = open();
        ASSERT_NE(d, nullptr);
        g_failIn = n;
        for (int i = 0; i < 3; i++) {
            if (d4appendBlank(d) != 0) d4changed(d, 0);
            cb.errorCode = 0;
        }
        d4flush(d);
        g_failIn = 0;
        cb.errorCode = 0;
        ASSERT_EQ(d4appendBlank(d), 0);
        d4close(d);
        cb.errorCode = 0;

        d = d4open(&cb, path.c_str());
        ASSERT_NE(d, nullptr);
        std::set<long> seen;
        long highest = 0;
        for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) {
            long id = f4long(d4field(d, "ID"));
            EXPECT_TRUE(seen.insert(id).second) << "ID " << id << " twice";
            highest = std::max(highest, id);
        }
        EXPECT_GE(d4recCount(d), 4);
        EXPECT_GT(tt::i32(vt::readFile(path), 32 + 19), highest);
        d4close(d);
        cb.errorCode = 0;
    }
}

TEST_F(Harbour, OnlyTheEightByteFormsOfBTAndYAreAdmittedAtLevel25) {
    auto b = vt::harbourTypesTable();
    // RATIO (B, the 7th descriptor) 10 wide would be dBASE's binary memo.
    const size_t ratio = 32 + 32 * 6;
    ASSERT_EQ(b[ratio + 11], 'B');
    b[ratio + 16] = 10;
    b[10] = (unsigned char)(vt::kHarbourRecordLen + 2);
    path = dir.file("wide.dbf");
    vt::writeFile(path, b);
    cb.offError = 1;
    EXPECT_EQ(d4open(&cb, path.c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, e4data);
    EXPECT_EQ(cb.errorLocation, E4_MSG_INVALID_FIELD_TYPE);
    cb.errorCode = 0;
}

TEST_F(Harbour, PerlXBasesTypesTableReadsItsCurrencyAndTimes) {
    std::string t = vt::copyFixture("real/perl-dbd-xbase/types.dbf", dir);
    DATA4 *d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4go(d, 1), 0);
    // PAYMENT 10 27 00 00 00 00 00 00 and T 8C 3D 25 00 00 00 00 00.
    EXPECT_STREQ(f4currency(d4field(d, "PAYMENT"), 4), "1.0000");
    EXPECT_STREQ(f4dateTime(d4field(d, "T")), "1970010100:00:00");
    d4close(d);
}

}  // namespace
