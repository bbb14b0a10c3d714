// A pack stopped anywhere leaves the old table or the new one, whole: its
// records, memos and production index.
//   - Fault sweep: a pack runs once for every platform call it makes (reads,
//     writes, truncations, flushes, closes, renames, folder and file
//     removals), that call failing, or a write putting half its bytes down
//     before the disk is full. The pack reports the failure (a read failing
//     after the last byte aside); the next open finishes or rolls back the
//     replacement and the table's files are byte for byte the old ones or
//     those of a pack that met no fault (the date of last update aside),
//     with no staging folder left; the index keeps its tags, and brindle
//     check finds every tag's keys exactly those of the table.
//   - Kill sweep: a child process packs and is killed (SIGKILL) before its
//     n-th platform call, for every n; the same must hold, and both
//     outcomes must occur (kills before and after the commit).
//   - Recovery sweeps: packs killed at each point that leaves a staging
//     folder (staged files barely or fully written before the commit; after
//     it before the first rename, between renames, before the journal's and
//     the folder's removal), then the open that finishes or rolls back fails
//     at each of its platform calls in turn, or is killed before it. A failed
//     open reports its failure, a successful one has the folder gone and the
//     table whole, and the next open finds the old table (not committed) or
//     the new one (committed), as above.
// Each runs on a table without an index and on one with a production index
// of two tags (a character key, a numeric key with a FOR condition).
#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include "brindle_runner.h"
#include "fault_disk.h"
#include "table_snapshot.h"
#include "indexes/d4pack.h"
#include "indexes/i4create.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using rely::Fault;
using rely::FaultPlan;
using rely::FaultyDisk;

// A folder's files by name; a table file's date of last update (bytes 1..3)
// zeroed, as a pack sets it to the day it runs.
using Files = std::map<std::string, std::vector<unsigned char>>;

Files filesIn(const std::string &folder) {
    Files files;
    for (const auto &e : fs::directory_iterator(folder)) {
        if (!e.is_regular_file()) continue;
        std::string name = e.path().filename().string();
        std::vector<unsigned char> bytes = vt::readFile(e.path().string());
        if (name.ends_with(".dbf") && bytes.size() > 3) bytes[1] = bytes[2] = bytes[3] = 0;
        files[name] = std::move(bytes);
    }
    return files;
}

class PackFaults : public vt::EngineTest {
protected:
    // The master table: 7 records with memos (rewritten once), 3 deleted;
    // with indexed, a production index whose two tags the deletions and
    // rewrites kept up to date. Also packed once without faults, as the
    // new table to expect.
    void makeMaster(int level, bool indexed = false) {
        cb.compatibility = level;
        withIndex = indexed;
        master = std::make_unique<vt::TempDir>();
        std::string path = master->file("t.dbf");
        FIELD4INFO fields[] = {{"NAME", 'C', 10, 0, 0}, {"NUM", 'N', 5, 0, 0}, {"NOTES", 'M', 0, 0, 0},
                               {nullptr, 0, 0, 0, 0}};
        DATA4 *d = d4create(&cb, path.c_str(), fields);
        ASSERT_NE(d, nullptr);
        if (indexed) {
            TAG4DESC tags[] = {{"NAME", "UPPER(NAME)", nullptr, 0, 0, nullptr},
                               {"NUMFOR", "NUM", "NUM > 20", 0, r4descending, nullptr},
                               {nullptr, nullptr, nullptr, 0, 0, nullptr}};
            ASSERT_NE(i4create(d, nullptr, tags), nullptr);
        }
        for (int i = 1; i <= 7; i++) {
            d4appendStart(d, 0);
            d4blank(d);
            f4assign(d4field(d, "NAME"), ("n" + std::to_string(8 - i)).c_str());
            f4assignLong(d4field(d, "NUM"), i * 7);
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
        oldFiles = filesIn(master->path());
        ASSERT_EQ(oldFiles.count("t.cdx"), indexed ? 1u : 0u);
        std::string t = freshCopy();
        ASSERT_EQ(d4packFile(&cb, t.c_str(), nullptr), 0);
        ASSERT_EQ(vt::snapshotTable(&cb, t), newState);
        newFiles = filesIn(dir.path());
        ASSERT_NE(newFiles, oldFiles);
    }

    // A fresh copy of the master (or of another folder, staging folder and
    // all) in the test's folder.
    std::string freshCopy() { return copyOf(master->path()); }
    std::string copyOf(const std::string &from) {
        for (const auto &e : fs::directory_iterator(dir.path())) fs::remove_all(e.path());
        fs::copy(from, dir.path(), fs::copy_options::recursive);
        return dir.file("t.dbf");
    }

    // Runs work in a child process killed (SIGKILL) before its at-th
    // platform call: -1 when it was killed, else its exit status (0 when
    // work returned 0).
    int runKilledAt(long at, const std::function<int(CODE4 *)> &work) {
        pid_t child = fork();
        if (child < 0) return -2;
        if (child == 0) {
            FaultyDisk disk(true);
            disk.arm(FaultPlan{at, Fault::Kill});
            CODE4 c{};
            code4init(&c);
            c.offError = 1;
            c.compatibility = cb.compatibility;
            _exit(work(&c) == 0 ? 0 : 1);
        }
        int status = 0;
        if (waitpid(child, &status, 0) != child) return -2;
        if (WIFSIGNALED(status)) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    }

    // The production index's tags, opened with the table: each name with
    // its key and FOR expressions.
    std::vector<std::string> tagsOf(const std::string &t) {
        std::vector<std::string> tags;
        cb.autoOpen = 1;
        DATA4 *d = d4open(&cb, t.c_str());
        if (!d) return tags;
        for (TAG4 *g = d4tagNext(d, nullptr); g; g = d4tagNext(d, g))
            tags.push_back(std::string(t4alias(g)) + " " + t4expr(g) + " FOR " + t4filter(g));
        d4close(d);
        return tags;
    }

    // 1 when the table is the new one, 0 the old one; fails otherwise.
    int judge(const std::string &t, const std::string &what) {
        cb.errorCode = 0;
        auto now = vt::snapshotTable(&cb, t);  // the open finishes or rolls back
        EXPECT_TRUE(now == oldState || now == newState) << what << ": neither the old nor the new table";
        EXPECT_FALSE(fs::exists(t + ".pack")) << what << ": the staging folder is left";
        int outcome = now == newState ? 1 : 0;
        EXPECT_TRUE(filesIn(dir.path()) == (outcome ? newFiles : oldFiles))
            << what << ": the files differ from the " << (outcome ? "new" : "old") << " table's";
        if (withIndex) {
            std::vector<std::string> expected = {"NAME UPPER(NAME) FOR ", "NUMFOR NUM FOR NUM > 20"};
            EXPECT_EQ(tagsOf(t), expected) << what;
        }
        vt::RunResult check = vt::runBrindle({"check", t});
        EXPECT_EQ(check.status, 0) << what << ": " << check.out << check.err;
        return outcome;
    }

    // A pack stopped with its staging folder left, as the next open finds it.
    struct Interrupted {
        std::string name;  // "committed: journal t.dbf" (the staged files)
        bool committed = false;
        std::unique_ptr<vt::TempDir> files;  // the table's folder
    };

    // The master packed in child processes killed before each call in turn,
    // one folder kept for each distinct set of staged files: before the
    // commit the first and the last one found (the staged files barely
    // written, and as far written as they get), after it the first (before
    // the first rename, between renames, before the journal's removal,
    // before the folder's).
    std::vector<Interrupted> interruptedPacks() {
        std::vector<Interrupted> found;
        std::map<std::string, size_t> byName;
        bool afterCommit = false;
        for (long at = 1;; at++) {
            std::string t = freshCopy();
            int status = runKilledAt(at, [&](CODE4 *c) { return d4packFile(c, t.c_str(), nullptr); });
            EXPECT_GE(status, -1);
            if (status != -1) break;
            std::string stage = t + ".pack";
            if (!fs::exists(stage)) continue;
            std::string journal = stage + "/journal";
            if (fs::exists(journal)) {
                std::vector<unsigned char> text = vt::readFile(journal);
                afterCommit = std::string(text.begin(), text.end()) == "commit\n";
            }
            std::set<std::string> staged;
            for (const auto &e : fs::directory_iterator(stage)) staged.insert(e.path().filename().string());
            std::string name = afterCommit ? "committed:" : "not committed:";
            for (const std::string &n : staged) name += " " + n;
            if (!afterCommit) name += byName.count(name + ", first") ? ", last" : ", first";
            auto known = byName.find(name);
            if (known != byName.end() && afterCommit) continue;
            if (known == byName.end()) {
                byName[name] = found.size();
                found.push_back(Interrupted{name, afterCommit, std::make_unique<vt::TempDir>()});
            }
            Interrupted &keep = found[byName[name]];
            for (const auto &e : fs::directory_iterator(keep.files->path())) fs::remove_all(e.path());
            fs::copy(dir.path(), keep.files->path(), fs::copy_options::recursive);
        }
        return found;
    }

    std::unique_ptr<vt::TempDir> master;
    bool withIndex = false;
    vt::TableSnapshot oldState, newState;
    Files oldFiles, newFiles;
};

TEST_F(PackFaults, EveryFailingCallLeavesTheOldOrTheNewTable) {
    struct Case {
        int level;
        bool indexed;
    } cases[] = {{30, false}, {3, false}, {30, true}};
    for (const Case &k : cases) {
        makeMaster(k.level, k.indexed);
        std::string table = "level " + std::to_string(k.level) + (k.indexed ? " with an index" : "");
        SCOPED_TRACE(table);
        for (Fault kind : {Fault::Fail, Fault::ShortThenFull}) {
            int outcomes[2] = {0, 0};
            std::set<std::string> faulted;  // the kinds of call failed
            long at = 1;
            for (;; at++) {
                std::string t = freshCopy();
                long injected, injectedNotRead, calls;
                int rc;
                std::string fault;  // the call failed, as "write #12"
                {
                    FaultyDisk disk(true);
                    disk.arm(FaultPlan{at, kind});
                    rc = d4packFile(&cb, t.c_str(), nullptr);
                    injected = disk.injected();
                    calls = disk.calls();
                    injectedNotRead = disk.injectedNotRead();
                    fault = disk.what();
                }
                if (injected == 0) {
                    EXPECT_EQ(rc, 0);
                    EXPECT_EQ(judge(t, "no fault"), 1);
                    if (at > calls) break;
                    continue;
                }
                std::string what = table + ", " + fault;
                faulted.insert(fault.substr(0, fault.find(' ')));
                // A read that fails after getting every byte the file has
                // (the second call of a read running into the end) may
                // rightly go unnoticed: then the pack is done.
                EXPECT_TRUE(rc != 0 || injectedNotRead == 0) << what << " was reported as success";
                int outcome = judge(t, what);
                EXPECT_TRUE(rc != 0 || outcome == 1) << what << ": a pack reported done left the old table";
                outcomes[outcome]++;
            }
            EXPECT_GT(at, 20);
            if (kind == Fault::Fail) {
                EXPECT_GT(outcomes[0], 0);
                EXPECT_GT(outcomes[1], 0);  // failures after the commit finish at the next open
                // Staging, copying, flushing, renaming and clearing up all met a fault.
                for (const char *op : {"mkdir", "read", "write", "flush", "close", "rename", "unlink", "rmdir"})
                    EXPECT_EQ(faulted.count(op), 1u) << op;
            }
        }
    }
}

TEST_F(PackFaults, AKilledPackLeavesTheOldOrTheNewTable) {
    for (bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "with an index" : "without an index");
        makeMaster(30, indexed);
        int outcomes[2] = {0, 0};
        for (long at = 1;; at++) {
            std::string t = freshCopy();
            int status = runKilledAt(at, [&](CODE4 *c) { return d4packFile(c, t.c_str(), nullptr); });
            ASSERT_GE(status, -1);
            if (status != -1) {
                EXPECT_EQ(status, 0);
                EXPECT_EQ(judge(t, "not killed"), 1);
                EXPECT_GT(at, 20);
                break;
            }
            outcomes[judge(t, "killed before call " + std::to_string(at))]++;
        }
        EXPECT_GT(outcomes[0], 0);
        EXPECT_GT(outcomes[1], 0);
    }
}

// An open that finds a stopped pack and finishes or rolls it back, its
// every platform call failing in turn: a failed open reports its failure
// (never a table half recovered), an open that succeeds has the folder gone
// and shows the table whole, and the next open leaves exactly the old table
// (not committed) or the new one (committed).
TEST_F(PackFaults, EveryFailingCallOfARecoveringOpenLeavesTheOldOrTheNewTable) {
    std::set<std::string> faulted;
    for (bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "with an index" : "without an index");
        makeMaster(30, indexed);
        std::vector<Interrupted> stops = interruptedPacks();
        // Committed: every file staged, each rename in turn done, the
        // journal gone; and at least two stops before the commit.
        EXPECT_EQ(std::count_if(stops.begin(), stops.end(), [](const Interrupted &s) { return s.committed; }),
                  (long)oldFiles.size() + 2);
        EXPECT_GE(std::count_if(stops.begin(), stops.end(), [](const Interrupted &s) { return !s.committed; }), 2);
        for (const Interrupted &stop : stops) {
            const int expected = stop.committed ? 1 : 0;
            for (long at = 1;; at++) {
                std::string t = copyOf(stop.files->path());
                cb.errorCode = 0;
                cb.autoOpen = indexed;
                DATA4 *d;
                long injected, injectedNotRead;
                std::string fault;
                bool stageLeft = false;
                vt::TableSnapshot opened;
                {
                    FaultyDisk disk(true);
                    disk.arm(FaultPlan{at, Fault::Fail});
                    d = d4open(&cb, t.c_str());
                    injected = disk.injected();
                    injectedNotRead = disk.injectedNotRead();
                    fault = disk.what();
                    disk.disarm();
                    if (d) {
                        stageLeft = fs::exists(t + ".pack");
                        opened = vt::snapshotOf(&cb, d);
                        d4close(d);
                    }
                }
                std::string what = stop.name + ", " + (injected ? fault : "no fault");
                if (injected) faulted.insert(fault.substr(0, fault.find(' ')));
                if (d) {
                    // Only a read failing after the last byte may pass unnoticed.
                    EXPECT_EQ(injectedNotRead, 0) << what << " was reported as success";
                    EXPECT_FALSE(stageLeft) << what << ": opened with the staging folder left";
                    EXPECT_TRUE(opened == (expected ? newState : oldState)) << what << ": opened half recovered";
                } else {
                    EXPECT_GT(injected, 0) << what << ": the open failed";
                    EXPECT_LT(cb.errorCode, 0) << what << ": the failure went unreported";
                }
                EXPECT_EQ(judge(t, what), expected) << what;
                if (injected == 0) break;
            }
        }
    }
    // Renaming, flushing, removing and closing all met a fault.
    for (const char *op : {"read", "rename", "flush", "close", "unlink", "rmdir"})
        EXPECT_EQ(faulted.count(op), 1u) << op;
}

// The same open killed before each of its platform calls in turn.
TEST_F(PackFaults, AKilledRecoveringOpenLeavesTheOldOrTheNewTable) {
    for (bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "with an index" : "without an index");
        makeMaster(30, indexed);
        for (const Interrupted &stop : interruptedPacks()) {
            const int expected = stop.committed ? 1 : 0;
            long kills = 0;
            for (long at = 1;; at++) {
                std::string t = copyOf(stop.files->path());
                int status = runKilledAt(at, [&](CODE4 *c) {
                    c->autoOpen = indexed;
                    return d4open(c, t.c_str()) ? 0 : 1;
                });
                ASSERT_GE(status, -1);
                if (status != -1) {
                    EXPECT_EQ(status, 0) << stop.name;
                    EXPECT_EQ(judge(t, stop.name + ", not killed"), expected);
                    break;
                }
                kills++;
                EXPECT_EQ(judge(t, stop.name + ", killed before call " + std::to_string(at)), expected);
            }
            EXPECT_GT(kills, 0) << stop.name;
        }
    }
}

}  // namespace
