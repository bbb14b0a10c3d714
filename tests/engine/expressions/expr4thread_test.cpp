// Two contexts evaluating at the same time on two threads: the evaluator's
// registers live in each call's frame, so neither sees the other's values.
#include <atomic>
#include <thread>

#include "expr4_test_util.h"

namespace {

constexpr int kRounds = 2000;

struct Worker {
    std::string path;
    std::string name;  // the text every record of this worker's table holds
    double base;
    std::atomic<long> mismatches{0};
    std::atomic<long> evaluations{0};
    std::string failure;

    void run(std::atomic<int> *ready) {
        CODE4 cb{};
        if (code4init(&cb) != 0) {
            failure = "init";
            ready->fetch_add(1);  // never leave the other thread waiting
            return;
        }
        cb.offError = 1;
        FIELD4INFO fields[] = {et::fld("NAME", 'C', 12), et::fld("AMOUNT", 'N', 10, 2), et::END};
        DATA4 *d = d4create(&cb, path.c_str(), fields);
        if (!d) {
            failure = "create";
            ready->fetch_add(1);  // never leave the other thread waiting
            code4initUndo(&cb);
            return;
        }
        const int records = 50;
        for (int i = 1; i <= records; i++) {
            d4appendStart(d, 0);
            d4blank(d);
            f4assign(d4field(d, "NAME"), name.c_str());
            f4assignDouble(d4field(d, "AMOUNT"), base + i);
            d4append(d);
        }
        EXPR4 *text = expr4parse(d, "UPPER(TRIM(NAME)) + STR(AMOUNT * 2, 8, 2) + DESCEND(NAME)");
        EXPR4 *cond = expr4parse(d, "AMOUNT > 10 .AND. NAME = 'A' .OR. RECNO() = 3");
        if (!text || !cond) {
            failure = "parse";
            ready->fetch_add(1);  // never leave the other thread waiting
            code4initUndo(&cb);
            return;
        }
        std::string upper = name;
        for (char &ch : upper) ch = (char)toupper((unsigned char)ch);
        std::string padded = name + std::string(12 - name.size(), ' ');
        std::string inverted;
        for (char ch : padded) inverted += (char)~ch;
        // Both threads evaluate at the same time once both are prepared.
        ready->fetch_add(1);
        while (ready->load() < 2) std::this_thread::yield();
        for (int round = 0; round < kRounds; round++) {
            for (int i = 1; i <= records; i++) {
                d4go(d, i);
                char *p = nullptr;
                int len = expr4vary(text, &p);
                char number[16];
                std::snprintf(number, sizeof number, "%8.2f", (base + i) * 2);
                // After TRIM() each "+" moves the NULs to the end; the key
                // turns them into blanks.
                std::string want = upper + number + inverted + std::string(12 - upper.size(), '\0');
                std::string wantKey = upper + number + inverted + std::string(12 - upper.size(), ' ');
                if (len != (int)want.size() || std::string(p, (size_t)len) != want) mismatches++;
                int truth = expr4true(cond);
                int wantTruth = ((base + i > 10) && name[0] == 'A') || i == 3;
                if (truth != wantTruth) mismatches++;
                char *k = nullptr;
                if (expr4key(text, &k, nullptr) != (int)want.size() || std::string(k, want.size()) != wantKey) mismatches++;
                evaluations++;
            }
        }
        code4initUndo(&cb);
    }
};

TEST(ExprThreads, TwoContextsOnTwoThreadsDoNotInterfere) {
    vt::TempDir dir;
    Worker a, b;
    a.path = dir.file("alpha");
    a.name = "Alpha";
    a.base = 0;
    b.path = dir.file("beta");
    b.name = "bravo team";
    b.base = 1000;
    std::atomic<int> ready{0};
    std::thread ta([&] { a.run(&ready); });
    std::thread tb([&] { b.run(&ready); });
    ta.join();
    tb.join();
    EXPECT_EQ(a.failure, "");
    EXPECT_EQ(b.failure, "");
    EXPECT_EQ(a.evaluations.load(), kRounds * 50);
    EXPECT_EQ(b.evaluations.load(), kRounds * 50);
    EXPECT_EQ(a.mismatches.load(), 0);
    EXPECT_EQ(b.mismatches.load(), 0);
}

}  // namespace
