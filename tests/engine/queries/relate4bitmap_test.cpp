// The query bitmap over a tag of several levels: it never drops a record
// that qualifies, it narrows exactly to the keys a range holds (walked from
// either side of the tag), and counting through it gives the same records
// as evaluating the query on every record, whether the count reads the
// records or, for queries the tags answer exactly, only the bitmap.
#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "brindle.h"
#include "cdx_bulk.h"
#include "queries/relate4internal.h"
#include "test_support.h"

namespace {

class RelateBitmap : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        FIELD4INFO fields[] = {{"NAME", 'C', 8, 0, 0}, {nullptr, 0, 0, 0, 0}};
        DATA4 *t = d4create(&cb, dir.file("codes").c_str(), fields);
        ASSERT_NE(nullptr, t);
        std::mt19937 rng(3);
        std::vector<bench::BulkKey> keys;
        for (uint32_t r = 1; r <= 3000; r++) {
            std::string v = "K" + std::to_string(rng() % 10000);
            ASSERT_EQ(0, d4appendStart(t, 0));
            ASSERT_EQ(0, f4assign(d4field(t, "NAME"), v.c_str()));
            ASSERT_EQ(0, d4append(t));
            v.resize(8, ' ');
            names.push_back(v);
            keys.push_back({v, r});
        }
        ASSERT_EQ(0, d4close(t));
        std::sort(keys.begin(), keys.end(), [](const bench::BulkKey &a, const bench::BulkKey &b) {
            return a.key != b.key ? a.key < b.key : a.record < b.record;
        });
        bench::BulkTag tag;
        tag.name = "NAME";
        tag.expression = "NAME";
        tag.keyLen = 8;
        tag.maxLeafKeys = 30;   // 100 leaves under branches
        ASSERT_TRUE(bench::writeIndex(dir.file("codes.cdx"), tag, keys, 3000));
        d = d4open(&cb, dir.file("codes").c_str());
        ASSERT_NE(nullptr, d);
        ASSERT_NE(nullptr, i4open(d, dir.file("codes.cdx").c_str()));
    }
    void TearDown() override {
        if (d) d4close(d);
        vt::EngineTest::TearDown();
    }
    // The records for which query is true, evaluated record by record.
    std::set<long> direct(const std::string &query) {
        std::set<long> out;
        EXPR4 *e = expr4parse(d, query.c_str());
        EXPECT_NE(nullptr, e) << query;
        if (!e) return out;
        for (long r = 1; r <= d4recCount(d); r++) {
            EXPECT_EQ(0, d4go(d, r));
            if (expr4true(e) == 1) out.insert(r);
        }
        expr4free(e);
        return out;
    }
    DATA4 *d = nullptr;
    std::vector<std::string> names;   // by record number - 1, blank-padded
};

struct Case {
    const char *query;
    bool (*holds)(const std::string &name);   // the keys the bitmap must hold exactly; null: not checked
};

TEST_F(RelateBitmap, CandidatesCoverTheQueryAndNarrowToTheRange) {
    const Case cases[] = {
        {"NAME = 'K1'", [](const std::string &n) { return n.compare(0, 2, "K1") == 0; }},
        {"NAME >= 'K2' .AND. NAME < 'K5'", [](const std::string &n) { return n >= "K2" && n.compare(0, 2, "K5") <= 0; }},
        {"NAME > 'K1'", [](const std::string &n) { return n.compare(0, 2, "K1") >= 0; }},   // most of the tag
        {"NAME <= 'K3' .OR. NAME >= 'K8'",
         [](const std::string &n) { return n.compare(0, 2, "K3") <= 0 || n.compare(0, 2, "K8") >= 0; }},
        {"NAME == 'K1234   '", nullptr},
        {"NAME = 'K9999' .AND. NAME = 'K1'", [](const std::string &) { return false; }},
        {"NAME < 'J'", [](const std::string &) { return false; }},
        {"NAME = 'K5' .OR. RECNO() = 7", nullptr},   // a child that cannot pre-select: every record
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.query);
        std::set<long> want = direct(c.query);
        RELATE4 *r = relate4init(d);
        ASSERT_NE(nullptr, r);
        ASSERT_EQ(0, relate4querySet(r, c.query));
        std::set<long> got;
        for (int rc = relate4top(r); rc == 0; rc = relate4skip(r, 1)) got.insert(d4recNo(d));
        EXPECT_EQ(want, got);
        const RELATION4 *rel = r->relation;
        for (long rec : want) EXPECT_EQ(1, relate4candidate(rel, rec)) << rec;
        if (c.holds) {
            ASSERT_NE(nullptr, rel->bitmap);
            for (long rec = 1; rec <= 3000; rec++)
                EXPECT_EQ(c.holds(names[(size_t)rec - 1]) ? 1 : 0, relate4candidate(rel, rec)) << names[(size_t)rec - 1];
        }
        relate4free(r, 0);
    }
}

// The count through relate4count equals the records the query accepts,
// deleted ones included as the relation includes them; the queries the
// tags answer exactly are counted from the bitmap alone.
TEST_F(RelateBitmap, CountsMatchTheQueryAndExactQueriesNeedNoRecords) {
    for (long rec : {3L, 400L, 2999L}) {
        ASSERT_EQ(0, d4go(d, rec));
        ASSERT_EQ(0, d4delete(d));
    }
    ASSERT_EQ(0, d4flush(d));
    struct CountCase {
        const char *query;
        int exact;   // 1: answered by the bitmap; 0: a bitmap that only narrows; -1: no bitmap
    };
    const CountCase cases[] = {
        {"NAME = 'K1'", 1},
        {"NAME = 'K1' .OR. NAME = 'K77'", 1},
        {"NAME = 'K1' .AND. NAME = 'K12'", 1},
        {"NAME = 'K9999' .AND. NAME = 'K1'", 1},
        {"NAME = ''", 1},                       // every record, walked from the outside
        {"NAME = 'K123456789'", 1},             // longer than the field: both compare 8 bytes
        {"NAME >= 'K5'", 0},                    // bounds are held inclusive
        {"NAME == 'K1234   '", 0},
        {"NAME = 'K5' .AND. RECNO() > 100", 0},
        {"NAME = 'K5' .OR. RECNO() = 7", -1},
    };
    for (const CountCase &c : cases) {
        SCOPED_TRACE(c.query);
        RELATE4 *r = relate4init(d);
        ASSERT_NE(nullptr, r);
        ASSERT_EQ(0, relate4querySet(r, c.query));
        long want = (long)direct(c.query).size();
        EXPECT_EQ(want, relate4count(r));
        const RELATION4 *rel = r->relation;
        EXPECT_EQ(c.exact >= 0, rel->bitmap != nullptr);
        EXPECT_EQ(c.exact == 1, rel->bitmapExact == 1);
        EXPECT_EQ(1, d4eof(d));
        relate4free(r, 0);
    }
}

// A record changed in the buffer but not yet written reaches the tags before
// the bitmap is read from them, so the query finds it by its new value.
TEST_F(RelateBitmap, AChangedRecordIsFoundByItsNewValue) {
    ASSERT_EQ(0, d4go(d, 5));
    ASSERT_EQ(0, f4assign(d4field(d, "NAME"), "NEWNAME"));
    RELATE4 *r = relate4init(d);
    ASSERT_NE(nullptr, r);
    ASSERT_EQ(0, relate4querySet(r, "NAME = 'NEWNAME'"));
    ASSERT_EQ(0, relate4top(r));
    EXPECT_EQ(5, d4recNo(d));
    EXPECT_EQ(1, relate4count(r));
    relate4free(r, 0);
}

}  // namespace
