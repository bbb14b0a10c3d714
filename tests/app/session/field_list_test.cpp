// FieldList: the add/replace rules that make one list type serve as field
// list, sort keys and filter conditions, and the list operations.
#include <gtest/gtest.h>

#include "field_list.h"

namespace {

using vandrel::FieldEntry;
using vandrel::FieldList;

FieldEntry field(int number, const char *name) {
    FieldEntry e;
    e.number = number;
    e.name = name;
    e.visible = 1;
    return e;
}

FieldEntry sortKey(int number, int order) {
    FieldEntry e = field(number, "K");
    e.sortOrder = order;
    return e;
}

FieldEntry condition(int number, int op, const char16_t *value) {
    FieldEntry e = field(number, "F");
    e.filterOperator = op;
    e.valueText = value;
    return e;
}

TEST(FieldList, SortKeyReplacesAnyKeyOnTheSameField) {
    FieldList keys;
    EXPECT_EQ(keys.add(sortKey(3, 'A')), 1);
    EXPECT_EQ(keys.add(sortKey(5, 'D')), 1);
    EXPECT_EQ(keys.add(sortKey(3, 'E')), 0);
    ASSERT_EQ(keys.count(), 2);
    EXPECT_EQ(keys[0].number, 3);
    EXPECT_EQ(keys[0].sortOrder, 'E');  // replaced in place, keeping its priority
    EXPECT_EQ(keys[1].number, 5);
}

TEST(FieldList, FilterConditionReplacesOnlySameFieldAndOperator) {
    FieldList conditions;
    EXPECT_EQ(conditions.add(condition(2, 'G', u"10")), 1);
    EXPECT_EQ(conditions.add(condition(2, 'L', u"20")), 1);  // a range: both kept
    EXPECT_EQ(conditions.add(condition(4, 'G', u"1")), 1);   // another field
    EXPECT_EQ(conditions.find(condition(2, 'L', u"99")), 1);
    EXPECT_EQ(conditions.find(condition(2, '=', u"99")), -1);
    EXPECT_EQ(conditions.add(condition(2, 'L', u"30")), 0);
    ASSERT_EQ(conditions.count(), 3);
    EXPECT_EQ(conditions[1].valueText, u"30");
    EXPECT_EQ(conditions[0].valueText, u"10");
}

TEST(FieldList, PlainFieldsReplaceTheirOwnEntry) {
    FieldList fields;
    EXPECT_EQ(fields.add(field(1, "A")), 1);
    EXPECT_EQ(fields.add(field(2, "B")), 1);
    FieldEntry again = field(1, "A");
    again.visible = 0;
    EXPECT_EQ(fields.add(again), 0);
    EXPECT_EQ(fields.count(), 2);
    EXPECT_EQ(fields[0].visible, 0);
}

TEST(FieldList, GetRemoveAndSwapStayInsideTheList) {
    FieldList list;
    for (int i = 1; i <= 4; i++) list.add(field(i, "X"));
    EXPECT_EQ(list.get(-1), nullptr);
    EXPECT_EQ(list.get(4), nullptr);
    ASSERT_NE(list.get(3), nullptr);
    EXPECT_EQ(list.get(3)->number, 4);

    EXPECT_FALSE(list.swap(0, 4));
    EXPECT_FALSE(list.swap(-1, 2));
    EXPECT_EQ(list[0].number, 1);
    EXPECT_TRUE(list.swap(0, 3));
    EXPECT_EQ(list[0].number, 4);
    EXPECT_EQ(list[3].number, 1);

    EXPECT_FALSE(list.remove(4));
    EXPECT_TRUE(list.remove(1));  // later entries move down
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list[0].number, 4);
    EXPECT_EQ(list[1].number, 3);
    EXPECT_EQ(list[2].number, 1);
}

TEST(FieldList, GrowsByThirtyTwoAndClearKeepsCapacity) {
    FieldList list;
    EXPECT_EQ(list.capacity(), 0);
    list.add(field(1, "X"));
    EXPECT_EQ(list.capacity(), 32);
    for (int i = 2; i <= 33; i++) list.add(field(i, "X"));
    EXPECT_EQ(list.count(), 33);
    EXPECT_EQ(list.capacity(), 64);
    list.clear();
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.capacity(), 64);
    EXPECT_EQ(list.get(0), nullptr);
}

TEST(FieldList, ModifiedFlagsAndCopy) {
    FieldList list;
    for (int i = 1; i <= 3; i++) list.add(field(i, "X"));
    EXPECT_FALSE(list.anyModified());
    list[2].modified = 1;
    EXPECT_TRUE(list.anyModified());
    list.setModified(false);
    EXPECT_FALSE(list.anyModified());
    list.setModified(true);
    EXPECT_EQ(list[0].modified + list[1].modified + list[2].modified, 3);

    FieldList copy;
    copy.add(field(9, "old"));
    copy.copyFrom(list);
    ASSERT_EQ(copy.count(), 3);
    EXPECT_EQ(copy[0].number, 1);
    EXPECT_EQ(copy[2].number, 3);
    copy[0].name = "changed";
    EXPECT_EQ(list[0].name, "X");  // a copy, not a view
    copy.copyFrom(copy);
    EXPECT_EQ(copy.count(), 3);
}

}  // namespace
