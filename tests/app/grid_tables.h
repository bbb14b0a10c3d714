// Tables for the grid's tests, made with the engine: a generated table of
// the kinds the grid treats apart (text in mixed case, a numeric field with
// blanks and values around 1, a Double, a date, a logical), with deleted
// records and optionally a production index.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "brindle.h"
#include "test_support.h"

namespace vt {

struct GridRow {
    std::string name;    // NAME C(10)
    std::string amount;  // AMOUNT N(8,2): "" is blank
    double ratio = 0;    // RATIO B
    std::string born;    // BORN D "CCYYMMDD" or ""
    bool flag = false;   // FLAG L
    bool deleted = false;
};

// n rows: names in mixed case with repeats, amounts cycling through blank,
// -1.50, 0.00, 0.99, 1.00, 12.25 and larger, some blank dates, every
// seventh record deleted when withDeleted.
inline std::vector<GridRow> generatedRows(int n, bool withDeleted) {
    static const char *names[] = {"anna", "Ben", "clara", "Anna", "ben", "David", "eva", "Clara", "dora", "Ed"};
    static const char *amounts[] = {"", "-1.50", "0.00", "0.99", "1.00", "12.25", "", "250.00", "0.99", "-0.01", "7.5"};
    std::vector<GridRow> rows;
    for (int i = 0; i < n; i++) {
        GridRow r;
        r.name = names[(i * 7) % 10];
        r.amount = amounts[(i * 5) % 11];
        r.ratio = (i % 4) * 0.5 - 0.75;
        char born[9];
        std::snprintf(born, sizeof born, "19%02d%02d%02d", 50 + (i * 13) % 50, 1 + i % 12, 1 + (i * 3) % 28);
        r.born = i % 9 == 4 ? "" : born;
        r.flag = i % 3 == 0;
        r.deleted = withDeleted && i % 7 == 5;
        rows.push_back(r);
    }
    return rows;
}

inline long liveCount(const std::vector<GridRow> &rows) {
    long n = 0;
    for (const GridRow &r : rows) n += r.deleted ? 0 : 1;
    return n;
}

// Writes the table (level 30, so that it may hold the Double) and returns its path.
inline std::string makeGridTable(const TempDir &dir, const std::string &name, const std::vector<GridRow> &rows) {
    std::string path = dir.file(name);
    CODE4 c{};
    EXPECT_EQ(code4init(&c), 0);
    c.compatibility = 30;
    FIELD4INFO fields[] = {{"NAME", 'C', 10, 0, 0},   {"RATIO", 'B', 8, 2, 0}, {"AMOUNT", 'N', 8, 2, 0},
                           {"BORN", 'D', 8, 0, 0},    {"FLAG", 'L', 1, 0, 0},  {nullptr, 0, 0, 0, 0}};
    DATA4 *d = d4create(&c, path.c_str(), fields);
    EXPECT_NE(d, nullptr) << path;
    if (d) {
        for (const GridRow &r : rows) {
            d4appendStart(d, 0);
            d4blank(d);
            f4assign(d4field(d, "NAME"), r.name.c_str());
            if (!r.amount.empty()) f4assignDouble(d4field(d, "AMOUNT"), std::atof(r.amount.c_str()));
            f4assignDouble(d4field(d, "RATIO"), r.ratio);
            if (!r.born.empty()) f4assign(d4field(d, "BORN"), r.born.c_str());
            f4assign(d4field(d, "FLAG"), r.flag ? "T" : "F");
            EXPECT_EQ(d4append(d), 0);
            if (r.deleted) d4delete(d);
        }
        EXPECT_EQ(d4close(d), 0);
    }
    code4initUndo(&c);
    return path;
}

}  // namespace vt
