// The class layer over the engine: Str4 and Date4 conversions, fields and
// memo fields through Field4 and Field4memo, and Field4info's descriptions,
// which d4create takes back to make a table of the same layout.
#include <cmath>
#include <cstring>

#include "classes/code4class.h"
#include "classes/data4class.h"
#include "classes/date4class.h"
#include "classes/field4class.h"
#include "test_support.h"

namespace {

TEST(Str4, AssignPadsCutsAndFormats) {
    char buf[6];
    Str4len s(buf, 5);
    s.assign("ab");
    EXPECT_EQ(s.text(), "ab   ");
    s.assign("abcdefgh");
    EXPECT_EQ(s.text(), "abcde");
    s.assignLong(-42);
    EXPECT_EQ(s.text(), "  -42");
    s.assignLong(123456);
    EXPECT_EQ(s.text(), "*****");
    s.assignDouble(3.14159, 2);
    EXPECT_EQ(s.text(), " 3.14");
    char small[3];
    EXPECT_EQ(s.ncpy(small, sizeof small), 2u);
    EXPECT_STREQ(small, " 3");
    s.assign("");
    EXPECT_TRUE(s.isBlank());
}

TEST(Date4, DayNumbersPicturesAndNoDate) {
    Date4 d;
    EXPECT_TRUE(d.isBlank());
    EXPECT_EQ(d.julian(), 0);
    EXPECT_EQ(d.asDouble(), 1e100);
    d.assign(2451545L);
    EXPECT_EQ(d.text(), "20000101");
    EXPECT_EQ(d.format("DD/MM/CCYY"), "01/01/2000");
    d.assignDouble(2452773.75);  // the day, whatever the time
    EXPECT_EQ(d.text(), "20030513");
    for (double none : {0.0, -3.0, 1e100, 1e300, (double)NAN, 6e6}) {
        d.assignDouble(none);
        EXPECT_TRUE(d.isBlank()) << none;
    }
    EXPECT_EQ(Date4("19000229").julian(), -1);
    EXPECT_EQ(Date4("20030513").format("DD MMMMMMMMM CCYY"), "13 May       2003");
}

class ClassLayer : public vt::EngineTest {};

TEST_F(ClassLayer, FieldsMemosAndDescriptions) {
    Code4 code;
    ASSERT_EQ(code.init(), 0);
    code.handle()->compatibility = 30;
    FIELD4INFO layout[] = {{"ID", 'B', 8, 0, r4autoIncrement}, {"NAME", 'C', 10, 0, r4null},
                           {"PRICE", 'N', 8, 2, 0},              {"NOTES", 'M', 4, 0, 0},
                           {nullptr, 0, 0, 0, 0}};
    std::string first = dir.file("first.dbf");
    DATA4 *created = d4create(code.handle(), first.c_str(), layout);
    ASSERT_NE(created, nullptr) << (shown.messages().empty() ? "" : shown.messages()[0]);
    Data4 table(created);
    ASSERT_EQ(table.appendBlank(), 0);

    Field4 price(table, "PRICE");
    ASSERT_TRUE(price.isValid());
    price.assignDouble(12.5);
    EXPECT_EQ(price.text(), "   12.50");
    Field4 name(table, 2);
    name.assign("Ann");
    EXPECT_EQ(std::string(name.str()), "Ann       ");
    EXPECT_FALSE(name.isNull());

    Field4memo notes(table, 4);
    notes.assignLong(1234567);  // the contents, not the block reference
    EXPECT_EQ(std::string(notes.ptr(), notes.len()), "1234567");
    notes.assignDouble(-2.5, 1);
    EXPECT_EQ(std::string(notes.str()), "-2.5");
    ASSERT_EQ(table.write(), 0);
    ASSERT_EQ(table.go(1), 0);
    EXPECT_EQ(std::string(Field4memo(table, 4).str()), "-2.5");
    EXPECT_EQ(Field4(table, 1).getLong(), 1);  // the autoincrement value

    Field4info info(table);
    ASSERT_EQ(info.numFields(), 4);  // _NullFlags left out
    EXPECT_STREQ(info[1].name, "NAME");
    EXPECT_EQ(info[1].attribute, r4null);
    EXPECT_EQ(info[0].attribute, r4autoIncrement);
    EXPECT_EQ(info[2].dec, 2u);
    EXPECT_EQ(info.fields()[4].name, nullptr);
    std::string second = dir.file("second.dbf");
    DATA4 *copy = d4create(code.handle(), second.c_str(), info.fields());
    ASSERT_NE(copy, nullptr);
    d4close(copy);
    table.close();
    EXPECT_FALSE(table.isValid());
    // The same descriptors: field names, types, lengths and flags.
    auto a = vt::readFile(first), b = vt::readFile(second);
    size_t header = a[8] | (a[9] << 8);
    ASSERT_EQ(b[8] | (b[9] << 8), (int)header);
    for (size_t at = 32; at + 32 <= header && a[at] != 0x0D; at += 32) {
        EXPECT_EQ(std::memcmp(&a[at], &b[at], 12), 0) << at;           // name and type
        EXPECT_EQ(std::memcmp(&a[at + 16], &b[at + 16], 3), 0) << at;  // length, decimals, flags
    }
    info.free();
    EXPECT_EQ(info.numFields(), 0);
    EXPECT_EQ(info.fields(), nullptr);

    EXPECT_EQ(Field4info(Data4()).numFields(), 0);
    EXPECT_FALSE(Field4(Data4(), 1).isValid());
    code.errorSet(-1);
    EXPECT_EQ(code.errorCode(), -1);
    code.errorSet();
    EXPECT_EQ(code.initUndo(), 0);
    EXPECT_FALSE(code.initialised());
}

}  // namespace
