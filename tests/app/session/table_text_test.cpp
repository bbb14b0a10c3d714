// Text between the interface's UTF-16 and a table's code page.
#include <gtest/gtest.h>

#include "table_text.h"
#include "utf16.h"

namespace {

using namespace vandrel;

TEST(Utf16, RoundTripsEveryPlane) {
    std::string utf8 = "A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80";  // A é € 😀
    std::u16string wide = utf8ToUtf16(utf8);
    EXPECT_EQ(wide, u"A\u00e9\u20ac\U0001F600");
    std::string back;
    ASSERT_TRUE(utf16ToUtf8(wide, back));
    EXPECT_EQ(back, utf8);
}

TEST(Utf16, MalformedInputIsReplacedOrRefused) {
    // Stray continuation, overlong form, surrogate in UTF-8, cut sequence.
    EXPECT_EQ(utf8ToUtf16("a\x80" "b"), u"a\ufffdb");
    EXPECT_EQ(utf8ToUtf16("\xc0\xaf"), u"\ufffd\ufffd");
    EXPECT_EQ(utf8ToUtf16("\xed\xa0\x80"), u"\ufffd\ufffd\ufffd");
    EXPECT_EQ(utf8ToUtf16("x\xe2\x82"), u"x\ufffd\ufffd");
    std::string out = "kept";
    std::u16string lone = u"a";
    lone += (char16_t)0xD800;
    EXPECT_FALSE(utf16ToUtf8(lone, out));
    EXPECT_EQ(out, "kept");
    EXPECT_EQ(toUtf8(lone), "a\xef\xbf\xbd");
}

TEST(TableText, WestEuropeanCodePage) {
    TableText text(0x03);
    EXPECT_EQ(text.codePageName(), "CP1252");
    EXPECT_EQ(text.widen(std::string("Zo\xeb \x80", 5)), u"Zo\u00eb \u20ac");
    std::string bytes;
    ASSERT_TRUE(text.narrow(u"Zo\u00eb \u20ac", bytes));
    EXPECT_EQ(bytes, "Zo\xeb \x80");
    bytes = "kept";
    EXPECT_FALSE(text.narrow(u"\u0416", bytes));  // Cyrillic Zhe has no place here
    EXPECT_EQ(bytes, "kept");
    EXPECT_EQ(TableText(0).codePageName(), "CP1252");
}

TEST(TableText, EveryDefinedByteRoundTrips) {
    for (int mark : {0x01, 0x02, 0x03, 0x64, 0x65, 0xC8, 0xC9, 0xCB}) {
        TableText text(mark);
        for (int b = 1; b < 256; b++) {
            std::string one(1, (char)b);
            std::u16string wide = text.widen(one);
            ASSERT_EQ(wide.size(), 1u);
            if (wide[0] == 0xFFFD) continue;  // a byte the code page leaves undefined
            std::string back;
            EXPECT_TRUE(text.narrow(wide, back)) << mark << " " << b;
            EXPECT_EQ(back, one) << mark << " " << b;
        }
    }
}

// Every byte of every single-byte page widens to one character of its own
// and narrows back: bytes the page leaves undefined are the C1 controls of
// their numbers (0x81 is U+0081 in cp1252), as in brindle's conversion.
TEST(TableText, EveryByteOfEverySingleBytePageRoundTrips) {
    const char *pages[] = {"cp437", "cp850", "cp1252", "cp852", "cp866", "cp865", "cp861", "cp737",
                           "cp857", "cp874", "cp1255", "cp1256", "cp1250", "cp1251", "cp1254", "cp1253"};
    for (const char *page : pages) {
        SCOPED_TRACE(page);
        int mark = codePageMark(page);
        ASSERT_GE(mark, 0);
        TableText text(mark);
        std::string all;
        for (int b = 0; b < 256; b++) all += (char)b;
        std::u16string wide = text.widen(all);
        ASSERT_EQ(wide.size(), 256u);
        for (int b = 0; b < 256; b++) EXPECT_NE(wide[(size_t)b], 0xFFFD) << b;
        std::string back;
        ASSERT_TRUE(text.narrow(wide, back));
        EXPECT_EQ(back, all);
    }
    TableText west(0x03);
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) EXPECT_EQ(west.widen(std::string(1, (char)b)), std::u16string(1, (char16_t)b));
}

TEST(TableText, CyrillicAndMultiByteCodePages) {
    TableText cyrillic(0xC9);
    EXPECT_EQ(cyrillic.widen("\xcd\xc8\xc8"), u"\u041d\u0418\u0418");
    std::string bytes;
    EXPECT_FALSE(cyrillic.narrow(u"\u00eb", bytes));  // e with diaeresis is not in 1251

    TableText japanese(0x7B);
    EXPECT_EQ(japanese.widen("\x93\xfa\x96\x7b" "abc"), u"\u65e5\u672cabc");
    ASSERT_TRUE(japanese.narrow(u"\u65e5\u672cabc", bytes));
    EXPECT_EQ(bytes, "\x93\xfa\x96\x7b" "abc");
    EXPECT_FALSE(japanese.narrow(u"\u0416\U0001F600", bytes));
}

}  // namespace
