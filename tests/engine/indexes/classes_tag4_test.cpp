// The class layer's Tag4 and Index4 over Harbour's people table.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "classes/index4.h"
#include "classes/tag4.h"
#include "test_support.h"

namespace {

class TagClasses : public vt::EngineTest {};

TEST_F(TagClasses, IterateSelectAndReopen) {
    for (const char *ext : {".dbf", ".fpt", ".cdx"}) vt::copyFixture(std::string("harbour/people") + ext, dir);
    DATA4 *d = d4open(&cb, dir.file("people").c_str());
    ASSERT_NE(nullptr, d);
    Index4 production(d, nullptr);
    ASSERT_TRUE(production.isValid());
    EXPECT_EQ(11, production.numTags());
    std::set<std::string> names;
    Tag4 t;
    for (t.initFirst(d); t.isValid(); t.initNext()) names.insert(t.alias());
    EXPECT_EQ(11u, names.size());
    Tag4 desc(d, "desclast");
    ASSERT_TRUE(desc.isValid());
    EXPECT_EQ(1, desc.descending());
    EXPECT_EQ(15, desc.keyLen());
    EXPECT_STREQ("LAST", desc.expr());
    EXPECT_EQ(0, desc.select());
    Tag4 selected;
    selected.initSelected(d);
    EXPECT_EQ(desc.tag(), selected.tag());
    Tag4 unique = production.tag("UNIQCITY");
    EXPECT_EQ(r4uniqueContinue, unique.unique());
    TAG4CHECK check;
    EXPECT_EQ(0, unique.check(&check));
    EXPECT_EQ(0, production.close());
    EXPECT_EQ(nullptr, d4tagDefault(d));   // closing the index dropped the selection
    EXPECT_EQ(0, production.open(d, dir.file("people.cdx").c_str()));
    EXPECT_EQ(11, production.numTags());
    d4close(d);
}

}  // namespace
