// The relation over one table: query, sorted view, moving in both
// directions, resets, failures with their messages, and temporary files
// (each test has its own temporary folder, so leftovers are seen).
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

struct Row {
    long id;
    std::string name;   // stored padded to 10
    double amount;
};

std::string pad(const std::string &s, size_t n) { return (s + std::string(n, ' ')).substr(0, n); }

class RelateTest : public vt::EngineTest {
protected:
    void SetUp() override {
        const char *old = std::getenv("TMPDIR");
        oldTmp = old ? old : "";
        hadTmp = old != nullptr;
        tmp = std::make_unique<vt::TempDir>();
        setenv("TMPDIR", tmp->path().c_str(), 1);
        vt::EngineTest::SetUp();
        FIELD4INFO fields[] = {{"ID", 'N', 6, 0, 0}, {"NAME", 'C', 10, 0, 0}, {"AMOUNT", 'N', 8, 2, 0}, {nullptr, 0, 0, 0, 0}};
        d = d4create(&cb, dir.file("people").c_str(), fields);
        ASSERT_NE(d, nullptr);
        fId = d4field(d, "ID");
        fName = d4field(d, "NAME");
        fAmount = d4field(d, "AMOUNT");
    }
    void TearDown() override {
        if (r) relate4free(r, 0);
        if (d) d4close(d);
        vt::EngineTest::TearDown();
        if (hadTmp)
            setenv("TMPDIR", oldTmp.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

    void append(long id, const std::string &name, double amount) {
        ASSERT_EQ(d4appendStart(d, 0), 0);
        f4assignLong(fId, id);
        f4assign(fName, name.c_str());
        f4assignDouble(fAmount, amount);
        ASSERT_EQ(d4append(d), 0);
        rows.push_back({id, pad(name, 10), amount});
    }
    // Ten records: ID 1..10, names in an order unlike the IDs.
    void fillTen() {
        const char *names[] = {"Jones", "Adams", "Young", "Brown", "Smith", "Clark", "White", "Evans", "Hill", "King"};
        for (int i = 0; i < 10; i++) append(i + 1, names[i], 10.0 * (i + 1));
    }
    RELATE4 *relation() {
        r = relate4init(d);
        EXPECT_NE(r, nullptr);
        return r;
    }
    // Record numbers visited from top to the end.
    std::vector<long> walk() {
        std::vector<long> seen;
        for (int rc = relate4top(r); rc == 0; rc = relate4skip(r, 1)) seen.push_back(d4recNo(d));
        return seen;
    }
    std::vector<long> walkBack() {
        std::vector<long> seen;
        for (int rc = relate4bottom(r); rc == 0; rc = relate4skip(r, -1)) seen.push_back(d4recNo(d));
        return seen;
    }
    // Names left in the temporary folder, and open descriptors into it.
    int tempNames() const {
        int n = 0;
        for (auto &e : std::filesystem::directory_iterator(tmp->path())) (void)e, n++;
        return n;
    }
    int tempDescriptors() const {
        int n = 0;
        std::error_code ec;
        for (auto &e : std::filesystem::directory_iterator("/proc/self/fd")) {
            auto target = std::filesystem::read_symlink(e.path(), ec);
            if (!ec && target.string().rfind(tmp->path() + "/", 0) == 0) n++;
        }
        return n;
    }
    long lastLocation() const { return cb.errorLocation; }

    std::unique_ptr<vt::TempDir> tmp;
    std::string oldTmp;
    bool hadTmp = false;
    DATA4 *d = nullptr;
    RELATE4 *r = nullptr;
    FIELD4 *fId = nullptr, *fName = nullptr, *fAmount = nullptr;
    std::vector<Row> rows;
};

std::vector<long> range(long from, long to) {
    std::vector<long> v;
    for (long i = from; i <= to; i++) v.push_back(i);
    return v;
}

TEST_F(RelateTest, WithoutQueryOrSortEveryRecordInRecordOrder) {
    fillTen();
    relation();
    EXPECT_EQ(walk(), range(1, 10));
    EXPECT_TRUE(relate4eof(r));
    EXPECT_EQ(relate4skipEnable(r, 1), 0);
    std::vector<long> back = walkBack();
    EXPECT_EQ(back, std::vector<long>({10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST_F(RelateTest, EmptyTableAndNoQualifyingRecordGiveTheEndBothWays) {
    relation();
    EXPECT_EQ(relate4top(r), 3);
    EXPECT_EQ(relate4bottom(r), 3);
    fillTen();
    ASSERT_EQ(relate4querySet(r, "ID > 100"), 0);
    EXPECT_EQ(relate4top(r), 3);
    EXPECT_TRUE(d4eof(d));
    EXPECT_EQ(relate4bottom(r), 3);
    EXPECT_TRUE(d4eof(d));
    EXPECT_NE(relate4eof(r), 0);
    // With a sort expression as well: the view is empty, nothing is sorted.
    ASSERT_EQ(relate4sortSet(r, "NAME"), 0);
    EXPECT_EQ(relate4top(r), 3);
    EXPECT_EQ(relate4bottom(r), 3);
    EXPECT_EQ(r->relation->sortState, RELATE4_SORT_NONE);
    EXPECT_TRUE(shown.messages().empty());
}

TEST_F(RelateTest, SkippingBackRightAfterTopGivesTheBeginning) {
    fillTen();
    relation();
    relate4skipEnable(r, 1);
    ASSERT_EQ(relate4querySet(r, "ID > 3"), 0);
    ASSERT_EQ(relate4top(r), 0);
    EXPECT_EQ(d4recNo(d), 4);
    EXPECT_EQ(relate4skip(r, -1), 4);
    // From the beginning the next record forward is the first again.
    EXPECT_EQ(relate4skip(r, 1), 0);
    EXPECT_EQ(d4recNo(d), 4);

    ASSERT_EQ(relate4sortSet(r, "NAME"), 0);
    ASSERT_EQ(relate4top(r), 0);
    EXPECT_EQ(d4recNo(d), 4);  // Brown
    EXPECT_EQ(relate4skip(r, -1), 4);
    EXPECT_TRUE(d4bof(d));
    EXPECT_EQ(relate4skip(r, 1), 0);
    EXPECT_EQ(d4recNo(d), 4);
}

TEST_F(RelateTest, TenSortedRecordsNineSkipsThenTheEndAndBackToTheLast) {
    fillTen();
    relation();
    relate4skipEnable(r, 1);
    ASSERT_EQ(relate4sortSet(r, "NAME"), 0);
    // Adams Brown Clark Evans Hill Jones King Smith White Young
    std::vector<long> expected = {2, 4, 6, 8, 9, 1, 10, 5, 7, 3};
    ASSERT_EQ(relate4top(r), 0);
    std::vector<long> seen = {d4recNo(d)};
    for (int i = 0; i < 9; i++) {
        ASSERT_EQ(relate4skip(r, 1), 0) << i;
        seen.push_back(d4recNo(d));
        EXPECT_EQ(relate4eof(r), 0);
    }
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(relate4skip(r, 1), 3);
    EXPECT_NE(relate4eof(r), 0);
    EXPECT_TRUE(d4eof(d));
    EXPECT_EQ(relate4skip(r, -1), 0);
    EXPECT_EQ(d4recNo(d), 3);
    EXPECT_EQ(relate4eof(r), 0);
    // Several steps at once, and running off the start.
    EXPECT_EQ(relate4skip(r, -3), 0);
    EXPECT_EQ(d4recNo(d), 10);
    EXPECT_EQ(relate4skip(r, -20), 4);
    EXPECT_EQ(relate4skip(r, 2), 0);
    EXPECT_EQ(d4recNo(d), 4);
    EXPECT_EQ(walkBack(), std::vector<long>(expected.rbegin(), expected.rend()));
}

TEST_F(RelateTest, DescendingAndCompoundOrders) {
    fillTen();
    append(11, "Smith", 5);
    append(12, "smith", 500);
    relation();
    ASSERT_EQ(relate4sortSet(r, "DESCEND(AMOUNT)"), 0);
    EXPECT_EQ(walk(), std::vector<long>({12, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 11}));
    ASSERT_EQ(relate4sortSet(r, "ASCEND(UPPER(NAME))+DESCEND(AMOUNT)"), 0);
    ASSERT_EQ(relate4querySet(r, "UPPER(NAME) = 'SMITH' .OR. ID < 3"), 0);
    EXPECT_EQ(walk(), std::vector<long>({2, 1, 12, 5, 11}));
}

TEST_F(RelateTest, EqualKeysComeInRecordNumberOrder) {
    const char *names[] = {"Lee", "Kim", "Lee", "Ann", "Kim", "Lee", "Ann", "Lee"};
    for (int i = 0; i < 8; i++) append(i + 1, names[i], 1);
    relation();
    relate4skipEnable(r, 1);
    ASSERT_EQ(relate4sortSet(r, "NAME"), 0);
    EXPECT_EQ(walk(), std::vector<long>({4, 7, 2, 5, 1, 3, 6, 8}));
    EXPECT_EQ(walkBack(), std::vector<long>({8, 6, 3, 1, 5, 2, 7, 4}));
}

TEST_F(RelateTest, ChangingTheQueryBetweenTopsSortsAgain) {
    fillTen();
    relation();
    relate4skipEnable(r, 1);
    ASSERT_EQ(relate4sortSet(r, "NAME"), 0);
    ASSERT_EQ(relate4querySet(r, "ID <= 5"), 0);
    EXPECT_EQ(walk(), std::vector<long>({2, 4, 1, 5, 3}));
    ASSERT_EQ(relate4querySet(r, "ID > 5"), 0);
    EXPECT_EQ(r->relation->isInitialized, 0);
    EXPECT_EQ(walk(), std::vector<long>({6, 8, 9, 10, 7}));
    // A changed record is seen once the relation is told.
    ASSERT_EQ(d4go(d, 7), 0);
    f4assign(fName, "Aaron");
    ASSERT_EQ(d4write(d, 7), 0);
    EXPECT_EQ(relate4changed(r), 0);
    EXPECT_EQ(walk(), std::vector<long>({7, 6, 8, 9, 10}));
}

TEST_F(RelateTest, SortedMovesPassOverRecordsThatNoLongerQualify) {
    fillTen();
    relation();
    relate4skipEnable(r, 1);
    ASSERT_EQ(relate4querySet(r, "AMOUNT > 25"), 0);
    ASSERT_EQ(relate4sortSet(r, "NAME"), 0);
    // Brown Clark Evans Hill King Smith White Young
    ASSERT_EQ(relate4top(r), 0);
    EXPECT_EQ(d4recNo(d), 4);
    // Hill (9) and Young (3) stop qualifying after the sort was made.
    for (long rec : {9L, 3L}) {
        ASSERT_EQ(d4go(d, rec), 0);
        f4assignDouble(fAmount, 1);
        ASSERT_EQ(d4write(d, rec), 0);
    }
    std::vector<long> seen;
    for (int rc = relate4skip(r, 1); rc == 0; rc = relate4skip(r, 1)) seen.push_back(d4recNo(d));
    EXPECT_EQ(seen, std::vector<long>({6, 8, 10, 5, 7}));
    EXPECT_EQ(walkBack(), std::vector<long>({7, 5, 10, 8, 6, 4}));
    // The sorted result was kept: nothing was sorted again.
    EXPECT_EQ(r->relation->sortGetCount, 8);
}

// A table cut short of its count (a crash, a half copy): with goError off
// the view ends where the file ends, in both directions and sorted, instead
// of visiting every missing record or starting again at the first.
TEST_F(RelateTest, ATableCutShortOfItsCountEndsTheViewWhereTheFileEnds) {
    fillTen();
    int64_t keep = d->dataFile->headerLen + 4 * (int64_t)d->dataFile->recordLen;
    ASSERT_EQ(d4close(d), 0);
    std::filesystem::resize_file(dir.file("people.dbf"), (uintmax_t)keep);
    cb.goError = 0;
    d = d4open(&cb, dir.file("people").c_str());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4recCount(d), 10);
    alarm(60);  // a regression loops for ever: end the program instead
    relation();
    ASSERT_EQ(relate4querySet(r, "ID > 1"), 0);
    EXPECT_EQ(walk(), range(2, 4));
    EXPECT_EQ(walkBack(), (std::vector<long>{4, 3, 2}));
    ASSERT_EQ(relate4sortSet(r, "DESCEND(ID)"), 0);
    EXPECT_EQ(walk(), (std::vector<long>{4, 3, 2}));
    EXPECT_EQ(walkBack(), range(2, 4));
    alarm(0);
    EXPECT_EQ(cb.errorCode, 0);
}

TEST_F(RelateTest, SkipOfZeroStaysPut) {
    fillTen();
    relation();
    ASSERT_EQ(relate4querySet(r, "ID > 2"), 0);
    ASSERT_EQ(relate4top(r), 0);
    ASSERT_EQ(relate4skip(r, 2), 0);
    EXPECT_EQ(relate4skip(r, 0), 0);
    EXPECT_EQ(d4recNo(d), 5);
    ASSERT_EQ(relate4sortSet(r, "DESCEND(ID)"), 0);
    ASSERT_EQ(relate4top(r), 0);
    EXPECT_EQ(relate4skip(r, 0), 0);
    EXPECT_EQ(d4recNo(d), 10);
    EXPECT_EQ(relate4skip(r, 1), 0);
    EXPECT_EQ(d4recNo(d), 9);
}

TEST_F(RelateTest, AnEmptyQueryTextRemovesTheQuery) {
    fillTen();
    relation();
    ASSERT_EQ(relate4querySet(r, "ID > 5"), 0);
    EXPECT_EQ(walk(), range(6, 10));
    ASSERT_EQ(relate4querySet(r, ""), 0);
    EXPECT_EQ(walk(), range(1, 10));
    ASSERT_EQ(relate4querySet(r, "ID > 5"), 0);
    ASSERT_EQ(relate4querySet(r, nullptr), 0);
    EXPECT_EQ(walk(), range(1, 10));
    ASSERT_EQ(relate4sortSet(r, "DESCEND(ID)"), 0);
    ASSERT_EQ(relate4sortSet(r, ""), 0);
    EXPECT_EQ(walk(), range(1, 10));
}

TEST_F(RelateTest, ConjunctionsAndOtherQueriesMatchADirectEvaluation) {
    std::mt19937 gen(7);
    const char *names[] = {"Ash", "Birch", "Cedar", "Elm"};
    for (int i = 1; i <= 300; i++) append(i, names[gen() % 4], (double)(gen() % 10000) / 100);
    relation();
    struct Case {
        const char *query;
        bool (*test)(const Row &);
    };
    const Case cases[] = {
        {"NAME = 'Elm' .AND. AMOUNT > 50", [](const Row &w) { return w.name == pad("Elm", 10) && w.amount > 50; }},
        {"ID > 20 .AND. (NAME = 'Ash' .OR. AMOUNT < 10) .AND. .NOT. (ID = 100) .AND. AMOUNT >= 1",
         [](const Row &w) {
             return w.id > 20 && (w.name == pad("Ash", 10) || w.amount < 10) && w.id != 100 && w.amount >= 1;
         }},
        {"(ID < 50 .AND. NAME = 'Birch') .AND. (AMOUNT > 20 .AND. AMOUNT < 80)",
         [](const Row &w) { return w.id < 50 && w.name == pad("Birch", 10) && w.amount > 20 && w.amount < 80; }},
        {"NAME = 'Cedar' .OR. ID = 3", [](const Row &w) { return w.name == pad("Cedar", 10) || w.id == 3; }},
        {"'ir' $ NAME", [](const Row &w) { return w.name.find("ir") != std::string::npos; }},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(relate4querySet(r, c.query), 0) << c.query;
        std::vector<long> expected;
        for (size_t i = 0; i < rows.size(); i++)
            if (c.test(rows[i])) expected.push_back((long)i + 1);
        ASSERT_FALSE(expected.empty()) << c.query;
        EXPECT_EQ(walk(), expected) << c.query;
    }
    // The conjunctions are tested operand by operand.
    ASSERT_EQ(relate4querySet(r, cases[1].query), 0);
    ASSERT_EQ(relate4top(r), 0);
    EXPECT_EQ(r->relation->queryPartCount, 4);
    EXPECT_TRUE(shown.messages().empty());
}

TEST_F(RelateTest, MisuseIsRefusedWithItsMessage) {
    fillTen();
    relation();
    EXPECT_EQ(relate4skip(r, 1), e4relate);
    EXPECT_EQ(lastLocation(), E4_MSG_RELATE_TOP_FIRST);
    ASSERT_FALSE(shown.messages().empty());
    EXPECT_NE(shown.messages().back().find("relate4top() must be called first"), std::string::npos);
    error4set(&cb, 0);
    EXPECT_EQ(relate4eof(r), e4relate);
    error4set(&cb, 0);

    ASSERT_EQ(relate4top(r), 0);
    EXPECT_EQ(relate4skip(r, -1), e4relate);
    EXPECT_EQ(lastLocation(), E4_MSG_RELATE_BACKWARDS);
    EXPECT_NE(shown.messages().back().find("backwards skip attempted without calling relate4skipEnable()"),
              std::string::npos);
    // While the context holds an error every operation returns at once.
    EXPECT_EQ(relate4skip(r, 1), -1);
    EXPECT_EQ(relate4top(r), -1);
    error4set(&cb, 0);
    EXPECT_EQ(d4recNo(d), 1);

    EXPECT_EQ(relate4skip(nullptr, 1), e4parmNull);
    EXPECT_EQ(relate4top(nullptr), e4parmNull);
    EXPECT_EQ(relate4free(nullptr, 0), e4parmNull);
    EXPECT_EQ(relate4init(nullptr), nullptr);
}

TEST_F(RelateTest, BadExpressionsAreRefused) {
    fillTen();
    FIELD4INFO other[] = {{"CODE", 'C', 4, 0, 0}, {nullptr, 0, 0, 0, 0}};
    DATA4 *towns = d4create(&cb, dir.file("towns").c_str(), other);
    ASSERT_NE(towns, nullptr);
    relation();
    ASSERT_EQ(relate4querySet(r, "ID > 5"), 0);

    // A field of a table outside the relation.
    EXPECT_EQ(relate4querySet(r, "TOWNS->CODE = 'AB'"), e4relate);
    EXPECT_EQ(lastLocation(), E4_MSG_RELATE_NO_DATA);
    error4set(&cb, 0);
    EXPECT_EQ(relate4sortSet(r, "TOWNS->CODE"), e4relate);
    error4set(&cb, 0);
    // Text that does not parse: the parser's own code.
    int rc = relate4querySet(r, "ID >");
    EXPECT_LT(rc, 0);
    EXPECT_EQ(rc, cb.errorCode);
    error4set(&cb, 0);
    // The earlier query is still in force.
    EXPECT_EQ(walk(), range(6, 10));

    // A query that is not logical is found at set-up.
    ASSERT_EQ(relate4querySet(r, "NAME"), 0);
    EXPECT_EQ(relate4top(r), e4relate);
    EXPECT_EQ(lastLocation(), E4_MSG_RELATE_LOGICAL);
    EXPECT_NE(shown.messages().back().find("expecting logical result"), std::string::npos);
    error4set(&cb, 0);
    EXPECT_EQ(r->relation->isInitialized, 0);
    EXPECT_EQ(relate4skip(r, 1), e4relate);
    error4set(&cb, 0);
    d4close(towns);
}

TEST_F(RelateTest, WithoutBackwardSkippingASortedViewIsSortedAgainAtEachTop) {
    fillTen();
    relation();
    ASSERT_EQ(relate4sortSet(r, "NAME"), 0);
    std::vector<long> expected = {2, 4, 6, 8, 9, 1, 10, 5, 7, 3};
    ASSERT_EQ(relate4top(r), 0);
    EXPECT_EQ(tempDescriptors(), 0);  // no file of sorted entries
    EXPECT_EQ(walk(), expected);
    EXPECT_EQ(walk(), expected);
    // Part of the way, then from the top again.
    ASSERT_EQ(relate4top(r), 0);
    ASSERT_EQ(relate4skip(r, 4), 0);
    EXPECT_EQ(d4recNo(d), 9);
    EXPECT_EQ(walk(), expected);
    EXPECT_EQ(relate4skipEnable(r, 0), 0);
    // relate4bottom switches backward skipping on.
    ASSERT_EQ(relate4bottom(r), 0);
    EXPECT_EQ(d4recNo(d), 3);
    EXPECT_EQ(r->relation->skipBackwards, 1);
    EXPECT_EQ(relate4skip(r, -1), 0);
    EXPECT_EQ(d4recNo(d), 7);
}

// A sort that spools with a tiny budget delivers exactly the (key, record
// number) order, forward and back, through a small entry file buffer.
TEST_F(RelateTest, SpooledSortDeliversExactOrderBothWays) {
    std::mt19937 gen(2024);
    const int n = 3000;
    for (int i = 1; i <= n; i++) {
        std::string name;
        int len = 1 + gen() % 3;
        for (int k = 0; k < len; k++) name += (char)('A' + gen() % 4);
        append(i, name, (double)(gen() % 1000));
    }
    cb.memSizeSortBudget = 4096;
    cb.memSizeBuffer = 1024;
    relation();
    relate4skipEnable(r, 1);
    ASSERT_EQ(relate4sortSet(r, "NAME+DESCEND(AMOUNT)"), 0);
    ASSERT_EQ(relate4querySet(r, "AMOUNT >= 10"), 0);
    std::vector<long> expected;
    for (int i = 0; i < n; i++)
        if (rows[i].amount >= 10) expected.push_back(i + 1);
    std::sort(expected.begin(), expected.end(), [&](long a, long b) {
        const Row &x = rows[a - 1], &y = rows[b - 1];
        if (x.name != y.name) return x.name < y.name;
        if (x.amount != y.amount) return x.amount > y.amount;
        return a < b;
    });
    ASSERT_EQ(relate4top(r), 0);
    EXPECT_GT(r->relation->sort.spoolsWritten, 2u);
    EXPECT_GE(tempDescriptors(), 1);
    EXPECT_EQ(tempNames(), 0);  // every temporary file is nameless while open
    EXPECT_EQ(walk(), expected);
    EXPECT_EQ(walkBack(), std::vector<long>(expected.rbegin(), expected.rend()));
    // Back and forth in the middle, across buffer blocks.
    ASSERT_EQ(relate4top(r), 0);
    ASSERT_EQ(relate4skip(r, 1500), 0);
    EXPECT_EQ(d4recNo(d), expected[1500]);
    ASSERT_EQ(relate4skip(r, -700), 0);
    EXPECT_EQ(d4recNo(d), expected[800]);
    ASSERT_EQ(relate4skip(r, 900), 0);
    EXPECT_EQ(d4recNo(d), expected[1700]);
    EXPECT_TRUE(shown.messages().empty());
}

TEST_F(RelateTest, TemporaryFilesAreGoneAfterFreeAndInitUndo) {
    for (int i = 1; i <= 500; i++) append(i, std::string(1, (char)('A' + i % 26)), i);
    cb.memSizeSortBudget = 2048;
    relation();
    relate4skipEnable(r, 1);
    ASSERT_EQ(relate4sortSet(r, "NAME"), 0);
    ASSERT_EQ(relate4top(r), 0);
    EXPECT_GE(tempDescriptors(), 2);  // spools and the file of sorted entries
    EXPECT_EQ(relate4free(r, 0), 0);
    r = nullptr;
    EXPECT_EQ(tempDescriptors(), 0);
    EXPECT_EQ(tempNames(), 0);

    // A relation left to code4initUndo.
    relation();
    relate4skipEnable(r, 1);
    ASSERT_EQ(relate4sortSet(r, "NAME"), 0);
    ASSERT_EQ(relate4bottom(r), 0);
    EXPECT_GE(tempDescriptors(), 1);
    code4initUndo(&cb);
    r = nullptr;
    d = nullptr;
    EXPECT_EQ(tempDescriptors(), 0);
    EXPECT_EQ(tempNames(), 0);
    ASSERT_EQ(code4init(&cb), 0);
}

TEST_F(RelateTest, TemporaryFilesAreGoneAfterAFailedSort) {
    // Large enough that the table is read in several windows.
    for (int i = 1; i <= 4000; i++) append(i, std::string(1, (char)('A' + i % 26)), i);
    ASSERT_EQ(d4flush(d), 0);
    cb.memSizeSortBudget = 2048;
    relation();
    relate4skipEnable(r, 1);
    ASSERT_EQ(relate4sortSet(r, "NAME"), 0);
    // Cut the file behind the engine's back: reading the later records fails
    // after the sort has spooled.
    std::string path = d4fileName(d);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    ASSERT_EQ(truncate(path.c_str(), st.st_size / 2), 0);
    cb.offError = 1;
    int rc = relate4top(r);
    EXPECT_LT(rc, 0);
    EXPECT_EQ(tempDescriptors(), 0);
    EXPECT_EQ(tempNames(), 0);
    EXPECT_EQ(r->relation->isInitialized, 0);
    EXPECT_EQ(r->relation->sortState, RELATE4_SORT_NONE);
    // The relation is released after the error, which stays in the context.
    EXPECT_EQ(relate4free(r, 0), 0);
    r = nullptr;
    EXPECT_EQ(cb.errorCode, rc);
    error4set(&cb, 0);
}

TEST_F(RelateTest, AKilledProgramLeavesNoTemporaryFile) {
    for (int i = 1; i <= 500; i++) append(i, std::string(1, (char)('A' + i % 26)), i);
    std::string path = d4fileName(d);
    ASSERT_EQ(d4close(d), 0);
    d = nullptr;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A program in the middle of a spooled, backward-skipping sorted walk.
        CODE4 c{};
        code4init(&c);
        c.memSizeSortBudget = 2048;
        DATA4 *t = d4open(&c, path.c_str());
        RELATE4 *rel = t ? relate4init(t) : nullptr;
        char state = rel && relate4skipEnable(rel, 1) == 0 && relate4sortSet(rel, "NAME") == 0 &&
                             relate4top(rel) == 0 && relate4skip(rel, 100) == 0
                         ? 'y'
                         : 'n';
        if (write(ready[1], &state, 1) != 1) _exit(2);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char state = 0;
    ASSERT_EQ(read(ready[0], &state, 1), 1);
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(state, 'y');
    EXPECT_EQ(tempNames(), 0);
    int inTableFolder = 0;
    for (auto &e : std::filesystem::directory_iterator(dir.path())) (void)e, inTableFolder++;
    EXPECT_EQ(inTableFolder, 1);  // the table alone
}

TEST_F(RelateTest, FreeWithCloseFilesClosesTheTable) {
    fillTen();
    relation();
    ASSERT_EQ(relate4top(r), 0);
    EXPECT_EQ(cb.relationList.count, 1);
    EXPECT_EQ(relate4free(r, 1), 0);
    r = nullptr;
    d = nullptr;
    EXPECT_EQ(cb.relationList.count, 0);
    EXPECT_EQ(cb.dataList.count, 0);
}

}  // namespace
