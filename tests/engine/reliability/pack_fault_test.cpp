// A pack stopped anywhere leaves the old table or the new one, whole.
//   - Fault sweep: a pack runs once for every platform call it makes (reads,
//     writes, truncations, flushes, closes, renames, folder and file
//     removals), that call failing, or a write putting half its bytes down
//     before the disk is full. The pack reports the failure (a read failing
//     after the last byte aside); the next open
//     finishes or rolls back the replacement and the table reads as exactly
//     the old records or exactly the live ones, memos included, with no
//     staging folder left, and brindle check passes.
//   - Kill sweep: a child process packs and is killed (SIGKILL) before its
//     n-th platform call, for every n; the same must hold, and both
//     outcomes must occur (kills before and after the commit).
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "brindle_runner.h"
#include "fault_disk.h"
#include "table_snapshot.h"
#include "indexes/d4pack.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using rely::Fault;
using rely::FaultPlan;
using rely::FaultyDisk;

class PackFaults : public vt::EngineTest {
protected:
    // The master table: 7 records with memos (rewritten once), 3 deleted.
    void makeMaster(int level) {
        cb.compatibility = level;
        master = std::make_unique<vt::TempDir>();
        std::string path = master->file("t.dbf");
        FIELD4INFO fields[] = {{"NAME", 'C', 10, 0, 0}, {"NOTES", 'M', 0, 0, 0}, {nullptr, 0, 0, 0, 0}};
        DATA4 *d = d4create(&cb, path.c_str(), fields);
        ASSERT_NE(d, nullptr);
        for (int i = 1; i <= 7; i++) {
            d4appendStart(d, 0);
            d4blank(d);
            f4assign(d4field(d, "NAME"), ("n" + std::to_string(i)).c_str());
            f4memoAssign(d4field(d, "NOTES"), std::string(300 + i, (char)('a' + i)).c_str());
            ASSERT_EQ(d4append(d), 0);
        }
        for (int i : {1, 4, 6}) {
            d4go(d, i);
            f4memoAssign(d4field(d, "NOTES"), std::string(700, 'z').c_str());
            d4delete(d);
            ASSERT_EQ(d4write(d, i), 0);
        }
        ASSERT_EQ(d4close(d), 0);
        oldState = vt::snapshotTable(&cb, path);
        newState = oldState.live();
        ASSERT_EQ(newState.records.size(), 4u);
    }

    // A fresh copy of the master in the test's folder.
    std::string freshCopy() {
        for (const auto &e : fs::directory_iterator(dir.path())) fs::remove_all(e.path());
        for (const auto &e : fs::directory_iterator(master->path()))
            fs::copy_file(e.path(), dir.file(e.path().filename().string()));
        return dir.file("t.dbf");
    }

    // 1 when the table is the new one, 0 the old one; fails otherwise.
    int judge(const std::string &t, const std::string &what) {
        cb.errorCode = 0;
        auto now = vt::snapshotTable(&cb, t);
        EXPECT_TRUE(now == oldState || now == newState) << what << ": neither the old nor the new table";
        EXPECT_FALSE(fs::exists(t + ".pack")) << what << ": the staging folder is left";
        vt::RunResult check = vt::runBrindle({"check", t});
        EXPECT_EQ(check.status, 0) << what << ": " << check.err;
        return now == newState ? 1 : 0;
    }

    std::unique_ptr<vt::TempDir> master;
    vt::TableSnapshot oldState, newState;
};

TEST_F(PackFaults, EveryFailingCallLeavesTheOldOrTheNewTable) {
    for (int level : {30, 3}) {
        makeMaster(level);
        for (Fault kind : {Fault::Fail, Fault::ShortThenFull}) {
            int outcomes[2] = {0, 0};
            long at = 1;
            for (;; at++) {
                std::string t = freshCopy();
                long injected, injectedNotRead, calls;
                int rc;
                std::string what;
                {
                    FaultyDisk disk(true);
                    disk.arm(FaultPlan{at, kind});
                    rc = d4packFile(&cb, t.c_str(), nullptr);
                    injected = disk.injected();
                    calls = disk.calls();
                    injectedNotRead = disk.injectedNotRead();
                    what = "level " + std::to_string(level) + ", " + disk.what();
                }
                if (injected == 0) {
                    EXPECT_EQ(rc, 0);
                    EXPECT_EQ(judge(t, "no fault"), 1);
                    if (at > calls) break;
                    continue;
                }
                // A read that fails after getting every byte the file has
                // (the second call of a read running into the end) may
                // rightly go unnoticed: then the pack is done.
                EXPECT_TRUE(rc != 0 || injectedNotRead == 0) << what << " was reported as success";
                int outcome = judge(t, what);
                EXPECT_TRUE(rc != 0 || outcome == 1) << what << ": a pack reported done left the old table";
                outcomes[outcome]++;
            }
            SCOPED_TRACE("level " + std::to_string(level));
            EXPECT_GT(at, 20);
            if (kind == Fault::Fail) {
                EXPECT_GT(outcomes[0], 0);
                EXPECT_GT(outcomes[1], 0);  // failures after the commit finish at the next open
            }
        }
    }
}

TEST_F(PackFaults, AKilledPackLeavesTheOldOrTheNewTable) {
    makeMaster(30);
    int outcomes[2] = {0, 0};
    for (long at = 1;; at++) {
        std::string t = freshCopy();
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FaultyDisk disk(true);
            disk.arm(FaultPlan{at, Fault::Kill});
            CODE4 c{};
            code4init(&c);
            c.offError = 1;
            int rc = d4packFile(&c, t.c_str(), nullptr);
            _exit(rc == 0 ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (!WIFSIGNALED(status)) {
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(judge(t, "not killed"), 1);
            EXPECT_GT(at, 20);
            break;
        }
        outcomes[judge(t, "killed before call " + std::to_string(at))]++;
    }
    EXPECT_GT(outcomes[0], 0);
    EXPECT_GT(outcomes[1], 0);
}

}  // namespace
