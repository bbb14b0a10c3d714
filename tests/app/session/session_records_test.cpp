// Reading and writing records through the session: the display text of every
// field type against python3-dbfread on the samples and real tables, and what
// writeRecord and deleteRecord leave in the files, read back by brindle dump
// and python3-dbfread.
#include <cmath>

#include "field_types.h"
#include "session_test_util.h"

namespace {

using namespace st;

// A byte the code page leaves undefined shows as U+FFFD or as the C1 control
// of the same number (no defined byte of these code pages gives a C1 control).
std::u16string undefinedAsReplacement(std::u16string s) {
    for (char16_t &c : s)
        if (c >= 0x80 && c <= 0x9F) c = 0xFFFD;
    return s;
}

class SessionRecords : public SessionTest {
protected:
    // A new session with another date order.
    void useDateOrder(int order) {
        session.reset();
        setenv("VANDREL_DATE_ORDER", std::to_string(order).c_str(), 1);
        session = std::make_unique<TableSession>();
    }
    void expectSame(const std::u16string &text, double number, int type, const PeerRecord &r, size_t i,
                    const std::string &what) {
        EXPECT_EQ(u8(undefinedAsReplacement(text)), r.texts[i]) << what << " record " << r.recno;
        if (type == 'C') return;  // the peer reads text fields as no number
        EXPECT_NEAR(number, r.numbers[i], std::fabs(r.numbers[i]) * 1e-12) << what << " record " << r.recno;
    }
    // Every record of the table against the peer: the live ones walking the
    // view with readRow, the deleted ones (and the first) with readRecord.
    void expectPeerDisplay(const std::string &table, const std::string &encoding, int order) {
        std::vector<PeerRecord> peer = peerDisplay(table, encoding, order);
        ASSERT_FALSE(peer.empty()) << table;
        ASSERT_TRUE(open(table)) << table;
        int n = session->columnCount(true);
        std::vector<DisplayCell> row((size_t)n);
        size_t next = 0;
        for (bool on = session->goTop(); on; on = session->skipNext()) {
            while (next < peer.size() && peer[next].deleted) next++;
            ASSERT_LT(next, peer.size()) << table;
            const PeerRecord &r = peer[next++];
            ASSERT_TRUE(session->readRow(row.data(), n));
            ASSERT_EQ(row[0].recordNumber, r.recno) << table;
            ASSERT_EQ((size_t)n, r.texts.size());
            for (int k = 0; k < n; k++)
                expectSame(row[(size_t)k].text, row[(size_t)k].number, session->fields[k].type, r, (size_t)k,
                           table + " " + session->fields[k].name);
        }
        FieldList list;
        list.copyFrom(session->fields);
        for (const PeerRecord &r : peer) {
            if (!r.deleted && r.recno != 1) continue;
            ASSERT_TRUE(session->readRecord(list, r.recno));
            for (int i = 0; i < list.count(); i++)
                expectSame(list[i].valueText, list[i].valueNumber, list[i].type, r, (size_t)i, table + " " + list[i].name);
        }
        EXPECT_TRUE(shown.messages().empty()) << (shown.messages().empty() ? "" : shown.messages()[0]);
        session->closeTable();
    }
    std::vector<std::string> dumpRecord(const std::string &table, long recno) {
        auto rows = dumpCsv(table, {"--deleted"});
        EXPECT_GE((long)rows.size(), recno);
        return (long)rows.size() >= recno ? rows[(size_t)recno - 1] : std::vector<std::string>();
    }
};

TEST_F(SessionRecords, DisplayTextOfEveryTypeMatchesDbfread) {
    expectPeerDisplay(copySample("people", dir), "cp1252", 0);
    useDateOrder(1);
    expectPeerDisplay(copySample("orders", dir), "cp1252", 1);  // I, Y, B, T and null fields
    useDateOrder(2);
    expectPeerDisplay(copyFixtureTable("real/ruby-dbf/dbase_f5.dbf", dir), "cp1252", 2);
    expectPeerDisplay(copyFixtureTable("real/ruby-dbf/dbase_03.dbf", dir), "cp1252", 2);
    expectPeerDisplay(copyFixtureTable("real/harbour-core-gtnap/cotacao.dbf", dir), "cp1252", 2);
    expectPeerDisplay(copyFixtureTable("real/perl-dbd-xbase/afox5.dbf", dir), "cp1252", 2);
    // dBASE III memos in a .dbt, Y and T fields in a level-25 table.
    expectPeerDisplay(copyFixtureTable("real/ruby-dbf/dbase_83.dbf", dir), "cp1252", 2);
    expectPeerDisplay(copyFixtureTable("real/perl-dbd-xbase/types.dbf", dir), "cp1252", 2);
    std::string cyrillic = copyFixtureTable("real/ruby-dbf/cp1251.dbf", dir);
    dropIndexFlag(cyrillic);
    expectPeerDisplay(cyrillic, "cp1251", 2);
}

TEST_F(SessionRecords, LogicalBytesAndBlankDates) {
    std::string t = dir.file("flags.dbf");
    ASSERT_EQ(vt::runBrindle({"create", t, "OK:L", "ON:D"}).status, 0);
    for (int i = 0; i < 5; i++) ASSERT_EQ(vt::runBrindle({"append", t, "OK=T"}).status, 0);
    // The bytes other writers leave, and one no reader takes for a logical value.
    auto bytes = vt::readFile(t);
    size_t header = bytes[8] | (bytes[9] << 8), width = bytes[10] | (bytes[11] << 8);
    const char stored[] = "yntF?";
    for (size_t r = 0; r < 5; r++) bytes[header + r * width + 1] = (unsigned char)stored[r];
    vt::writeFile(t, bytes);
    ASSERT_TRUE(open(t));
    const char16_t *texts[] = {u"Yes", u"No", u"True", u"False", u"?"};
    const double numbers[] = {1, -1, 1, -1, 0};
    for (long r = 1; r <= 5; r++) {
        FieldList list = record(r);
        EXPECT_EQ(list[0].valueText, texts[r - 1]);
        EXPECT_EQ(list[0].valueNumber, numbers[r - 1]);
        EXPECT_EQ(list[1].valueText, u"  /  /    ");
        EXPECT_EQ(list[1].valueNumber, 1e100);
    }
}

TEST_F(SessionRecords, ReadRowFollowsTheColumns) {
    ASSERT_TRUE(open(copySample("people", dir)));
    ASSERT_TRUE(session->move(2, true));
    DisplayCell row[7];
    ASSERT_TRUE(session->readRow(row, 7));
    FieldList list = record(row[0].recordNumber);
    for (int k = 0; k < 7; k++) {
        EXPECT_EQ(row[k].text, list[k].valueText);
        EXPECT_EQ(row[k].number, list[k].valueNumber);
        EXPECT_EQ(row[k].valid, 1);
        EXPECT_EQ(row[k].recordNumber, row[0].recordNumber);
    }
}

TEST_F(SessionRecords, ReadingNoRecordIsNoErrorAndKeepsThePosition) {
    ASSERT_TRUE(open(copySample("people", dir)));
    ASSERT_TRUE(session->move(3, true));
    DisplayCell before;
    session->readRow(&before, 1);
    FieldList list;
    list.copyFrom(session->fields);
    list[0].valueText = u"stale";
    EXPECT_FALSE(session->readRecord(list, 0));  // a new record
    EXPECT_EQ(list[0].valueText, u"");
    EXPECT_EQ(list[0].valueNumber, -1.0);
    EXPECT_FALSE(session->readRecord(list, 301));
    EXPECT_TRUE(shown.messages().empty());
    EXPECT_TRUE(session->readRecord(list, 200));
    DisplayCell after;
    session->readRow(&after, 1);
    EXPECT_EQ(after.recordNumber, before.recordNumber);
    EXPECT_EQ(after.text, before.text);
}

TEST_F(SessionRecords, WriteRecordStoresEachEditedField) {
    std::string t = copySample("people", dir);
    std::vector<PeerRecord> before = peerDisplay(t, "cp1252", 0);
    ASSERT_TRUE(open(t));
    FieldList list = record(5);
    std::string memo;
    for (int i = 0; i < 1200; i++) memo += "line " + std::to_string(i) + " of a long note\r\n";  // > 8192 bytes
    entry(list, "FIRST").valueText = u"Zo\u00eb";
    entry(list, "AMOUNT").valueNumber = 1234.5;
    entry(list, "BORN").valueNumber = 2452773;  // 2003-05-13
    entry(list, "ACTIVE").valueText = u"No";
    entry(list, "NOTES").valueText = w(memo);
    for (const char *name : {"FIRST", "AMOUNT", "BORN", "ACTIVE", "NOTES"}) entry(list, name).modified = 1;
    entry(list, "LAST").valueText = u"not marked, not written";
    ASSERT_TRUE(session->writeRecord(list, 5));
    EXPECT_EQ(session->refusedField(), u"");
    FieldList again = record(5);
    EXPECT_EQ(entry(again, "FIRST").valueText, u"Zo\u00eb");
    EXPECT_EQ(entry(again, "NOTES").valueText, w(memo));
    session->closeTable();

    auto row = dumpRecord(t, 5);
    ASSERT_EQ(row.size(), 7u);
    EXPECT_EQ(row[0], "Zo\xc3\xab");
    EXPECT_EQ(row[1], before[4].texts[1]);
    EXPECT_EQ(row[3], "1234.50");
    EXPECT_EQ(row[4], "2003-05-13");
    EXPECT_EQ(row[5], "F");
    EXPECT_EQ(row[6], memo);

    std::vector<PeerRecord> after = peerDisplay(t, "cp1252", 0);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after[4].texts[0], "Zo\xc3\xab");
    EXPECT_EQ(after[4].texts[5], "No");  // the stored byte is N
    EXPECT_EQ(after[4].texts[6], memo);
    for (size_t r = 0; r < after.size(); r++)
        if (r != 4) {
            EXPECT_EQ(after[r].texts, before[r].texts) << "record " << r + 1;
        }
}

TEST_F(SessionRecords, WriteRecordZeroAppends) {
    std::string t = copySample("people", dir);
    ASSERT_TRUE(open(t));
    long count = session->count(true);
    // A new blank record, as the form view makes it: every entry modified.
    FieldList list;
    list.copyFrom(session->fields);
    session->readRecord(list, 0);
    list.setModified(true);
    for (int i = 0; i < list.count(); i++) list[i].valueText.clear(), list[i].valueNumber = 0;
    ASSERT_TRUE(session->writeRecord(list, 0));
    // And a copy of record 1.
    FieldList copy = record(1);
    copy.setModified(true);
    ASSERT_TRUE(session->writeRecord(copy, -1));
    EXPECT_EQ(session->count(false), count);  // the write itself does not count
    EXPECT_EQ(session->count(true), count + 2);
    session->closeTable();

    auto rows = dumpCsv(t, {"--deleted"});
    ASSERT_EQ(rows.size(), 302u);
    EXPECT_EQ(rows[300], (std::vector<std::string>{"", "", "", "0.00", "", "", ""}));
    EXPECT_EQ(rows[301], rows[0]);
    auto bytes = vt::readFile(t);
    size_t header = bytes[8] | (bytes[9] << 8), width = bytes[10] | (bytes[11] << 8);
    size_t active = header + 300 * width + 1 + 12 + 15 + 15 + 10 + 8;
    EXPECT_EQ(bytes[active], ' ');  // an empty logical stays blank
}

TEST_F(SessionRecords, RefusedValuesWriteNothing) {
    std::string t = copySample("people", dir);
    auto dbf = vt::readFile(t), fpt = vt::readFile(dir.file("people.fpt"));
    ASSERT_TRUE(open(t));
    FieldList list = record(7);
    entry(list, "FIRST").valueText = u"Ann";
    entry(list, "FIRST").modified = 1;
    entry(list, "NOTES").valueText = u"fine";
    entry(list, "NOTES").modified = 1;
    entry(list, "LAST").valueText = u"\u0416\u0443\u043a\u043e\u0432";  // Cyrillic: not in 1252
    entry(list, "LAST").modified = 1;
    EXPECT_FALSE(session->writeRecord(list, 7));
    EXPECT_EQ(session->refusedField(), u"LAST");
    EXPECT_FALSE(session->writeRecord(list, 0));
    entry(list, "LAST").modified = 0;
    // A number the field cannot show would be stored as asterisks.
    entry(list, "AMOUNT").valueNumber = 123456789012.0;
    entry(list, "AMOUNT").modified = 1;
    EXPECT_FALSE(session->writeRecord(list, 7));
    EXPECT_EQ(session->refusedField(), u"AMOUNT");
    entry(list, "AMOUNT").valueNumber = NAN;
    EXPECT_FALSE(session->writeRecord(list, 7));
    EXPECT_EQ(session->count(true), 288);
    session->closeTable();
    EXPECT_EQ(vt::readFile(t), dbf);
    EXPECT_EQ(vt::readFile(dir.file("people.fpt")), fpt);
    EXPECT_TRUE(shown.messages().empty());
}

TEST_F(SessionRecords, Level30FieldsAndNulls) {
    std::string t = copySample("orders", dir);
    auto before = dumpRecord(t, 1);
    ASSERT_EQ(before.size(), 9u);
    ASSERT_EQ(before[7], "");  // SHIPPED is null in record 1
    ASSERT_TRUE(open(t));
    FieldList list = record(1);
    entry(list, "ID").valueNumber = 4242;
    entry(list, "QUANTITY").valueNumber = 7;
    entry(list, "WEIGHT").valueNumber = 1.25;
    entry(list, "SHIPPED").valueNumber = 2452773;
    entry(list, "REMARK").valueText = u"\u00c5lesund, \u20ac 5";
    entry(list, "PRICE").valueNumber = 99;         // currency: not written
    entry(list, "PLACED").valueText = u"garbage";  // date-time: not written
    list.setModified(true);
    ASSERT_TRUE(session->writeRecord(list, 1));
    FieldList big = record(2);
    entry(big, "ID").valueNumber = 3e9;  // no 32-bit integer
    entry(big, "ID").modified = 1;
    EXPECT_FALSE(session->writeRecord(big, 2));
    EXPECT_EQ(session->refusedField(), u"ID");
    session->closeTable();

    auto row = dumpRecord(t, 1);
    ASSERT_EQ(row.size(), 9u);
    EXPECT_EQ(row[0], "4242");
    EXPECT_EQ(row[1], before[1]);
    EXPECT_EQ(row[3], "7");
    EXPECT_EQ(row[4], before[4]);
    EXPECT_EQ(row[5], "1.25");
    EXPECT_EQ(row[6], before[6]);
    EXPECT_EQ(row[7], "2003-05-13");  // the null flag was cleared
    EXPECT_EQ(row[8], "\xc3\x85lesund, \xe2\x82\xac 5");
    std::vector<PeerRecord> peer = peerDisplay(t, "cp1252", 0);
    EXPECT_EQ(peer[0].texts[7], "05/13/2003");
    EXPECT_EQ(peer[0].texts[8], "\xc3\x85lesund, \xe2\x82\xac 5");
    EXPECT_EQ(dumpRecord(t, 2)[0], "1002");
}

TEST_F(SessionRecords, TextInTheTablesCodePage) {
    std::string t = copyFixtureTable("real/ruby-dbf/cp1251.dbf", dir);
    dropIndexFlag(t);
    ASSERT_TRUE(open(t));
    FieldList list = record(2);
    std::string name = "\xd0\x9f\xd0\xbe\xd0\xbb\xd0\xb8\xd0\xba\xd0\xbb\xd0\xb8\xd0\xbd\xd0\xb8\xd0\xba\xd0\xb0";
    entry(list, "NAME").valueText = w(name);  // "Поликлиника"
    entry(list, "NAME").modified = 1;
    ASSERT_TRUE(session->writeRecord(list, 2));
    entry(list, "NAME").valueText = u"Zo\u00eb";  // no e with diaeresis in 1251
    EXPECT_FALSE(session->writeRecord(list, 2));
    session->closeTable();
    EXPECT_EQ(dumpRecord(t, 2)[1], name);
    EXPECT_EQ(peerDisplay(t, "cp1251", 0)[1].texts[1], name);
    auto bytes = vt::readFile(t);
    size_t header = bytes[8] | (bytes[9] << 8), width = bytes[10] | (bytes[11] << 8);
    EXPECT_EQ(std::string((const char *)&bytes[header + width + 1 + 4], 11), "\xcf\xee\xeb\xe8\xea\xeb\xe8\xed\xe8\xea\xe0");
}

TEST_F(SessionRecords, WideTextFields) {
    std::string t = dir.file("wide.dbf");
    {
        // A level-30 W field of the engine's own form (brindle's W is a blob).
        CODE4 c{};
        ASSERT_EQ(code4init(&c), 0);
        c.compatibility = 30;
        FIELD4INFO fields[] = {{"NAME", 'W', 10, 0, 0}, {"N", 'N', 3, 0, 0}, {nullptr, 0, 0, 0, 0}};
        DATA4 *made = d4create(&c, t.c_str(), fields);
        ASSERT_NE(made, nullptr);
        d4close(made);
        code4initUndo(&c);
    }
    ASSERT_EQ(vt::runBrindle({"append", t, "N=1"}).status, 0);
    ASSERT_TRUE(open(t));
    FieldList list = record(1);
    entry(list, "NAME").valueText = u"\u03a9mega";
    entry(list, "NAME").modified = 1;
    ASSERT_TRUE(session->writeRecord(list, 1));
    EXPECT_EQ(entry(list = record(1), "NAME").valueText, u"\u03a9mega");
    session->closeTable();
    auto bytes = vt::readFile(t);
    size_t header = bytes[8] | (bytes[9] << 8);
    const unsigned char want[] = {0xA9, 0x03, 'm', 0, 'e', 0, 'g', 0, 'a', 0};
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + (long)header + 1, bytes.begin() + (long)header + 11),
              std::vector<unsigned char>(want, want + 10));
}

// The newer writers' table: a varchar shows its value and is edited like
// text up to its length; varbinary and blob show as binary and are never
// written.
TEST_F(SessionRecords, VarcharVarbinaryAndBlobFields) {
    std::string t = copyFixtureTable("real/vfp9-godbase/table/TEST.DBF", dir);
    ASSERT_TRUE(open(t));
    EXPECT_TRUE(session->varFields());
    auto type = [&](const char *name) {
        FieldList all;
        all.copyFrom(session->fields);
        return vandrel::fieldTypeName(entry(all, name).type, session->varFields());
    };
    EXPECT_EQ(type("VAR"), u"Varchar");
    EXPECT_EQ(type("VARBIN_NIL"), u"Varbinary");
    EXPECT_EQ(type("BLOB"), u"Blob");
    EXPECT_EQ(vandrel::fieldTypeName('W'), u"Unknown");  // elsewhere: no name

    FieldList list = record(1);
    EXPECT_EQ(entry(list, "VAR_NIL").valueText, u"Test value with variable length");
    EXPECT_EQ(entry(list, "VAR").valueText, u"");
    EXPECT_EQ(entry(list, "VARBIN_NIL").valueText, u"[Binary]");
    EXPECT_EQ(entry(list, "BLOB").valueText, u"[Binary Memo]");
    list = record(3);
    EXPECT_EQ(entry(list, "VAR").valueText, u"Test");

    list = record(2);
    entry(list, "VAR").valueText = u"Zo\u00eb ";  // kept as typed, the blank too
    entry(list, "VAR").modified = 1;
    entry(list, "VARBIN_NIL").valueText = u"changed";
    entry(list, "VARBIN_NIL").modified = 1;
    entry(list, "BLOB").valueText = u"changed";
    entry(list, "BLOB").modified = 1;
    ASSERT_TRUE(session->writeRecord(list, 2));
    entry(list, "VAR").valueText = u"eleven char";  // longer than VAR(10)
    EXPECT_FALSE(session->writeRecord(list, 2));
    EXPECT_EQ(entry(list = record(2), "VAR").valueText, u"Zo\u00eb ");
    session->closeTable();

    auto r = vt::runBrindle({"dump", t, "--format", "json", "--fields", "VAR,VARBIN_NIL,BLOB", "--start", "2"});
    EXPECT_NE(r.out.find("{\"VAR\": \"Zo\xc3\xab \", \"VARBIN_NIL\": \"qrvM\", \"BLOB\": \"\"}"), std::string::npos)
        << r.out;
}

TEST_F(SessionRecords, DeleteRecordMarksItAndLowersTheCount) {
    std::string t = copySample("people", dir);
    ASSERT_TRUE(open(t));
    ASSERT_EQ(session->count(true), 288);
    ASSERT_TRUE(session->move(1, true));
    DisplayCell second;
    session->readRow(&second, 1);
    EXPECT_TRUE(session->deleteRecord(second.recordNumber));
    EXPECT_EQ(session->count(false), 287);
    EXPECT_TRUE(session->deleteRecord(second.recordNumber));  // already deleted: counted once
    EXPECT_EQ(session->count(false), 287);
    EXPECT_FALSE(session->deleteRecord(0));
    EXPECT_FALSE(session->deleteRecord(301));
    EXPECT_TRUE(shown.messages().empty());
    EXPECT_EQ(session->count(true), 287);
    DisplayCell c;
    ASSERT_TRUE(session->move(1, true));
    session->readRow(&c, 1);
    EXPECT_NE(c.recordNumber, second.recordNumber);
    session->closeTable();

    EXPECT_EQ(vt::runBrindle({"count", t}).out, "287\n");
    auto peer = peerDisplay(t, "cp1252", 0);
    EXPECT_TRUE(peer[(size_t)second.recordNumber - 1].deleted);
    auto r = vt::runBrindle({"dump", t, "--format", "json", "--deleted", "--fields", "FIRST"});
    std::string mark = "{\"recno\": " + std::to_string(second.recordNumber) + ", \"deleted\": true";
    EXPECT_NE(r.out.find(mark), std::string::npos) << r.out.substr(0, 400);
}

}  // namespace

namespace {

using namespace st;

// A table with a production index: the session opens it for writing and
// every change keeps every tag right; a write a candidate tag refuses leaves
// the record, the table and the index as they were.
TEST_F(SessionRecords, WritesKeepEveryTagOfTheProductionIndexRight) {
    std::string t = dir.file("tagged.dbf");
    ASSERT_EQ(vt::runBrindle({"create", t, "ID:N:6", "NAME:C:20", "AMOUNT:N:10:2"}).status, 0);
    for (auto [id, name, amount] : {std::tuple{"1", "Ann", "5"}, {"2", "Bob", "50"}, {"3", "Cleo", "500"}})
        ASSERT_EQ(vt::runBrindle({"append", t, std::string("ID=") + id, std::string("NAME=") + name,
                                  std::string("AMOUNT=") + amount})
                      .status,
                  0);
    for (std::vector<std::string> tag : {std::vector<std::string>{"--tag", "ID", "--key", "ID", "--candidate"},
                                         {"--tag", "NAME", "--key", "UPPER(NAME)"},
                                         {"--tag", "BIG", "--key", "AMOUNT", "--for", "AMOUNT > 10", "--descending"}}) {
        tag.insert(tag.begin(), {"index", t});
        ASSERT_EQ(vt::runBrindle(tag).status, 0);
    }
    ASSERT_TRUE(open(t));
    FieldList list = record(1);
    entry(list, "NAME").valueText = u"Zoë";
    entry(list, "NAME").modified = 1;
    entry(list, "AMOUNT").valueNumber = 75;   // into the FOR of BIG
    entry(list, "AMOUNT").modified = 1;
    ASSERT_TRUE(session->writeRecord(list, 1));
    list = record(2);
    entry(list, "ID").valueNumber = 3;          // record 3's ID: refused
    entry(list, "ID").modified = 1;
    entry(list, "NAME").valueText = u"Bobby";
    entry(list, "NAME").modified = 1;
    EXPECT_FALSE(session->writeRecord(list, 2));
    list = record(2);
    entry(list, "ID").valueNumber = 2;          // a new record repeating ID 2: refused, nothing appended
    entry(list, "ID").modified = 1;
    EXPECT_FALSE(session->writeRecord(list, 0));
    entry(list, "ID").valueNumber = 4;
    entry(list, "NAME").valueText = u"Dina";
    entry(list, "NAME").modified = 1;
    ASSERT_TRUE(session->writeRecord(list, 0));
    EXPECT_TRUE(session->deleteRecord(3));
    session->closeTable();

    auto checked = vt::runBrindle({"check", t});
    EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
    auto rows = dumpCsv(t, {"--deleted"});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][2], "75.00");
    EXPECT_EQ(rows[1][1], "Bob");
    EXPECT_EQ(rows[3][0], "4");
    auto found = vt::runBrindle({"seek", t, "--tag", "NAME", "ZOË"});
    EXPECT_NE(found.out.find("recno: 1\n"), std::string::npos) << found.out << found.err;
    found = vt::runBrindle({"seek", t, "--tag", "ID", "4"});
    EXPECT_NE(found.out.find("recno: 4\n"), std::string::npos) << found.out << found.err;
}

}  // namespace
