// Key maintenance on index files other programs wrote: Harbour's people
// table (2,300 records, 11 tags: descending, FOR, unique, logical, 240-byte
// keys) takes appends, key changes, deletions and recalls through the
// engine; every tag then walks in (key, record number) order and its check
// finds it sound and current, also after the table is opened again.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "brindle.h"
#include "indexes/t4check.h"
#include "test_support.h"

namespace {

class HarbourMaintenance : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        for (const char *ext : {".dbf", ".fpt", ".cdx"}) vt::copyFixture(std::string("harbour/people") + ext, dir);
        table = dir.file("people.dbf");
    }
    void expectAllTagsCurrent(DATA4 *d, const std::string &when) {
        for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
            TAG4CHECK check;
            EXPECT_EQ(0, t4check(t, &check)) << when << ": " << t4alias(t) << ": " << check.message;
        }
    }
    std::string table;
};

const char *const kLasts[] = {"Abbott", "Smith", "Zimmerman", "Ng", "Smith", "O'Hara", "Brown"};
const char *const kCities[] = {"Oslo", "Lima", "Quito", "Bergen", "Austin", "Zurich"};

TEST_F(HarbourMaintenance, RandomChangesKeepEveryTagCurrent) {
    DATA4 *d = d4open(&cb, table.c_str());
    ASSERT_NE(nullptr, d);
    std::mt19937 rng(11);
    for (int step = 0; step < 300; step++) {
        long count = d4recCount(d);
        int what = (int)(rng() % 5);
        if (what == 0) {
            ASSERT_EQ(0, d4appendStart(d, 0));
            ASSERT_EQ(0, d4blank(d));
        } else {
            ASSERT_EQ(0, d4go(d, 1 + (long)(rng() % count)));
        }
        if (what <= 2) {
            f4assign(d4field(d, "LAST"), kLasts[rng() % 7]);
            f4assign(d4field(d, "CITY"), kCities[rng() % 6]);
            f4assignDouble(d4field(d, "AMOUNT"), (double)(rng() % 100000) / 100.0);
            f4assign(d4field(d, "ACTIVE"), rng() % 2 ? "T" : "F");
        } else if (what == 3) {
            d4delete(d);
        } else {
            d4recall(d);
        }
        int rc = what == 0 ? d4append(d) : d4write(d, -1);
        ASSERT_EQ(0, rc) << "step " << step;
        if (step % 50 == 49) expectAllTagsCurrent(d, "step " + std::to_string(step));
    }
    ASSERT_EQ(0, d4close(d));
    d = d4open(&cb, table.c_str());
    ASSERT_NE(nullptr, d);
    expectAllTagsCurrent(d, "reopened");
    d4close(d);
}

}  // namespace
