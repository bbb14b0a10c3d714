// The newer writers' autoincrement: an I field flagged 0x0C keeps its next
// value (bytes 19..22) and step (byte 23) in its descriptor. Appends number
// themselves from it as the writer would and store the next value back with
// the header; the engine's own kind (header marker) is left as it was.
#include <filesystem>

#include "tables_test_util.h"

namespace fs = std::filesystem;

namespace {

using tt::fld;

constexpr size_t kFirstDesc = 32;

class Counters : public vt::EngineTest {
protected:
    std::string copyOf(const std::string &relative) {
        fs::path from = vt::fixturePath(relative);
        for (const auto &e : fs::directory_iterator(from.parent_path()))
            if (e.is_regular_file()) fs::copy_file(e.path(), dir.file(e.path().filename().string()));
        return dir.file(from.filename().string());
    }
    DATA4 *open(const std::string &path) {
        cb.autoOpen = 0;  // dbase_31.dbf flags an index that is not shipped
        return d4open(&cb, path.c_str());
    }
    // Appends a blank record; the counter field's value.
    long append(DATA4 *d, const char *field) {
        EXPECT_EQ(d4appendBlank(d), 0);
        return f4long(d4field(d, field));
    }
};

TEST_F(Counters, AppendsToDbase31NumberThemselvesAndStoreTheNextValue) {
    std::string t = copyOf("real/ruby-dbf/dbase_31.dbf");
    auto before = vt::readFile(t);
    EXPECT_EQ(tt::i32(before, kFirstDesc + 19), 78);
    EXPECT_EQ(before[kFirstDesc + 23], 1);
    DATA4 *d = open(t);
    ASSERT_NE(d, nullptr) << cb.errorCode;
    EXPECT_EQ(d->dataFile->version, 0x31);
    EXPECT_EQ(d->dataFile->hasAutoIncrement, 0);
    EXPECT_EQ(d->autoIncrementField, nullptr);
    FIELD4 *id = d4field(d, "PRODUCTID");
    EXPECT_EQ(id->autoIncrement, 1);
    EXPECT_EQ(append(d, "PRODUCTID"), 78);
    // A value assigned before the append is replaced by the next one.
    ASSERT_EQ(d4appendStart(d, 0), 0);
    d4blank(d);
    f4assignLong(id, 5);
    ASSERT_EQ(d4append(d), 0);
    EXPECT_EQ(f4long(id), 79);
    ASSERT_EQ(d4close(d), 0);

    auto after = vt::readFile(t);
    EXPECT_EQ(tt::i32(after, 4), 79);
    EXPECT_EQ(tt::i32(after, kFirstDesc + 19), 80);
    // Only the count, the date and the next value changed in the header.
    for (size_t i = 12; i < before.size() && i < 648; i++) {
        if (i >= kFirstDesc + 19 && i < kFirstDesc + 23) continue;
        EXPECT_EQ(after[i], before[i]) << "header byte " << i;
    }
    EXPECT_EQ(after[0], 0x31);

    d = open(t);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(append(d, "PRODUCTID"), 80);
    ASSERT_EQ(d4go(d, 77), 0);
    EXPECT_EQ(f4long(d4field(d, "PRODUCTID")), 77);  // the writer's records stay
    d4close(d);
}

TEST_F(Counters, TheStepAndTheLargestValue) {
    std::string t = copyOf("real/ruby-dbf/dbase_31.dbf");
    auto b = vt::readFile(t);
    b[kFirstDesc + 23] = 5;
    vt::writeFile(t, b);
    DATA4 *d = open(t);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(append(d, "PRODUCTID"), 78);
    EXPECT_EQ(append(d, "PRODUCTID"), 83);
    ASSERT_EQ(d4flush(d), 0);
    EXPECT_EQ(tt::i32(vt::readFile(t), kFirstDesc + 19), 88);
    d4close(d);

    // The value after the next must still be an int32: else the append is
    // refused and nothing is written.
    b = vt::readFile(t);
    tt::putI32(b, kFirstDesc + 19, INT32_MAX - 5);
    vt::writeFile(t, b);
    d = open(t);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(append(d, "PRODUCTID"), INT32_MAX - 5);
    cb.offError = 1;
    EXPECT_EQ(d4appendBlank(d), -200);
    EXPECT_EQ(cb.errorLocation, E4_MSG_AUTOINC_RANGE);
    cb.errorCode = 0;
    EXPECT_EQ(d4recCount(d), 80);
    d4close(d);
}

TEST_F(Counters, VarcharTablesNumberTheirIntegerFieldsToo) {
    std::string t = copyOf("real/vfp9-godbase/table/TEST.DBF");
    DATA4 *d = open(t);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(append(d, "PRODUCTID"), 3);
    d4close(d);
    EXPECT_EQ(tt::i32(vt::readFile(t), kFirstDesc + 19), 4);

    // d4create32 numbers from the context's start value in steps of 1.
    cb.autoIncrementStart = 10;
    FIELD4INFO fields[] = {fld("ID", 'I', 0, 0, r4autoIncrement), fld("N2", 'I', 0, 0, r4autoIncrement),
                           fld("NAME", 'V', 8), tt::END};
    std::string made = dir.file("made.dbf");
    d = d4create32(&cb, made.c_str(), fields);
    ASSERT_NE(d, nullptr);
    auto b = vt::readFile(made);
    EXPECT_EQ(b[kFirstDesc + 18], 0x0C);
    EXPECT_EQ(tt::i32(b, kFirstDesc + 19), 10);
    EXPECT_EQ(b[kFirstDesc + 23], 1);
    EXPECT_EQ(append(d, "ID"), 10);
    EXPECT_EQ(append(d, "N2"), 11);
    d4close(d);
    b = vt::readFile(made);
    EXPECT_EQ(tt::i32(b, kFirstDesc + 19), 12);
    EXPECT_EQ(tt::i32(b, kFirstDesc + 32 + 19), 12);
}

// Only where the writers put it: a 0x31 table without the engine's marker
// needs a counter descriptor to be theirs; a 0x30 table's flags 0x0C and an
// engine-marked table keep the rules they had.
TEST_F(Counters, WhereTheDescriptorCounterCounts) {
    cb.compatibility = 30;
    FIELD4INFO fields[] = {fld("ID", 'I'), fld("NAME", 'C', 4), tt::END};
    std::string t = dir.file("plain.dbf");
    DATA4 *d = d4create(&cb, t.c_str(), fields);
    ASSERT_NE(d, nullptr);
    d4close(d);
    auto b = vt::readFile(t);
    b[kFirstDesc + 18] = 0x0C;
    tt::putI32(b, kFirstDesc + 19, 40);
    b[kFirstDesc + 23] = 2;
    vt::writeFile(t, b);

    d = d4open(&cb, t.c_str());  // 0x30: the flags do not number anything
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d4field(d, "ID")->autoIncrement, 0);
    EXPECT_EQ(append(d, "ID"), 0);
    d4close(d);

    b = vt::readFile(t);
    b[0] = 0x31;
    vt::writeFile(t, b);
    d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(append(d, "ID"), 40);
    EXPECT_EQ(append(d, "ID"), 42);
    d4close(d);

    // Flags 0x08 alone (no binary bit) are not the writers' counter: a 0x31
    // table without the marker is refused as before.
    b = vt::readFile(t);
    b[kFirstDesc + 18] = 0x08;
    vt::writeFile(t, b);
    cb.offError = 1;
    cb.errorCode = 0;
    EXPECT_EQ(d4open(&cb, t.c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, -200);
    EXPECT_EQ(cb.errorLocation, E4_MSG_DATA_VERSION);
    cb.errorCode = 0;

    // With the engine's marker the engine's own autoincrement (header) rules.
    b[kFirstDesc + 18] = 0x0C;
    b[12] = 1;
    vt::writeFile(t, b);
    d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->dataFile->hasAutoIncrement, 1);
    EXPECT_EQ(d4field(d, "ID")->counterSlot, 0);
    d4close(d);
}

}  // namespace
