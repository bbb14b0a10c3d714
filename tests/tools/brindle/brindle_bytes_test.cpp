// Every stored byte survives the tool: each byte value 0x00-0xFF in a C
// field of a table in each single-byte code page goes out through dump
// --format json and comes back through set unchanged, whether the value is
// set from a file or (without the NUL) as an argument. Bytes a code page
// leaves undefined travel as the C1 control character of the same number.
#include <cstring>

#include "brindle_runner.h"
#include "test_support.h"

namespace {

const char *kPages[] = {"cp437", "cp850", "cp1252", "cp852", "cp866", "cp865", "cp861", "cp737",
                        "cp857", "cp874", "cp1255", "cp1256", "cp1250", "cp1251", "cp1254", "cp1253"};

// The value of field V of record 1 in a JSON dump, written to a file as UTF-8.
vt::RunResult jsonValueToFile(const std::string &json, const std::string &path) {
    return vt::runPython("import json,sys\n"
                         "v=json.loads(sys.argv[1])['records'][0]['values']['V']\n"
                         "open(sys.argv[2],'wb').write(v.encode('utf-8'))\n",
                         {json, path});
}

std::string fieldBytes(const std::string &table, size_t length) {
    auto b = vt::readFile(table);
    size_t header = b[8] | b[9] << 8;
    return std::string(b.begin() + (long)header + 1, b.begin() + (long)(header + 1 + length));
}

TEST(BrindleBytes, EveryByteOfEveryPageSurvivesDumpAndSet) {
    vt::TempDir dir;
    std::string all;
    for (int b = 0; b < 256; b++) all += (char)b;
    for (const char *page : kPages) {
        SCOPED_TRACE(page);
        std::string t = dir.file(std::string(page) + ".dbf");
        ASSERT_EQ(vt::runBrindle({"create", t, "--codepage", page, "V:C:256"}).status, 0);
        ASSERT_EQ(vt::runBrindle({"append", t, "V=x"}).status, 0);
        auto bytes = vt::readFile(t);
        size_t at = (bytes[8] | bytes[9] << 8) + 1;
        std::memcpy(bytes.data() + at, all.data(), 256);
        vt::writeFile(t, bytes);

        auto dump = vt::runBrindle({"dump", t, "--format", "json"});
        ASSERT_EQ(dump.status, 0) << dump.err;
        EXPECT_EQ(dump.out.find("\xEF\xBF\xBD"), std::string::npos) << "a byte became U+FFFD";
        std::string file = dir.file("value.txt");
        auto wrote = jsonValueToFile(dump.out, file);
        ASSERT_EQ(wrote.status, 0) << wrote.err;

        // back through set --file, into a blanked field
        ASSERT_EQ(vt::runBrindle({"set", t, "1", "V="}).status, 0);
        EXPECT_EQ(fieldBytes(t, 256), std::string(256, ' '));
        auto set = vt::runBrindle({"set", t, "1", "--file", "V=" + file});
        ASSERT_EQ(set.status, 0) << set.err;
        EXPECT_EQ(fieldBytes(t, 256), all);

        // and as an argument: bytes 0x01-0xFF (an argument holds no NUL)
        auto text = vt::readFile(file);
        std::string utf8(text.begin() + 1, text.end());  // NUL is one byte in UTF-8
        ASSERT_EQ(vt::runBrindle({"set", t, "1", "V="}).status, 0);
        set = vt::runBrindle({"set", t, "1", "V=" + utf8});
        ASSERT_EQ(set.status, 0) << set.err;
        EXPECT_EQ(fieldBytes(t, 255), all.substr(1));
        // the same value dumps the same way again
        EXPECT_EQ(vt::runBrindle({"count", t, "--query", "V = '" + utf8.substr(0, 0x26) + "'"}).out, "1\n");
    }
}

TEST(BrindleBytes, UndefinedBytesAreC1ControlsInTheOutputAndInQueries) {
    vt::TempDir dir;
    std::string t = dir.file("t.dbf");
    ASSERT_EQ(vt::runBrindle({"create", t, "V:C:5"}).status, 0);
    ASSERT_EQ(vt::runBrindle({"append", t, "V=x"}).status, 0);
    auto bytes = vt::readFile(t);
    std::memcpy(bytes.data() + (bytes[8] | bytes[9] << 8) + 1, "\x81\x8D\x8F\x90\x9D", 5);
    vt::writeFile(t, bytes);
    auto dump = vt::runBrindle({"dump", t, "--format", "csv"});
    EXPECT_EQ(dump.out, "V\r\n\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\r\n");
    EXPECT_EQ(vt::runBrindle({"count", t, "--query", "V = '\xC2\x90\xC2\x9D' .OR. V = '\xC2\x81'"}).out, "1\n");
}

}  // namespace
