// Damage in the LevelDB manner: small tables made by the engine get one byte
// flipped (every bit, or only the lowest) at every offset of the table file
// and of the memo file, and are cut at every length. Each damaged table is
// opened, read through every read function, written to (a record appended,
// memos rewritten), closed and opened again. Whatever the damage:
//   - opening and reading either work or fail with one of the engine's
//     corruption or I/O codes, never a fatal code (those end the program,
//     and the case is named on standard error), a crash or a hang (a
//     watchdog ends a case that runs past 20 seconds);
//   - a table that opened opens again after the engine wrote to it;
//   - no case holds more heap than four times the files' size plus 1 MiB.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

#include "alloc_counter.h"
#include "table_walk.h"
#include "test_support.h"

namespace {

// The case being run, for the exit and watchdog reports.
char g_case[256];

void reportCase() {
    if (g_case[0]) std::fprintf(stderr, "\ncorruption case that ended the program: %s\n", g_case);
}

void watchdog(int) {
    const char msg[] = "\ncorruption case hung: ";
    (void)!write(2, msg, sizeof msg - 1);
    (void)!write(2, g_case, strnlen(g_case, sizeof g_case));
    (void)!write(2, "\n", 1);
    _exit(3);
}

// Codes a damaged table may rightly give on open.
const std::set<int> kOpenCodes = {e4data, e4fieldType, e4read, e4memoCorrupt, e4recordLen, e4open};
// Codes reading or writing one may give: those, and -930 from the walk's
// conversions a field type does not support (f4currency of a date...).
const std::set<int> kUseCodes = {e4data, e4fieldType, e4read, e4memoCorrupt, e4write, e4parm};

// What the cases came to, printed after each sweep so that a sweep that
// quietly tested nothing would show.
struct Tally {
    int cases = 0;
    int opened = 0;
    std::map<int, int> refused;  // open failures by code
    int64_t peak = 0;            // most heap any case held
};

struct Original {
    std::string label;
    std::vector<unsigned char> dbf, fpt;
};

class Corruption : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        cb.offError = 1;
        cb.safety = 0;
        std::atexit(reportCase);
        std::signal(SIGALRM, watchdog);
    }
    void TearDown() override {
        alarm(0);
        g_case[0] = 0;
        vt::EngineTest::TearDown();
    }

    Original make(const char *label, int level, const FIELD4INFO *fields,
                  const std::vector<std::vector<std::pair<const char *, const char *>>> &rows) {
        cb.compatibility = (int16_t)level;
        cb.memSizeMemo = 64;
        std::string base = dir.file(std::string("orig_") + label);
        DATA4 *d = d4create(&cb, base.c_str(), fields);
        EXPECT_NE(d, nullptr);
        Original o{label, {}, {}};
        if (!d) return o;
        for (const auto &row : rows) {
            d4appendStart(d, 0);
            d4blank(d);
            for (const auto &[name, value] : row) {
                FIELD4 *f = d4field(d, name);
                switch (f4type(f)) {
                    case 'M': f4memoAssign(f, value); break;
                    case 'I': f4assignLong(f, std::atol(value)); break;
                    case 'B': f4assignDouble(f, std::atof(value)); break;
                    case 'Y': f4assignCurrency(f, value); break;
                    case 'T': f4assignDateTime(f, value); break;
                    default:
                        if (std::strcmp(value, "NULL") == 0)
                            f4assignNull(f);
                        else
                            f4assign(f, value);
                }
            }
            EXPECT_EQ(d4append(d), 0);
        }
        EXPECT_EQ(d4go(d, 2), 0);
        d4delete(d);
        EXPECT_EQ(d4close(d), 0);
        cb.compatibility = 25;
        o.dbf = vt::readFile(base + ".dbf");
        o.fpt = vt::readFile(base + ".fpt");
        return o;
    }

    std::vector<Original> originals() {
        std::string longMemo(150, 'x');
        FIELD4INFO level25[] = {{"NAME", 'C', 8, 0, 0}, {"AMOUNT", 'N', 8, 2, 0}, {"BORN", 'D', 0, 0, 0},
                                {"OK", 'L', 0, 0, 0},   {"NOTES", 'M', 0, 0, 0},   {nullptr, 0, 0, 0, 0}};
        FIELD4INFO level30[] = {{"ID", 'I', 0, 0, 0},   {"PRICE", 'Y', 0, 0, 0},      {"STAMP", 'T', 0, 0, 0},
                                {"RATIO", 'B', 8, 2, 0}, {"LABEL", 'C', 5, 0, r4null}, {"NOTES", 'M', 0, 0, r4null},
                                {nullptr, 0, 0, 0, 0}};
        return {make("level25", 25, level25,
                     {{{"NAME", "ann"}, {"AMOUNT", "12.5"}, {"BORN", "20030513"}, {"OK", "T"}, {"NOTES", "short"}},
                      {{"NAME", "bob"}, {"NOTES", longMemo.c_str()}},
                      {{"NAME", "cy"}, {"AMOUNT", "-1"}}}),
                make("level30", 30, level30,
                     {{{"ID", "7"}, {"PRICE", "1.25"}, {"STAMP", "2003051312:34:57"}, {"RATIO", "0.5"},
                       {"LABEL", "abc"}, {"NOTES", longMemo.c_str()}},
                      {{"ID", "-1"}, {"LABEL", "NULL"}, {"NOTES", "NULL"}}})};
    }

    // Runs one damaged pair of files; failures are added to *bad.
    void runCase(const std::vector<unsigned char> &dbf, const std::vector<unsigned char> &fpt, int *bad, Tally &tally) {
        std::string base = dir.file("case");
        // New files each time: rewriting one cut to nothing makes some file
        // systems put it on disk at close, which costs more than the case.
        std::filesystem::remove(base + ".dbf");
        std::filesystem::remove(base + ".fpt");
        vt::writeFile(base + ".dbf", dbf);
        vt::writeFile(base + ".fpt", fpt);
        auto complain = [&](const std::string &what) {
            if (++*bad <= 20) ADD_FAILURE() << g_case << ": " << what;
        };
        alarm(20);
        error4set(&cb, 0);
        int64_t limit = 4 * (int64_t)(dbf.size() + fpt.size()) + (1 << 20);
        rely::AllocWindow window;
        DATA4 *d = d4open(&cb, base.c_str());
        tally.cases++;
        if (!d) {
            tally.refused[cb.errorCode]++;
            if (!kOpenCodes.count(cb.errorCode)) complain("open failed with " + std::to_string(cb.errorCode));
        } else {
            tally.opened++;
            vt::WalkResult walk = vt::walkTable(d, 50);
            if (walk.invariantBroken) complain(std::string("a read broke its contract: ") + walk.broken);
            for (int code : walk.codes)
                if (!kUseCodes.count(code)) complain("reading gave " + std::to_string(code));
            writeTo(d, complain);
            d4close(d);
            error4set(&cb, 0);
            d = d4open(&cb, base.c_str());
            if (!d) {
                complain("the table opened, was written by the engine, and now fails to open with " +
                         std::to_string(cb.errorCode));
            } else {
                walk = vt::walkTable(d, 50);
                if (walk.invariantBroken) complain(std::string("a read broke its contract: ") + walk.broken);
                d4close(d);
            }
        }
        if (window.peak() > tally.peak) tally.peak = window.peak();
        if (window.peak() > limit)
            complain("held " + std::to_string(window.peak()) + " bytes of heap; the bound is " + std::to_string(limit));
        error4set(&cb, 0);
        alarm(0);
    }

    template <class F>
    void writeTo(DATA4 *d, F &complain) {
        auto check = [&](const char *what) {
            if (cb.errorCode < 0 && !kUseCodes.count(cb.errorCode))
                complain(std::string(what) + " gave " + std::to_string(cb.errorCode));
            error4set(&cb, 0);
        };
        if (d4appendStart(d, 0) == 0) {
            d4blank(d);
            for (int j = 1; j <= d4numFields(d); j++) {
                FIELD4 *f = d4fieldJ(d, j);
                if (f4type(f) == 'M')
                    f4memoAssign(f, "a new memo of the appended record");
                else if (f4type(f) == 'C')
                    f4assign(f, "new");
            }
            d4append(d);
        }
        check("appending");
        static const std::string longer(200, 'L');
        const char *memos[] = {longer.c_str(), "s"};
        for (int r = 1; r <= 2; r++) {
            if (d4go(d, r) == 0) {
                for (int j = 1; j <= d4numFields(d); j++)
                    if (f4type(d4fieldJ(d, j)) == 'M') f4memoAssign(d4fieldJ(d, j), memos[r - 1]);
                d4write(d, -1);
            }
            check("rewriting");
        }
    }

    void sweep(const Original &o, bool memoFile) {
        const std::vector<unsigned char> &target = memoFile ? o.fpt : o.dbf;
        int bad = 0;
        Tally tally;
        const char *which = memoFile ? "memo file" : "table file";
        for (size_t at = 0; at < target.size(); at++) {
            for (unsigned char mask : {0xFF, 0x01}) {
                std::vector<unsigned char> damaged = target;
                damaged[at] ^= mask;
                std::snprintf(g_case, sizeof g_case, "%s %s: byte %zu xor 0x%02X", o.label.c_str(), which, at, mask);
                runCase(memoFile ? o.dbf : damaged, memoFile ? damaged : o.fpt, &bad, tally);
            }
            std::vector<unsigned char> cut(target.begin(), target.begin() + (long)at);
            std::snprintf(g_case, sizeof g_case, "%s %s: cut to %zu bytes", o.label.c_str(), which, at);
            runCase(memoFile ? o.dbf : cut, memoFile ? cut : o.fpt, &bad, tally);
        }
        std::cout << o.label << " " << which << " (" << target.size() << " bytes): " << tally.cases << " cases, "
                  << tally.opened << " opened, most heap held " << tally.peak << " bytes; refused:";
        for (const auto &[code, n] : tally.refused) std::cout << " " << code << " x" << n;
        std::cout << "\n";
        EXPECT_EQ(bad, 0) << o.label << " " << which;
    }
};

TEST_F(Corruption, EveryByteOfTheTableFileFlippedAndEveryLengthCut) {
    for (const Original &o : originals()) sweep(o, false);
}

TEST_F(Corruption, EveryByteOfTheMemoFileFlippedAndEveryLengthCut) {
    for (const Original &o : originals()) sweep(o, true);
}

}  // namespace
