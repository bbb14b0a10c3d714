// Moving a table handle by record number: top, bottom, skip, go, the end
// and beginning states, and the write-back of a changed record on moving.
#include "tables_test_util.h"

namespace {

using tt::fld;

class NavigateTest : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        FIELD4INFO fields[] = {fld("N", 'N', 4), tt::END};
        d = d4create(&cb, dir.file("nav").c_str(), fields);
        ASSERT_NE(d, nullptr);
        n = d4field(d, "N");
    }
    void TearDown() override {
        if (d) d4close(d);
        vt::EngineTest::TearDown();
    }
    void fill(int count) {
        for (int i = 1; i <= count; i++) {
            ASSERT_EQ(d4appendStart(d, 0), 0);
            f4assignLong(n, i * 10);
            ASSERT_EQ(d4append(d), 0);
        }
    }
    DATA4 *d = nullptr;
    FIELD4 *n = nullptr;
};

TEST_F(NavigateTest, EmptyTable) {
    EXPECT_EQ(d4top(d), 3);
    EXPECT_TRUE(d4eof(d));
    EXPECT_TRUE(d4bof(d));
    EXPECT_EQ(d4recNo(d), 1);
    EXPECT_EQ(d4bottom(d), 3);
    EXPECT_TRUE(d4eof(d) && d4bof(d));
    EXPECT_EQ(d4goBof(d), 4);
    EXPECT_EQ(d4skip(d, 1), 3);
    EXPECT_TRUE(d4eof(d) && d4bof(d));
}

TEST_F(NavigateTest, TopBottomAndSkipping) {
    fill(5);
    EXPECT_EQ(d4top(d), 0);
    EXPECT_EQ(d4recNo(d), 1);
    EXPECT_EQ(f4long(n), 10);
    EXPECT_EQ(d4skip(d, 2), 0);
    EXPECT_EQ(f4long(n), 30);
    EXPECT_EQ(d4bottom(d), 0);
    EXPECT_EQ(d4recNo(d), 5);
    EXPECT_EQ(d4skip(d, -4), 0);
    EXPECT_EQ(d4recNo(d), 1);
    EXPECT_FALSE(d4bof(d) || d4eof(d));
}

TEST_F(NavigateTest, SkippingBeforeTheStartStaysOnRecordOne) {
    fill(3);
    d4top(d);
    EXPECT_EQ(d4skip(d, -1), 4);
    EXPECT_TRUE(d4bof(d));
    EXPECT_FALSE(d4eof(d));
    EXPECT_EQ(d4recNo(d), 1);
    EXPECT_EQ(f4long(n), 10);
    d4bottom(d);
    EXPECT_EQ(d4skip(d, -100), 4);
    EXPECT_EQ(d4recNo(d), 1);
    EXPECT_EQ(d4goBof(d), 4);
    EXPECT_TRUE(d4bof(d));
    EXPECT_EQ(d4recNo(d), 1);
}

TEST_F(NavigateTest, SkippingPastTheEndBlanksTheBuffer) {
    fill(3);
    d4bottom(d);
    EXPECT_EQ(d4skip(d, 1), 3);
    EXPECT_TRUE(d4eof(d));
    EXPECT_FALSE(d4bof(d));
    EXPECT_EQ(d4recNo(d), 4);
    EXPECT_EQ(tt::raw(n), "    ");
    // Back from the end lands on the last record.
    EXPECT_EQ(d4skip(d, -1), 0);
    EXPECT_EQ(d4recNo(d), 3);
    EXPECT_EQ(d4goEof(d), 3);
    EXPECT_EQ(d4recNo(d), 4);
    EXPECT_EQ(d4skip(d, 5), 3);
}

TEST_F(NavigateTest, GoOutsideTheTable) {
    fill(2);
    cb.goError = 0;
    EXPECT_EQ(d4go(d, 3), 5);
    EXPECT_EQ(d4recNo(d), -1);
    EXPECT_EQ(tt::raw(n), "    ");
    EXPECT_EQ(d4go(d, 0), 5);
    EXPECT_TRUE(shown.messages().empty());
    cb.goError = 1;
    EXPECT_EQ(d4go(d, 3), -70);
    ASSERT_EQ(shown.messages().size(), 1u);
    EXPECT_NE(shown.messages()[0].find("Reading File"), std::string::npos);
    EXPECT_NE(shown.messages()[0].find("nav.dbf"), std::string::npos);
    cb.errorCode = 0;
    EXPECT_EQ(d4go(d, 2), 0);
    EXPECT_EQ(f4long(n), 20);
}

TEST_F(NavigateTest, RecordPromisedByTheHeaderButMissing) {
    fill(2);
    d4close(d);
    auto b = vt::readFile(dir.file("nav.dbf"));
    tt::putI32(b, 4, 4);  // the header promises 4 records; the file holds 2
    vt::writeFile(dir.file("nav.dbf"), b);
    d = d4open(&cb, dir.file("nav.dbf").c_str());
    ASSERT_NE(d, nullptr);
    n = d4field(d, "N");
    cb.goError = 0;
    EXPECT_EQ(d4go(d, 3), 5);
    EXPECT_EQ(d4bottom(d), 5);
    EXPECT_EQ(d4go(d, 2), 0);
    EXPECT_EQ(d4skip(d, 1), 3);  // the unreadable record counts as the end
}

TEST_F(NavigateTest, SkipWithoutCurrentRecord) {
    fill(1);
    cb.goError = 0;
    d4go(d, 9);  // no current record
    cb.skipError = 0;
    EXPECT_EQ(d4skip(d, 1), -910);
    EXPECT_TRUE(shown.messages().empty());
    d4appendStart(d, 0);  // composing: no current record either
    EXPECT_EQ(d4skip(d, 1), -910);
}

TEST_F(NavigateTest, SkipWithoutCurrentRecordEndsTheProgramWhenReported) {
    fill(1);
    cb.goError = 0;
    d4go(d, 9);
    EXPECT_EXIT(d4skip(d, 1), testing::ExitedWithCode(EXIT_FAILURE), "");
}

TEST_F(NavigateTest, MovingWritesTheChangedRecordFirst) {
    fill(3);
    d4go(d, 2);
    f4assignLong(n, 99);
    EXPECT_TRUE(d4changed(d, -1));
    EXPECT_EQ(d4skip(d, 1), 0);
    EXPECT_FALSE(d4changed(d, -1));
    ASSERT_EQ(d4flush(d), 0);
    auto b = vt::readFile(dir.file("nav.dbf"));
    EXPECT_EQ(tt::text(b, tt::u16(b, 8) + 5 + 1, 4), "  99");
    d4go(d, 2);
    EXPECT_EQ(f4long(n), 99);
    // Likewise top, bottom, end of file and appending.
    f4assignLong(n, 77);
    d4top(d);
    d4go(d, 2);
    EXPECT_EQ(f4long(n), 77);
    f4assignLong(n, 66);
    d4goEof(d);
    d4go(d, 2);
    EXPECT_EQ(f4long(n), 66);
}

TEST_F(NavigateTest, BadHandles) {
    DATA4 fake{};
    EXPECT_EQ(d4top(&fake), -930);
    EXPECT_EQ(d4skip(nullptr, 1), -935);
    EXPECT_EQ(d4recNo(&fake), -930);
    EXPECT_EQ(cb.errorCode, 0);  // reported without a context
    EXPECT_TRUE(shown.messages().empty());
}

}  // namespace
