// Tables written by other programs (tests/fixtures/real and
// tests/fixtures/harbour): every one opens without its production index and
// reads as its notes say, or is refused with the error its damage or form
// calls for.
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tables_test_util.h"

namespace fs = std::filesystem;

namespace {

struct FieldFact {
    std::string name;
    char type;
    unsigned len, dec;
};

struct TableFact {
    long records = -1, deleted = -1, headerLen = -1, recordLen = -1;
    int flags = -1;
    long memoRefs = 0, maxMemoLen = 0;
    std::vector<FieldFact> fields;
};

// Facts of every table in the FACTS.txt files, by path below real/.
std::map<std::string, TableFact> readInspections() {
    std::map<std::string, TableFact> facts;
    for (const auto &entry : fs::recursive_directory_iterator(vt::fixturePath("real"))) {
        if (entry.path().filename() != "FACTS.txt") continue;
        std::ifstream in(entry.path());
        std::string line, current;
        while (std::getline(in, line)) {
            if (line.rfind("====", 0) == 0) {
                current.clear();
                continue;
            }
            if (current.empty() && !line.empty() && line[0] != ' ') {
                current = line;
                facts[current];
                continue;
            }
            if (current.empty()) continue;
            TableFact &t = facts[current];
            std::string s = line.substr(line.find_first_not_of(' ') == std::string::npos ? 0 : line.find_first_not_of(' '));
            if (s.rfind("TABLE ", 0) == 0) {
                size_t r = s.find(" records (");
                size_t start = s.rfind(' ', r - 1) + 1;
                t.records = std::stol(s.substr(start, r - start));
                size_t del = s.find(" deleted)");
                size_t ds = s.rfind(' ', del - 1) + 1;
                t.deleted = std::stol(s.substr(ds, del - ds));
                t.headerLen = std::stol(s.substr(s.find("header ") + 7));
                t.recordLen = std::stol(s.substr(s.find(", record ") + 9));
                t.flags = std::stoi(s.substr(s.find("flags 0x") + 8, 2), nullptr, 16);
            } else if (s.rfind("field ", 0) == 0) {
                std::istringstream f(s.substr(6));
                FieldFact ff;
                std::string type, size;
                f >> ff.name >> type >> size;
                if (type.size() != 1 || size.empty() || !isdigit((unsigned char)size[0])) continue;  // damaged entry
                ff.type = type[0];
                ff.len = (unsigned)std::stoul(size);
                size_t comma = size.find(',');
                ff.dec = comma == std::string::npos ? 0 : (unsigned)std::stoul(size.substr(comma + 1));
                t.fields.push_back(ff);
            } else if (s.rfind("memo_refs: ", 0) == 0) {
                t.memoRefs = std::stol(s.substr(11));
            } else if (s.rfind("max_memo_length: ", 0) == 0) {
                t.maxMemoLen = std::stol(s.substr(17));
            }
        }
    }
    return facts;
}

struct Refusal {
    int code;
    long location;
    const char *why;
};

// The tables the engine's rules refuse, and why.
const std::map<std::string, Refusal> kRefused = {
    {"perl-dbd-xbase/rooms.dbf", {-200, E4_MSG_DATA_CORRUPT, "its descriptor terminator became 0x0A"}},
    {"ruby-dbf/dbase_83_missing_memo.dbf", {-64, E4_MSG_MEMO_MISSING, "a dBASE III table without its .dbt"}},
    {"ruby-dbf/foxprodb/FOXPRO-DB-TEST.DBC", {-64, E4_LOC_FILE4OPEN, "its memo file is .DCT, not .fpt"}},
    {"vfp9-godbase/database/EXPENSES.DBC", {-64, E4_LOC_FILE4OPEN, "its memo file is .DCT, not .fpt"}},
};

class RealTables : public vt::EngineTest {
protected:
    // A copy of the fixture's folder (so a table's memo file comes along).
    std::string copyOf(const std::string &relative) {
        fs::path from = fs::path(vt::fixturePath(relative));
        for (const auto &e : fs::directory_iterator(from.parent_path()))
            if (e.is_regular_file()) fs::copy_file(e.path(), dir.file(e.path().filename().string()),
                                                   fs::copy_options::overwrite_existing);
        return dir.file(from.filename().string());
    }
};

TEST_F(RealTables, EveryTableOpensOrIsRefusedAsDocumented) {
    auto facts = readInspections();
    ASSERT_GE(facts.size(), 25u);
    int opened = 0, refused = 0;
    for (const auto &[relative, fact] : facts) {
        SCOPED_TRACE(relative);
        std::string path = copyOf("real/" + relative);
        cb.autoOpen = 0;
        cb.offError = 1;
        cb.errorCode = 0;
        DATA4 *d = d4open(&cb, path.c_str());
        auto no = kRefused.find(relative);
        if (no != kRefused.end()) {
            EXPECT_EQ(d, nullptr) << no->second.why;
            EXPECT_EQ(cb.errorCode, no->second.code) << no->second.why;
            EXPECT_EQ(cb.errorLocation, no->second.location) << no->second.why;
            if (d) d4close(d);
            refused++;
            continue;
        }
        ASSERT_NE(d, nullptr) << cb.errorCode;
        opened++;
        EXPECT_EQ(d4recCount(d), fact.records);
        EXPECT_EQ(d->dataFile->headerLen, fact.headerLen);
        EXPECT_EQ(d4recWidth(d), (unsigned)fact.recordLen);
        size_t userFields = 0;
        for (const FieldFact &ff : fact.fields) {
            if (ff.type == '0') continue;
            FIELD4 *f = d4fieldJ(d, (int)++userFields);
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(std::string(f4name(f)), ff.name);
            EXPECT_EQ(f->type, ff.type) << ff.name;
            EXPECT_EQ(f4len(f), ff.len) << ff.name;
            EXPECT_EQ((unsigned)f4decimals(f), ff.dec) << ff.name;
        }
        EXPECT_EQ((size_t)d4numFields(d), userFields);
        long deleted = 0, memoRefs = 0, maxMemo = 0, seen = 0;
        for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) {
            seen++;
            deleted += d4deleted(d);
            for (int j = 1; j <= d4numFields(d); j++) {
                FIELD4 *f = d4fieldJ(d, j);
                if (f->memo == nullptr) continue;
                if (f4long(f) > 0) memoRefs++;
                long len = f4memoLen(f);
                EXPECT_EQ(cb.errorCode, 0) << f4name(f) << " of record " << d4recNo(d);
                maxMemo = std::max(maxMemo, len);
            }
        }
        EXPECT_EQ(cb.errorCode, 0);
        EXPECT_EQ(seen, fact.records);
        EXPECT_EQ(deleted, fact.deleted);
        EXPECT_EQ(memoRefs, fact.memoRefs);
        EXPECT_EQ(maxMemo, fact.maxMemoLen);
        EXPECT_EQ(d4close(d), 0);

        // With the production index asked for: a table whose index is not
        // in the folder is refused as an index that cannot be opened; one
        // whose index is there opens with it, or is refused by the index
        // layer (-310, a tag it cannot read).
        if (fact.flags & 1) {
            cb.autoOpen = 1;
            cb.errorCode = 0;
            fs::path index = fs::path(vt::fixturePath("real/" + relative)).replace_extension(".cdx");
            fs::path indexUpper = fs::path(index).replace_extension(".CDX");
            if (!fs::exists(index) && !fs::exists(indexUpper)) {
                EXPECT_EQ(d4open(&cb, path.c_str()), nullptr);
                EXPECT_EQ(cb.errorCode, -60);
                EXPECT_EQ(fs::path(cb.errorText).extension(), ".cdx");
            } else if (DATA4 *withIndex = d4open(&cb, path.c_str())) {
                EXPECT_NE(nullptr, d4tagNext(withIndex, nullptr));
                d4close(withIndex);
            } else {
                EXPECT_EQ(cb.errorCode, -310);
            }
            cb.errorCode = 0;
        }
        // The copy is left as it was: reading changes nothing.
        EXPECT_EQ(vt::readFile(path), vt::readFile(vt::fixturePath("real/" + relative)));
    }
    EXPECT_EQ(refused, (int)kRefused.size());
    EXPECT_EQ(opened + refused, (int)facts.size());
    cb.errorCode = 0;
}

// "\\", "\t", "\r" and "\n" back to their bytes.
std::string unescape(const std::string &s) {
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        char e = s[++i];
        out += e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e;
    }
    return out;
}

std::vector<std::string> splitTabs(const std::string &line) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        parts.push_back(line.substr(start, tab - start));
    parts.push_back(line.substr(start));
    return parts;
}

class HarbourTables : public RealTables, public testing::WithParamInterface<const char *> {};

TEST_P(HarbourTables, RecordsAndMemosReadAsWritten) {
    std::string base = GetParam();
    std::string path = copyOf("harbour/" + base + ".dbf");
    cb.autoOpen = 0;
    DATA4 *d = d4open(&cb, path.c_str());
    ASSERT_NE(d, nullptr);

    std::ifstream facts(vt::fixturePath("harbour/" + base + "_facts.txt"));
    std::string key;
    long records = -1, deleted = -1;
    while (facts >> key) {
        if (key == "reccount") facts >> records;
        else if (key == "deleted") facts >> deleted;
    }
    EXPECT_EQ(d4recCount(d), records);

    std::map<std::pair<long, std::string>, std::string> memos;
    std::ifstream memoIn(vt::fixturePath("harbour/" + base + "_memo.txt"));
    for (std::string line; std::getline(memoIn, line);) {
        auto p = splitTabs(line);
        if (p.size() >= 3) memos[{std::stol(p[0]), p[1]}] = unescape(p[2]);
    }

    std::ifstream in(vt::fixturePath("harbour/" + base + "_records.txt"));
    std::string line;
    std::getline(in, line);
    auto names = splitTabs(line);
    long rows = 0, deletedSeen = 0, memoChecked = 0;
    while (std::getline(in, line)) {
        auto v = splitTabs(line);
        ASSERT_EQ(v.size(), names.size());
        long recno = std::stol(v[0]);
        ASSERT_EQ(d4go(d, recno), 0);
        rows++;
        EXPECT_EQ(d4deleted(d) ? "*" : " ", v[1]) << recno;
        deletedSeen += d4deleted(d);
        for (size_t i = 2; i < names.size(); i++) {
            FIELD4 *f = d4field(d, names[i].c_str());
            ASSERT_NE(f, nullptr);
            std::string got;
            switch (f4type(f)) {
                case 'L': got = f4true(f) ? "T" : "F"; break;
                case 'M': {
                    auto m = memos.find({recno, names[i]});
                    std::string text(f4memoPtr(f), f4memoLen(f));
                    got = text;
                    EXPECT_EQ(text, m == memos.end() ? std::string() : m->second) << recno;
                    memoChecked += m != memos.end();
                    break;
                }
                default: got = f4str(f); break;
            }
            EXPECT_EQ(got, unescape(v[i])) << names[i] << " of record " << recno;
        }
    }
    EXPECT_EQ(rows, records);
    EXPECT_EQ(deletedSeen, deleted);
    EXPECT_EQ(memoChecked, (long)memos.size());
    d4close(d);
}

INSTANTIATE_TEST_SUITE_P(Writer, HarbourTables,
                         testing::Values("people", "built/people", "empty", "built/empty"),
                         [](const testing::TestParamInfo<const char *> &i) {
                             std::string n = i.param;
                             std::replace(n.begin(), n.end(), '/', '_');
                             return n;
                         });

}  // namespace
