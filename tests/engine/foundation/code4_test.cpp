#include <algorithm>
#include <cstring>

#include "test_support.h"

namespace {

TEST(Code4, DefaultsAfterInit) {
    CODE4 c;
    std::memset(&c, 0x5a, sizeof c);  // init clears whatever was there
    ASSERT_EQ(code4init(&c), 0);
    EXPECT_EQ(c.s4valid, 21121);
    EXPECT_EQ(c.autoOpen, 1);
    EXPECT_EQ(c.fieldNameError, 1);
    EXPECT_EQ(c.openError, 1);
    EXPECT_EQ(c.goError, 1);
    EXPECT_EQ(c.skipError, 1);
    EXPECT_EQ(c.singleOpen, 1);
    EXPECT_EQ(c.offError, 0);
    EXPECT_EQ(c.readOnly, 0);
    EXPECT_EQ(c.accessMode, 0);
    EXPECT_EQ(c.compatibility, 25);
    EXPECT_EQ(c.codePage, 0);
    EXPECT_EQ(c.errorCode, 0);
    EXPECT_STREQ(c.dateFormat, "MM/DD/YY");
    EXPECT_EQ(c.autoIncrementStart, 1.0);
    EXPECT_EQ(c.memSizeSortBudget, 64ull << 20);
    code4initUndo(&c);
}

TEST(Code4, InitUndoTwiceIsHarmless) {
    CODE4 c{};
    ASSERT_EQ(code4init(&c), 0);
    int before = code4instanceCount();
    c.errorCode = -60;
    EXPECT_EQ(code4initUndo(&c), -60);
    EXPECT_EQ(code4instanceCount(), before - 1);
    EXPECT_EQ(code4initUndo(&c), 0);
    EXPECT_EQ(code4instanceCount(), before - 1);
}

TEST(Code4, VersionAndSizeMismatch) {
    CODE4 c{};
    EXPECT_EQ(code4initLow(&c, 6503001, sizeof c), -1095);
    EXPECT_EQ(code4initLow(&c, S4VERSION, sizeof c - 8), -960);
    EXPECT_EQ(c.s4valid, 0);
    EXPECT_EQ(code4instanceCount(), 0);
}

TEST(Code4, DateFormatLimit) {
    vt::ShownErrors quiet;
    CODE4 c{};
    code4init(&c);
    EXPECT_EQ(code4dateFormatSet(&c, "CCYY/MM/DD"), 0);
    EXPECT_STREQ(code4dateFormat(&c), "CCYY/MM/DD");
    EXPECT_EQ(code4dateFormatSet(&c, "12345678901234567890"), -930);
    EXPECT_STREQ(code4dateFormat(&c), "CCYY/MM/DD");
    code4initUndo(&c);
}

TEST(Code4, InvalidContextIsRefusedWithoutReporting) {
    vt::ShownErrors shown;
    CODE4 c{};
    EXPECT_EQ(code4closeAll(nullptr), -935);
    EXPECT_EQ(code4closeAll(&c), -930);
    EXPECT_TRUE(shown.messages().empty());
}

TEST(Mem4, SharedPoolsJoinAndRaiseCounts) {
    CODE4 c{};
    code4init(&c);
    int before = mem4poolCount();
    MEM4 *a = mem4create(&c, 4, 40, 2, 0);
    MEM4 *b = mem4create(&c, 10, 40, 1, 0);
    MEM4 *p = mem4create(&c, 1, 40, 1, 1);
    MEM4 *small = mem4create(&c, 1, 3, 1, 0);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, p);
    EXPECT_EQ(mem4startCount(a), 10);
    EXPECT_EQ(mem4expandCount(a), 2);
    EXPECT_EQ(mem4elementSize(small), 8u);
    EXPECT_EQ(mem4poolCount(), before + 3);

    // Freed elements are reused before the pool grows; elements come zeroed.
    auto *x = static_cast<unsigned char *>(mem4alloc(a, &c));
    x[5] = 7;
    mem4free(a, x);
    auto *y = static_cast<unsigned char *>(mem4alloc(a, &c));
    EXPECT_EQ(x, y);
    EXPECT_EQ(y[5], 0);
    // Many elements are distinct.
    std::vector<void *> many;
    for (int i = 0; i < 100; i++) many.push_back(mem4alloc(p, &c));
    std::sort(many.begin(), many.end());
    EXPECT_EQ(std::unique(many.begin(), many.end()), many.end());
    for (void *m : many) mem4free(p, m);

    mem4release(a);
    mem4release(b);
    mem4release(p);
    mem4release(small);
    EXPECT_EQ(mem4poolCount(), before);
    code4initUndo(&c);
}

}  // namespace
