// The display names of field types.
#include <gtest/gtest.h>

#include "field_types.h"

namespace {

TEST(FieldTypeNames, EveryNamedTypeAndTheRest) {
    struct Case {
        int type;
        const char16_t *name;
    } cases[] = {
        {'B', u"Double"},     {'C', u"Text"},         {'D', u"Date"},
        {'F', u"Float"},      {'G', u"OLE Binary"},   {'I', u"Integer"},
        {'L', u"Logical"},    {'M', u"Memo"},         {'N', u"Numerical Text"},
        {'T', u"DateTime"},   {'X', u"Meno Binary"},  {'Y', u"Currency"},
        {'Z', u"Text/Binary"}, {'W', u"Unknown"},     {'P', u"Unknown"},
        {0, u"Unknown"},      {'c', u"Unknown"},
    };
    for (const Case &c : cases) EXPECT_EQ(vandrel::fieldTypeName(c.type), c.name) << (char)c.type;
}

TEST(FieldTypeNames, TheNewerKindsInTablesThatHaveThem) {
    EXPECT_EQ(vandrel::fieldTypeName('V', true), u"Varchar");
    EXPECT_EQ(vandrel::fieldTypeName('Q', true), u"Varbinary");
    EXPECT_EQ(vandrel::fieldTypeName('W', true), u"Blob");
    EXPECT_EQ(vandrel::fieldTypeName('C', true), u"Text");
    for (int type : {'V', 'Q', 'W'}) EXPECT_EQ(vandrel::fieldTypeName(type), u"Unknown") << (char)type;
    EXPECT_TRUE(vandrel::isTextType('V'));
    EXPECT_FALSE(vandrel::isTextType('Q'));
}

}  // namespace
