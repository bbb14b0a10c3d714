// Fault-injection sweep: a workload of appends with memos, rewrites with
// longer, shorter and empty memos, deletions, flushes and a close runs once
// for every I/O call it makes, with that call failing (or writing only half
// its bytes). After each fault:
//   - the operation during which the fault happened reports an I/O error
//     through the error routine (never success);
//   - closing without faults succeeds, and the table opens again without
//     corruption errors;
//   - every record reads back exactly as the operations reported successful
//     left it; only the records the failing operation was changing may hold
//     either their old or their new contents (a record, its memo and its
//     deletion flag together, never a mixture), and the record count is the
//     old or the new one.
// With a sticky fault a failing d4close cannot write what it still holds:
// there the records may also be as they were at the last successful flush.
//
// Besides closing at once, a failed operation is also followed, once the
// disk is sound again, by a retry (the same commit: d4append or d4write
// again, with the memos the failed try held) or by giving the change up
// (d4changed(d, 0)); then every record must be exactly the new or exactly
// the old state, memos included.
#include <cerrno>
#include <functional>
#include <tuple>
#include <string>
#include <vector>

#include "fault_disk.h"
#include "table_walk.h"
#include "test_support.h"

namespace {

using rely::Fault;
using rely::FaultPlan;
using rely::FaultyDisk;

struct Rec {
    std::string name;
    long num = 0;
    std::string memo;
    bool deleted = false;
    bool operator==(const Rec &o) const {
        return name == o.name && num == o.num && memo == o.memo && deleted == o.deleted;
    }
};
using Model = std::vector<Rec>;  // record n at index n - 1

std::string describe(const Rec &r) {
    return "{" + r.name + ", " + std::to_string(r.num) + ", memo of " + std::to_string(r.memo.size()) + " bytes" +
           (r.deleted ? ", deleted}" : "}");
}

std::string memoText(size_t len, char fill) {
    std::string s;
    for (size_t i = 0; i < len; i++) s += (char)(fill + (char)(i % 7));
    return s;
}

// A step composes a change in the record buffer, then commits it; a retry
// after a failed commit commits again, one after a failed composition runs
// the whole step again.
struct Step {
    std::string label;
    std::function<int(DATA4 *)> compose;
    std::function<int(DATA4 *)> commit;
    std::function<void(Model &)> apply;
    bool flushes = false;  // a successful run makes everything so far durable
    bool closes = false;   // the handle is gone afterwards, whatever the result
    bool composed = false; // set by run: the composition succeeded
};

int runStep(Step &s, DATA4 *d) {
    s.composed = false;
    if (s.compose)
        if (int rc = s.compose(d)) return rc;
    s.composed = true;
    return s.commit(d);
}

int noCompose(DATA4 *) { return 0; }

void assignRec(DATA4 *d, const Rec &r) {
    f4assign(d4field(d, "NAME"), r.name.c_str());
    f4assignLong(d4field(d, "NUM"), r.num);
    f4memoAssignN(d4field(d, "NOTES"), r.memo.data(), (unsigned)r.memo.size());
}

Step append(const Rec &r) {
    return {"append " + r.name,
            [r](DATA4 *d) {
                if (int rc = d4appendStart(d, 0)) return rc;
                if (int rc = d4blank(d)) return rc;
                assignRec(d, r);
                return 0;
            },
            d4append, [r](Model &m) { m.push_back(r); }};
}

// Rewrites record n: its memo becomes memo, and the name too when given.
Step rewrite(long n, const std::string &memo, const char *name = nullptr) {
    std::string label = "rewrite " + std::to_string(n) + " with a memo of " + std::to_string(memo.size());
    return {label,
            [=](DATA4 *d) {
                if (int rc = d4go(d, n)) return rc;
                if (name) f4assign(d4field(d, "NAME"), name);
                f4memoAssignN(d4field(d, "NOTES"), memo.data(), (unsigned)memo.size());
                return 0;
            },
            [](DATA4 *d) { return d4write(d, -1); },
            [=](Model &m) {
                m[n - 1].memo = memo;
                if (name) m[n - 1].name = name;
            }};
}

Step remove(long n) {
    return {"delete " + std::to_string(n),
            [n](DATA4 *d) {
                if (int rc = d4go(d, n)) return rc;
                return d4delete(d);
            },
            [](DATA4 *d) { return d4write(d, -1); }, [n](Model &m) { m[n - 1].deleted = true; }};
}

Step flush() {
    Step s{"flush", noCompose, d4flush, [](Model &) {}};
    s.flushes = true;
    return s;
}

Step closeStep() {
    Step s{"close", noCompose, d4close, [](Model &) {}};
    s.flushes = true;
    s.closes = true;
    return s;
}

Model baseline() {
    return {{"base1", 1, memoText(30, 'a'), false},
            {"base2", 2, memoText(150, 'b'), false},
            {"base3", 3, "", false},
            {"base4", 4, memoText(70, 'c'), false}};
}

std::vector<Step> workload() {
    return {append({"new5", 5, memoText(100, 'd'), false}),
            append({"new6", 6, "", false}),
            append({"new7", 7, memoText(300, 'e'), false}),
            flush(),
            rewrite(1, memoText(200, 'f'), "long1"),   // longer: moves to the end
            rewrite(2, memoText(10, 'g')),             // shorter: stays in place
            remove(3),
            rewrite(4, ""),                            // empty: no memo at all
            rewrite(5, memoText(90, 'h'), "short5"),   // shorter, in place
            append({"new8", 8, memoText(40, 'i'), false}),
            append({"new9", 9, memoText(500, 'j'), false}),
            flush(),
            append({"new10", 10, memoText(20, 'k'), false}),
            rewrite(6, memoText(64, 'l')),             // from none to two blocks
            remove(10),
            closeStep()};
}

struct Config {
    const char *name;
    int level;
    bool buffered;  // table files keep a read-ahead window and a write-behind buffer
    FaultPlan plan;
};

// What follows a failed operation once the disk is sound again.
enum class After { Close, Retry, GiveUp };

using SweepParam = std::tuple<Config, After>;

std::string sweepName(const testing::TestParamInfo<SweepParam> &info) {
    const char *after[] = {"close", "retry", "give_up"};
    return std::string(std::get<0>(info.param).name) + "_then_" + after[(int)std::get<1>(info.param)];
}
void PrintTo(const Config &c, std::ostream *os) { *os << c.name; }

const int kIoCodes[] = {e4close, e4len, e4lenSet, e4read, e4write, e4optFlush};

bool isIoCode(int code) {
    for (int c : kIoCodes)
        if (code == c) return true;
    return false;
}

class FaultSweep : public vt::EngineTest, public testing::WithParamInterface<SweepParam> {
protected:
    const Config &config() const { return std::get<0>(GetParam()); }
    After after() const { return std::get<1>(GetParam()); }

    void SetUp() override {
        vt::EngineTest::SetUp();
        cb.memSizeMemo = 64;
        cb.compatibility = (int16_t)config().level;
        cb.fileReadAhead = config().buffered ? 65536 : 0;
        cb.safety = 0;
    }

    std::string makeTable(int run) {
        std::string name = dir.file("t" + std::to_string(run));
        FIELD4INFO fields[] = {{"NAME", 'C', 10, 0, 0}, {"NUM", 'N', 6, 0, 0}, {"NOTES", 'M', 0, 0, 0},
                               {nullptr, 0, 0, 0, 0}};
        DATA4 *d = d4create(&cb, name.c_str(), fields);
        [&] { ASSERT_NE(d, nullptr); }();
        if (!d) return name;
        for (const Rec &r : baseline()) [&] {
                Step s = append(r);
                ASSERT_EQ(runStep(s, d), 0);
            }();
        [&] { ASSERT_EQ(d4close(d), 0); }();
        return name;
    }

    Rec readRec(DATA4 *d) {
        Rec r;
        std::string name = f4str(d4field(d, "NAME"));
        while (!name.empty() && name.back() == ' ') name.pop_back();
        r.name = name;
        r.num = f4long(d4field(d, "NUM"));
        FIELD4 *notes = d4field(d, "NOTES");
        unsigned len = f4memoLen(notes);
        r.memo.assign(f4memoPtr(notes), len);
        r.deleted = d4deleted(d) != 0;
        return r;
    }

    // One run with the fault at the n-th counted call; false when n is past
    // the workload's last I/O call.
    bool runOnce(long n, int *failures) {
        const Config &cfg = config();
        std::string name = makeTable((int)n);
        if (HasFatalFailure()) return false;
        std::string where = std::string(cfg.name) + ", fault at call " + std::to_string(n);
        auto fail = [&](const std::string &what) {
            ++*failures;
            ADD_FAILURE() << where << ": " << what;
        };

        DATA4 *d = d4open(&cb, name.c_str());
        if (!d) {
            fail("the table does not open before the workload");
            return false;
        }
        Model durable = baseline(), committed = baseline(), attempted = baseline();
        std::vector<Step> steps = workload();
        Step *failed = nullptr;
        bool closed = false;
        {
            FaultyDisk disk;
            FaultPlan plan = cfg.plan;
            plan.at = n;
            disk.arm(plan);
            for (Step &s : steps) {
                long before = disk.injected(), beforeNotRead = disk.injectedNotRead();
                shown.clear();
                int rc = runStep(s, d);
                if (s.closes) closed = true;
                bool faulted = disk.injected() > before;
                if (rc == 0 && cb.errorCode == 0) {
                    if (disk.injectedNotRead() > beforeNotRead && cfg.plan.kind != Fault::ShortThenGo)
                        fail("\"" + s.label + "\" reported success after the injected " + disk.what());
                    s.apply(committed);
                    if (s.flushes) durable = committed;
                    continue;
                }
                attempted = committed;
                s.apply(attempted);
                failed = &s;
                std::string what = "\"" + s.label + "\" gave " + std::to_string(rc) + " (errorCode " +
                                   std::to_string(cb.errorCode) + ")";
                if (!faulted) fail(what + " without an injected fault" + (disk.injected() ? " in it" : ""));
                if (rc >= 0) fail(what + ": a failure must be a negative code");
                if (!isIoCode(cb.errorCode)) fail(what + ": not an I/O error code for " + disk.what());
                if (shown.messages().empty()) fail(what + ": nothing went through the error routine");
                break;
            }
            if (cfg.plan.kind == Fault::ShortThenGo && failed) fail("a short write that completes is not a failure");
            if (disk.calls() < n) {
                if (!closed) d4close(d);
                return false;
            }
        }
        // The disk is sound again: retry or give up, then close and reopen.
        error4set(&cb, 0);
        shown.clear();
        const Model *exact = nullptr;
        if (failed && !closed && after() == After::Retry) {
            int rc = failed->composed ? failed->commit(d) : runStep(*failed, d);
            if (rc != 0) fail("retrying \"" + failed->label + "\" gave " + std::to_string(rc));
            exact = &attempted;
            error4set(&cb, 0);
        } else if (failed && !closed && after() == After::GiveUp) {
            d4changed(d, 0);
            exact = &committed;
        }
        if (!closed) {
            int rc = d4close(d);
            if (rc != 0) fail("closing after the fault gave " + std::to_string(rc));
            error4set(&cb, 0);
        }
        d = d4open(&cb, name.c_str());
        if (!d) {
            fail("the table does not open after the fault: error " + std::to_string(cb.errorCode));
            error4set(&cb, 0);
            return true;
        }
        bool lenient = failed && failed->closes && cfg.plan.sticky;
        long count = d4recCount(d);
        long lo = (long)std::min({committed.size(), attempted.size(), lenient ? durable.size() : committed.size()});
        long hi = (long)std::max(committed.size(), attempted.size());
        std::string label = failed ? failed->label : std::string("nothing");
        if (count < lo || count > hi)
            fail("record count " + std::to_string(count) + " after \"" + label + "\" failed; expected " +
                 std::to_string(lo) + " to " + std::to_string(hi));
        if (exact && count != (long)exact->size())
            fail("record count " + std::to_string(count) + " after \"" + label + "\" failed; expected exactly " +
                 std::to_string(exact->size()));
        for (long r = 1; r <= count && r <= hi; r++) {
            if (d4go(d, r) != 0) {
                fail("record " + std::to_string(r) + " cannot be read: error " + std::to_string(cb.errorCode));
                error4set(&cb, 0);
                continue;
            }
            Rec got = readRec(d);
            if (cb.errorCode != 0) {
                fail("record " + std::to_string(r) + " reads with error " + std::to_string(cb.errorCode));
                error4set(&cb, 0);
            }
            size_t i = (size_t)r - 1;
            bool ok = (i < committed.size() && got == committed[i]) || (i < attempted.size() && got == attempted[i]) ||
                      (lenient && i < durable.size() && got == durable[i]);
            if (exact) ok = i < exact->size() && got == (*exact)[i];
            if (!ok)
                fail("record " + std::to_string(r) + " after \"" + label + "\" failed is " + describe(got) +
                     "; it was " + (i < committed.size() ? describe(committed[i]) : std::string("not there")));
        }
        vt::WalkResult walk = vt::walkTable(d, 100);
        for (int code : {e4read, e4data, e4memoCorrupt})
            if (walk.codes.count(code)) fail("reading the table gives error " + std::to_string(code));
        d4close(d);
        error4set(&cb, 0);
        return true;
    }
};

TEST_P(FaultSweep, EveryIoCallOfTheWorkloadFailsOnce) {
    int failures = 0;
    long n = 1;
    for (; n < 10000 && failures < 8; n++)
        if (!runOnce(n, &failures)) break;
    EXPECT_GT(n, 20) << "the workload made suspiciously few I/O calls";
    RecordProperty("calls", (int)n - 1);
}

// Creating and opening meet failing calls too: a failed create reports its
// code and leaves either nothing or a table that opens; a failed open
// reports its code and leaves the table as good as it was.
class FaultyCreateAndOpen : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        cb.memSizeMemo = 64;
        cb.offError = 1;
    }
    FIELD4INFO fields_[4] = {{"NAME", 'C', 10, 0, 0}, {"NUM", 'N', 6, 0, 0}, {"NOTES", 'M', 0, 0, 0},
                             {nullptr, 0, 0, 0, 0}};
};

TEST_F(FaultyCreateAndOpen, AFailedCreateLeavesNothingOrATableThatOpens) {
    for (int level : {3, 25, 30}) {
        cb.compatibility = (int16_t)level;
        for (long n = 1;; n++) {
            std::string name = dir.file("c" + std::to_string(level) + "_" + std::to_string(n));
            SCOPED_TRACE(name);
            FaultyDisk disk;
            disk.arm({n, Fault::Fail, ENOSPC, false});
            DATA4 *d = d4create(&cb, name.c_str(), fields_);
            long calls = disk.calls();
            disk.disarm();
            if (d) {
                EXPECT_EQ(disk.injectedNotRead(), 0) << disk.what();
                d4close(d);
            } else {
                EXPECT_GT(disk.injected(), 0);
                EXPECT_TRUE(isIoCode(cb.errorCode) || cb.errorCode == e4create) << cb.errorCode;
            }
            error4set(&cb, 0);
            if (file4exists((name + ".dbf").c_str())) {
                DATA4 *again = d4open(&cb, name.c_str());
                EXPECT_NE(again, nullptr) << "a table left by a failed create does not open: " << cb.errorCode;
                if (again) d4close(again);
                error4set(&cb, 0);
            } else {
                EXPECT_FALSE(file4exists((name + (level == 3 ? ".dbt" : ".fpt")).c_str()))
                    << "a memo file without its table";
            }
            if (calls < n) break;
        }
    }
}

TEST_F(FaultyCreateAndOpen, AFailedOpenIsReportedAndLeavesTheTableAsItWas) {
    std::string name = dir.file("o");
    DATA4 *d = d4create(&cb, name.c_str(), fields_);
    ASSERT_NE(d, nullptr);
    for (int i = 0; i < 3; i++) {
        d4appendStart(d, 0);
        d4blank(d);
        f4memoAssign(d4field(d, "NOTES"), "memo");
        ASSERT_EQ(d4append(d), 0);
    }
    ASSERT_EQ(d4close(d), 0);
    for (long n = 1;; n++) {
        SCOPED_TRACE(n);
        FaultyDisk disk;
        disk.arm({n, Fault::Fail, EIO, false});
        d = d4open(&cb, name.c_str());
        long calls = disk.calls();
        if (d) {
            d4close(d);
        } else {
            EXPECT_GT(disk.injected(), 0);
            EXPECT_TRUE(isIoCode(cb.errorCode)) << cb.errorCode;
        }
        disk.disarm();
        error4set(&cb, 0);
        d = d4open(&cb, name.c_str());
        ASSERT_NE(d, nullptr) << cb.errorCode;
        vt::WalkResult walk = vt::walkTable(d, 10);
        EXPECT_EQ(walk.records, 3);
        for (int code : {e4read, e4data, e4memoCorrupt}) EXPECT_EQ(walk.codes.count(code), 0u) << code;
        d4close(d);
        error4set(&cb, 0);
        if (calls < n) break;
    }
}

FaultPlan plan(Fault kind, int err, bool sticky = false) {
    FaultPlan p;
    p.kind = kind;
    p.err = err;
    p.sticky = sticky;
    return p;
}

const Config kConfigs[] = {
    {"L25_buffered_EIO", 25, true, plan(Fault::Fail, EIO)},
    {"L25_buffered_ENOSPC", 25, true, plan(Fault::Fail, ENOSPC)},
    {"L25_buffered_short_then_full", 25, true, plan(Fault::ShortThenFull, ENOSPC)},
    {"L25_buffered_short_write_completes", 25, true, plan(Fault::ShortThenGo, 0)},
    {"L25_buffered_sticky_EIO", 25, true, plan(Fault::Fail, EIO, true)},
    {"L25_direct_EIO", 25, false, plan(Fault::Fail, EIO)},
    {"L25_direct_short_then_full", 25, false, plan(Fault::ShortThenFull, ENOSPC)},
    {"L25_direct_sticky_ENOSPC", 25, false, plan(Fault::Fail, ENOSPC, true)},
    {"L30_buffered_EIO", 30, true, plan(Fault::Fail, EIO)},
    {"L30_buffered_short_then_full", 30, true, plan(Fault::ShortThenFull, ENOSPC)},
    {"L30_buffered_sticky_ENOSPC", 30, true, plan(Fault::Fail, ENOSPC, true)},
    {"L30_direct_ENOSPC", 30, false, plan(Fault::Fail, ENOSPC)},
    {"L30_direct_short_write_completes", 30, false, plan(Fault::ShortThenGo, 0)},
    // dBASE III tables: memos in a .dbt, 512-byte blocks, ended by 0x1A 0x1A.
    {"L3_buffered_EIO", 3, true, plan(Fault::Fail, EIO)},
    {"L3_direct_short_then_full", 3, false, plan(Fault::ShortThenFull, ENOSPC)},
    {"L3_buffered_sticky_ENOSPC", 3, true, plan(Fault::Fail, ENOSPC, true)},
};

INSTANTIATE_TEST_SUITE_P(Workload, FaultSweep,
                         testing::Combine(testing::ValuesIn(kConfigs),
                                          testing::Values(After::Close, After::Retry, After::GiveUp)),
                         sweepName);

}  // namespace
