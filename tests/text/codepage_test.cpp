// Code-page conversion: every byte of every single-byte page survives a trip
// to UTF-8 and back, undefined bytes become C1 controls, stateful and
// multi-byte pages flush their last character.
#include <gtest/gtest.h>

#include <string>

#include "text/codepage.h"

namespace {

using vandrel::CodePage;

const char *kSingleByte[] = {"CP437", "CP850", "CP1252", "CP852", "CP866", "CP865", "CP861", "CP737",
                             "CP857", "CP874", "CP1255", "CP1256", "CP1250", "CP1251", "CP1254", "CP1253"};

TEST(CodePage, EveryByteOfEverySingleBytePageRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; b++) all += (char)b;
    for (const char *name : kSingleByte) {
        CodePage cp(name);
        ASSERT_TRUE(cp.valid()) << name;
        ASSERT_TRUE(cp.singleByte()) << name;
        std::string utf8 = cp.toUtf8(all);
        EXPECT_TRUE(vandrel::validUtf8(utf8)) << name;
        EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos) << name << ": a byte became U+FFFD";
        std::string back;
        ASSERT_TRUE(cp.fromUtf8(utf8, back)) << name;
        EXPECT_EQ(back, all) << name;
        // one byte at a time as well: no converter state carries over
        for (int b = 0; b < 256; b++) {
            std::string one(1, (char)b), again;
            ASSERT_TRUE(cp.fromUtf8(cp.toUtf8(one), again)) << name << " byte " << b;
            EXPECT_EQ(again, one) << name << " byte " << b;
        }
    }
}

TEST(CodePage, UndefinedBytesAreC1ControlsOfTheSameNumber) {
    CodePage cp("CP1252");
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(cp.character(b), (char32_t)b);
    EXPECT_EQ(cp.character(0x80), U'€');
    EXPECT_EQ(cp.toUtf8("\x81\x80"), "\xC2\x81\xE2\x82\xAC");
    std::string out;
    ASSERT_TRUE(cp.fromUtf8("\xC2\x9D", out));
    EXPECT_EQ(out, "\x9D");
    // A C1 control that a page does not leave free is refused: cp437 spells
    // 0x81 as ü.
    EXPECT_FALSE(CodePage("CP437").fromUtf8("\xC2\x81", out));
    EXPECT_TRUE(CodePage("CP437").fromUtf8("ü", out));
    EXPECT_EQ(out, "\x81");
}

TEST(CodePage, StatefulAndMultiBytePagesKeepTheirLastCharacter) {
    CodePage hebrew("CP1255");
    std::string bytes;
    ASSERT_TRUE(hebrew.fromUtf8("שלום", bytes));
    EXPECT_EQ(bytes, "\xF9\xEC\xE5\xED");
    EXPECT_EQ(hebrew.toUtf8(bytes), "שלום");
    CodePage japanese("CP932");
    EXPECT_FALSE(japanese.singleByte());
    ASSERT_TRUE(japanese.fromUtf8("日本語", bytes));
    EXPECT_EQ(japanese.toUtf8(bytes), "日本語");
    CodePage chinese("CP950");
    ASSERT_TRUE(chinese.fromUtf8("中文", bytes));
    EXPECT_EQ(chinese.toUtf8(bytes), "中文");
}

TEST(CodePage, RefusesWhatThePageCannotHoldAndBrokenUtf8) {
    std::string out = "kept";
    EXPECT_FALSE(CodePage("CP437").fromUtf8("€", out));
    EXPECT_FALSE(CodePage("CP1252").fromUtf8("Привет", out));
    EXPECT_FALSE(CodePage("CP1252").fromUtf8("\xC3", out));        // cut sequence
    EXPECT_FALSE(CodePage("CP1252").fromUtf8("\xC0\xAF", out));    // overlong
    EXPECT_FALSE(CodePage("CP1252").fromUtf8("\xED\xA0\x80", out));  // surrogate
    EXPECT_FALSE(CodePage("CP932").fromUtf8("€\xFF", out));
    EXPECT_EQ(out, "kept");
    EXPECT_FALSE(CodePage("NOSUCHPAGE").valid());
}

TEST(CodePage, MarksAndNames) {
    EXPECT_EQ(vandrel::codePageMark("cp1251"), 0xC9);
    EXPECT_EQ(vandrel::codePageMark("1251"), 0xC9);
    EXPECT_EQ(vandrel::codePageMark("0xC9"), 0xC9);
    EXPECT_EQ(vandrel::codePageMark("klingon"), -1);
    EXPECT_EQ(vandrel::codePageName(0x7D), "CP1255");
    EXPECT_NE(vandrel::codePageNames().find("cp1255"), std::string::npos);
}

}  // namespace
