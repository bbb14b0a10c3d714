// Key maintenance against a model: seeded random appends, key changes, FOR
// flips, deletions and recalls on a table with nine tags (keys of 1, 4, 5,
// 20, 40 and 240 bytes; plain, descending, FOR, candidate, unique, collated,
// null-marked, and the reuse tag DEL4REUSE), each step checked against a
// std::multimap per tag that applies the documented rules (equal keys by
// record number, unique tags keeping the first key, candidate refusals
// taking the whole write back, reused records). Every tag is walked and
// compared with its model; every so often the tag check confirms the tree is
// sound and current, and the table is closed and opened again.
//
// Reproducible from its seed: VANDREL_MODEL_SEED=n picks the seed (default
// 20240611), VANDREL_MODEL_STEPS=n the number of steps (default 3000; the
// README's longer run uses millions).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "brindle.h"
#include "indexes/collate4.h"
#include "indexes/index4internal.h"
#include "indexes/t4path.h"
#include "indexes/t4check.h"
#include "test_support.h"

namespace {

long envLong(const char *name, long fallback) {
    const char *v = std::getenv(name);
    return v && *v ? std::atol(v) : fallback;
}

struct Rec {
    std::string name;              // C(20)
    long num = 0;                  // I
    std::optional<std::string> code;  // C(5), nullable
    bool flag = false;             // L
    std::string longText;          // C(240)
    bool deleted = false;
};

std::string padded(const std::string &s, size_t n) {
    std::string out = s.substr(0, n);
    out.resize(n, ' ');
    return out;
}

std::string intKey(long v) {
    uint32_t u = (uint32_t)(int32_t)v ^ 0x80000000u;
    return {(char)(u >> 24), (char)(u >> 16), (char)(u >> 8), (char)u};
}

std::string collated(const std::string &text) {
    std::string p = padded(text, 20), out(40, '\0');
    collate4key(collate4entry(COLLATE4_GENERAL_ANSI), reinterpret_cast<const unsigned char *>(p.data()), 20,
                reinterpret_cast<unsigned char *>(out.data()), 40);
    return out;
}

enum class Kind { Plain, Unique, Candidate };

struct TagModel {
    const char *name;
    const char *expr;
    const char *filter;
    Kind kind;
    bool descending;
    const char *collation;
    bool (*forOf)(const Rec &);
    std::optional<std::string> (*keyOf)(const Rec &);   // nullopt: a null key
};

bool always(const Rec &) { return true; }
bool flagged(const Rec &r) { return r.flag; }
bool deletedOnly(const Rec &r) { return r.deleted; }

// Tags in directory (name) order, which is the order writes update them.
const TagModel kTags[] = {
    {"A_FLAG", "FLAG", nullptr, Kind::Plain, false, nullptr, always,
     [](const Rec &r) -> std::optional<std::string> { return std::string(r.flag ? "T" : "F"); }},
    {"B_NUM", "NUM", nullptr, Kind::Plain, true, nullptr, always,
     [](const Rec &r) -> std::optional<std::string> { return intKey(r.num); }},
    {"C_NAME", "NAME", "FLAG", Kind::Plain, false, nullptr, flagged,
     [](const Rec &r) -> std::optional<std::string> { return padded(r.name, 20); }},
    {"DEL4REUSE", "NUM", "DELETED()", Kind::Plain, false, nullptr, deletedOnly,
     [](const Rec &r) -> std::optional<std::string> { return intKey(r.num); }},
    {"D_CAND", "CODE", nullptr, Kind::Candidate, false, nullptr, always,
     [](const Rec &r) -> std::optional<std::string> {
         if (!r.code) return std::nullopt;
         return padded(*r.code, 5);
     }},
    {"E_LONG", "LONGTXT", nullptr, Kind::Plain, false, nullptr, always,
     [](const Rec &r) -> std::optional<std::string> { return padded(r.longText, 240); }},
    {"F_UNIQ", "NUM", nullptr, Kind::Unique, false, nullptr, always,
     [](const Rec &r) -> std::optional<std::string> { return intKey(r.num); }},
    {"G_COLL", "NAME", nullptr, Kind::Plain, false, "GENERAL", always,
     [](const Rec &r) -> std::optional<std::string> { return collated(r.name); }},
    {"H_CODE", "CODE", nullptr, Kind::Plain, false, nullptr, always,
     [](const Rec &r) -> std::optional<std::string> {
         if (!r.code) return std::string(6, '\0');
         return "\x80" + padded(*r.code, 5);
     }},
};
constexpr size_t kTagCount = sizeof kTags / sizeof kTags[0];

// A tag's model: its (key, record) entries, equal keys by record number (a
// std::multimap<key, record> kept in that order, as a set for quick lookups).
using Entries = std::set<std::pair<std::string, long>>;

struct Model {
    std::vector<Rec> recs;                  // record n at n - 1
    std::vector<Entries> tags{kTagCount};

    static bool has(const Entries &e, const std::string &key, long rec) { return e.count({key, rec}) != 0; }
    static bool hasKey(const Entries &e, const std::string &key) {
        auto it = e.lower_bound({key, LONG_MIN});
        return it != e.end() && it->first == key;
    }
    static void erase(Entries &e, const std::string &key, long rec) { e.erase({key, rec}); }
    static void insert(Entries &e, const std::string &key, long rec) { e.insert({key, rec}); }

    // Record rec goes from `from` (null: a new record) to `to`. false when a
    // candidate tag refuses (the model is then unchanged).
    bool write(long rec, const Rec *from, const Rec &to) {
        struct Change {
            size_t tag;
            std::string key;
            bool added;
        };
        std::vector<Change> done;
        auto takeBack = [&]() {
            for (auto it = done.rbegin(); it != done.rend(); ++it) {
                if (it->added) erase(tags[it->tag], it->key, rec);
                else insert(tags[it->tag], it->key, rec);
            }
        };
        for (size_t k = 0; k < kTagCount; k++) {
            const TagModel &t = kTags[k];
            Entries &e = tags[k];
            bool forOld = from && t.forOf(*from), forNew = t.forOf(to);
            std::optional<std::string> keyOld = from ? t.keyOf(*from) : std::nullopt;
            std::optional<std::string> keyNew = t.keyOf(to);
            if (from && forOld == forNew && (!forNew || keyOld == keyNew)) continue;
            if (forOld && keyOld && has(e, *keyOld, rec)) {
                erase(e, *keyOld, rec);
                done.push_back({k, *keyOld, false});
            }
            if (!forNew) continue;
            if (t.kind == Kind::Candidate && (!keyNew || hasKey(e, *keyNew))) {
                takeBack();
                return false;
            }
            if (t.kind == Kind::Unique && hasKey(e, *keyNew)) continue;
            insert(e, *keyNew, rec);
            done.push_back({k, *keyNew, true});
        }
        if (rec > (long)recs.size()) recs.push_back(to);
        else recs[rec - 1] = to;
        return true;
    }

    // The record an append takes: the reuse tag's first entry, else a new one.
    long appendTarget() const {
        const Entries &reuse = tags[3];
        if (!reuse.empty()) return reuse.begin()->second;
        return (long)recs.size() + 1;
    }
};

const char *const kNames[] = {"Anders", "anders", "\xC4rger", "Arger", "Stra\xDF" "e", "STRASSE", "\xC6sir",
                              "Zeta",   "M\xFCller", "Muller", "Smith", "Smyth", "Ng", "O'Brien", ""};
const char *const kLongStems[] = {"alpha", "alpha beta gamma", "alpha beta delta", "zulu", ""};

class KeyModel : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        cb.offError = 1;
        cb.safety = 0;
        cb.compatibility = 30;
        seed = (unsigned long)envLong("VANDREL_MODEL_SEED", 20240611);
        steps = envLong("VANDREL_MODEL_STEPS", 3000);
        rng.seed(seed);
        table = dir.file("model");
    }

    Rec randomRec() {
        Rec r;
        r.name = kNames[rng() % (sizeof kNames / sizeof *kNames)];
        if (rng() % 3 == 0) r.name += std::to_string(rng() % 50);
        r.num = (long)(rng() % 400) - 100;
        if (rng() % 12) r.code = std::to_string(rng() % 100000);
        r.flag = rng() % 2;
        r.longText = std::string(kLongStems[rng() % 5]);
        if (rng() % 2) r.longText += " " + std::to_string(rng() % 1000);
        if (rng() % 4 == 0) r.longText = std::string(200, 'x') + r.longText;
        return r;
    }

    void assign(DATA4 *d, const Rec &r) {
        f4assign(d4field(d, "NAME"), r.name.c_str());
        f4assignLong(d4field(d, "NUM"), r.num);
        if (r.code) f4assign(d4field(d, "CODE"), r.code->c_str());
        else f4assignNull(d4field(d, "CODE"));
        f4assign(d4field(d, "FLAG"), r.flag ? "T" : "F");
        f4assign(d4field(d, "LONGTXT"), r.longText.c_str());
        if (r.deleted) d4delete(d);
        else d4recall(d);
    }

    DATA4 *create() {
        FIELD4INFO fields[] = {{"NAME", 'C', 20, 0, 0},     {"NUM", 'I', 4, 0, 0},       {"CODE", 'C', 5, 0, r4null},
                               {"FLAG", 'L', 1, 0, 0},      {"LONGTXT", 'C', 240, 0, 0}, {nullptr, 0, 0, 0, 0}};
        DATA4 *d = d4create(&cb, table.c_str(), fields);
        if (!d) return nullptr;
        std::vector<TAG4DESC> descs;
        for (const TagModel &t : kTags) {
            int16_t unique = t.kind == Kind::Unique ? r4uniqueContinue : t.kind == Kind::Candidate ? r4candidate : 0;
            descs.push_back({t.name, t.expr, t.filter, unique, (uint16_t)(t.descending ? r4descending : 0),
                             t.collation});
        }
        descs.push_back({nullptr, nullptr, nullptr, 0, 0, nullptr});
        if (!i4create(d, nullptr, descs.data())) return nullptr;
        return d;
    }

    // Every tag walked in stored order against its model; "" when equal.
    std::string compare(DATA4 *d) {
        for (size_t k = 0; k < kTagCount; k++) {
            TAG4 *t = d4tag(d, kTags[k].name);
            if (!t) return std::string("no tag ") + kTags[k].name;
            TAG4FILE *tf = t->tagFile;
            std::vector<std::pair<std::string, long>> got;
            if (tfile4top(tf) < 0) return std::string("top failed in ") + kTags[k].name;
            while (!tfile4eof(tf)) {
                got.emplace_back(std::string(reinterpret_cast<const char *>(tfile4key(tf)), tf->header.keyLen),
                                 tfile4recNo(tf));
                if (tfile4skip(tf, 1) != 1) break;
            }
            if (kTags[k].descending) std::reverse(got.begin(), got.end());
            std::vector<std::pair<std::string, long>> want(model.tags[k].begin(), model.tags[k].end());
            if (got != want) {
                size_t i = 0;
                while (i < got.size() && i < want.size() && got[i] == want[i]) i++;
                return std::string(kTags[k].name) + ": " + std::to_string(got.size()) + " entries, model " +
                       std::to_string(want.size()) + ", first difference at entry " + std::to_string(i) +
                       (i < got.size() ? " (tag has record " + std::to_string(got[i].second) + ")" : "") +
                       (i < want.size() ? " (model has record " + std::to_string(want[i].second) + ")" : "");
            }
        }
        return "";
    }

    // The entries of record rec for the values it had (before) and has now,
    // looked up directly: present in each tag exactly as the model says.
    std::string local(DATA4 *d, long rec, const Rec *before) {
        const Rec &now = model.recs[rec - 1];
        for (size_t k = 0; k < kTagCount; k++) {
            TAG4FILE *tf = d4tag(d, kTags[k].name)->tagFile;
            for (const Rec *r : {before, &now}) {
                if (!r) continue;
                std::optional<std::string> key = kTags[k].keyOf(*r);
                if (!key) continue;
                bool want = Model::has(model.tags[k], *key, rec);
                // By (key, record number) through the tree, as maintenance finds it.
                T4PATH *p = t4pathOf(tf);
                if (!p || t4pathFind(p, reinterpret_cast<const unsigned char *>(key->data()), (uint32_t)rec) != 0)
                    return std::string(kTags[k].name) + ": the path to record " + std::to_string(rec) + " fails";
                const T4LEVEL &leaf = p->level[p->depth - 1];
                bool found = p->spot.pos < leaf.count && p->spot.equalKey &&
                             cdx::leafEntry(leaf.block, leaf.params, p->spot.pos).record == (uint32_t)rec;
                if (found != want)
                    return std::string(kTags[k].name) + ": record " + std::to_string(rec) +
                           (want ? " missing" : " present where the model has none");
            }
        }
        return "";
    }

    std::string checkAll(DATA4 *d) {
        for (size_t k = 0; k < kTagCount; k++) {
            TAG4 *t = d4tag(d, kTags[k].name);
            TAG4CHECK check;
            int rc = t4check(t, &check);
            if (rc < 0 || check.damaged) return std::string(kTags[k].name) + " damaged: " + check.message;
            // A unique tag loses a key when the record holding it changes
            // while others share it; the model says exactly which keys.
            if (kTags[k].kind != Kind::Unique && check.stale)
                return std::string(kTags[k].name) + " stale: " + check.message;
        }
        return "";
    }

    std::string recordsMatch(DATA4 *d) {
        if (d4recCount(d) != (long)model.recs.size())
            return "record count " + std::to_string(d4recCount(d)) + ", model " + std::to_string(model.recs.size());
        return "";
    }

    unsigned long seed = 0;
    long steps = 0;
    std::mt19937_64 rng;
    std::string table;
    Model model;
};

TEST_F(KeyModel, RandomStepsAgainstAMultimapModel) {
    DATA4 *d = create();
    ASSERT_NE(nullptr, d) << "error " << cb.errorCode;
    long refusals = 0, reuses = 0, rounds = 0;
    for (long step = 1; step <= steps; step++) {
        std::string where = "seed " + std::to_string(seed) + ", step " + std::to_string(step);
        int op = (int)(rng() % 100);
        long count = (long)model.recs.size();
        long touched = 0;
        std::vector<Rec> touchedBefore;   // the touched record's values before the step, if it had any
        if (op < 35 || count == 0) {
            Rec r = randomRec();
            if (rng() % 15 == 0 && count) r.code = model.recs[rng() % count].code;   // a likely refusal
            long target = model.appendTarget();
            const Rec *from = target <= count ? &model.recs[target - 1] : nullptr;
            Rec before = from ? *from : Rec{};
            bool accepted = model.write(target, from ? &before : nullptr, r);
            touched = accepted ? target : (from ? target : 0);
            if (from) touchedBefore.push_back(before);
            ASSERT_EQ(0, d4appendStart(d, 0)) << where;
            ASSERT_EQ(0, d4blank(d)) << where;
            assign(d, r);
            int rc = d4append(d);
            if (accepted) {
                ASSERT_EQ(0, rc) << where << ": append";
                ASSERT_EQ(target, d4recNo(d)) << where;
                if (from) reuses++;
            } else {
                ASSERT_EQ(r4unique, rc) << where << ": append should be refused";
                d4changed(d, 0);
                refusals++;
            }
        } else {
            long n = 1 + (long)(rng() % count);
            Rec r = model.recs[n - 1];
            Rec before = r;
            if (op < 55) {
                r.name = randomRec().name;
                if (rng() % 2) r.longText = randomRec().longText;
            } else if (op < 65) {
                r.num = randomRec().num;
            } else if (op < 75) {
                r.flag = !r.flag;
            } else if (op < 83) {
                r.code = rng() % 6 == 0 ? model.recs[rng() % count].code : randomRec().code;
            } else if (op < 93) {
                r.deleted = true;
            } else if (op < 97) {
                r.deleted = false;
            } else {
                r = randomRec();
                r.deleted = before.deleted;
            }
            bool accepted = model.write(n, &before, r);
            touched = n;
            touchedBefore.push_back(before);
            ASSERT_EQ(0, d4go(d, n)) << where;
            assign(d, r);
            int rc = d4write(d, -1);
            if (accepted) {
                ASSERT_EQ(0, rc) << where << ": write of record " << n;
            } else {
                ASSERT_EQ(r4unique, rc) << where << ": write of record " << n << " should be refused";
                d4changed(d, 0);
                refusals++;
            }
        }
        ASSERT_EQ(0, cb.errorCode) << where;
        if (touched) {
            ASSERT_EQ("", local(d, touched, touchedBefore.empty() ? nullptr : &touchedBefore[0])) << where;
        }
        // Whole walks get rarer as the table grows, so long runs stay linear.
        long every = std::max(20L, (long)model.recs.size() / 4);
        bool full = step <= 400 || step % every == 0 || step == steps;
        if (full) {
            std::string diff = compare(d);
            ASSERT_EQ("", diff) << where;
            ASSERT_EQ("", recordsMatch(d)) << where;
        }
        if (step % std::max(250L, (long)model.recs.size()) == 0 || step == steps) {
            ASSERT_EQ("", checkAll(d)) << where;
            if (++rounds % 2 == 0) {
                ASSERT_EQ(0, d4close(d)) << where;
                d = d4open(&cb, table.c_str());
                ASSERT_NE(nullptr, d) << where;
                ASSERT_EQ("", compare(d)) << where << " after reopening";
            } else {
                ASSERT_EQ(0, d4flush(d)) << where;
            }
        }
    }
    EXPECT_GT(refusals, 0) << "the run never met a candidate refusal";
    EXPECT_GT(reuses, 0) << "the run never reused a deleted record";
    RecordProperty("refusals", (int)refusals);
    d4close(d);
}

}  // namespace
