// Parsing: the postfix order the shunting-yard pass produces (precedence,
// associativity, n-ary chaining, .NOT. binding), scanning rules, constants,
// folded parameters, and every failure code with the source in the message.
#include "expr4_test_util.h"

namespace {

using et::ExprTest;

class ParseTest : public ExprTest {
protected:
    std::string order(const std::string &text) {
        EXPR4 *e = parse(text);
        if (!e) return "<parse failed>";
        std::string s = postfix(e);
        expr4free(e);
        return s;
    }
};

TEST_F(ParseTest, PrecedenceAndAssociativity) {
    EXPECT_EQ(order("1+2*3^2"), "1 2 3 2 ^ * +");
    EXPECT_EQ(order("8/4/2"), "8 4 / 2 /");
    EXPECT_EQ(order("2^3^2"), "2 3 ^ 2 ^");
    EXPECT_EQ(order("2**3*4"), "2 3 ** 4 *");
    EXPECT_EQ(order("(1+2)*3"), "1 2 + 3 *");
    EXPECT_EQ(order("NAME=FIRST .OR. CODE=NAME .AND. FLAG"), "NAME FIRST = CODE NAME = FLAG .AND. .OR.");
    EXPECT_EQ(order("FLAG .AND. DONE .AND. FLAG"), "FLAG DONE FLAG .AND./3");
    EXPECT_EQ(order("FLAG .OR. DONE .AND. FLAG .OR. DONE"), "FLAG DONE FLAG .AND. DONE .OR./3");
    EXPECT_EQ(order("FLAG .AND. NAME = FIRST .AND. DONE"), "FLAG NAME FIRST = DONE .AND./3");

    append({{"NAME", "A"}, {"FIRST", "A"}, {"CODE", "X"}, {"FLAG", "F"}});
    // (A=B) .OR. ((K=D) .AND. E): true although E is false.
    EXPECT_EQ(logical("NAME=FIRST .OR. CODE=NAME .AND. FLAG"), 1);
    EXPECT_DOUBLE_EQ(number("1+2*3^2"), 19);
    EXPECT_DOUBLE_EQ(number("8/4/2"), 1);
    EXPECT_DOUBLE_EQ(number("2^3^2"), 64);
}

TEST_F(ParseTest, NotBindsBelowComparisonsAboveAnd) {
    EXPECT_EQ(order(".NOT. NAME = FIRST"), "NAME FIRST = .NOT.");
    EXPECT_EQ(order(".NOT. FLAG .AND. DONE"), "FLAG .NOT. DONE .AND.");
    EXPECT_EQ(order("!FLAG"), "FLAG !");
    EXPECT_EQ(order("FLAG .AND. .NOT. DONE .AND. FLAG"), "FLAG DONE .NOT. FLAG .AND./3");
    append({{"FLAG", "T"}, {"DONE", "F"}});
    EXPECT_EQ(logical("!FLAG"), 0);
    EXPECT_EQ(logical("!DONE"), 1);
    EXPECT_EQ(logical(".not. FLAG .or. .NOT. DONE"), 1);
}

TEST_F(ParseTest, ScanningRules) {
    // Operators need no blanks, and are found in any case.
    EXPECT_EQ(order("flag.and.done"), "FLAG DONE .AND.");
    EXPECT_EQ(order("FLAG.Or.DONE"), "FLAG DONE .OR.");
    EXPECT_EQ(order(".t."), ".T.");
    EXPECT_EQ(order(".T."), ".T.");
    EXPECT_EQ(order(".true."), ".TRUE.");
    EXPECT_EQ(order(".f. .or. .FALSE."), ".F. .FALSE. .OR.");
    // Longest operator first.
    EXPECT_EQ(order("NAME<>FIRST"), "NAME FIRST <>");
    EXPECT_EQ(order("NAME=<FIRST"), "NAME FIRST =<");
    EXPECT_EQ(order("NAME=>FIRST"), "NAME FIRST =>");
    // Control characters count as blanks before operators; before a value
    // only spaces do.
    EXPECT_EQ(order("NAME\t\x01= FIRST"), "NAME FIRST =");
    // The level ends at an outermost ")" or ","; the rest is ignored.
    EXPECT_EQ(order("NAME) + FIRST"), "NAME");
    EXPECT_EQ(order("NAME, FIRST"), "NAME");
    EXPECT_EQ(parseError("NAME=\tFIRST"), e4unrecValue);
    append({{"FLAG", "T"}, {"DONE", "T"}});
    EXPECT_EQ(logical(".t."), 1);
    EXPECT_EQ(logical(".F."), 0);
    EXPECT_EQ(logical("flag.and.done"), 1);
}

TEST_F(ParseTest, NumericConstants) {
    EXPECT_EQ(order("-5"), "-5");
    EXPECT_EQ(order("3 - -5"), "3 -5 -");
    EXPECT_EQ(order("+2.5"), "2.5");
    EXPECT_EQ(order(".5"), "0.5");
    EXPECT_EQ(parseError("5.AND..T."), e4typeSub);  // the number ends before .AND.
    EXPECT_EQ(parseError("-AMOUNT"), e4unrecValue);   // no unary minus
    EXPECT_EQ(parseError("1E5"), e4fieldName);        // not a number: a name
    EXPECT_EQ(parseError("-"), e4unrecValue);
    EXPECT_EQ(parseError("- 5"), e4unrecValue);
    // Integer parts the 49-character conversion would cut are refused.
    EXPECT_EQ(parseError(std::string(60, '9')), e4overflow);
    EXPECT_DOUBLE_EQ(number("0." + std::string(60, '0') + "1 + 1"), 1.0);
    EXPECT_DOUBLE_EQ(number("3 - -5"), 8);
    EXPECT_DOUBLE_EQ(number("1.2.3"), 1.2);
}

TEST_F(ParseTest, StringDelimiters) {
    EXPECT_EQ(value("[it's]"), "it's");
    EXPECT_EQ(value("\"say 'hi'\""), "say 'hi'");
    EXPECT_EQ(value("''"), "");
    EXPECT_EQ(parseError("'abc"), e4unterminated);
    EXPECT_EQ(parseError("[abc"), e4unterminated);
    EXPECT_EQ(parseError("\"abc'"), e4unterminated);
}

TEST_F(ParseTest, FieldReferences) {
    EXPECT_EQ(order("people->NAME"), "NAME");
    EXPECT_EQ(order("PEOPLE.name"), "NAME");
    EXPECT_EQ(order("name"), "NAME");
    EXPECT_EQ(parseError("NOSUCH"), e4fieldName);
    EXPECT_EQ(parseError("ABCDEFGHIJK"), e4unrecValue);  // 11 characters
    EXPECT_EQ(parseError("other->NAME"), e4dataName);
    ASSERT_FALSE(shown.messages().empty());
    EXPECT_NE(shown.messages().back().find("other"), std::string::npos);
    EXPECT_NE(shown.messages().back().find("other->NAME"), std::string::npos);

    // Another open table is reached by its alias.
    FIELD4INFO fields[] = {et::fld("CITY", 'C', 8), et::END};
    DATA4 *other = d4create(&cb, dir.file("towns").c_str(), fields);
    ASSERT_NE(other, nullptr);
    append({{"CITY", "Leeds"}}, other);
    append({{"NAME", "Smith"}});
    EXPECT_EQ(value("TRIM(NAME) + ' of ' + towns->CITY"), std::string("Smith of Leeds   \0\0\0\0\0", 22));
    EXPECT_EQ(value("TOWNS.CITY"), "Leeds   ");
    EXPECT_EQ(parseError("CITY"), e4fieldName);
}

TEST_F(ParseTest, FoldedParameters) {
    struct Case {
        const char *text;
        int len;        // result length
        const char *order;
        int i1;         // the call's first integer argument
    } cases[] = {
        {"STR(AMOUNT)", 10, "AMOUNT STR", 0},
        {"STR(AMOUNT,3,2)", 3, "AMOUNT STR", 1},     // decimals cut to length - 2
        {"STR(AMOUNT,-4)", 10, "AMOUNT STR", 0},     // a negative length is 10
        {"STR(AMOUNT,8,-1)", 8, "AMOUNT STR", 0},
        {"STR(AMOUNT,8,3)", 8, "AMOUNT STR", 3},
        {"STRZERO(AMOUNT,6)", 6, "AMOUNT STRZERO", 0},
        {"STRZERO(AMOUNT,6,7)", 6, "AMOUNT STRZERO", 7},
        {"SUBSTR(NAME,3)", 8, "NAME SUBSTR", 2},
        {"SUBSTR(NAME,20,5)", 0, "NAME SUBSTR", 10},
        {"SUBSTR(NAME,2,3)", 3, "NAME SUBSTR", 1},
        {"SUBSTR(NAME,0,4)", 4, "NAME SUBSTR", 0},
        {"LEFT(NAME,4)", 4, "NAME LEFT", 0},
        {"LEFT(NAME,40)", 10, "NAME LEFT", 0},
        {"RIGHT(NAME,3)", 3, "NAME RIGHT", 7},
        {"RIGHT(NAME,30)", 10, "NAME RIGHT", 0},
        {"RIGHT('abcdef',2)", 2, "'abcdef' RIGHT", 4},
        {"PADL(NAME,14)", 14, "NAME PADL", 4},
        {"PADR(NAME,6)", 6, "NAME PADR", 0},
        {"SPACE(7)", 7, "7 SPACE", 0},
        {"SPACE(-3)", 0, "-3 SPACE", 0},
        {"DTOC(BORN,1)", 8, "BORN DTOS", 0},
        {"DATETIME(2003,5,13,12,34,57)", 8, "2003 5 13 DATETIME", 45297000},
    };
    for (const Case &c : cases) {
        EXPR4 *e = parse(c.text);
        ASSERT_NE(e, nullptr) << c.text;
        EXPECT_EQ(expr4len(e), c.len) << c.text;
        EXPECT_EQ(postfix(e), c.order) << c.text;
        EXPECT_EQ(e->items[e->numItems - 1].i1, c.i1) << c.text;
        expr4free(e);
    }
}

TEST_F(ParseTest, FailureCodesCarryTheSource) {
    EXPR4 *calc = parse("AMOUNT * 2");
    ASSERT_EQ(expr4calcCreate(&cb, calc, "Double"), 0);
    struct Case {
        const char *text;
        int code;
        const char *message;
    } cases[] = {
        {"UPPER(NAME FIRST)", e4commaExpected, "Comma or Bracket Expected"},
        {"STR(AMOUNT, COUNT)", e4notConstant, "SUBSTR(), STR(), and RIGHT() need Constant Parameters"},
        {"SUBSTR(NAME, COUNT)", e4notConstant, nullptr},
        {"RIGHT(UPPER(NAME), 2)", e4notConstant, nullptr},
        {"STRZERO(5, 4, 12)", e4notConstant, nullptr},
        {"DTOC(BORN, COUNT)", e4notConstant, nullptr},
        {"UPPER(NAME, FIRST)", e4numParms, "Number of Parameters is Wrong"},
        {"SUBSTR(NAME)", e4numParms, nullptr},
        {"DATE(1)", e4numParms, nullptr},
        {"DOUBLE(1)", e4numParms, nullptr},
        {"PADL(NAME, 100000)", e4overflow, "Overflow while Evaluating Expression"},
        {"SPACE(1000000)", e4overflow, nullptr},
        {"STR(AMOUNT, 70000)", e4overflow, nullptr},
        {"(NAME", e4rightMissing, "Right Bracket Missing"},
        {"UPPER(NAME", e4rightMissing, nullptr},
        {"UPPER(NAME,", e4rightMissing, nullptr},
        {"NAME + 1", e4typeSub, "Sub-expression Type is Wrong"},
        {"FLAG + FLAG", e4typeSub, nullptr},
        {"NAME = AMOUNT", e4typeSub, nullptr},
        {"FOO(1)", e4unrecFunction, "Unrecognized Function"},
        {"NAME ? FIRST", e4unrecOperator, "Unrecognized Operator"},
        {"NAME FIRST", e4unrecOperator, nullptr},
        {"(NAME FIRST)", e4rightMissing, nullptr},
        {"UPPER(NAME ? FIRST)", e4unrecOperator, nullptr},
        {"NAME != FIRST", e4unrecOperator, nullptr},
        {"-AMOUNT", e4unrecValue, "Unrecognized Value"},
        {"", e4unrecValue, nullptr},
        {"NAME +", e4unrecValue, nullptr},
        {"'abc", e4unterminated, "Unterminated String"},
        {"NOSUCH + 1", e4fieldName, "Unrecognized or Invalid Field Name"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(parseError(c.text), c.code) << c.text;
        ASSERT_EQ(shown.messages().size(), 1u) << c.text;
        const std::string &m = shown.messages()[0];
        if (c.message) {
            EXPECT_NE(m.find(c.message), std::string::npos) << m;
        }
        if (*c.text) {
            EXPECT_NE(m.find(c.text), std::string::npos) << m;
        }
    }
}

TEST_F(ParseTest, ReportingSwitchOffIsSilent) {
    EXPECT_EQ(code4exprError(&cb, 0), 1);
    shown.clear();
    EXPECT_EQ(expr4parse(d, "NOSUCH"), nullptr);
    EXPECT_EQ(expr4parse(d, "UPPER(NAME"), nullptr);
    EXPECT_EQ(cb.errorCode, 0);
    EXPECT_TRUE(shown.messages().empty());
    EXPECT_EQ(code4exprError(&cb, -1), 0);
    EXPECT_EQ(code4exprError(&cb, 1), 0);
}

TEST_F(ParseTest, NullArgumentsAndContextInError) {
    EXPECT_EQ(expr4parse(nullptr, "NAME"), nullptr);
    EXPECT_EQ(expr4parse(d, nullptr), nullptr);
    EXPECT_EQ(cb.errorCode, e4parmNull);
    // While the context holds an error nothing is parsed.
    EXPECT_EQ(expr4parse(d, "NAME"), nullptr);
    error4set(&cb, 0);
    EXPECT_NE(parse("NAME"), nullptr);
}

TEST_F(ParseTest, NestingAndOperandLimits) {
    std::string deep = std::string(150, '(') + "1" + std::string(150, ')');
    EXPECT_EQ(parseError(deep), e4overflow);
    std::string calls;
    for (int i = 0; i < 150; i++) calls += "UPPER(";
    calls += "NAME" + std::string(150, ')');
    EXPECT_EQ(parseError(calls), e4overflow);
    std::string nots;
    for (int i = 0; i < 150; i++) nots += ".NOT. ";
    EXPECT_EQ(parseError(nots + "FLAG"), e4overflow);
    // Moderate nesting is fine.
    EXPECT_DOUBLE_EQ(number(std::string(40, '(') + "7" + std::string(40, ')')), 7);

    // 64 pending operands are the most: 1+(1+(1+ ... nests them.
    auto chain = [](int n) {
        std::string s;
        for (int i = 0; i < n; i++) s += "1+(";
        s += "1" + std::string((size_t)n, ')');
        return s;
    };
    EXPECT_DOUBLE_EQ(number(chain(60)), 61);
    EXPECT_EQ(parseError(chain(70)), e4overflow);
    // An .AND. chain holds all its operands at once.
    std::string ands = "FLAG";
    for (int i = 0; i < 70; i++) ands += " .AND. FLAG";
    EXPECT_EQ(parseError(ands), e4overflow);
}

TEST_F(ParseTest, TypePassConversions) {
    // A date field where a day number is wanted is read as one.
    EXPECT_EQ(order("BORN + 1"), "BORN 1 +");
    EXPR4 *e = parse("BORN + 1");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(expr4type(e), 'd');
    EXPECT_EQ(e->items[0].row, 6);  // date field as a double
    expr4free(e);
    e = parse("AMOUNT * 2");
    EXPECT_EQ(e->items[0].row, 8);  // numeric field as a double
    EXPECT_EQ(expr4type(e), 'n');
    expr4free(e);
    // In-place handlers get copies of fields, not the record.
    e = parse("UPPER(NAME)");
    EXPECT_EQ(e->items[0].row, 3);
    expr4free(e);
    e = parse("NAME = FIRST");
    EXPECT_EQ(e->items[0].row, 0);
    expr4free(e);
    // Once TRIM() is passed in postfix order every text "+" trims.
    e = parse("NAME + FIRST + TRIM(CODE) + NAME");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(postfix(e), "NAME FIRST + CODE TRIM + NAME +");
    EXPECT_EQ(e->items[2].row, 34);  // NAME + FIRST: plain
    EXPECT_EQ(e->items[5].row, 37);  // + TRIM(CODE): trimming
    EXPECT_EQ(e->items[7].row, 37);
    EXPECT_EQ(e->hasTrim, 1);
    expr4free(e);
    e = parse("NAME + FIRST");
    EXPECT_EQ(e->items[2].row, 34);
    EXPECT_EQ(e->hasTrim, 0);
    expr4free(e);
}

TEST_F(ParseTest, NamedCalculations) {
    append({{"AMOUNT", "12.50"}, {"NAME", "Smith"}});
    EXPECT_EQ(parseError("TWICE()"), e4unrecFunction);
    ASSERT_EQ(expr4calcCreate(&cb, parse("AMOUNT"), "twice"), 0);
    EXPR4CALC *calc = expr4calcLookup(&cb, "TWICE");
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(expr4type(calc->expr), 'n');  // a bare numeric field becomes a double
    EXPECT_DOUBLE_EQ(number("Twice() * 2"), 25.0);
    ASSERT_EQ(expr4calcCreate(&cb, parse("UPPER(NAME)"), "LOUD"), 0);
    EXPECT_EQ(value("LOUD() + '!'"), "SMITH     !");

    // An expression keeps working after the calculations are reset.
    EXPR4 *e = parse("TWICE() + 1");
    ASSERT_NE(e, nullptr);
    expr4calcReset(&cb);
    EXPECT_EQ(expr4calcLookup(&cb, "TWICE"), nullptr);
    EXPECT_DOUBLE_EQ(expr4double(e), 13.5);
    expr4free(e);
    EXPECT_EQ(parseError("TWICE()"), e4unrecFunction);

    // A calculation that calls itself is refused, not recursed into.
    ASSERT_EQ(expr4calcCreate(&cb, parse("AMOUNT"), "LOOP"), 0);
    ASSERT_EQ(expr4calcCreate(&cb, parse("LOOP() + 1"), "LOOP"), 0);  // now calls itself
    EXPECT_EQ(parseError("LOOP()"), e4overflow);
    expr4calcReset(&cb);
}

}  // namespace
