// Fault-injection sweep over key maintenance: a workload of appends, key
// changes, deletions, recalls, flushes and a close on a table with two tags
// (one with a FOR expression, one descending) runs once for every I/O call
// it makes, with that call failing (or writing only half its bytes). After
// the failure the operation is retried, given up (d4changed(d, 0)) or the
// table closed at once; then, with a sound disk, the table is closed and
// opened again and:
//   - every record is exactly what the successful operations wrote (the
//     failed one's record may be old or new when the table was closed at
//     once, never a mixture; after a retry it is new, after giving up old);
//   - both tags pass the tag check: sound, and holding exactly the keys of
//     the records on file.
// A disk that fails for good (sticky faults) cannot take what the engine
// still holds when it closes: there the records are judged as before and
// the index must be reported (never crash) and come right with d4reindex.
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "fault_disk.h"
#include "indexes/t4check.h"
#include "test_support.h"

namespace {

using rely::Fault;
using rely::FaultPlan;
using rely::FaultyDisk;

struct Rec {
    std::string name;
    long num = 0;
    bool deleted = false;
    bool operator==(const Rec &o) const { return name == o.name && num == o.num && deleted == o.deleted; }
};
using Model = std::vector<Rec>;

struct Step {
    std::string label;
    std::function<int(DATA4 *)> compose;
    std::function<int(DATA4 *)> commit;
    std::function<void(Model &)> apply;
    bool flushes = false;
    bool closes = false;
    bool composed = false;
};

int runStep(Step &s, DATA4 *d) {
    s.composed = false;
    if (s.compose)
        if (int rc = s.compose(d)) return rc;
    s.composed = true;
    return s.commit(d);
}

Step append(const std::string &name, long num) {
    return {"append " + name,
            [=](DATA4 *d) {
                if (int rc = d4appendStart(d, 0)) return rc;
                if (int rc = d4blank(d)) return rc;
                f4assign(d4field(d, "NAME"), name.c_str());
                f4assignLong(d4field(d, "NUM"), num);
                return 0;
            },
            d4append, [=](Model &m) { m.push_back({name, num, false}); }};
}

Step change(long n, const std::string &name, long num) {
    return {"change " + std::to_string(n) + " to " + name,
            [=](DATA4 *d) {
                if (int rc = d4go(d, n)) return rc;
                f4assign(d4field(d, "NAME"), name.c_str());
                f4assignLong(d4field(d, "NUM"), num);
                return 0;
            },
            [](DATA4 *d) { return d4write(d, -1); },
            [=](Model &m) {
                m[n - 1].name = name;
                m[n - 1].num = num;
            }};
}

Step mark(long n, bool deleted) {
    return {(deleted ? "delete " : "recall ") + std::to_string(n),
            [=](DATA4 *d) {
                if (int rc = d4go(d, n)) return rc;
                return deleted ? d4delete(d) : d4recall(d);
            },
            [](DATA4 *d) { return d4write(d, -1); }, [=](Model &m) { m[n - 1].deleted = deleted; }};
}

Step flush() {
    Step s{"flush", nullptr, d4flush, [](Model &) {}};
    s.flushes = true;
    return s;
}

Step closeStep() {
    Step s{"close", nullptr, d4close, [](Model &) {}};
    s.flushes = s.closes = true;
    return s;
}

constexpr long kBase = 300;

std::string baseName(long r) { return "n" + std::to_string((r * 37) % 97); }
long baseNum(long r) { return (r * 53) % 200 - 20; }

Model baseline() {
    Model m;
    for (long r = 1; r <= kBase; r++) m.push_back({baseName(r), baseNum(r), false});
    return m;
}

// Enough changes that leaves split, keys move between leaves, leaves empty
// and their blocks are freed and reused, and the root of the FOR tag grows.
std::vector<Step> workload() {
    std::vector<Step> w;
    for (int i = 0; i < 6; i++) w.push_back(append("a" + std::to_string(i), 500 + i));
    w.push_back(change(3, "zz", -5));
    w.push_back(change(150, "n1", 77));
    w.push_back(mark(20, true));
    w.push_back(flush());
    for (int i = 0; i < 4; i++) w.push_back(change(100 + i, "b" + std::to_string(i), -100 - i));
    w.push_back(mark(20, false));
    w.push_back(append("n1", 3));
    w.push_back(flush());
    w.push_back(change(301, "a0", -1));
    w.push_back(append("zzz", 900));
    w.push_back(closeStep());
    return w;
}

struct Config {
    const char *name;
    bool buffered;
    FaultPlan plan;
};

enum class After { Close, Retry, GiveUp };
using SweepParam = std::tuple<Config, After>;

std::string sweepName(const testing::TestParamInfo<SweepParam> &info) {
    const char *after[] = {"close", "retry", "give_up"};
    return std::string(std::get<0>(info.param).name) + "_then_" + after[(int)std::get<1>(info.param)];
}
void PrintTo(const Config &c, std::ostream *os) { *os << c.name; }

class IndexFaultSweep : public vt::EngineTest, public testing::WithParamInterface<SweepParam> {
protected:
    const Config &config() const { return std::get<0>(GetParam()); }
    After after() const { return std::get<1>(GetParam()); }

    void SetUp() override {
        vt::EngineTest::SetUp();
        cb.fileReadAhead = config().buffered ? 65536 : 0;
        cb.safety = 0;
        cb.offError = 1;
        std::string name = dir.file("template");
        FIELD4INFO fields[] = {{"NAME", 'C', 10, 0, 0}, {"NUM", 'N', 6, 0, 0}, {nullptr, 0, 0, 0, 0}};
        DATA4 *d = d4create(&cb, name.c_str(), fields);
        ASSERT_NE(nullptr, d);
        for (const Rec &r : baseline()) {
            d4appendStart(d, 0);
            d4blank(d);
            f4assign(d4field(d, "NAME"), r.name.c_str());
            f4assignLong(d4field(d, "NUM"), r.num);
            ASSERT_EQ(0, d4append(d));
        }
        TAG4DESC tags[] = {{"NAME", "NAME", "NUM > 0", 0, 0, nullptr},
                           {"NUM", "NUM", nullptr, 0, r4descending, nullptr},
                           {nullptr, nullptr, nullptr, 0, 0, nullptr}};
        ASSERT_NE(nullptr, i4create(d, nullptr, tags));
        ASSERT_EQ(0, d4close(d));
    }

    std::string copyTemplate(long run) {
        std::string name = dir.file("t" + std::to_string(run));
        for (const char *ext : {".dbf", ".cdx"})
            std::filesystem::copy_file(dir.file(std::string("template") + ext), name + ext);
        return name;
    }

    Rec readRec(DATA4 *d) {
        std::string name = f4str(d4field(d, "NAME"));
        while (!name.empty() && name.back() == ' ') name.pop_back();
        return {name, f4long(d4field(d, "NUM")), d4deleted(d) != 0};
    }

    // The tags' check on the reopened table: "" when both are sound and current.
    std::string checkTags(DATA4 *d) {
        std::string out;
        for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
            TAG4CHECK check;
            int rc = t4check(t, &check);
            if (rc != 0) out += std::string(t4alias(t)) + ": " + check.message + " (" + std::to_string(rc) + "); ";
        }
        return out;
    }

    bool runOnce(long n, int *failures) {
        const Config &cfg = config();
        std::string name = copyTemplate(n);
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
                long before = disk.injected();
                int rc = runStep(s, d);
                if (s.closes) closed = true;
                if (rc == 0 && cb.errorCode == 0) {
                    s.apply(committed);
                    if (s.flushes) durable = committed;
                    continue;
                }
                attempted = committed;
                s.apply(attempted);
                failed = &s;
                if (disk.injected() == before) fail("\"" + s.label + "\" failed without an injected fault");
                if (rc >= 0) fail("\"" + s.label + "\" failed with " + std::to_string(rc));
                break;
            }
            if (disk.calls() < n) {
                if (!closed) d4close(d);
                return false;
            }
        }
        error4set(&cb, 0);
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
        if (!closed && d4close(d) != 0) fail("closing after the fault failed");
        error4set(&cb, 0);
        d = d4open(&cb, name.c_str());
        if (!d) {
            fail("the table does not open after the fault: error " + std::to_string(cb.errorCode));
            error4set(&cb, 0);
            return true;
        }
        bool lenient = failed && failed->closes && cfg.plan.sticky;
        std::string label = failed ? failed->label : std::string("nothing");
        long count = d4recCount(d);
        size_t hi = std::max(committed.size(), attempted.size());
        for (long r = 1; r <= count && (size_t)r <= hi; r++) {
            if (d4go(d, r) != 0) {
                fail("record " + std::to_string(r) + " cannot be read");
                error4set(&cb, 0);
                continue;
            }
            Rec got = readRec(d);
            size_t i = (size_t)r - 1;
            bool ok = (i < committed.size() && got == committed[i]) || (i < attempted.size() && got == attempted[i]) ||
                      (lenient && i < durable.size() && got == durable[i]);
            if (exact) ok = i < exact->size() && got == (*exact)[i];
            if (!ok) fail("record " + std::to_string(r) + " after \"" + label + "\" failed is " + got.name);
        }
        if (exact && count != (long)exact->size())
            fail("record count " + std::to_string(count) + " after \"" + label + "\"");
        std::string problems = checkTags(d);
        if (!cfg.plan.sticky) {
            if (!problems.empty()) fail("after \"" + label + "\" failed the tags are not right: " + problems);
        } else if (!problems.empty()) {
            // The index could not be written: reported, and a rebuild mends it.
            error4set(&cb, 0);
            if (d4reindex(d) != 0) fail("reindexing after \"" + label + "\" failed");
            std::string again = checkTags(d);
            if (!again.empty()) fail("after reindexing: " + again);
        }
        d4close(d);
        error4set(&cb, 0);
        return true;
    }
};

TEST_P(IndexFaultSweep, EveryIoCallOfTheWorkloadFailsOnce) {
    int failures = 0;
    long n = 1;
    for (; n < 10000 && failures < 6; n++)
        if (!runOnce(n, &failures)) break;
    EXPECT_GT(n, 30) << "the workload made suspiciously few I/O calls";
    RecordProperty("calls", (int)n - 1);
}

FaultPlan plan(Fault kind, int err, bool sticky = false) {
    FaultPlan p;
    p.kind = kind;
    p.err = err;
    p.sticky = sticky;
    return p;
}

const Config kConfigs[] = {
    {"buffered_EIO", true, plan(Fault::Fail, EIO)},
    {"buffered_short_then_full", true, plan(Fault::ShortThenFull, ENOSPC)},
    {"buffered_sticky_ENOSPC", true, plan(Fault::Fail, ENOSPC, true)},
    {"direct_ENOSPC", false, plan(Fault::Fail, ENOSPC)},
    {"direct_short_write_completes", false, plan(Fault::ShortThenGo, 0)},
    {"direct_short_then_full", false, plan(Fault::ShortThenFull, ENOSPC)},
};

INSTANTIATE_TEST_SUITE_P(KeyMaintenance, IndexFaultSweep,
                         testing::Combine(testing::ValuesIn(kConfigs),
                                          testing::Values(After::Close, After::Retry, After::GiveUp)),
                         sweepName);

}  // namespace
