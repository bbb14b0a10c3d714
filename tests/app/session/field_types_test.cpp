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

}  // namespace
