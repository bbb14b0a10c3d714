// Evaluation of the language's operators and functions against records of a
// table the engine created, and the evaluator's result forms.
#include <cmath>

#include "expr4_test_util.h"

namespace {

using et::ExprTest;

const long kJan1st2000 = 2451545;

TEST_F(ExprTest, FieldsAndTheBenchmarkCondition) {
    append({{"NAME", "Smith"}, {"AMOUNT", "123.45"}, {"BORN", "20000101"}, {"FLAG", "T"}});
    char type = 0;
    EXPECT_EQ(value("NAME", &type), "Smith     ");
    EXPECT_EQ(type, 'C');
    EXPECT_EQ(value("AMOUNT", &type), "    123.45");
    EXPECT_EQ(type, 'N');
    EXPECT_EQ(value("BORN", &type), "20000101");
    EXPECT_EQ(type, 'D');
    EXPECT_DOUBLE_EQ(number("AMOUNT + 1"), 124.45);
    EXPECT_EQ(logical("NAME = 'Smith     ' .AND. AMOUNT > 100"), 1);
    EXPECT_EQ(logical("NAME = 'Smith     ' .AND. AMOUNT > 200"), 0);
    EXPECT_EQ(logical("FLAG"), 1);
    for (const char *t : {"T", "t", "Y", "y"}) {
        append({{"FLAG", t}});
        EXPECT_EQ(logical("FLAG"), 1) << t;
    }
    for (const char *t : {"F", "n", "?", " "}) {
        append({{"FLAG", t}});
        EXPECT_EQ(logical("FLAG"), 0) << t;
    }
}

TEST_F(ExprTest, TextComparisonTieRules) {
    append({});
    struct Case {
        const char *text;
        int expected;
    } cases[] = {
        {"'AB' = 'ABC'", 1},  {"'ABC' = 'AB'", 1},  {"'ABC' > 'AB'", 1},  {"'AB' > 'ABC'", 0},
        {"'AB' < 'ABC'", 1},  {"'ABC' < 'AB'", 0},  {"'AB' >= 'ABC'", 1}, {"'ABC' >= 'AB'", 1},
        {"'AB' <= 'ABC'", 1}, {"'ABC' <= 'AB'", 1}, {"'AB' # 'ABC'", 0},  {"'AB' <> 'AC'", 1},
        {"'ABD' > 'ABC'", 1}, {"'ABD' < 'ABC'", 0}, {"'AB' = 'AB'", 1},   {"'AB' > 'AB'", 0},
        {"'AB' < 'AB'", 0},   {"'' = 'X'", 1},      {"CHR(200) > 'z'", 1}, {"'a' > 'B'", 1},
        {"'B' $ 'ABC'", 1},   {"'BD' $ 'ABC'", 0},  {"'ABC ' $ 'ABC'", 0}, {"'ABC' $ 'ABC'", 1},
        {"'' $ 'ABC'", 1},    {"'C' $ 'ABC'", 1},
    };
    for (const Case &c : cases) EXPECT_EQ(logical(c.text), c.expected) << c.text;
}

// "==" compares whole texts: trailing blanks count, and a text ends before
// the NUL bytes that TRIM() and the trimming "+" leave; other types compare
// by value as "=" does.
TEST_F(ExprTest, ExactEquality) {
    append({{"NAME", "Audio"}, {"AMOUNT", "5"}, {"BORN", "20000101"}, {"FLAG", "T"}});
    struct Case {
        const char *text;
        int expected;
    } cases[] = {
        {"'AB' == 'AB'", 1},           {"'AB' == 'ABC'", 0},             {"'ABC' == 'AB'", 0},
        {"'AB ' == 'AB'", 0},          {"'AB' == 'AB '", 0},             {"'' == ''", 1},
        {"'' == 'X'", 0},              {"NAME == 'Audio'", 0},           {"NAME == 'Audio     '", 1},
        {"TRIM(NAME) == 'Audio'", 1},  {"TRIM(UPPER(NAME))==\"AUDIO\"", 1}, {"TRIM(NAME) == 'Audi'", 0},
        {"ALLTRIM('  x ') == 'x'", 1}, {"TRIM(NAME) + 'x' == 'Audiox'", 1}, {"AMOUNT == 5", 1},
        {"AMOUNT == 5.5", 0},          {"BORN == STOD('20000101')", 1}, {"FLAG == .T.", 1},
        {"'AB' == 'AB' .AND. 'A' = 'B'", 0}, {"'AB'=='AB'.OR.NAME=='x'", 1},
    };
    for (const Case &c : cases) EXPECT_EQ(logical(c.text), c.expected) << c.text;
    // "==" is one operator, not "=" twice; "= =" is still refused.
    EXPECT_LT(parseError("'A' = = 'A'"), 0);
}

TEST_F(ExprTest, NumberDateAndLogicalComparisons) {
    append({{"AMOUNT", "5"}, {"BORN", "20000101"}, {"PAID", "20000105"}, {"FLAG", "T"}, {"DONE", "Y"}});
    struct Case {
        const char *text;
        int expected;
    } cases[] = {
        {"AMOUNT = 5", 1},        {"AMOUNT # 5", 0},         {"AMOUNT >= 5", 1},     {"AMOUNT > 5", 0},
        {"AMOUNT <= 4.99", 0},    {"AMOUNT < 5.01", 1},      {"BORN < PAID", 1},     {"BORN = PAID - 4", 1},
        {"PAID - BORN = 4", 1},   {"FLAG = DONE", 1},        {"FLAG # .F.", 1},      {"-1 * 0 = 0", 1},
        {"BORN + 4 = PAID", 1},   {"STOD('20000101') = BORN", 1},
    };
    for (const Case &c : cases) EXPECT_EQ(logical(c.text), c.expected) << c.text;
}

TEST_F(ExprTest, Arithmetic) {
    append({{"AMOUNT", "12.5"}, {"COUNT", "4"}});
    EXPECT_DOUBLE_EQ(number("7 / 0"), 0);
    EXPECT_DOUBLE_EQ(number("AMOUNT / (COUNT - 4)"), 0);
    EXPECT_DOUBLE_EQ(number("AMOUNT * COUNT - 1"), 49);
    EXPECT_DOUBLE_EQ(number("2 ** 10"), 1024);
    EXPECT_DOUBLE_EQ(number("9 ^ 0.5"), 3);
    EXPECT_DOUBLE_EQ(number("-5"), -5);
    EXPECT_DOUBLE_EQ(number("10 - 2 - 3"), 5);
    EXPECT_DOUBLE_EQ(number("VAL('12.5abc') + 1"), 13.5);
    EXPECT_DOUBLE_EQ(number("VAL('  -3.25')"), -3.25);
    EXPECT_DOUBLE_EQ(number("VAL('abc')"), 0);
    // VAL skips leading blanks, then reads at most 49 characters.
    EXPECT_DOUBLE_EQ(number("VAL(SPACE(200) + '78')"), 78);
    EXPECT_DOUBLE_EQ(number("VAL('12345678901234567890123456789012345678901234567895')"),
                     1234567890123456789012345678901234567890123456789.0);
}

TEST_F(ExprTest, DateArithmetic) {
    append({{"BORN", "20000101"}, {"PAID", "20000301"}});
    EXPECT_DOUBLE_EQ(number("BORN + 1"), kJan1st2000 + 1);
    EXPECT_DOUBLE_EQ(number("1 + BORN"), kJan1st2000 + 1);
    EXPECT_DOUBLE_EQ(number("BORN - 1"), kJan1st2000 - 1);
    EXPECT_DOUBLE_EQ(number("PAID - BORN"), 60);
    EXPECT_EQ(value("DTOS(BORN + 59)"), "20000229");
    // A blank date stays blank, and a difference with it is 0 days.
    append({{"PAID", "20000301"}});
    EXPECT_DOUBLE_EQ(number("BORN + 5"), 0);
    EXPECT_DOUBLE_EQ(number("5 + BORN"), 0);
    EXPECT_DOUBLE_EQ(number("BORN - 5"), 0);
    EXPECT_DOUBLE_EQ(number("BORN - PAID"), 0);
    EXPECT_DOUBLE_EQ(number("PAID - BORN"), 0);
    EXPECT_EQ(value("DTOS(BORN + 5)"), "        ");
    EXPECT_EQ(value("DTOS(BORN)"), "        ");
    EXPECT_EQ(value("DTOC(BORN)"), "  /  /  ");
}

TEST_F(ExprTest, DateFunctions) {
    append({{"BORN", "20030513"}});
    EXPECT_EQ(value("DTOS(BORN)"), "20030513");
    EXPECT_EQ(value("DTOC(BORN)"), "05/13/03");
    EXPECT_EQ(value("DTOC(BORN, 1)"), "20030513");
    EXPECT_DOUBLE_EQ(number("DAY(BORN)"), 13);
    EXPECT_DOUBLE_EQ(number("MONTH(BORN)"), 5);
    EXPECT_DOUBLE_EQ(number("YEAR(BORN)"), 2003);
    EXPECT_DOUBLE_EQ(number("DAY(BORN + 20)"), 2);
    EXPECT_DOUBLE_EQ(number("MONTH(BORN + 20)"), 6);
    EXPECT_DOUBLE_EQ(number("YEAR(STOD('19991231') + 1)"), 2000);
    EXPECT_DOUBLE_EQ(number("STOD('20000229')"), 2451604);
    EXPECT_DOUBLE_EQ(number("STOD('19000229')"), -1);
    EXPECT_DOUBLE_EQ(number("STOD('2000x101')"), -1);
    EXPECT_DOUBLE_EQ(number("STOD('        ')"), 0);
    EXPECT_DOUBLE_EQ(number("STOD('00000000')"), 0);
    EXPECT_DOUBLE_EQ(number("STOD('2000')"), -1);  // padded with blanks: no month
    EXPECT_DOUBLE_EQ(number("CTOD('05/13/03')"), number("STOD('20030513')"));

    // The date picture is captured when the expression is parsed.
    EXPR4 *e = parse("DTOC(BORN)");
    ASSERT_EQ(code4dateFormatSet(&cb, "CCYY.MM.DD"), 0);
    EXPECT_EQ(std::string(expr4str(e)), "05/13/03");
    EXPECT_EQ(value("DTOC(BORN)"), "2003.05.13");
    EXPECT_DOUBLE_EQ(number("CTOD('2003.05.13')"), number("STOD('20030513')"));
    expr4free(e);

    double today = number("DATE()");
    EXPECT_GT(today, 2459000);  // after 2020
    std::string now = value("TIME()");
    ASSERT_EQ(now.size(), 8u);
    EXPECT_EQ(now[2], ':');
    EXPECT_EQ(now[5], ':');
}

TEST_F(ExprTest, StrAndStrZero) {
    append({{"AMOUNT", "123.45"}});
    struct Case {
        const char *text;
        const char *expected;
    } cases[] = {
        {"STR(-1.5, 5, 1)", " -1.5"},  {"STR(123456, 5)", "*****"},   {"STR(0.5, 4, 2)", "0.50"},
        {"STR(AMOUNT)", "       123"}, {"STR(AMOUNT, 8, 2)", "  123.45"}, {"STR(AMOUNT, 3, 2)", "***"},
        {"STR(-0.25, 6, 2)", " -0.25"}, {"STR(7, 1)", "7"},          {"STR(1, 0)", ""},
        {"STRZERO(5, 4)", "0005"},     {"STRZERO(12.5, 6)", "0012.5"}, {"STRZERO(123, 2)", "**"},
        {"STRZERO(7, 3, 9)", "997"},   {"STRZERO(AMOUNT, 8)", "00123.45"}, {"STRZERO(0, 3)", "000"},
        {"STRZERO(-5, 4)", "-005"},    {"STRZERO(5, 0)", ""},
    };
    for (const Case &c : cases) EXPECT_EQ(value(c.text), c.expected) << c.text;
}

TEST_F(ExprTest, ConcatenationAndTrimming) {
    append({{"NAME", "Smith"}, {"FIRST", "Ann"}, {"CODE", "AB"}});
    using namespace std::string_literals;
    EXPECT_EQ(value("NAME + FIRST"), "Smith     Ann       ");
    EXPECT_EQ(value("TRIM(CODE)"), "AB\0\0"s);
    EXPECT_EQ(value("TRIM(CODE) + 'CD'"), "ABCD\0\0"s);
    EXPECT_EQ(value("'AB  ' - 'CD'"), "ABCD  ");
    EXPECT_EQ(value("CODE - 'CD'"), "ABCD  ");
    EXPECT_EQ(value("LTRIM('  ab')"), "ab\0\0"s);
    EXPECT_EQ(value("ALLTRIM(' ab ')"), "ab\0\0"s);
    EXPECT_EQ(value("TRIM('    ')"), "\0\0\0\0"s);
    EXPECT_EQ(value("UPPER(NAME)"), "SMITH     ");
    EXPECT_EQ(value("UPPER('a1z{')"), "A1Z{");
    // Every "+" after a TRIM() moves the NULs to the end.
    EXPECT_EQ(value("TRIM(FIRST) + ' ' + TRIM(NAME) + '.'"), "Ann Smith.\0\0\0\0\0\0\0\0\0\0\0\0"s);
    // The record itself is never changed by in-place handlers.
    EXPECT_EQ(value("UPPER(NAME) + TRIM(NAME)"), "SMITH     Smith\0\0\0\0\0"s);
    EXPECT_EQ(value("NAME"), "Smith     ");
}

TEST_F(ExprTest, PartsPaddingAndSpace) {
    append({{"NAME", "Smith"}});
    using namespace std::string_literals;
    struct Case {
        const char *text;
        std::string expected;
    } cases[] = {
        {"SUBSTR(NAME, 2, 3)", "mit"},
        {"SUBSTR(NAME, 3)", "ith     "},
        {"SUBSTR(NAME, 20, 5)", ""},
        {"SUBSTR(NAME, 10, 5)", " "},
        {"SUBSTR(NAME, 0, 2)", "Sm"},
        {"SUBSTR(NAME, -5, 3)", "Smi"},
        {"SUBSTR(NAME, 1, 100)", "Smith     "},
        {"SUBSTR(NAME, 99999999999, 3)", ""},
        {"LEFT(NAME, 2)", "Sm"},
        {"LEFT(NAME, 100)", "Smith     "},
        {"LEFT(NAME, -1)", ""},
        {"RIGHT(NAME, 6)", "h     "},
        {"RIGHT(NAME, 100)", "Smith     "},
        {"RIGHT(NAME, -3)", ""},
        {"RIGHT('abcdef', 2)", "ef"},
        {"PADL('ab', 5)", "   ab"},
        {"PADL(TRIM(NAME), 7)", "  Smith"},
        {"PADL(NAME, 3)", "Smi"},
        {"PADR(TRIM(NAME), 7)", "Smith  "},
        {"PADR(NAME, 3)", "Smi"},
        {"PADR('', 3)", "   "},
        {"PADL('abc', 0)", ""},
        {"SPACE(3)", "   "},
        {"SPACE(0)", ""},
        {"SPACE(-4)", ""},
        {"CHR(65)", "A"},
        {"CHR(65.9)", "A"},
        {"CHR(321)", "A"},
        {"CHR(-1)", "\xff"},
        {"CHR(10 ^ 300)", "\0"s},
        {"L2BIN(258)", "\x02\x01\0\0"s},
        {"L2BIN(-1)", "\xff\xff\xff\xff"},
        {"IIF(.T., 'yes', 'no')", "yes"},
        {"IIF(.F., 'yes', 'no')", "no "},
        {"IIF(NAME = 'Sm', 'long text', 'x')", "long text"},
    };
    for (const Case &c : cases) EXPECT_EQ(value(c.text), c.expected) << c.text;
    EXPECT_DOUBLE_EQ(number("IIF(NAME = 'X', 1, 2)"), 2);
    EXPECT_EQ(logical("IIF(.T., .F., .T.)"), 0);
}

TEST_F(ExprTest, MemoText) {
    append({{"NAME", "Smith"}, {"NOTES", "likes tea"}});
    EXPR4 *e = parse("UPPER(NOTES)");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(expr4len(e), 1024);
    char *p = nullptr;
    ASSERT_EQ(expr4vary(e, &p), 1024);
    EXPECT_EQ(std::string(p, 10), std::string("LIKES TEA\0", 10));
    expr4free(e);
    EXPECT_EQ(code4memSizeMemoExpr(&cb, 12), 1024);
    EXPECT_EQ(value("NOTES"), std::string("likes tea\0\0\0", 12));
    // A memo entry switches later "+" to the trimming form.
    EXPECT_EQ(value("NOTES + '!'"), std::string("likes tea!\0\0\0", 13));
    EXPECT_EQ(logical("'tea' $ NOTES"), 1);
}

TEST_F(ExprTest, RecordAndTableFunctions) {
    append({{"NAME", "A"}});
    append({{"NAME", "B"}});
    EXPECT_DOUBLE_EQ(number("RECNO()"), 2);
    EXPECT_DOUBLE_EQ(number("RECCOUNT()"), 2);
    EXPECT_EQ(logical("DELETED()"), 0);
    EXPECT_EQ(value("DEL()"), " ");
    ASSERT_EQ(d4delete(d), 0);
    EXPECT_EQ(logical("DELETED()"), 1);
    EXPECT_EQ(value("DEL()"), "*");
    ASSERT_EQ(d4go(d, 1), 0);
    EXPECT_DOUBLE_EQ(number("RECNO()"), 1);
    EXPECT_EQ(logical("DELETED() .OR. NAME = 'A'"), 1);
}

TEST_F(ExprTest, ResultForms) {
    append({{"NAME", "12.5"}, {"AMOUNT", "3.5"}, {"BORN", "20000101"}, {"FLAG", "T"}});
    EXPR4 *e = parse("NAME");
    EXPECT_DOUBLE_EQ(expr4double(e), 12.5);
    const char *s = expr4str(e);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s, "12.5      ");
    // The record is untouched by the terminator.
    EXPECT_EQ(value("NAME + FIRST"), "12.5                ");
    expr4free(e);
    e = parse("AMOUNT");
    EXPECT_DOUBLE_EQ(expr4double(e), 3.5);
    EXPECT_EQ(expr4str(e), nullptr);
    EXPECT_EQ(cb.errorCode, e4parm);
    error4set(&cb, 0);
    expr4free(e);
    e = parse("BORN");
    EXPECT_DOUBLE_EQ(expr4double(e), kJan1st2000);
    EXPECT_STREQ(expr4str(e), "20000101");
    expr4free(e);
    e = parse("FLAG");
    EXPECT_DOUBLE_EQ(expr4double(e), 0);
    EXPECT_EQ(expr4true(e), 1);
    EXPECT_EQ(expr4type(e), 'L');
    EXPECT_EQ(expr4len(e), 4);
    EXPECT_STREQ(expr4source(e), "FLAG");
    expr4free(e);
    EXPECT_STREQ(expr4source(nullptr), "");
    EXPECT_EQ(expr4len(nullptr), -1);

    // A context in error evaluates nothing.
    e = parse("AMOUNT");
    error4set(&cb, -440);
    char *p = nullptr;
    EXPECT_EQ(expr4vary(e, &p), -1);
    EXPECT_DOUBLE_EQ(expr4double(e), 0);
    error4set(&cb, 0);
    EXPECT_EQ(expr4vary(e, nullptr), e4parmNull);
    error4set(&cb, 0);
    expr4free(e);
}

TEST_F(ExprTest, TrueOnANonLogicalExpressionIsFatal) {
    append({{"AMOUNT", "1"}});
    EXPR4 *e = parse("AMOUNT");
    ASSERT_NE(e, nullptr);
    EXPECT_EXIT(expr4true(e), ::testing::ExitedWithCode(EXIT_FAILURE), "");
    expr4free(e);
}

TEST_F(ExprTest, ExecuteRunsOneSubExpression) {
    append({{"NAME", "Smith"}, {"AMOUNT", "2"}});
    EXPR4 *e = parse("UPPER(NAME) + STR(AMOUNT * 3, 2)");
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(postfix(e), "NAME UPPER AMOUNT 3 * STR +");
    char *p = nullptr;
    EXPECT_EQ(expr4execute(e, 1, &p), 10);
    EXPECT_EQ(std::string(p, 10), "SMITH     ");
    EXPECT_EQ(expr4execute(e, 4, &p), 8);
    double v;
    std::memcpy(&v, p, sizeof v);
    EXPECT_DOUBLE_EQ(v, 6);
    EXPECT_EQ(expr4execute(e, 6, &p), 12);
    EXPECT_EQ(std::string(p, 12), "SMITH      6");
    EXPECT_EQ(expr4execute(e, 7, &p), e4parm);
    error4set(&cb, 0);
    expr4free(e);
}

TEST_F(ExprTest, ContextRebindsToAnotherHandle) {
    append({{"NAME", "First"}});
    append({{"NAME", "Second"}});
    ASSERT_EQ(d4go(d, 1), 0);
    cb.singleOpen = 0;
    DATA4 *second = d4open(&cb, dir.file("people").c_str());
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(d4go(second, 2), 0);
    EXPR4 *e = parse("TRIM(NAME) + STR(RECNO(), 2) + IIF(DELETED(), '*', ' ')");
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(expr4str(e), std::string("First 1 \0\0\0\0\0", 13).c_str());
    ASSERT_EQ(expr4context(e, second), 0);
    char *p = nullptr;
    ASSERT_EQ(expr4vary(e, &p), 13);
    EXPECT_EQ(std::string(p, 13), std::string("Second 2 \0\0\0\0", 13));
    ASSERT_EQ(expr4context(e, d), 0);
    ASSERT_EQ(expr4vary(e, &p), 13);
    EXPECT_EQ(std::string(p, 7), "First 1");
    // Another table is refused.
    FIELD4INFO fields[] = {et::fld("NAME", 'C', 10), et::END};
    DATA4 *other = d4create(&cb, dir.file("other").c_str(), fields);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(expr4context(e, other), e4parm);
    error4set(&cb, 0);
    expr4free(e);
}

}  // namespace

namespace {

using et::ExprTest;

// Numeric fields read as doubles exactly as the number conversion reads
// them, whatever the text (the evaluator has a fast path of its own).
TEST_F(ExprTest, NumericFieldsReadAsTheNumberConversionReadsThem) {
    std::vector<std::string> texts = {"0",          "  -0.00",    "+5",         "1.",        ".5",
                                      "0.1",        "0.3",        "123.456",    "-99999.99", "9999999.99",
                                      "12a3",       "-",          "",           "1.2.3",     "  - 5",
                                      "4503599627", "0000000001", "999999.999", "-.25",      "*****"};
    uint64_t state = 7;
    const char alphabet[] = "0123456789.- ";
    for (int i = 0; i < 3000; i++) {
        std::string t;
        int n = 1 + (int)(state % 10);
        for (int k = 0; k < n; k++) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            t += alphabet[(state >> 33) % 13];
        }
        texts.push_back(t);
    }
    FIELD4INFO fields[] = {et::fld("N", 'N', 10, 2), et::fld("WIDE", 'N', 20, 0), et::END};
    DATA4 *t = d4create(&cb, dir.file("numbers").c_str(), fields);
    ASSERT_NE(t, nullptr);
    EXPR4 *narrow = expr4parse(t, "N * 1"), *wide = expr4parse(t, "WIDE * 1");
    ASSERT_NE(narrow, nullptr);
    ASSERT_NE(wide, nullptr);
    texts.push_back("12345678901234567890");  // more digits than the fast path takes
    texts.push_back("  123456789012345.5");
    for (const std::string &text : texts) {
        ASSERT_EQ(d4appendStart(t, 0), 0);
        ASSERT_EQ(d4blank(t), 0);
        f4assignN(d4field(t, "N"), text.c_str(), (unsigned)std::min<size_t>(text.size(), 10));
        f4assignN(d4field(t, "WIDE"), text.c_str(), (unsigned)text.size());
        ASSERT_EQ(d4append(t), 0);
        double a = expr4double(narrow), b = expr4double(wide);
        double wantA = c4atod(f4ptr(d4field(t, "N")), 10), wantB = c4atod(f4ptr(d4field(t, "WIDE")), 20);
        EXPECT_EQ(std::memcmp(&a, &wantA, 8), 0) << "'" << text << "' " << a << " " << wantA;
        EXPECT_EQ(std::memcmp(&b, &wantB, 8), 0) << "'" << text << "' " << b << " " << wantB;
    }
    expr4free(narrow);
    expr4free(wide);
}

}  // namespace

namespace {

// A number right-aligned in a field wider than 49 characters reads by its
// digits wherever it is read: the field functions, the evaluator and VAL.
TEST_F(ExprTest, WideNumericFieldsReadByTheirDigits) {
    FIELD4INFO fields[] = {et::fld("W", 'N', 60, 2), et::fld("V", 'C', 70), et::END};
    DATA4 *t = d4create(&cb, dir.file("wide").c_str(), fields);
    ASSERT_NE(t, nullptr);
    append({{"W", "123.45"}, {"V", std::string(60, ' ') + "12"}}, t);
    append({{"W", "7"}}, t);
    FIELD4 *w = d4field(t, "W");
    ASSERT_EQ(d4go(t, 1), 0);
    ASSERT_EQ(std::string(f4ptr(w), 60), std::string(54, ' ') + "123.45");
    EXPECT_EQ(f4double(w), 123.45);
    EXPECT_EQ(f4long(w), 123);
    EXPR4 *e = parse("W*2", t);
    ASSERT_NE(e, nullptr);
    EXPECT_DOUBLE_EQ(expr4double(e), 246.9);
    expr4free(e);
    e = parse("VAL(V)", t);
    ASSERT_NE(e, nullptr);
    EXPECT_DOUBLE_EQ(expr4double(e), 12);
    expr4free(e);

    e = parse("W > 100", t);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(expr4true(e), 1);
    ASSERT_EQ(d4go(t, 2), 0);
    EXPECT_EQ(expr4true(e), 0);
    expr4free(e);
    d4close(t);
}

}  // namespace
