// Building index files: tag descriptions and their validation, the file
// layout of a fresh build (directory, headers, full leaves, branches), empty
// tables, FOR expressions, unique codes at build time, rebuilding an open
// index, adding and removing tags, and the production flag of the table.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "brindle.h"
#include "indexes/cdx4format.h"
#include "indexes/index4internal.h"
#include "indexes/t4check.h"
#include "test_support.h"

namespace {

class IndexBuild : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        cb.offError = 1;
        cb.safety = 0;
    }
    DATA4 *makeTable(const char *name, long records) {
        FIELD4INFO fields[] = {{"NAME", 'C', 10, 0, 0}, {"NUM", 'N', 8, 0, 0}, {"FLAG", 'L', 1, 0, 0},
                               {nullptr, 0, 0, 0, 0}};
        DATA4 *d = d4create(&cb, dir.file(name).c_str(), fields);
        EXPECT_NE(nullptr, d);
        for (long r = 1; r <= records; r++) {
            d4appendStart(d, 0);
            d4blank(d);
            f4assign(d4field(d, "NAME"), nameOf(r).c_str());
            f4assignLong(d4field(d, "NUM"), (r * 7919) % 1000);
            f4assign(d4field(d, "FLAG"), r % 3 ? "T" : "F");
            EXPECT_EQ(0, d4append(d));
        }
        return d;
    }
    static std::string nameOf(long r) { return "N" + std::to_string((r * 37) % 211); }
    void expectCurrent(DATA4 *d) {
        for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
            TAG4CHECK check;
            EXPECT_EQ(0, t4check(t, &check)) << t4alias(t) << ": " << check.message;
        }
    }
};

TEST_F(IndexBuild, CreateThenMaintain) {
    DATA4 *d = makeTable("t", 1000);
    TAG4DESC tags[] = {{"NAME", "NAME", nullptr, 0, 0, nullptr},
                       {"NUM", "NUM", "FLAG", 0, r4descending, nullptr},
                       {nullptr, nullptr, nullptr, 0, 0, nullptr}};
    INDEX4 *i = i4create(d, nullptr, tags);
    ASSERT_NE(nullptr, i) << cb.errorCode;
    expectCurrent(d);
    for (int r = 0; r < 500; r++) {
        d4appendStart(d, 0);
        d4blank(d);
        f4assign(d4field(d, "NAME"), nameOf(r + 5).c_str());
        f4assignLong(d4field(d, "NUM"), r);
        ASSERT_EQ(0, d4append(d));
    }
    expectCurrent(d);
    ASSERT_EQ(0, d4close(d));
    d = d4open(&cb, dir.file("t").c_str());
    ASSERT_NE(nullptr, d);
    expectCurrent(d);
    d4close(d);
}

// A key that is a character field as it stands is taken straight from the
// record while building; every other key goes through the evaluator. Both
// must give the keys the table calls for (t4check computes them apart).
TEST_F(IndexBuild, FieldKeysTakenFromTheRecordAndTheOthersEvaluated) {
    FIELD4INFO fields[] = {{"NAME", 'C', 12, 0, 0}, {"MAYBE", 'C', 9, 0, r4null}, {"NUM", 'N', 6, 0, 0},
                           {nullptr, 0, 0, 0, 0}};
    cb.compatibility = 30;  // a table with null flags
    DATA4 *d = d4create(&cb, dir.file("f").c_str(), fields);
    ASSERT_NE(nullptr, d);
    for (long r = 1; r <= 3000; r++) {
        d4appendStart(d, 0);
        d4blank(d);
        // Leading blanks, equal names and bytes above 0x7F.
        std::string name = (r % 4 ? " " : "") + nameOf(r) + (r % 5 ? "" : "\xE9");
        f4assign(d4field(d, "NAME"), name.c_str());
        if (r % 3) f4assign(d4field(d, "MAYBE"), nameOf(r * 3).c_str());
        else f4assignNull(d4field(d, "MAYBE"));
        f4assignLong(d4field(d, "NUM"), r % 97);
        ASSERT_EQ(0, d4append(d));
    }
    struct {
        const char *name, *expression, *collation;
        uint16_t descending;
        int fromRecord;
    } cases[] = {
        {"NAME", "NAME", nullptr, 0, 1},          {"NAMED", "NAME", nullptr, r4descending, 1},
        {"TRIMMED", "TRIM(NAME)", nullptr, 0, 0}, {"UPPER", "UPPER(NAME)", nullptr, 0, 0},
        {"JOINED", "NAME+MAYBE", nullptr, 0, 0},  {"MAYBE", "MAYBE", nullptr, 0, 0},
        {"NUM", "NUM", nullptr, 0, 0},            {"GENERAL", "NAME", "GENERAL", 0, 0},
    };
    std::vector<TAG4DESC> tags;
    for (const auto &c : cases) tags.push_back({c.name, c.expression, nullptr, 0, c.descending, c.collation});
    tags.push_back({nullptr, nullptr, nullptr, 0, 0, nullptr});
    ASSERT_NE(nullptr, i4create(d, nullptr, tags.data())) << cb.errorCode;
    for (const auto &c : cases) {
        TAG4 *t = d4tag(d, c.name);
        ASSERT_NE(nullptr, t) << c.name;
        EXPECT_EQ(c.fromRecord, expr4keyIsField(t->tagFile->expr, t->tagFile)) << c.name;
        TAG4CHECK check;
        EXPECT_EQ(0, t4check(t, &check)) << c.name << ": " << check.message;
        EXPECT_EQ(3000, check.keys) << c.name;
    }
    d4close(d);
}

}  // namespace
