#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/file4platform.h"
#include "indexes/sort4.h"
#include "indexes/sort4low.h"
#include "test_support.h"

using vt::PlatformOverride;

namespace {

using vt::EngineTest;

struct Element {
    std::string key;
    uint32_t recNo;
    std::string extra;
};

bool elementLess(const Element &a, const Element &b) {
    // Keys as unsigned bytes: std::string compares chars through char_traits,
    // which compares as unsigned char.
    return std::tie(a.key, a.recNo) < std::tie(b.key, b.recNo);
}

std::string randomBytes(std::mt19937 &rng, size_t len, int alphabet) {
    std::string s(len, '\0');
    for (char &ch : s) ch = (char)(unsigned char)(rng() % alphabet * (256 / alphabet));
    return s;
}

std::vector<Element> randomElements(std::mt19937 &rng, size_t n, int keyLen, int extraLen, int alphabet) {
    std::vector<Element> v;
    v.reserve(n);
    for (size_t i = 0; i < n; i++)
        v.push_back({randomBytes(rng, keyLen, alphabet), (uint32_t)rng(), randomBytes(rng, extraLen, 256)});
    return v;
}

// Names in a folder (the spool files would show up here if they had names).
std::vector<std::string> listFolder(const std::string &path) {
    std::vector<std::string> names;
    if (DIR *d = opendir(path.c_str())) {
        while (dirent *e = readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

// Spool files opened by the sort, recorded through the platform table.
std::vector<std::pair<std::string, int>> g_opened;
int g_failAfter = -1;  // calls allowed before a read or write fails
int g_calls = 0;
int g_errno = EIO;

int recordOpen(const char *path, int flags, mode_t mode) {
    int fd = file4platformDefault().open(path, flags, mode);
    if (fd >= 0) g_opened.emplace_back(path, fd);
    return fd;
}
ssize_t failingWrite(int fd, const void *buf, size_t len, off_t pos) {
    if (g_failAfter >= 0 && g_calls++ >= g_failAfter) {
        errno = g_errno;
        return -1;
    }
    return file4platformDefault().pwrite(fd, buf, len, pos);
}
ssize_t failingRead(int fd, void *buf, size_t len, off_t pos) {
    if (g_failAfter >= 0 && g_calls++ >= g_failAfter) {
        errno = EIO;
        return -1;
    }
    return file4platformDefault().pread(fd, buf, len, pos);
}

class Sort4Test : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        setenv("TMPDIR", tmp.path().c_str(), 1);
        g_opened.clear();
        g_failAfter = -1;
        g_calls = 0;
        g_errno = EIO;
        file4platform.open = recordOpen;
    }
    void TearDown() override {
        unsetenv("TMPDIR");
        EngineTest::TearDown();
    }

    void putAll(SORT4 &s, const std::vector<Element> &in) {
        for (const Element &e : in)
            ASSERT_EQ(sort4put(&s, (long)e.recNo, e.key.data(), e.extra.empty() ? nullptr : e.extra.data()), 0);
    }

    // Puts every element, reads everything back and frees the sort.
    std::vector<Element> sortAll(const std::vector<Element> &in, int keyLen, int extraLen, SORT4 *keep = nullptr) {
        int pools = mem4poolCount();
        SORT4 s;
        EXPECT_EQ(sort4init(&s, &cb, keyLen, extraLen), 0);
        putAll(s, in);
        EXPECT_EQ(sort4getInit(&s), 0);
        std::vector<Element> out;
        long rec;
        void *key, *extra;
        int rc;
        while ((rc = sort4get(&s, &rec, &key, &extra)) == 0) {
            out.push_back({std::string(static_cast<char *>(key), keyLen), (uint32_t)rec,
                           extraLen ? std::string(static_cast<char *>(extra), extraLen) : std::string()});
            if (!extraLen) {
            EXPECT_EQ(extra, nullptr);
        }
        }
        EXPECT_EQ(rc, r4done);
        EXPECT_EQ(sort4get(&s, &rec, &key, &extra), r4done);
        if (keep) *keep = s;
        EXPECT_EQ(sort4free(&s), 0);
        // Every byte accounted for was given back, and the block pool with it.
        EXPECT_EQ(s.memHeld, 0u);
        EXPECT_EQ(mem4poolCount(), pools);
        return out;
    }

    void expectSorted(std::vector<Element> in, const std::vector<Element> &out) {
        std::stable_sort(in.begin(), in.end(), elementLess);
        ASSERT_EQ(out.size(), in.size());
        for (size_t i = 0; i < in.size(); i++) {
            ASSERT_EQ(out[i].key, in[i].key) << "at " << i;
            ASSERT_EQ(out[i].recNo, in[i].recNo) << "at " << i;
            // Elements with equal key and record number may come in either order.
            if (i + 1 < in.size() && !elementLess(in[i], in[i + 1])) continue;
            if (i > 0 && !elementLess(in[i - 1], in[i])) continue;
            ASSERT_EQ(out[i].extra, in[i].extra) << "at " << i;
        }
    }

    void expectNoDescriptorLeft() {
        for (auto &[path, fd] : g_opened) {
            EXPECT_EQ(path.rfind(tmp.path() + "/TEMP", 0), 0u) << path;
            EXPECT_EQ(fcntl(fd, F_GETFD), -1) << "descriptor of " << path << " still open";
        }
    }

    vt::TempDir tmp;  // the system temporary folder of this test
    PlatformOverride platform;  // restored after TearDown
};

TEST_F(Sort4Test, EmptySortReturns210AtOnce) {
    SORT4 s;
    ASSERT_EQ(sort4init(&s, &cb, 10, 4), 0);
    ASSERT_EQ(sort4getInit(&s), 0);
    long rec = 77;
    EXPECT_EQ(sort4get(&s, &rec, nullptr, nullptr), r4done);
    EXPECT_EQ(rec, 77);
    EXPECT_EQ(sort4get(&s, &rec, nullptr, nullptr), r4done);
    EXPECT_EQ(sort4free(&s), 0);
    EXPECT_TRUE(g_opened.empty());
}

TEST_F(Sort4Test, ElementSizeAndLayout) {
    SORT4 s;
    ASSERT_EQ(sort4init(&s, &cb, 10, 0), 0);
    EXPECT_EQ(s.elemSize, 16u);  // an index build's 10-byte key
    sort4free(&s);
    ASSERT_EQ(sort4init(&s, &cb, 1, 4), 0);
    EXPECT_EQ(s.elemSize, 16u);
    sort4free(&s);
    ASSERT_EQ(sort4init(&s, &cb, 4, 0), 0);
    EXPECT_EQ(s.elemSize, 8u);
    // The record number is stored little-endian right after the key.
    ASSERT_EQ(sort4put(&s, 0x01020304, "abcd", nullptr), 0);
    ASSERT_EQ(sort4getInit(&s), 0);
    void *key;
    ASSERT_EQ(sort4get(&s, nullptr, &key, nullptr), 0);
    const unsigned char expect[8] = {'a', 'b', 'c', 'd', 4, 3, 2, 1};
    EXPECT_EQ(std::memcmp(key, expect, 8), 0);
    sort4free(&s);
    // Missing extra information is zeros; the padding is zeros too.
    ASSERT_EQ(sort4init(&s, &cb, 3, 6), 0);
    EXPECT_EQ(s.elemSize, 16u);
    ASSERT_EQ(sort4put(&s, 9, "xyz", nullptr), 0);
    ASSERT_EQ(sort4put(&s, 8, "xyz", "\1\2\3\4\5\6"), 0);
    ASSERT_EQ(sort4getInit(&s), 0);
    long rec;
    void *extra;
    ASSERT_EQ(sort4get(&s, &rec, &key, &extra), 0);
    EXPECT_EQ(rec, 8);
    EXPECT_EQ(std::memcmp(extra, "\1\2\3\4\5\6\0\0\0", 9), 0);
    ASSERT_EQ(sort4get(&s, &rec, &key, &extra), 0);
    EXPECT_EQ(rec, 9);
    EXPECT_EQ(std::memcmp(extra, "\0\0\0\0\0\0\0\0\0", 9), 0);
    sort4free(&s);
}

TEST_F(Sort4Test, EqualKeysComeOutByRecordNumberWhateverTheInputOrder) {
    std::mt19937 rng(5);
    std::vector<Element> in;
    // Record numbers above 2^31 compare as unsigned.
    std::vector<uint32_t> recs = {7, 0xFFFFFFFFu, 1, 0x80000000u, 0, 3, 2};
    for (uint32_t r : recs) in.push_back({"same", r, "x"});
    for (int i = 0; i < 3000; i++) in.push_back({i % 2 ? "same" : "samf", (uint32_t)(3000 - i) * 3, "y"});
    std::shuffle(in.begin(), in.end(), rng);
    expectSorted(in, sortAll(in, 4, 1));

    // The same across spools: a budget of a few hundred elements.
    cb.memSizeBuffer = 1024;
    cb.memSizeSortBudget = 4096;
    SORT4 kept;
    auto out = sortAll(in, 4, 1, &kept);
    EXPECT_GT(kept.spoolsWritten, 3u);
    expectSorted(in, out);
}

TEST_F(Sort4Test, PatternsThatTroubleQuickSorts) {
    const int n = 5000;
    std::vector<std::vector<Element>> cases(6);
    for (int i = 0; i < n; i++) {
        auto k = [](int v) {
            char b[9];
            std::snprintf(b, sizeof b, "%08d", v);
            return std::string(b, 8);
        };
        cases[0].push_back({k(i), 1, ""});                             // ascending
        cases[1].push_back({k(n - i), 1, ""});                         // descending
        cases[2].push_back({k(0), 1, ""});                             // all equal, equal record numbers
        cases[3].push_back({k(i < n / 2 ? i : n - i), (uint32_t)i, ""}); // organ pipe
        cases[4].push_back({k(i % 7), (uint32_t)(n - i), ""});         // sawtooth
        cases[5].push_back({k(i % 2), (uint32_t)(i % 3), ""});         // few distinct elements
    }
    for (auto &c : cases) expectSorted(c, sortAll(c, 8, 0));
}

// Keys are compared eight bytes at a time: keys equal but for one byte next
// to a chunk's edge, keys shorter than a chunk (whose record-number bytes
// follow them in the element), bytes on both sides of 0x80, and record
// numbers whose little-endian bytes disagree with their order. Enough
// elements for several presorted runs, put shuffled (runs ordered by full
// comparison) and in record order (runs ordered by key alone, stably), in
// memory and across spools.
TEST_F(Sort4Test, ChunkEdgesShortKeysAndEqualKeysInBulk) {
    std::mt19937 rng(21);
    const uint32_t recs[] = {1, 0xFF, 0x100, 0x10000, 0x1000000, 0xFFFFFFFFu, 2, 0x201};
    const unsigned char bytes[] = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};
    for (int keyLen : {3, 7, 8, 9, 16, 17, 20}) {
        SCOPED_TRACE("key " + std::to_string(keyLen));
        std::vector<Element> in;
        for (int pos : {0, keyLen / 2, 6, 7, 8, 9, 15, 16, keyLen - 1}) {
            if (pos < 0 || pos >= keyLen) continue;
            for (unsigned char b : bytes)
                for (uint32_t r : recs) {
                    std::string key(keyLen, 'A');
                    key[pos] = (char)b;
                    in.push_back({key, r, ""});
                }
        }
        // Runs of equal keys, as an index build on a name column gives.
        for (int i = 0; i < 60000; i++) {
            std::string key(keyLen, ' ');
            key.replace(0, std::min(keyLen, 5), std::string("Smith").substr(0, std::min(keyLen, 5)));
            if (keyLen > 9) key[9] = (char)(i % 5 ? 'a' : 'b');
            in.push_back({key, (uint32_t)(rng() % 100000), ""});
        }
        // The run scratch (a pointer and an element per run entry) may take
        // a quarter of the budget: roomForRuns leaves room for two runs a spool.
        uint64_t perElement = (keyLen + 4 + 7) / 8 * 8 + sizeof(void *);
        uint64_t roomForRuns = 4 * SORT4_RUN * perElement + (64 << 10);
        std::vector<Element> shuffled = in, inRecordOrder = in;
        std::shuffle(shuffled.begin(), shuffled.end(), rng);
        std::stable_sort(inRecordOrder.begin(), inRecordOrder.end(),
                         [](const Element &a, const Element &b) { return a.recNo < b.recNo; });
        // One step down between equal keys in the second run: that run is
        // not in record order.
        std::vector<Element> oneStepDown = inRecordOrder;
        size_t step = SORT4_RUN + 100;
        while (oneStepDown[step].key != oneStepDown[step + 1].key ||
               oneStepDown[step].recNo == oneStepDown[step + 1].recNo)
            step++;
        std::swap(oneStepDown[step], oneStepDown[step + 1]);
        struct Case {
            const std::vector<Element> *in;
            uint64_t budget;
            bool spools, movesRuns;
        } cases[] = {
            {&shuffled, 64ull << 20, false, true},        {&shuffled, 96u << 10, true, false},
            {&inRecordOrder, 64ull << 20, false, true},   {&inRecordOrder, roomForRuns, true, true},
            {&oneStepDown, 64ull << 20, false, true},
        };
        for (const Case &c : cases) {
            SCOPED_TRACE("case " + std::to_string(&c - cases));
            cb.memSizeSortBudget = c.budget;
            SORT4 kept;
            auto out = sortAll(*c.in, keyLen, 0, &kept);
            EXPECT_EQ(kept.spoolsWritten >= 2, c.spools);
            EXPECT_EQ(kept.runScratchRefused, c.movesRuns ? 0 : 1);
            EXPECT_LE(kept.memPeak, kept.budget);
            expectSorted(*c.in, out);
        }
    }
}

TEST_F(Sort4Test, KeyLengthsFromOneToPastAByteAndExtraInformation) {
    std::mt19937 rng(11);
    cb.memSizeSortBudget = 256 << 10;
    for (int keyLen : {1, 2, 7, 8, 13, 255, 256, 257, 600}) {
        for (int extraLen : {0, 4, 9}) {
            SCOPED_TRACE("key " + std::to_string(keyLen) + " extra " + std::to_string(extraLen));
            // Small alphabets make long keys share long prefixes.
            auto in = randomElements(rng, keyLen > 200 ? 1500 : 4000, keyLen, extraLen, keyLen == 1 ? 256 : 3);
            SORT4 kept;
            auto out = sortAll(in, keyLen, extraLen, &kept);
            expectSorted(in, out);
            EXPECT_EQ(kept.elemSize % 8, 0u);
            EXPECT_GE(kept.elemSize, (uint32_t)(keyLen + 4 + extraLen));
            EXPECT_LT(kept.elemSize, (uint32_t)(keyLen + 4 + extraLen + 8));
            if (keyLen >= 255) {
                EXPECT_GT(kept.spoolsWritten, 0u) << "long keys should spool under this budget";
            }
            EXPECT_LE(kept.memPeak, kept.budget);
        }
    }
}

TEST_F(Sort4Test, ManySpoolsOneFinalMergeWithinTheBudget) {
    std::mt19937 rng(1);
    auto in = randomElements(rng, 60000, 8, 4, 16);
    cb.memSizeSortBudget = 64 << 10;
    cb.memSizeSortBuffer = 256;  // small minimal buffers: every spool fits the final merge
    SORT4 kept;
    auto out = sortAll(in, 8, 4, &kept);
    EXPECT_GT(kept.spoolsWritten, 20u);
    EXPECT_EQ(kept.spoolCount, kept.spoolsWritten);
    EXPECT_EQ(kept.passes, 0u);
    EXPECT_EQ(kept.budget, 64u << 10);
    EXPECT_LE(kept.memPeak, kept.budget);
    EXPECT_EQ(kept.memHeld, 0u);  // everything given back
    expectSorted(in, out);
    EXPECT_EQ(g_opened.size(), 1u);  // one spool file
    EXPECT_TRUE(listFolder(tmp.path()).empty());
    expectNoDescriptorLeft();
}

TEST_F(Sort4Test, SpoolsOutnumberingTheMergeBuffersAreMergedInPasses) {
    std::mt19937 rng(2);
    auto in = randomElements(rng, 50000, 8, 4, 4);
    cb.memSizeSortBudget = 16 << 10;  // a few hundred elements a run, two or three spools a merge
    SORT4 kept;
    auto out = sortAll(in, 8, 4, &kept);
    EXPECT_GT(kept.spoolsWritten, 60u);
    EXPECT_GE(kept.passes, 3u);
    EXPECT_LE(kept.spoolCount, 3u);  // what the final merge took
    EXPECT_LE(kept.memPeak, kept.budget);
    expectSorted(in, out);
    EXPECT_EQ(g_opened.size(), 2u);  // the passes alternate between two files
    EXPECT_TRUE(listFolder(tmp.path()).empty());
    expectNoDescriptorLeft();
}

TEST_F(Sort4Test, DefaultBudgetSortsInMemoryAndABudgetBelowTheFloorIsRaised) {
    std::mt19937 rng(3);
    auto in = randomElements(rng, 200000, 12, 4, 256);
    SORT4 kept;
    auto out = sortAll(in, 12, 4, &kept);
    EXPECT_EQ(kept.spoolsWritten, 0u);
    EXPECT_EQ(kept.budget, 64ull << 20);
    EXPECT_LE(kept.memPeak, kept.budget);
    EXPECT_TRUE(g_opened.empty());
    expectSorted(in, out);

    cb.memSizeSortBudget = 0;
    in.resize(3000);
    out = sortAll(in, 12, 4, &kept);
    EXPECT_GT(kept.budget, 0u);
    EXPECT_LE(kept.memPeak, kept.budget);
    EXPECT_GT(kept.spoolsWritten, 10u);
    expectSorted(in, out);
}

TEST_F(Sort4Test, RandomSettingsAgainstAModel) {
    std::mt19937 rng(12);
    for (int round = 0; round < 60; round++) {
        int keyLen = (int)(rng() % 41), extraLen = (int)(rng() % 13);
        cb.memSizeSortBudget = rng() % (256 << 10);
        cb.memSizeSortBuffer = rng() % 8192;
        cb.memSizeBuffer = rng() % 65536;
        size_t n = rng() % 8000;
        SCOPED_TRACE("round " + std::to_string(round));
        auto in = randomElements(rng, n, keyLen, extraLen, 1 + rng() % 256);
        SORT4 kept;
        auto out = sortAll(in, keyLen, extraLen, &kept);
        EXPECT_LE(kept.memPeak, kept.budget);
        expectSorted(in, out);
    }
    EXPECT_TRUE(listFolder(tmp.path()).empty());
    expectNoDescriptorLeft();
}

TEST_F(Sort4Test, SpoolFilesHaveNoNameWhileOpenAndAreClosedByFree) {
    std::mt19937 rng(4);
    auto in = randomElements(rng, 20000, 8, 0, 256);
    cb.memSizeSortBudget = 16 << 10;
    SORT4 s;
    ASSERT_EQ(sort4init(&s, &cb, 8, 0), 0);
    putAll(s, in);
    ASSERT_GT(s.spoolCount, 0u);
    ASSERT_EQ(g_opened.size(), 1u);
    EXPECT_TRUE(listFolder(tmp.path()).empty()) << "a killed program would leave the spool file behind";
    ASSERT_EQ(sort4getInit(&s), 0);
    long rec;
    for (int i = 0; i < 100; i++) ASSERT_EQ(sort4get(&s, &rec, nullptr, nullptr), 0);
    EXPECT_TRUE(listFolder(tmp.path()).empty());
    // Freed part way through the output.
    EXPECT_EQ(sort4free(&s), 0);
    EXPECT_TRUE(listFolder(tmp.path()).empty());
    expectNoDescriptorLeft();
    EXPECT_TRUE(shown.messages().empty());
}

TEST_F(Sort4Test, ASpoolFileThatKeepsItsNameIsRemovedOnFree) {
    file4platform.unlink = [](const char *path) -> int {
        // The early removal fails; the removal at close succeeds.
        static int calls = 0;
        if (calls++ == 0) {
            errno = EACCES;
            return -1;
        }
        return file4platformDefault().unlink(path);
    };
    std::mt19937 rng(6);
    auto in = randomElements(rng, 5000, 8, 0, 256);
    cb.memSizeSortBudget = 16 << 10;
    SORT4 s;
    ASSERT_EQ(sort4init(&s, &cb, 8, 0), 0);
    putAll(s, in);
    ASSERT_GT(s.spoolCount, 0u);
    EXPECT_EQ(listFolder(tmp.path()).size(), 1u);
    EXPECT_EQ(sort4free(&s), 0);
    EXPECT_TRUE(listFolder(tmp.path()).empty());
    expectNoDescriptorLeft();
    EXPECT_TRUE(shown.messages().empty());
}

TEST_F(Sort4Test, WriteFailureOfASpoolStopsTheSort) {
    std::mt19937 rng(7);
    auto in = randomElements(rng, 20000, 8, 0, 256);
    cb.memSizeSortBudget = 16 << 10;
    file4platform.pwrite = failingWrite;
    g_failAfter = 0;
    g_errno = ENOSPC;
    SORT4 s;
    ASSERT_EQ(sort4init(&s, &cb, 8, 0), 0);
    int rc = 0;
    size_t i = 0;
    for (; i < in.size() && rc == 0; i++) rc = sort4put(&s, in[i].recNo, in[i].key.data(), nullptr);
    EXPECT_EQ(rc, -120);
    EXPECT_LT(i, in.size());
    EXPECT_EQ(cb.errorCode, -120);
    ASSERT_FALSE(shown.messages().empty());
    EXPECT_NE(shown.messages().back().find("no space left on the device"), std::string::npos);
    // The sort stays stopped even once the caller clears the error.
    error4set(&cb, 0);
    g_failAfter = -1;
    EXPECT_EQ(sort4put(&s, 1, "12345678", nullptr), -120);
    EXPECT_EQ(sort4getInit(&s), -120);
    EXPECT_EQ(sort4get(&s, nullptr, nullptr, nullptr), -120);
    EXPECT_EQ(sort4free(&s), 0);
    EXPECT_TRUE(listFolder(tmp.path()).empty());
    expectNoDescriptorLeft();
}

TEST_F(Sort4Test, WriteFailureInAMergePassStopsTheSort) {
    std::mt19937 rng(8);
    auto in = randomElements(rng, 20000, 8, 0, 256);
    cb.memSizeSortBudget = 16 << 10;
    SORT4 s;
    ASSERT_EQ(sort4init(&s, &cb, 8, 0), 0);
    putAll(s, in);
    file4platform.pwrite = failingWrite;
    g_failAfter = 3;  // the last input spool's flush and then part of the first pass
    EXPECT_EQ(sort4getInit(&s), -120);
    EXPECT_EQ(g_opened.size(), 2u);
    error4set(&cb, 0);
    EXPECT_EQ(sort4get(&s, nullptr, nullptr, nullptr), -120);
    EXPECT_EQ(sort4free(&s), 0);
    EXPECT_TRUE(listFolder(tmp.path()).empty());
    expectNoDescriptorLeft();
}

TEST_F(Sort4Test, ReadFailuresOfTheSpoolsAreReported) {
    std::mt19937 rng(9);
    auto in = randomElements(rng, 20000, 8, 4, 256);
    cb.memSizeSortBudget = 64 << 10;
    cb.memSizeSortBuffer = 256;
    file4platform.pread = failingRead;
    for (int allowed : {0, 25}) {
        SCOPED_TRACE(allowed);
        g_calls = 0;
        g_failAfter = -1;
        SORT4 s;
        ASSERT_EQ(sort4init(&s, &cb, 8, 4), 0);
        putAll(s, in);
        ASSERT_GT(s.spoolCount, 2u);
        g_failAfter = allowed;
        int rc = sort4getInit(&s);
        long got = 0;
        while (rc == 0 && (rc = sort4get(&s, nullptr, nullptr, nullptr)) == 0) got++;
        EXPECT_EQ(rc, -70);
        EXPECT_EQ(cb.errorCode, -70);
        if (allowed) {
            EXPECT_GT(got, 0);  // failed while refilling, part way through
        }
        EXPECT_LT(got, (long)in.size());
        error4set(&cb, 0);
        EXPECT_EQ(sort4get(&s, nullptr, nullptr, nullptr), -70);
        EXPECT_EQ(sort4free(&s), 0);
    }
    EXPECT_TRUE(listFolder(tmp.path()).empty());
    expectNoDescriptorLeft();
}

TEST_F(Sort4Test, MisuseIsRefused) {
    SORT4 s;
    EXPECT_EQ(sort4init(&s, &cb, -1, 0), -930);
    error4set(&cb, 0);
    EXPECT_EQ(sort4init(&s, &cb, 10, (int)SORT4_ELEMENT_MAX), -930);
    error4set(&cb, 0);
    EXPECT_EQ(sort4init(nullptr, &cb, 10, 0), -935);
    error4set(&cb, 0);
    EXPECT_EQ(sort4put(nullptr, 1, "k", nullptr), -935);

    ASSERT_EQ(sort4init(&s, &cb, 1, 0), 0);
    EXPECT_EQ(sort4get(&s, nullptr, nullptr, nullptr), -930);  // before sort4getInit
    error4set(&cb, 0);
    EXPECT_EQ(sort4put(&s, -1, "k", nullptr), -930);
    error4set(&cb, 0);
    EXPECT_EQ(sort4put(&s, 1, nullptr, nullptr), -935);
    error4set(&cb, 0);
    // A context holding an error gates the sort without adding anything.
    error4set(&cb, -60);
    EXPECT_EQ(sort4put(&s, 1, "k", nullptr), -1);
    error4set(&cb, 0);
    ASSERT_EQ(sort4put(&s, 2, "k", nullptr), 0);
    ASSERT_EQ(sort4getInit(&s), 0);
    EXPECT_EQ(sort4put(&s, 3, "k", nullptr), -930);  // after sort4getInit
    error4set(&cb, 0);
    EXPECT_EQ(sort4getInit(&s), -930);
    error4set(&cb, 0);
    long rec;
    ASSERT_EQ(sort4get(&s, &rec, nullptr, nullptr), 0);
    EXPECT_EQ(rec, 2);
    EXPECT_EQ(sort4get(&s, &rec, nullptr, nullptr), r4done);
    EXPECT_EQ(sort4free(&s), 0);
    EXPECT_EQ(sort4get(&s, &rec, nullptr, nullptr), -930);  // freed
    EXPECT_EQ(sort4free(&s), -930);
}

}  // namespace
