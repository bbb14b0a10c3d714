#include <cstring>
#include <string>

#include "test_support.h"

namespace {

using vt::EngineTest;

TEST(Error4Location, ResolvesByGroupAndIndex) {
    long number;
    const char *text;
    error4location(90131, &number, &text);
    EXPECT_EQ(number, 91102);
    EXPECT_STREQ(text, "dfile4...()");
    error4location(80006, &number, &text);
    EXPECT_EQ(number, 80501);
    EXPECT_STREQ(text, "invalid field type");
    error4location(E4_MSG_DATA_CORRUPT, &number, &text);
    EXPECT_EQ(number, 83805);
    EXPECT_STREQ(text, "database corruption detected");
    // unknown group, index past the end, negative location
    error4location(50001, &number, &text);
    EXPECT_EQ(number, 0);
    EXPECT_STREQ(text, "Invalid or Unknown Error Code");
    error4location(99999, &number, &text);
    EXPECT_EQ(number, 0);
    error4location(-200, &number, &text);
    EXPECT_STREQ(text, "File is not a Data File");
}

TEST(Error4Text, KnownUnknownAndUnraisedCodes) {
    EXPECT_STREQ(error4text(-64), "File Find Error Opening File");
    EXPECT_STREQ(error4text(-1095), "Application/Library version mismatch");
    EXPECT_STREQ(error4text(-1120), "Error Creating Memo File");
    EXPECT_STREQ(error4text(-12345), "Invalid or Unknown Error Code");
}

TEST(Error4Message, LaysOutNumbersRightAlignedWithTexts) {
    char out[257];
    error4message(-200, E4_MSG_DATA_CORRUPT, "ORDERS.DBF", nullptr, nullptr, out);
    EXPECT_STREQ(out,
                 "Error #:  -200\r\nError #:  83805\r\nFile is not a Data File\r\n"
                 "database corruption detected\r\nORDERS.DBF\r\n");
}

TEST(Error4Message, StopsAtFirstTextThatWouldOverflow) {
    std::string a(100, 'a'), b(60, 'b'), c(100, 'c');
    char out[257];
    error4message(-70, E4_LOC_D4GO, a.c_str(), b.c_str(), c.c_str(), out);
    std::string s(out);
    EXPECT_LE(s.size(), 255u);
    EXPECT_NE(s.find(a), std::string::npos);
    EXPECT_NE(s.find(b), std::string::npos);
    EXPECT_EQ(s.find('c'), std::string::npos) << "third text must not be cut in";
    EXPECT_EQ(s.substr(s.size() - 2), "\r\n");
}

TEST_F(EngineTest, ErrorSetsCodeLocationAndTextAndIsShown) {
    EXPECT_EQ(error4describe(&cb, -60, E4_LOC_FILE4OPEN, "a", "b", nullptr), -60);
    EXPECT_EQ(cb.errorCode, -60);
    EXPECT_EQ(cb.errorLocation, E4_LOC_FILE4OPEN);
    EXPECT_STREQ(cb.errorText, "a\r\nb");
    ASSERT_EQ(shown.messages().size(), 1u);
    EXPECT_NE(shown.messages()[0].find("Opening File"), std::string::npos);
}

TEST_F(EngineTest, OffErrorRecordsWithoutShowing) {
    cb.offError = 1;
    error4(&cb, -120, E4_LOC_FILE4WRITE);
    EXPECT_EQ(cb.errorCode, -120);
    EXPECT_EQ(cb.errorLocation, E4_LOC_FILE4WRITE);
    EXPECT_TRUE(shown.messages().empty());
}

TEST_F(EngineTest, ErrorSetReturnsPrevious) {
    error4set(&cb, -60);
    EXPECT_EQ(error4set(&cb, 0), -60);
    EXPECT_EQ(cb.errorCode, 0);
}

TEST(Error4NoContext, ShowsNothingAndReturnsCode) {
    vt::ShownErrors shown;
    EXPECT_EQ(error4(nullptr, -930, E4_LOC_D4GO), -930);
    EXPECT_TRUE(shown.messages().empty());
}

TEST(Error4Fatal, EndsTheProgramWithFailureStatus) {
    for (int code : {-910, -920, -950, -970}) {
        EXPECT_EXIT(
            {
                CODE4 c{};
                code4init(&c);
                error4(&c, code, E4_LOC_D4SKIP);
            },
            ::testing::ExitedWithCode(1), "BRINDLE ERROR")
            << code;
    }
}

}  // namespace
