// Index files this engine writes, read by an independent reader of the
// format (Perl's XBase::Index, Debian's libdbd-xbase-perl): every tag of an
// index the engine built, and of the same index after many maintained
// changes, walks in Perl in exactly the engine's order; so do Harbour's
// tables after changes made through brindle, which still pass brindle check.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "brindle.h"
#include "brindle_runner.h"
#include "indexes/index4internal.h"
#include "indexes/t4check.h"
#include "test_support.h"

namespace {

std::string script(const std::string &name) {
    return std::string(VANDREL_SOURCE_DIR) + "/tests/tools/interop/scripts/" + name;
}

using Walks = std::map<std::string, std::vector<long>>;

// Perl's walk of every tag: records in stored order.
Walks perlWalks(const std::string &table, const std::string &index) {
    auto r = vt::runPerl(script("walk_cdx.pl"), {table, index});
    EXPECT_EQ(r.status, 0) << r.err;
    Walks out;
    std::istringstream in(r.out);
    std::string tag;
    long rec;
    while (in >> tag >> rec) out[tag].push_back(rec);
    return out;
}

// The engine's walk of every tag, in stored order.
Walks engineWalks(CODE4 *cb, const std::string &table) {
    Walks out;
    DATA4 *d = d4open(cb, table.c_str());
    EXPECT_NE(nullptr, d);
    if (!d) return out;
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        TAG4FILE *tf = t->tagFile;
        std::vector<long> &recs = out[t4alias(t)];
        for (tfile4top(tf); !tfile4eof(tf);) {
            recs.push_back(tfile4recNo(tf));
            if (tfile4skip(tf, 1) != 1) break;
        }
        if (t4descending(t)) std::reverse(recs.begin(), recs.end());
    }
    d4close(d);
    return out;
}

void expectSameWalks(CODE4 *cb, const std::string &table, const std::string &index, const std::string &when) {
    Walks ours = engineWalks(cb, table), theirs = perlWalks(table, index);
    ASSERT_FALSE(ours.empty()) << when;
    for (const auto &[tag, recs] : ours) {
        EXPECT_EQ(recs, theirs[tag]) << when << ": tag " << tag << " (" << recs.size() << " entries here)";
    }
    EXPECT_EQ(ours.size(), theirs.size()) << when;
}

void expectCurrent(CODE4 *cb, const std::string &table, const std::string &when) {
    DATA4 *d = d4open(cb, table.c_str());
    ASSERT_NE(nullptr, d);
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        TAG4CHECK check;
        int rc = t4check(t, &check);
        EXPECT_EQ(0, check.damaged) << when << ": " << t4alias(t) << ": " << check.message;
        if (!t4isUnique(t)) {
            EXPECT_EQ(0, rc) << when << ": " << t4alias(t) << ": " << check.message;
        }
    }
    d4close(d);
}

const char *const kNames[] = {"Smith", "Jones", "Garcia", "Miller", "Davis", "Rodr\xEDguez", "M\xFCller", "Ng",
                              "O'Brien", "Stra\xDF" "er", "Anders", "\xC5str\xF6m"};
const char *const kCities[] = {"Oslo", "Lima", "Quito", "Bergen", "Austin", "Z\xFCrich", "K\xF8" "benhavn"};

class IndexPeer : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        cb.offError = 1;
        cb.safety = 0;
    }
    void fill(DATA4 *d, std::mt19937 &rng) {
        f4assign(d4field(d, "NAME"), kNames[rng() % 12]);
        f4assign(d4field(d, "CITY"), kCities[rng() % 7]);
        f4assignDouble(d4field(d, "AMOUNT"), (double)(rng() % 2000000) / 100.0 - 5000.0);
        char born[9];
        std::snprintf(born, sizeof born, "%04d%02d%02d", 1930 + (int)(rng() % 80), 1 + (int)(rng() % 12),
                      1 + (int)(rng() % 28));
        f4assign(d4field(d, "BORN"), born);
        f4assign(d4field(d, "ACTIVE"), rng() % 2 ? "T" : "F");
    }
};

TEST_F(IndexPeer, BuiltAndMaintainedTagsWalkTheSameInPerl) {
    std::string table = dir.file("people.dbf"), index = dir.file("people.cdx");
    FIELD4INFO fields[] = {{"NAME", 'C', 20, 0, 0}, {"CITY", 'C', 15, 0, 0}, {"AMOUNT", 'N', 10, 2, 0},
                           {"BORN", 'D', 8, 0, 0},  {"ACTIVE", 'L', 1, 0, 0}, {nullptr, 0, 0, 0, 0}};
    DATA4 *d = d4create(&cb, table.c_str(), fields);
    ASSERT_NE(nullptr, d);
    std::mt19937 rng(42);
    for (int r = 0; r < 3000; r++) {
        d4appendStart(d, 0);
        d4blank(d);
        fill(d, rng);
        ASSERT_EQ(0, d4append(d));
    }
    TAG4DESC tags[] = {{"NAME", "NAME", nullptr, 0, 0, nullptr},
                       {"AMOUNT", "AMOUNT", nullptr, 0, 0, nullptr},
                       {"BORN", "BORN", nullptr, 0, 0, nullptr},
                       {"LOGIC", "ACTIVE", nullptr, 0, 0, nullptr},
                       {"DESCNAME", "NAME", nullptr, 0, r4descending, nullptr},
                       {"ACTIVE", "NAME", "ACTIVE", 0, 0, nullptr},
                       {"UNIQCITY", "CITY", nullptr, r4uniqueContinue, 0, nullptr},
                       {"CITYBORN", "CITY + DTOS(BORN)", nullptr, 0, 0, nullptr},
                       {"LONGKEY", "PADR(UPPER(NAME) + CITY, 240)", nullptr, 0, 0, nullptr},
                       {"GENERAL", "NAME", nullptr, 0, 0, "GENERAL"},
                       {nullptr, nullptr, nullptr, 0, 0, nullptr}};
    ASSERT_NE(nullptr, i4create(d, nullptr, tags)) << cb.errorCode;
    ASSERT_EQ(0, d4close(d));
    expectSameWalks(&cb, table, index, "built");

    d = d4open(&cb, table.c_str());
    ASSERT_NE(nullptr, d);
    for (int step = 0; step < 2000; step++) {
        int op = (int)(rng() % 10);
        if (op < 4) {
            d4appendStart(d, 0);
            d4blank(d);
            fill(d, rng);
            ASSERT_EQ(0, d4append(d));
            continue;
        }
        ASSERT_EQ(0, d4go(d, 1 + (long)(rng() % d4recCount(d))));
        if (op < 8) fill(d, rng);
        else if (op == 8) d4delete(d);
        else d4recall(d);
        ASSERT_EQ(0, d4write(d, -1));
    }
    ASSERT_EQ(0, d4close(d));
    expectSameWalks(&cb, table, index, "maintained");
    expectCurrent(&cb, table, "maintained");
}

TEST_F(IndexPeer, HarbourTablesChangedThroughBrindleStillWalkAndCheck) {
    for (const char *folder : {"harbour", "harbour/built"}) {
        SCOPED_TRACE(folder);
        vt::TempDir here;
        for (const char *ext : {".dbf", ".fpt", ".cdx"}) vt::copyFixture(std::string(folder) + "/people" + ext, here);
        std::string table = here.file("people.dbf"), index = here.file("people.cdx");
        expectSameWalks(&cb, table, index, "as Harbour wrote it");
        // Changes that keep every key the unique tags hold: names, amounts
        // and dates of existing records, new records with new cities,
        // deletions and recalls.
        std::vector<std::vector<std::string>> commands = {
            {"set", table, "5", "LAST=Aaronson", "AMOUNT=12.5"},
            {"set", table, "1200", "FIRST=Zoe", "LAST=Zylberstein", "BORN=1999-12-31"},
            {"set", table, "77", "LAST=Smith"},
            {"append", table, "FIRST=New", "LAST=Person", "CITY=Vandrelstad", "ACTIVE=T", "AMOUNT=1"},
            {"append", table, "FIRST=Another", "LAST=Aaronson", "CITY=Brindleby", "ACTIVE=F"},
            {"delete", table, "10", "11", "12"},
            {"recall", table, "11"},
        };
        for (const auto &c : commands) {
            auto r = vt::runBrindle(c);
            ASSERT_EQ(r.status, 0) << c[0] << ": " << r.err;
        }
        auto check = vt::runBrindle({"check", table});
        EXPECT_EQ(check.status, 0) << check.out << check.err;
        expectSameWalks(&cb, table, index, "changed through brindle");
    }
}

}  // namespace
