// The sort and filter expressions, byte for byte, and their limits.
#include <gtest/gtest.h>

#include "expression_builder.h"

namespace {

using namespace vandrel;

FieldEntry entry(const char *name, int type, int length, int number) {
    FieldEntry e;
    e.name = name;
    e.type = type;
    e.length = length;
    e.number = number;
    return e;
}

FieldEntry key(const char *name, int type, int order, int number) {
    FieldEntry e = entry(name, type, 10, number);
    e.sortOrder = order;
    return e;
}

FieldEntry cond(const char *name, int type, int length, int op, const std::u16string &value, double number = 0) {
    static int next = 1;
    FieldEntry e = entry(name, type, length, next++);
    e.filterOperator = op;
    e.valueText = value;
    e.valueNumber = number;
    return e;
}

std::string build(const FieldList &list, char mode, const TableText &text = TableText(0x03)) {
    std::string out = "garbage";
    EXPECT_TRUE(buildExpression(list, out, mode, text));
    return out;
}

bool fails(const FieldList &list, char mode, const TableText &text = TableText(0x03)) {
    std::string out = "garbage";
    bool ok = buildExpression(list, out, mode, text);
    EXPECT_TRUE(out.empty());
    return !ok;
}

FieldList listOf(std::initializer_list<FieldEntry> entries) {
    FieldList l;
    for (const FieldEntry &e : entries) l.add(e);
    return l;
}

constexpr long kJan15of2003 = 2452655;

TEST(SortExpression, KeysJoinWithPlusInListOrder) {
    EXPECT_EQ(build(listOf({key("NAME", 'C', 'B', 1), key("AMOUNT", 'N', 'D', 2), key("BORN", 'D', 'A', 3)}), 'S'),
              "ASCEND(UPPER(NAME))+DESCEND(AMOUNT)+ASCEND(BORN)");
    EXPECT_EQ(build(listOf({key("LAST", 'C', 'E', 1)}), 'S'), "DESCEND(UPPER(LAST))");
}

TEST(SortExpression, LogicalFieldsAreLeftOut) {
    EXPECT_EQ(build(listOf({key("ACTIVE", 'L', 'A', 1)}), 'S'), "");
    EXPECT_EQ(build(listOf({key("ACTIVE", 'L', 'A', 1), key("NAME", 'C', 'A', 2)}), 'S'), "ASCEND(NAME)");
}

TEST(SortExpression, TooLongForTheWorkBufferFails) {
    FieldList keys;
    // 400 keys of 10-character names: 400 * "DESCEND(UPPER(ABCDEFG001))+" > 8191 bytes.
    for (int i = 1; i <= 400; i++) {
        char name[11];
        std::snprintf(name, sizeof name, "ABCDEFG%03d", i);
        keys.add(key(name, 'C', 'E', i));
    }
    EXPECT_TRUE(fails(keys, 'S'));
    keys.clear();
    for (int i = 1; i <= 200; i++) keys.add(key("ABCDEFGHIJ", 'C', 'A', i));  // 200 * 19 < 8191
    std::string out;
    EXPECT_TRUE(buildExpression(keys, out, 'S', TableText(3)));
    EXPECT_EQ(out.size(), 200u * 19 - 1);
}

TEST(FilterExpression, TheExamplesByteForByte) {
    EXPECT_EQ(build(listOf({cond("NAME", 'C', 10, '=', u"Smith"), cond("BORN", 'D', 8, 'G', u"", kJan15of2003)}), 'F'),
              "NAME='Smith     ' .AND. DTOS(BORN)>='20030115'");
    EXPECT_EQ(build(listOf({cond("NAME", 'C', 10, '$', u"O'Neil")}), 'F'), "\"O'Neil\"$NAME");
    EXPECT_EQ(build(listOf({cond("QTY", 'N', 5, '<', u"12")}), 'F'), "QTY<12   ");
    EXPECT_EQ(build(listOf({cond("QTY", 'N', 5, '=', u"")}), 'F'), "QTY=00000");
}

TEST(FilterExpression, EveryOperatorAndRanges) {
    EXPECT_EQ(build(listOf({cond("QTY", 'N', 5, 'G', u"10"), cond("QTY", 'N', 5, 'L', u"20")}), 'F'),
              "QTY>=10    .AND. QTY<=20   ");
    EXPECT_EQ(build(listOf({cond("A", 'C', 2, '<', u"x"), cond("A", 'C', 2, '>', u"y")}), 'F'), "A<'x ' .AND. A>'y '");
    EXPECT_EQ(build(listOf({cond("A", 'F', 6, '=', u"-1.5")}), 'F'), "A=-1.5  ");
    EXPECT_EQ(build(listOf({cond("A", 'I', 4, '=', u"")}), 'F'), "A=    ");  // "0" fill is for N only
}

TEST(FilterExpression, SkippedConditionsAddNoJoin) {
    // B, G and X conditions and "$" on a non-text type contribute nothing.
    EXPECT_EQ(build(listOf({cond("QTY", 'N', 5, '$', u"1")}), 'F'), "");
    EXPECT_EQ(build(listOf({cond("W", 'B', 8, '=', u"1"), cond("P", 'G', 10, '=', u"x"),
                            cond("NAME", 'C', 3, '=', u"ab"), cond("X", 'X', 4, '=', u"x")}),
                    'F'),
              "NAME='ab '");
}

TEST(FilterExpression, QuotesFollowTheValue) {
    EXPECT_EQ(build(listOf({cond("NAME", 'C', 6, '=', u"O'Neil")}), 'F'), "NAME=\"O'Neil\"");
    // A value with both quotes ends its string early; that text fails to parse later.
    EXPECT_EQ(build(listOf({cond("NAME", 'C', 4, '$', u"\"'")}), 'F'), "\"\"'\"$NAME");
    EXPECT_EQ(build(listOf({cond("NAME", 'W', 4, '$', u"it's")}), 'F'), "\"it's\"$NAME");
}

TEST(FilterExpression, TextLongerThanTheFieldIsWrittenWhole) {
    EXPECT_EQ(build(listOf({cond("CODE", 'C', 3, '=', u"ABCDE")}), 'F'), "CODE='ABCDE'");
}

TEST(FilterExpression, DatesAreEightDigitsOrBlanks) {
    EXPECT_EQ(build(listOf({cond("BORN", 'D', 8, '=', u"", 0)}), 'F'), "DTOS(BORN)='        '");
    EXPECT_EQ(build(listOf({cond("BORN", 'D', 8, '<', u"whatever", 1e100)}), 'F'), "DTOS(BORN)<'        '");
    EXPECT_EQ(build(listOf({cond("BORN", 'D', 8, '>', u"", 2451545)}), 'F'), "DTOS(BORN)>'20000101'");
}

TEST(FilterExpression, LogicalValuesBecomeLogicalConstants) {
    EXPECT_EQ(build(listOf({cond("ACTIVE", 'L', 1, '=', u"True")}), 'F'), "ACTIVE=.T.");
    EXPECT_EQ(build(listOf({cond("ACTIVE", 'L', 1, '=', u"Yes")}), 'F'), "ACTIVE=.T.");
    EXPECT_EQ(build(listOf({cond("ACTIVE", 'L', 1, '=', u"False")}), 'F'), "ACTIVE=.F.");
    EXPECT_EQ(build(listOf({cond("ACTIVE", 'L', 1, '=', u"no")}), 'F'), "ACTIVE=.F.");
    // A cell showing the stored byte falls back to its number, else fails.
    EXPECT_EQ(build(listOf({cond("ACTIVE", 'L', 1, '=', u"?", -1.0)}), 'F'), "ACTIVE=.F.");
    EXPECT_TRUE(fails(listOf({cond("ACTIVE", 'L', 1, '=', u"?", 0)}), 'F'));
}

TEST(FilterExpression, MemoEqualsIsUnpaddedAndOtherPaddingFits) {
    EXPECT_EQ(build(listOf({cond("NOTES", 'M', kMemoLength, '=', u"hello")}), 'F'), "NOTES='hello'");
    // Padded to 32767 the text would overrun the buffer: the padding takes
    // only what the other parts leave.
    FieldList l = listOf({cond("NOTES", 'M', kMemoLength, 'G', u"m"), cond("QTY", 'N', 5, '=', u"7")});
    std::string out = build(l, 'F');
    EXPECT_EQ(out.size(), kWorkBufferSize - 1);
    EXPECT_EQ(out.substr(0, 10), "NOTES>='m ");
    EXPECT_EQ(out.substr(out.size() - 19), "  ' .AND. QTY=7    ");
    EXPECT_EQ(out.find_first_not_of(' ', 9), out.size() - 17);
}

TEST(FilterExpression, TooLongForTheWorkBufferFails) {
    std::u16string value(9000, u'a');
    EXPECT_TRUE(fails(listOf({cond("NOTES", 'M', kMemoLength, '=', value)}), 'F'));
    value.resize(8191 - 8);  // NOTES='...' and '...'$NOTES are then exactly 8191 bytes
    std::string out;
    EXPECT_TRUE(buildExpression(listOf({cond("NOTES", 'M', kMemoLength, '$', value)}), out, 'F', TableText(3)));
    EXPECT_EQ(out.size(), 8191u);
    EXPECT_TRUE(buildExpression(listOf({cond("NOTES", 'M', kMemoLength, '=', value)}), out, 'F', TableText(3)));
    EXPECT_EQ(out.size(), 8191u);
    value += u'a';
    EXPECT_TRUE(fails(listOf({cond("NOTES", 'M', kMemoLength, '=', value)}), 'F'));
    EXPECT_TRUE(fails(listOf({cond("NOTES", 'M', kMemoLength, '$', value)}), 'F'));
}

TEST(FilterExpression, ValuesAreNarrowedByTheTablesCodePage) {
    EXPECT_EQ(build(listOf({cond("NAME", 'C', 4, '=', u"Zo\u00eb")}), 'F'), "NAME='Zo\xeb '");
    TableText cyrillic(0xC9);
    EXPECT_EQ(build(listOf({cond("NAME", 'C', 4, '$', u"\u041d\u0418\u0418")}), 'F', cyrillic),
              "'\xcd\xc8\xc8'$NAME");
    // A character the code page cannot hold fails the whole filter.
    EXPECT_TRUE(fails(listOf({cond("CITY", 'C', 4, '=', u"Oslo"), cond("NAME", 'C', 4, '$', u"\u041d")}), 'F'));
    // The padding counts bytes, so a multi-byte code page pads less.
    TableText japanese(0x7B);
    EXPECT_EQ(build(listOf({cond("NAME", 'C', 6, '=', u"\u65e5\u672c")}), 'F', japanese),
              "NAME='\x93\xfa\x96\x7b  '");
}

TEST(ExpressionTexts, OrdersAndOperators) {
    EXPECT_EQ(sortOrderText('A'), u"Ascending");
    EXPECT_EQ(sortOrderText('B'), u"Ascending (NC)");
    EXPECT_EQ(sortOrderText('D'), u"Descending");
    EXPECT_EQ(sortOrderText('E'), u"Descending (NC)");
    EXPECT_EQ(sortOrderText('Q'), u"");
    const char ops[] = {'<', 'L', '=', 'G', '>', '$'};
    const char16_t *menu[] = {u"<", u"<=", u"=", u">=", u">", u"Contains"};
    const char16_t *listed[] = {u"<", u"<=", u"=", u">=", u">", u"{ }"};
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(filterOperatorMenuText(ops[i]), menu[i]);
        EXPECT_EQ(filterOperatorListText(ops[i]), listed[i]);
    }
}

}  // namespace
