// Helpers of the session tests: a session over copies of real tables in a
// temporary folder, the date order fixed through VANDREL_DATE_ORDER, and the
// peers that check what the session read and wrote (python3-dbfread through
// session_peer.py, and brindle dump).
#pragma once
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "brindle_runner.h"
#include "table_session.h"
#include "test_support.h"
#include "utf16.h"

namespace st {

using vandrel::DisplayCell;
using vandrel::FieldEntry;
using vandrel::FieldList;
using vandrel::TableSession;

inline std::string u8(const std::u16string &s) { return vandrel::toUtf8(s); }
inline std::u16string w(const std::string &utf8) { return vandrel::utf8ToUtf16(utf8); }

// Copies samples/NAME.dbf (and its .fpt when there is one) into dir.
inline std::string copySample(const std::string &name, const vt::TempDir &dir) {
    namespace fs = std::filesystem;
    std::string base = std::string(VANDREL_SOURCE_DIR) + "/samples/" + name;
    fs::copy_file(base + ".dbf", dir.file(name + ".dbf"), fs::copy_options::overwrite_existing);
    if (fs::exists(base + ".fpt"))
        fs::copy_file(base + ".fpt", dir.file(name + ".fpt"), fs::copy_options::overwrite_existing);
    return dir.file(name + ".dbf");
}

// Copies a fixture table and, when it has one, its memo file (.fpt/.FPT).
inline std::string copyFixtureTable(const std::string &relative, const vt::TempDir &dir) {
    namespace fs = std::filesystem;
    std::string table = vt::copyFixture(relative, dir);
    fs::path from = vt::fixturePath(relative);
    for (const char *ext : {".fpt", ".FPT", ".dbt"}) {
        fs::path memo = from;
        memo.replace_extension(ext);
        if (fs::exists(memo)) vt::copyFixture(fs::relative(memo, vt::fixturePath("")).string(), dir);
    }
    return table;
}

// Clears the production-index flag (header byte 28, bit 0) of a copied table,
// for tables whose index is not shipped with the fixture.
inline void dropIndexFlag(const std::string &table) {
    auto bytes = vt::readFile(table);
    bytes[28] &= 0xFE;
    vt::writeFile(table, bytes);
}

// One record as the peer says the session should show it.
struct PeerRecord {
    long recno = 0;
    bool deleted = false;
    std::vector<std::string> texts;  // UTF-8
    std::vector<double> numbers;
};

inline std::string unhex(const std::string &hex) {
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += (char)std::stoi(hex.substr(i, 2), nullptr, 16);
    return out;
}

inline std::vector<PeerRecord> peerDisplay(const std::string &table, const std::string &encoding, int order) {
    std::string script = std::string(VANDREL_SOURCE_DIR) + "/tests/app/session/session_peer.py";
    auto r = vt::runPython("import sys; p = sys.argv.pop(1); exec(compile(open(p).read(), p, 'exec'))",
                           {script, table, encoding, std::to_string(order)});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<PeerRecord> out;
    std::istringstream lines(r.out);
    std::string line;
    while (std::getline(lines, line)) {
        PeerRecord rec;
        std::istringstream cells(line);
        std::string cell;
        std::getline(cells, cell, '\t');
        rec.recno = std::stol(cell);
        std::getline(cells, cell, '\t');
        rec.deleted = cell == "1";
        while (std::getline(cells, cell, '\t')) {
            size_t colon = cell.find(':');
            rec.texts.push_back(unhex(cell.substr(0, colon)));
            rec.numbers.push_back(std::stod(cell.substr(colon + 1)));
        }
        out.push_back(rec);
    }
    return out;
}

// brindle dump --format csv with extra arguments: the rows after the header,
// each a list of cells (RFC 4180 quoting undone).
inline std::vector<std::vector<std::string>> dumpCsv(const std::string &table, std::vector<std::string> args) {
    args.insert(args.begin(), {"dump", table, "--format", "csv"});
    auto r = vt::runBrindle(args);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::vector<std::string>> rows(1);
    std::string cell;
    bool quoted = false;
    const std::string &s = r.out;
    for (size_t i = 0; i < s.size(); i++) {
        char c = s[i];
        if (quoted) {
            if (c == '"' && i + 1 < s.size() && s[i + 1] == '"') cell += '"', i++;
            else if (c == '"') quoted = false;
            else cell += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(cell), cell.clear();
        } else if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            rows.back().push_back(cell), cell.clear();
            rows.emplace_back();
            i++;
        } else {
            cell += c;
        }
    }
    rows.pop_back();             // after the last line break
    rows.erase(rows.begin());   // the header
    return rows;
}

// A session made after the date order is fixed (the session reads it once).
class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VANDREL_DATE_ORDER", "0", 1);
        session = std::make_unique<TableSession>();
    }
    void TearDown() override {
        session.reset();
        unsetenv("VANDREL_DATE_ORDER");
    }
    bool open(const std::string &path) { return session->openTable(w(path)); }
    int column(const std::string &name) const {
        for (int k = 0; k < session->columnCount(false); k++)
            if (session->fields[session->fieldIndexOfColumn(k)].name == name) return k;
        return -1;
    }
    // A copy of the session's fields, read from record.
    FieldList record(long recno) {
        FieldList list;
        list.copyFrom(session->fields);
        EXPECT_TRUE(session->readRecord(list, recno)) << recno;
        return list;
    }
    static FieldEntry &entry(FieldList &list, const std::string &name) {
        for (int i = 0; i < list.count(); i++)
            if (list[i].name == name) return list[i];
        ADD_FAILURE() << "no field " << name;
        static FieldEntry none;
        return none;
    }

    vt::TempDir dir;
    vt::ShownErrors shown;
    std::unique_ptr<TableSession> session;
};

}  // namespace st
