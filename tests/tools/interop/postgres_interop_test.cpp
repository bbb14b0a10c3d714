// brindle's way out to a database server, tried on a real PostgreSQL server:
// the sample tables and a generated 100,000-record table (every field type,
// memos, code-page text with the bytes cp1252 leaves undefined, nulls,
// deleted records) are loaded through psql from dump --format postgres, and
// through COPY ... (FORMAT csv, HEADER) from dump --format csv; every value
// PostgreSQL then holds is compared with dump --format json.
#include <random>

#include "brindle_runner.h"
#include "postgres_server.h"
#include "test_support.h"

namespace {

std::string script(const std::string &name) {
    return std::string(VANDREL_SOURCE_DIR) + "/tests/tools/interop/scripts/" + name;
}

std::string brindle() { return vt::brindlePath(); }

// A level-30 cp1252 table with every field type PostgreSQL gets a column for.
void makeGenerated(const std::string &path, long records) {
    CODE4 c{};
    code4init(&c);
    c.compatibility = 30;
    c.codePage = 0x03;
    FIELD4INFO fields[] = {{"NAME", 'C', 30, 0, 0},      {"NOTE", 'C', 12, 0, r4null},  {"AMOUNT", 'N', 12, 3, 0},
                           {"RATIO", 'F', 10, 4, r4null}, {"QTY", 'I', 4, 0, 0},         {"WEIGHT", 'B', 8, 2, 0},
                           {"PRICE", 'Y', 8, 4, 0},       {"BORN", 'D', 8, 0, r4null},   {"SEEN", 'T', 8, 0, 0},
                           {"OK", 'L', 1, 0, 0},          {"MEMO", 'M', 4, 0, 0},        {"PIC", 'G', 4, 0, 0},
                           {"RAW", 'X', 4, 0, 0},         {"SHORT", 'Q', 2, 0, 0},       {"WIDE", 'W', 6, 0, 0},
                           {nullptr, 0, 0, 0, 0}};
    DATA4 *d = d4create(&c, path.c_str(), fields);
    ASSERT_NE(d, nullptr);
    std::mt19937 rng(20240601);
    auto pick = [&](int n) { return (int)(rng() % (unsigned)n); };
    // cp1252 text: accents, the euro sign, the undefined 0x81 and 0x9D (C1
    // controls in UTF-8), quotes, commas, backslashes, tabs, line breaks
    const char *pieces[] = {"M\xFCnchen", "Z\xF6" "e", "\x80uro", "a\x81" "b", "x\x9Dy", "\"quoted\"", "a,b",
                            "back\\slash", "tab\there", "line\nbreak", "cr\rhere", "plain", "O'Neil"};
    for (long r = 1; r <= records; r++) {
        d4appendStart(d, 0);
        d4blank(d);
        std::string name;
        for (int i = 0, n = 1 + pick(3); i < n; i++) name += std::string(i ? " " : "") + pieces[pick(13)];
        name.resize(std::min<size_t>(name.size(), 30));
        f4assignN(d4field(d, "NAME"), name.data(), (unsigned)name.size());
        if (pick(4) == 0) f4assignNull(d4field(d, "NOTE"));
        else f4assign(d4field(d, "NOTE"), pieces[pick(13)]);
        char num[32];
        if (pick(10)) {
            std::snprintf(num, sizeof num, "%12.3f", (pick(2000000) - 1000000) / 1000.0 * (pick(50) + 1));
            f4assignN(d4field(d, "AMOUNT"), num, 12);
        }
        if (pick(5) == 0) {
            f4assignNull(d4field(d, "RATIO"));
        } else {
            std::snprintf(num, sizeof num, "%10.4f", (pick(2000000) - 1000000) / 9999.0);
            f4assignN(d4field(d, "RATIO"), num, 10);
        }
        f4assignLong(d4field(d, "QTY"), (long)(int32_t)rng());
        double w = pick(3) == 0 ? (double)(pick(1000)) : std::ldexp((double)rng(), pick(120) - 60) * (pick(2) ? 1 : -1);
        f4assignDouble(d4field(d, "WEIGHT"), w);
        std::snprintf(num, sizeof num, "%d.%04d", pick(2000000) - 1000000, pick(10000));
        f4assignCurrency(d4field(d, "PRICE"), num);
        if (pick(6) == 0) {
            f4assignNull(d4field(d, "BORN"));
        } else if (pick(6)) {
            char d8[9];
            date4assign(d8, 2415021 + pick(40000));  // 1900 .. 2009
            f4assignN(d4field(d, "BORN"), d8, 8);
        }
        if (pick(5)) {
            char d8[9];
            date4assign(d8, 2440588 + pick(20000));
            std::snprintf(num, sizeof num, "%02d:%02d:%02d", pick(24), pick(60), pick(60));
            f4assignDateTime(d4field(d, "SEEN"), (std::string(d8, 8) + num).c_str());
        }
        const char logical[] = "TFYN ?";
        f4assignChar(d4field(d, "OK"), logical[pick(6)]);
        std::string memo;
        for (int i = 0, n = pick(6); i < n; i++) memo += std::string(pieces[pick(13)]) + "\n";
        f4memoAssignN(d4field(d, "MEMO"), memo.data(), (unsigned)memo.size());
        std::string bytes;
        for (int i = 0, n = pick(40); i < n; i++) bytes += (char)rng();
        f4memoAssignN(d4field(d, "PIC"), bytes.data(), (unsigned)bytes.size());
        f4memoAssignN(d4field(d, "RAW"), bytes.data(), (unsigned)std::min<size_t>(bytes.size(), 7));
        char raw[6];
        for (char &b : raw) b = (char)rng();
        f4assignN(d4field(d, "SHORT"), raw, 2);
        f4assignN(d4field(d, "WIDE"), raw, 6);
        ASSERT_EQ(d4append(d), 0);
        if (r % 97 == 0) {
            d4delete(d);
            d4write(d, r);
        }
    }
    ASSERT_EQ(d4close(d), 0);
    code4initUndo(&c);
}

class PostgresInterop : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new vt::PostgresServer();
        dir = new vt::TempDir();
    }
    static void TearDownTestSuite() {
        delete server;  // stops the server and removes its folder
        delete dir;
        server = nullptr;
        dir = nullptr;
    }
    static vt::PostgresServer *server;
    static vt::TempDir *dir;

    // What PostgreSQL holds in a table, as a JSON array in load order.
    void pgRows(const std::string &table, const std::string &out) {
        vt::writeFile(dir->file("q.sql"),
                      "SELECT coalesce(json_agg(x), '[]') FROM (SELECT * FROM \"" + table + "\") x;\n");
        auto r = vt::shell(server->psql() + " -At -f " + dir->file("q.sql") + " > " + out);
        ASSERT_EQ(r.status, 0);
    }
    // Compares the dump (with extra options) with the PostgreSQL table.
    void compare(const std::string &t, const std::string &table, const std::string &mode,
                 const std::string &extra = "") {
        std::string ours = dir->file(table + ".dump.json"), theirs = dir->file(table + ".pg.json");
        auto r = vt::shell(brindle() + " dump " + t + " --format json " + extra + " > " + ours);
        ASSERT_EQ(r.status, 0);
        pgRows(table, theirs);
        r = vt::shell("/usr/bin/python3 " + script("compare_pg.py") + " " + ours + " " + theirs + " " + mode);
        EXPECT_EQ(r.status, 0) << table << ": " << r.out;
    }
    // Loads through dump --format postgres | psql and compares.
    void throughScript(const std::string &t, const std::string &table, const std::string &extra = "") {
        auto r = vt::shell(brindle() + " dump " + t + " --format postgres --table " + table + " " + extra + " | " +
                           server->psql());
        ASSERT_EQ(r.status, 0) << table;
        compare(t, table, "copy", extra);
    }
    // Loads through dump --format csv and COPY (FORMAT csv, HEADER) into a
    // table of the same columns (sizes for binary values) and compares.
    void throughCsv(const std::string &t, const std::string &table) {
        std::string csv = dir->file(table + ".csv");
        auto r = vt::shell(brindle() + " dump " + t + " --format csv > " + csv);
        ASSERT_EQ(r.status, 0);
        r = vt::shell(brindle() + " dump " + t + " --format postgres --limit 0 --table " + table +
                      " | sed -e 's/ bytea/ bigint/' -e 's/ NOT NULL//' | " + server->psql());
        ASSERT_EQ(r.status, 0);
        r = vt::shell(server->psql() + " -c \"\\\\copy \\\"" + table + "\\\" FROM '" + csv +
                      "' WITH (FORMAT csv, HEADER)\"");
        ASSERT_EQ(r.status, 0) << table;
        compare(t, table, "csv");
    }
};

vt::PostgresServer *PostgresInterop::server = nullptr;
vt::TempDir *PostgresInterop::dir = nullptr;

TEST_F(PostgresInterop, SampleTablesLoadThroughPsqlAndCsv) {
    ASSERT_TRUE(server->ok()) << server->error();
    for (const char *name : {"people", "orders"}) {
        std::string t = std::string(VANDREL_SOURCE_DIR) + "/samples/" + name + ".dbf";
        throughScript(t, name);
        throughScript(t, std::string(name) + "_all", "--deleted");
        throughCsv(t, std::string(name) + "_csv");
    }
}

TEST_F(PostgresInterop, GeneratedTableOfEveryTypeLoadsValueForValue) {
    ASSERT_TRUE(server->ok()) << server->error();
    std::string t = dir->file("gen.dbf");
    makeGenerated(t, 100000);
    throughScript(t, "gen");
    throughScript(t, "gen_all", "--deleted");
    throughCsv(t, "gen_csv");
    // the deleted records are left out, then counted with --deleted
    vt::writeFile(dir->file("n.sql"),
                  "SELECT count(*), count(*) FILTER (WHERE deleted) FROM gen_all; SELECT count(*) FROM gen;\n");
    auto r = vt::shell(server->psql() + " -At -F ' ' -f " + dir->file("n.sql"));
    EXPECT_EQ(r.out, "100000 1030\n98970\n");
}

TEST_F(PostgresInterop, ValuesPostgresCannotTakeStopTheLoad) {
    ASSERT_TRUE(server->ok()) << server->error();
    std::string t = dir->file("bad.dbf");
    ASSERT_EQ(vt::runBrindle({"create", t, "A:N:5:1", "B:C:5"}).status, 0);
    ASSERT_EQ(vt::runBrindle({"append", t, "A=1.5", "B=x"}).status, 0);
    ASSERT_EQ(vt::runBrindle({"append", t, "A=2.5", "B=y"}).status, 0);
    auto b = vt::readFile(t);
    size_t second = (b[8] | b[9] << 8) + (b[10] | b[11] << 8) + 1;
    std::memcpy(b.data() + second, "*****", 5);  // an overflow's asterisks
    vt::writeFile(t, b);
    auto r = vt::runBrindle({"dump", t, "--format", "postgres"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("record 2, field A holds '*****', which is not a number"), std::string::npos) << r.err;
    auto load = vt::shell(brindle() + " dump " + t + " --format postgres --table bad 2>/dev/null | " + server->psql() +
                          " 2>/dev/null; " + server->psql() + " -At -c 'SELECT count(*) FROM pg_tables WHERE tablename = $$bad$$'");
    EXPECT_EQ(load.out, "0\n");  // nothing committed
}

}  // namespace
