// The record grid reads only what it shows: paging through a table of a
// million records, each fetch costs the relative move from where the last
// one left the relation plus one read per row, wherever in the table it
// happens, and the rows hold the records of their places.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "brindle.h"
#include "pages/record_grid.h"
#include "table_session.h"
#include "test_support.h"
#include "utf16.h"

namespace vt {
namespace {

constexpr long kRecords = 1000000;
constexpr int kRows = vpages::ListGrid::kPageRows;

// A table of ID N(7) holding the record number: the engine writes the
// header, the records are appended as bytes (a million appends through the
// engine would take the test's time for nothing it checks).
std::string makeMillion(const TempDir &dir) {
    std::string path = dir.file("million.dbf");
    CODE4 c{};
    EXPECT_EQ(code4init(&c), 0);
    FIELD4INFO fields[] = {{"ID", 'N', 7, 0, 0}, {nullptr, 0, 0, 0, 0}};
    DATA4 *d = d4create(&c, path.c_str(), fields);
    EXPECT_NE(d, nullptr);
    if (d) {
        EXPECT_EQ(d4close(d), 0);
    }
    code4initUndo(&c);
    std::vector<unsigned char> bytes = readFile(path);
    size_t header = size_t(bytes[8]) | size_t(bytes[9]) << 8;
    bytes.resize(header);
    bytes.reserve(header + size_t(kRecords) * 8 + 1);
    char record[9];
    for (long n = 1; n <= kRecords; n++) {
        std::snprintf(record, sizeof record, " %7ld", n);
        bytes.insert(bytes.end(), record, record + 8);
    }
    bytes.push_back(0x1A);
    for (int i = 0; i < 4; i++) bytes[size_t(4 + i)] = (unsigned char)(kRecords >> (8 * i));
    writeFile(path, bytes);
    return path;
}

class RecordGridReads : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        table_ = new std::string(makeMillion(*dir_));
    }
    static void TearDownTestSuite() {
        delete table_;
        delete dir_;
    }
    void SetUp() override {
        ASSERT_TRUE(session.openTable(vandrel::utf8ToUtf16(*table_)));
        // As the page does when shown: the view counted, then the grid built.
        ASSERT_TRUE(session.applyFilter());
        styles.make(nullptr);
        grid.rect = {0, 0, 232, 221};
        grid.rebuildColumns(true);
        grid.updateScrollBars();
        grid.fetchRows();
    }
    // Record reads of moving top to place and fetching.
    unsigned long long readsOfScroll(long place) {
        unsigned long long before = session.recordReads();
        grid.scrollTo(place);
        return session.recordReads() - before;
    }
    void expectRowsFrom(long place) {
        for (int row = 1; row <= kRows; row++) {
            long expected = place + row <= kRecords ? place + row : -1;
            EXPECT_EQ(grid.cell(row, 0).recordNumber, expected) << "row " << row << " at " << place;
        }
    }

    static TempDir *dir_;
    static std::string *table_;
    vandrel::TableSession session;
    vpages::GridStyles styles;
    vpages::RecordGrid grid{session, styles};
};
TempDir *RecordGridReads::dir_ = nullptr;
std::string *RecordGridReads::table_ = nullptr;

TEST_F(RecordGridReads, APageCostsItsRowsPlusTheRelativeMoveAnywhereInTheTable) {
    ASSERT_EQ(grid.total, kRecords);
    expectRowsFrom(0);
    // Down a page: the relation already stands on the next page's first row.
    EXPECT_EQ(readsOfScroll(15), unsigned(kRows));
    expectRowsFrom(15);
    // Back to the first page: the first record is nearer than thirty steps back.
    EXPECT_EQ(readsOfScroll(0), unsigned(1 + kRows));
    expectRowsFrom(0);
    // Far down the table: the move is relative, from place 15 to 400000.
    EXPECT_EQ(readsOfScroll(400000), unsigned(400000 - 15 + kRows));
    expectRowsFrom(400000);
    // Pages there cost what they cost at the top; never a walk from the
    // first record. Back up: thirty steps back from below the last row read.
    EXPECT_EQ(readsOfScroll(400015), unsigned(kRows));
    EXPECT_EQ(readsOfScroll(400030), unsigned(kRows));
    EXPECT_EQ(readsOfScroll(400015), unsigned(30 + kRows));
    expectRowsFrom(400015);
    // A line down: one step back to the new top's row, then the rows.
    EXPECT_EQ(readsOfScroll(400016), unsigned(14 + kRows));
    expectRowsFrom(400016);
}

TEST_F(RecordGridReads, FromTheLastPageAPageBackAndTheFirstPageAreNoWalk) {
    long last = grid.verticalBar().highest();
    EXPECT_EQ(last, kRecords - 14);
    // The last page is reached from the last record: it and 13 steps back, 13 forward.
    EXPECT_EQ(readsOfScroll(last), unsigned(1 + 13 + 13));
    expectRowsFrom(last);
    // The fetch ran into the view's end and knows it stands there: a page
    // back is 29 steps back and the rows, not a walk from the first record.
    EXPECT_EQ(readsOfScroll(last - 15), unsigned(29 + kRows));
    expectRowsFrom(last - 15);
    // Down again: the fourteen records left, the first already in hand.
    EXPECT_EQ(readsOfScroll(last), unsigned(kRows - 2));
    expectRowsFrom(last);
    // Back to the first page: the top record and the rows, not a million steps back.
    EXPECT_EQ(readsOfScroll(0), unsigned(kRows + 1));
    expectRowsFrom(0);
}

}  // namespace
}  // namespace vt
