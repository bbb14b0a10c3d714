// Key maintenance on index files other programs wrote: Harbour's people
// table (2,300 records, 11 tags: descending, FOR, unique, logical, 240-byte
// keys) takes appends, key changes, deletions and recalls through the
// engine; every tag then walks in (key, record number) order and its check
// finds it sound and current (unique tags: every key they keep is their
// record's), also after the table is opened again.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "brindle.h"
#include "indexes/d4tag.h"
#include "indexes/index4internal.h"
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
    // Plain tags: exactly the table's keys. Unique tags keep one record per
    // key and lose a key when the record holding it changes while others
    // share it: each entry must be a key its record holds, and the tree sound.
    void expectAllTagsCurrent(DATA4 *d, const std::string &when) {
        for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
            TAG4CHECK check;
            int rc = t4check(t, &check);
            if (!t4isUnique(t)) {
                EXPECT_EQ(0, rc) << when << ": " << t4alias(t) << ": " << check.message;
                continue;
            }
            EXPECT_EQ(0, check.damaged) << when << ": " << t4alias(t) << ": " << check.message;
            TAG4FILE *tf = t->tagFile;
            std::vector<std::pair<std::string, long>> entries;
            for (tfile4top(tf); !tfile4eof(tf);) {
                entries.emplace_back(std::string(reinterpret_cast<const char *>(tfile4key(tf)), tf->header.keyLen),
                                     tfile4recNo(tf));
                if (tfile4skip(tf, 1) != 1) break;
            }
            for (const auto &[key, rec] : entries) {
                ASSERT_EQ(0, d4go(d, rec));
                if (!t4forTrue(t, d->record)) {
                    ADD_FAILURE() << when << ": " << t4alias(t) << " holds record " << rec << " whose FOR is false";
                    continue;
                }
                const unsigned char *k = nullptr;
                int len = t4keyOf(t, d->record, &k);
                EXPECT_EQ(key, std::string(reinterpret_cast<const char *>(k), (size_t)len))
                    << when << ": " << t4alias(t) << " record " << rec;
            }
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
