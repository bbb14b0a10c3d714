// brindle index, reindex and drop-tag, and writes with --no-index, driven as
// a user would; and a GENERAL tag that `brindle index --collate GENERAL`
// builds over the 600 texts whose keys a real writer stored: its keys are
// those stored bytes and it walks in their order.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "brindle.h"
#include "brindle_runner.h"
#include "indexes/index4internal.h"
#include "test_support.h"

namespace {

using vt::runBrindle;

class BrindleIndex : public ::testing::Test {
protected:
    void SetUp() override {
        t = dir.file("people.dbf");
        ASSERT_EQ(runBrindle({"create", t, "NAME:C:12", "CODE:C:4", "AMOUNT:N:8:2"}).status, 0);
        const char *rows[][3] = {{"Smith", "A1", "5"}, {"Jones", "B2", "7.5"}, {"Abel", "C3", "1"}, {"Smith", "D4", "2"}};
        for (auto &row : rows) {
            auto r = runBrindle({"append", t, std::string("NAME=") + row[0], std::string("CODE=") + row[1],
                                 std::string("AMOUNT=") + row[2]});
            ASSERT_EQ(r.status, 0) << r.err;
        }
    }
    std::string dumpByTag(const std::string &tag) {
        auto r = runBrindle({"dump", t, "--tag", tag, "--format", "csv", "--fields", "NAME,CODE"});
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }
    vt::TempDir dir;
    std::string t;
};

TEST_F(BrindleIndex, IndexCreatesTheProductionIndexAndWritesKeepItRight) {
    EXPECT_EQ(runBrindle({"info", t, "--json"}).out.find("\"tags\": [{"), std::string::npos);
    auto r = runBrindle({"index", t, "--tag", "name", "--key", "UPPER(NAME)"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "NAME: UPPER(NAME)\n");
    // The header now flags the index: the table does not open without it.
    std::string cdx = dir.file("people.cdx");
    std::string hidden = dir.file("elsewhere.cdx");
    std::rename(cdx.c_str(), hidden.c_str());
    EXPECT_EQ(runBrindle({"count", t}).status, 1);
    std::rename(hidden.c_str(), cdx.c_str());

    r = runBrindle({"index", t, "--tag", "CODE", "--key", "CODE", "--candidate", "--descending"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = runBrindle({"info", t});
    EXPECT_NE(r.out.find("candidate"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("descending"), std::string::npos) << r.out;
    EXPECT_EQ(dumpByTag("NAME"), "NAME,CODE\r\nAbel,C3\r\nJones,B2\r\nSmith,A1\r\nSmith,D4\r\n");
    EXPECT_EQ(dumpByTag("CODE"), "NAME,CODE\r\nSmith,D4\r\nAbel,C3\r\nJones,B2\r\nSmith,A1\r\n");

    // Appends, changes, deletions: every tag follows.
    ASSERT_EQ(runBrindle({"append", t, "NAME=Baker", "CODE=E5"}).status, 0);
    ASSERT_EQ(runBrindle({"set", t, "2", "NAME=Adams", "CODE=Z9"}).status, 0);
    ASSERT_EQ(runBrindle({"delete", t, "3"}).status, 0);
    EXPECT_EQ(dumpByTag("NAME"), "NAME,CODE\r\nAdams,Z9\r\nBaker,E5\r\nSmith,A1\r\nSmith,D4\r\n");
    EXPECT_EQ(dumpByTag("CODE"), "NAME,CODE\r\nAdams,Z9\r\nBaker,E5\r\nSmith,D4\r\nSmith,A1\r\n");
    // The candidate tag refuses a repeated code: nothing is written.
    r = runBrindle({"set", t, "1", "NAME=Twin", "CODE=E5"});
    EXPECT_EQ(r.status, 1);
    r = runBrindle({"append", t, "NAME=Twin", "CODE=A1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(runBrindle({"count", t, "--deleted"}).out, "5\n");
    // Counts through the NAME tag: the deleted Abel only with --deleted.
    EXPECT_EQ(runBrindle({"count", t, "--deleted", "--query", "NAME = 'Abel' .OR. NAME = 'Smith'"}).out, "3\n");
    EXPECT_EQ(runBrindle({"count", t, "--query", "NAME = 'Abel' .OR. NAME = 'Smith'"}).out, "2\n");
    EXPECT_EQ(dumpByTag("NAME"), "NAME,CODE\r\nAdams,Z9\r\nBaker,E5\r\nSmith,A1\r\nSmith,D4\r\n");
    r = runBrindle({"check", t});
    EXPECT_EQ(r.status, 0) << r.out;
}

TEST_F(BrindleIndex, ReindexDropTagAndRefusals) {
    ASSERT_EQ(runBrindle({"index", t, "--tag", "NAME", "--key", "NAME"}).status, 0);
    ASSERT_EQ(runBrindle({"index", t, "--tag", "AMT", "--key", "AMOUNT", "--for", "AMOUNT > 2"}).status, 0);
    // A taken name, a unique tag over repeated keys, both unique kinds.
    auto r = runBrindle({"index", t, "--tag", "name", "--key", "CODE"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Unique Key Error"), std::string::npos) << r.err;
    r = runBrindle({"index", t, "--tag", "UNAME", "--key", "NAME", "--candidate"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("unique tag met a key twice"), std::string::npos) << r.err;
    EXPECT_EQ(runBrindle({"index", t, "--tag", "X", "--key", "NAME", "--unique", "--candidate"}).status, 2);
    EXPECT_EQ(runBrindle({"index", t, "--tag", "X", "--key", "NOSUCHFIELD"}).status, 1);
    r = runBrindle({"info", t});
    EXPECT_EQ(r.out.find("UNAME"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(" X "), std::string::npos) << r.out;

    r = runBrindle({"reindex", t});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 tags rebuilt\n");
    EXPECT_EQ(runBrindle({"check", t}).status, 0);
    r = runBrindle({"drop-tag", t, "amt"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(runBrindle({"drop-tag", t, "AMT"}).status, 2);
    r = runBrindle({"info", t});
    EXPECT_EQ(r.out.find("AMT"), std::string::npos) << r.out;
    ASSERT_EQ(runBrindle({"index", t, "--tag", "CODE", "--key", "CODE"}).status, 0);
    EXPECT_EQ(runBrindle({"check", t}).status, 0);

    // Reading without the index is allowed; writing is not.
    EXPECT_EQ(runBrindle({"--no-index", "count", t}).out, "4\n");
    r = runBrindle({"--no-index", "append", t, "NAME=Ghost"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("production index"), std::string::npos) << r.err;
    EXPECT_EQ(runBrindle({"set", t, "1", "NAME=x", "--no-index"}).status, 1);
    EXPECT_EQ(runBrindle({"--no-index", "delete", t, "1"}).status, 1);
    EXPECT_EQ(runBrindle({"--no-index", "reindex", t}).status, 2);
    EXPECT_EQ(runBrindle({"count", t}).out, "4\n");
    EXPECT_EQ(runBrindle({"check", t}).status, 0);
    // The index is found whatever the letter case of its name.
    std::filesystem::rename(dir.file("people.cdx"), dir.file("PEOPLE.CDX"));
    EXPECT_EQ(runBrindle({"--no-index", "append", t, "NAME=Ghost"}).status, 1);
    EXPECT_EQ(runBrindle({"check", t}).status, 0);
}

// The stored GENERAL keys: text bytes, key length, key bytes.
struct Vector {
    std::string text;
    std::string key;
};

std::string unhex(const std::string &hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += (char)std::stoi(hex.substr(i, 2), nullptr, 16);
    return out;
}

TEST(BrindleGeneral, AGeneralTagBuiltByBrindleHoldsTheStoredKeysInTheirOrder) {
    std::ifstream in(vt::fixturePath("collation/general_vectors.tsv"));
    std::string line;
    std::getline(in, line);
    std::map<int, std::vector<Vector>> byLength;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string textHex, keyLen, keyHex;
        std::getline(fields, textHex, '\t');
        std::getline(fields, keyLen, '\t');
        std::getline(fields, keyHex, '\t');
        byLength[std::stoi(keyLen)].push_back({unhex(textHex), unhex(keyHex)});
    }
    ASSERT_EQ(5u, byLength.size());
    vt::TempDir dir;
    CODE4 cb{};
    ASSERT_EQ(0, code4init(&cb));
    cb.codePage = 0x03;
    for (const auto &[keyLen, vectors] : byLength) {
        SCOPED_TRACE("key length " + std::to_string(keyLen));
        std::string table = dir.file("general" + std::to_string(keyLen) + ".dbf");
        FIELD4INFO fields[] = {{"TEXT", 'C', (uint16_t)(keyLen / 2), 0, 0}, {nullptr, 0, 0, 0, 0}};
        DATA4 *d = d4create(&cb, table.c_str(), fields);
        ASSERT_NE(nullptr, d);
        for (const Vector &v : vectors) {
            d4appendStart(d, 0);
            d4blank(d);
            f4assignN(d4field(d, "TEXT"), v.text.data(), (unsigned)v.text.size());
            ASSERT_EQ(0, d4append(d));
        }
        ASSERT_EQ(0, d4close(d));
        auto r = runBrindle({"index", table, "--tag", "GEN", "--key", "TEXT", "--collate", "GENERAL"});
        ASSERT_EQ(r.status, 0) << r.err;
        // The order the stored keys give, equal keys by record number.
        std::vector<std::pair<std::string, long>> expected;
        for (size_t i = 0; i < vectors.size(); i++) expected.emplace_back(vectors[i].key, (long)i + 1);
        std::sort(expected.begin(), expected.end());
        d = d4open(&cb, table.c_str());
        ASSERT_NE(nullptr, d);
        TAG4FILE *tf = d4tag(d, "GEN")->tagFile;
        ASSERT_EQ((unsigned)keyLen, tf->header.keyLen);
        std::vector<std::pair<std::string, long>> walked;
        for (tfile4top(tf); !tfile4eof(tf);) {
            walked.emplace_back(std::string(reinterpret_cast<const char *>(tfile4key(tf)), (size_t)keyLen),
                                tfile4recNo(tf));
            if (tfile4skip(tf, 1) != 1) break;
        }
        EXPECT_EQ(expected, walked);
        d4close(d);
    }
    code4initUndo(&cb);
}

}  // namespace
