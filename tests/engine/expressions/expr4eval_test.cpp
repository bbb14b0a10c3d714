// Evaluation of the language's operators and functions against records of a
// table the engine created.
#include "expr4_test_util.h"

namespace {

using et::ExprTest;

TEST_F(ExprTest, Smoke) {
    append({{"NAME", "Smith"}, {"AMOUNT", "123.45"}, {"BORN", "20000101"}, {"FLAG", "T"}});
    EXPECT_EQ(value("NAME"), "Smith     ");
    EXPECT_DOUBLE_EQ(number("AMOUNT + 1"), 124.45);
    EXPECT_EQ(logical("NAME = 'Smith' .AND. AMOUNT > 100"), 1);
}

}  // namespace
