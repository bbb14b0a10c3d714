// The brindle tool's faults found by trying it as a new user would: each case
// here failed before its fix. Tables are made by the tool, then patched byte
// by byte where a foreign writer would have stored something unusual.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

#include "brindle_runner.h"
#include "test_support.h"

namespace {

using vt::runBrindle;

class BrindleFaults : public ::testing::Test {
protected:
    vt::TempDir dir;
    std::string table(const std::string &name) { return dir.file(name); }

    // Creates a table and appends the given records; fails the test on error.
    std::string make(const std::string &name, std::vector<std::string> create,
                     std::vector<std::vector<std::string>> records = {}) {
        std::string t = table(name);
        create.insert(create.begin(), {"create", t});
        auto r = runBrindle(create);
        EXPECT_EQ(r.status, 0) << r.err;
        for (auto &rec : records) {
            rec.insert(rec.begin(), {"append", t});
            r = runBrindle(rec);
            EXPECT_EQ(r.status, 0) << r.err;
        }
        return t;
    }

    // Offset of a record's field: header length + (recno - 1) * record length + offset.
    static size_t at(const std::vector<unsigned char> &b, long recno, size_t fieldOffset) {
        if (b.size() < 32) return SIZE_MAX / 2;  // no table: every patch is refused
        size_t header = b[8] | b[9] << 8, recordLen = b[10] | b[11] << 8;
        return header + (size_t)(recno - 1) * recordLen + fieldOffset;
    }
    static void patch(const std::string &path, size_t pos, const std::string &bytes) {
        auto b = vt::readFile(path);
        ASSERT_LE(pos + bytes.size(), b.size());
        std::memcpy(b.data() + pos, bytes.data(), bytes.size());
        vt::writeFile(path, b);
    }
    static void patchField(const std::string &path, long recno, size_t fieldOffset, const std::string &bytes) {
        patch(path, at(vt::readFile(path), recno, fieldOffset), bytes);
    }
};

// Whether the text is one valid JSON document (Debian's python decides).
bool validJson(const std::string &text) {
    vt::TempDir d;
    vt::writeFile(d.file("j"), text);
    auto r = vt::runPython("import json,sys; json.load(open(sys.argv[1], encoding='utf-8'))", {d.file("j")});
    return r.status == 0;
}

TEST_F(BrindleFaults, QueryAndSortTextIsConvertedToTheTablesCodePage) {
    std::string w = make("w.dbf", {"CITY:C:12", "N:N:3"},
                         {{"CITY=München", "N=1"}, {"CITY=Oslo", "N=2"}, {"CITY=Zürich", "N=3"}});
    auto r = runBrindle({"count", w, "--query", "CITY = 'München'"});
    EXPECT_EQ(r.out, "1\n") << r.err;
    r = runBrindle({"dump", w, "--format", "csv", "--fields", "N", "--query", "'ü' $ CITY", "--sort", "DESCEND(N)"});
    EXPECT_EQ(r.out, "N\r\n3\r\n1\r\n") << r.err;
    r = runBrindle({"dump", w, "--format", "csv", "--fields", "N", "--sort", "IIF(CITY = 'Zürich', 'A', 'B') + CITY"});
    EXPECT_EQ(r.out, "N\r\n3\r\n1\r\n2\r\n") << r.err;
    std::string c = make("c.dbf", {"--codepage", "cp1251", "NAME:C:10"}, {{"NAME=Москва"}, {"NAME=Киев"}});
    r = runBrindle({"count", c, "--query", "NAME = 'Москва'"});
    EXPECT_EQ(r.out, "1\n") << r.err;
    // text the code page cannot hold is refused, not matched against nothing
    r = runBrindle({"count", w, "--query", "CITY = 'Москва'"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--query has characters the code page CP1252 cannot hold"), std::string::npos) << r.err;
}

TEST_F(BrindleFaults, ValuesArePrintedByLengthPastNulBytes) {
    std::string t = make("t.dbf", {"A:C:6", "B:C:3"}, {{"A=x", "B=one"}, {"A=y", "B=two"}});
    patchField(t, 1, 1, std::string("ab\0c,\"", 6));
    auto r = runBrindle({"dump", t, "--format", "csv"});
    const char want[] = "A,B\r\n\"ab\0c,\"\"\",one\r\ny,two\r\n";
    EXPECT_EQ(r.out, std::string(want, sizeof want - 1)) << r.err;
    r = runBrindle({"dump", t});
    EXPECT_NE(r.out.find(std::string("ab\0c,\"  one", 11)), std::string::npos) << r.out;
    r = runBrindle({"dump", t, "--format", "json"});
    EXPECT_NE(r.out.find("\"A\": \"ab\\u0000c,\\\"\", \"B\": \"one\""), std::string::npos) << r.out;
    EXPECT_TRUE(validJson(r.out));
}

TEST_F(BrindleFaults, EveryCodePageKeepsItsLastLetterBothWays) {
    struct Case {
        const char *page, *text;
    } cases[] = {{"cp1255", "שלום"}, {"cp1253", "Καλημέρα"}, {"cp1256", "مرحبا"}, {"cp874", "สวัสดี"},
                 {"cp932", "日本語"}, {"cp936", "中文字"}, {"cp949", "한국어"}, {"cp950", "繁體字"},
                 {"cp866", "Привет"}, {"cp1250", "Łódź"}, {"cp437", "Straße"}};
    for (const Case &k : cases) {
        std::string t = make(std::string(k.page) + ".dbf", {"--codepage", k.page, "NAME:C:20", "NOTES:M"},
                             {{std::string("NAME=") + k.text, std::string("NOTES=") + k.text}});
        auto r = runBrindle({"dump", t, "--format", "csv"});
        EXPECT_EQ(r.out, std::string("NAME,NOTES\r\n") + k.text + "," + k.text + "\r\n") << k.page << r.err;
        r = runBrindle({"count", t, "--query", std::string("NAME = '") + k.text + "'"});
        EXPECT_EQ(r.out, "1\n") << k.page << r.err;
    }
}

TEST_F(BrindleFaults, JsonNumbersAreValidJsonWhateverTheStoredText) {
    std::string t = make("n.dbf", {"N:N:6:2", "M:N:5"}, {{"N=1", "M=1"}, {"N=1", "M=1"}, {"N=1", "M=1"}});
    patchField(t, 1, 1, "-00.50");
    patchField(t, 1, 7, "00012");
    patchField(t, 2, 1, "  +.50");
    patchField(t, 2, 7, "  5. ");
    patchField(t, 3, 1, "******");
    patchField(t, 3, 7, "  -0 ");
    auto r = runBrindle({"dump", t, "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(validJson(r.out)) << r.out;
    EXPECT_NE(r.out.find("{\"N\": -0.50, \"M\": 12}"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("{\"N\": 0.50, \"M\": 5}"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("{\"N\": \"******\", \"M\": -0}"), std::string::npos) << r.out;
    r = runBrindle({"dump", t, "--format", "csv"});
    EXPECT_EQ(r.out, "N,M\r\n-0.50,12\r\n0.50,5\r\n******,-0\r\n");
}

// Standard output that fails to take the output: a message, exit 1, at once.
TEST_F(BrindleFaults, FailedOutputIsAnError) {
    std::vector<std::vector<std::string>> rows;
    std::string t = make("t.dbf", {"A:C:200"});
    // 3000 records of 200 bytes: more than a pipe holds
    auto b = vt::readFile(t);
    size_t header = b[8] | b[9] << 8;
    b.resize(header);
    for (int i = 0; i < 3000; i++) {
        b.push_back(' ');
        b.insert(b.end(), 200, 'x');
    }
    b[4] = 3000 & 0xFF;
    b[5] = 3000 >> 8;
    vt::writeFile(t, b);
    for (const char *format : {"text", "csv", "json", "postgres"}) {
        for (bool pipeClosed : {false, true}) {
            int errPipe[2], outPipe[2];
            ASSERT_EQ(pipe(errPipe), 0);
            ASSERT_EQ(pipe(outPipe), 0);
            pid_t pid = fork();
            if (pid == 0) {
                signal(SIGPIPE, SIG_IGN);  // stays ignored across exec
                int out = pipeClosed ? outPipe[1] : open("/dev/full", O_WRONLY);
                dup2(out, 1);
                dup2(errPipe[1], 2);
                close(outPipe[0]);
                close(errPipe[0]);
                std::string path = vt::brindlePath();
                execl(path.c_str(), path.c_str(), "dump", t.c_str(), "--format", format, (char *)nullptr);
                _exit(127);
            }
            close(outPipe[0]);  // nobody reads: writes fail with EPIPE
            close(outPipe[1]);
            close(errPipe[1]);
            std::string err;
            char buf[4096];
            ssize_t n;
            while ((n = read(errPipe[0], buf, sizeof buf)) > 0) err.append(buf, (size_t)n);
            close(errPipe[0]);
            int status = 0;
            waitpid(pid, &status, 0);
            ASSERT_TRUE(WIFEXITED(status)) << format;
            EXPECT_EQ(WEXITSTATUS(status), 1) << format << (pipeClosed ? " pipe" : " full");
            EXPECT_NE(err.find("cannot write the output"), std::string::npos) << err;
            // reported once: the tool stopped at the first failure
            EXPECT_EQ(err.find("cannot write the output"), err.rfind("cannot write the output")) << err;
        }
    }
    // commands that print a little fail as well
    int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(full, 1);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        std::string path = vt::brindlePath();
        execl(path.c_str(), path.c_str(), "info", t.c_str(), (char *)nullptr);
        _exit(127);
    }
    close(full);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
}

TEST_F(BrindleFaults, CreateRefusesFieldNamesThatMakeBrokenTables) {
    for (std::vector<std::string> fields : {std::vector<std::string>{"A:C:5", "a:N:3"},
                                            {"A-B:C:5"}, {"A.B:C:5"}, {"A=B:C:5"}, {"1A:C:5"},
                                            {"Größe:C:5"}, {"_A:C:5"}}) {
        std::string t = table("bad.dbf");
        fields.insert(fields.begin(), {"create", t});
        auto r = runBrindle(fields);
        EXPECT_EQ(r.status, 2) << fields[2];
        EXPECT_FALSE(r.err.empty());
        EXPECT_FALSE(::file4exists(t.c_str())) << fields[2];
    }
    auto r = runBrindle({"create", table("ok.dbf"), "A_1:C:5", "b2:N:3"});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(BrindleFaults, FieldNamesAreConvertedLikeValues) {
    std::string t = make("n.dbf", {"UBER:C:5", "N:N:3"}, {{"UBER=x", "N=1"}});
    auto b = vt::readFile(t);
    b[32] = 0xDC;  // Ü in cp1252, as a foreign writer stores it
    vt::writeFile(t, b);
    auto r = runBrindle({"dump", t, "--format", "json", "--fields", "ÜBER"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(validJson(r.out)) << r.out;
    EXPECT_NE(r.out.find("\"values\": {\"ÜBER\": \"x\"}"), std::string::npos) << r.out;
    r = runBrindle({"info", t, "--json"});
    EXPECT_TRUE(validJson(r.out)) << r.out;
    EXPECT_NE(r.out.find("\"name\": \"ÜBER\""), std::string::npos);
    r = runBrindle({"dump", t, "--format", "csv"});
    EXPECT_EQ(r.out, "ÜBER,N\r\nx,1\r\n");
    r = runBrindle({"set", t, "1", "ÜBER=y"});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(BrindleFaults, RecordCountsFrom2To31AreDamage) {
    std::string t = make("t.dbf", {"A:C:3"}, {{"A=x"}});
    patch(t, 4, std::string("\x00\x00\x00\x80", 4));
    for (const char *command : {"info", "dump", "count"}) {
        auto r = runBrindle({command, t});
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_NE(r.err.find("record count in the header is out of range"), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("-1"), std::string::npos);
    }
}

TEST_F(BrindleFaults, DateTimesCarryIntoTheNextDayAndImpossibleTimesAreDamage) {
    std::string t = make("t.dbf", {"AT:T", "N:I"}, {{"AT=2003-12-31T10:00:00", "N=1"}, {"N=2"}});
    auto b = vt::readFile(t);
    size_t first = at(b, 1, 1);
    ASSERT_LE(first + 8, b.size());
    int32_t ms = 86399600;  // 23:59:59.600
    std::memcpy(b.data() + first + 4, &ms, 4);
    vt::writeFile(t, b);
    auto r = runBrindle({"dump", t, "--format", "csv", "--fields", "AT"});
    EXPECT_EQ(r.out, "AT\r\n2004-01-01T00:00:00\r\n\r\n") << r.err;
    r = runBrindle({"eval", t, "AT"});
    EXPECT_NE(r.out.find("\"2004-01-01T00:00:00\""), std::string::npos) << r.out;
    ms = 90000000;  // past the day's end
    std::memcpy(b.data() + first + 4, &ms, 4);
    vt::writeFile(t, b);
    r = runBrindle({"dump", t, "--format", "csv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "AT,N\r\n");  // nothing of the damaged record
    EXPECT_NE(r.err.find("record 1, field AT holds an impossible date-time"), std::string::npos) << r.err;
}

TEST_F(BrindleFaults, DoublesPrintShortestPlainDecimals) {
    std::string t = make("b.dbf", {"X:B"});
    struct Case {
        const char *in, *out;
    } cases[] = {{"10", "10"},
                 {"30", "30"},
                 {"0.1", "0.1"},
                 {"-2.5", "-2.5"},
                 {"123456789012345678901", "123456789012345680000"},
                 {"1e21", "1e+21"},
                 {"0.000001", "0.000001"},
                 {"0.0000001", "1e-7"},
                 {"1.7976931348623157e308", "1.7976931348623157e+308"},
                 {"5e-324", "5e-324"},
                 {"0.30000000000000004", "0.30000000000000004"}};
    for (const Case &k : cases) ASSERT_EQ(runBrindle({"append", t, std::string("X=") + k.in}).status, 0) << k.in;
    auto r = runBrindle({"dump", t, "--format", "csv"});
    std::string want = "X\r\n";
    for (const Case &k : cases) want += std::string(k.out) + "\r\n";
    EXPECT_EQ(r.out, want);
    for (const char *bad : {"nan", "inf", "-Infinity", "1e999", "0x10", "1,5", "--1"}) {
        r = runBrindle({"append", t, std::string("X=") + bad});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find(std::string("X: '") + bad + "' is not a finite decimal number"), std::string::npos)
            << r.err;
    }
    // a stored NaN or infinity is text: a JSON string
    auto b = vt::readFile(t);
    ASSERT_LE(at(b, 2, 9), b.size());
    double nan = std::nan(""), inf = -HUGE_VAL;
    std::memcpy(b.data() + at(b, 1, 1), &nan, 8);
    std::memcpy(b.data() + at(b, 2, 1), &inf, 8);
    vt::writeFile(t, b);
    r = runBrindle({"dump", t, "--format", "json", "--limit", "3"});
    EXPECT_TRUE(validJson(r.out)) << r.out;
    EXPECT_NE(r.out.find("{\"X\": \"NaN\"}}, {\"recno\": 2, \"deleted\": false, \"values\": {\"X\": \"-Infinity\"}}, "
                         "{\"recno\": 3, \"deleted\": false, \"values\": {\"X\": 0.1}}"),
              std::string::npos)
        << r.out;
}

TEST_F(BrindleFaults, ValuesFromFilesAndStandardInput) {
    std::string t = make("f.dbf", {"--level", "30", "NAME:C:10", "NOTES:M", "PIC:G", "RAW:X"});
    std::string big;
    for (int i = 0; i < 40000; i++) big += "Zoë line " + std::to_string(i) + "\n";  // about 600 KB
    std::string binary;
    for (int i = 0; i < 256 * 3; i++) binary += (char)(i & 0xFF);
    vt::writeFile(dir.file("notes.txt"), big);
    vt::writeFile(dir.file("pic.bin"), binary);
    auto r = runBrindle({"append", t, "NAME=x", "--file", "NOTES=" + dir.file("notes.txt"), "--file",
                         "PIC=" + dir.file("pic.bin")});
    ASSERT_EQ(r.status, 0) << r.err;
    r = runBrindle({"dump", t, "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto check = vt::runPython(
        "import json,sys,base64\n"
        "d=json.load(open(sys.argv[1],encoding='utf-8'))['records'][0]['values']\n"
        "assert d['NOTES']==open(sys.argv[2],encoding='utf-8').read(), 'notes'\n"
        "assert base64.b64decode(d['PIC'])==open(sys.argv[3],'rb').read(), 'pic'\n",
        {(vt::writeFile(dir.file("out.json"), r.out), dir.file("out.json")), dir.file("notes.txt"),
         dir.file("pic.bin")});
    EXPECT_EQ(check.status, 0) << check.err;
    // standard input, for set
    int in = open(dir.file("pic.bin").c_str(), O_RDONLY);
    ASSERT_GE(in, 0);
    int saved = dup(0);
    dup2(in, 0);
    r = runBrindle({"set", t, "1", "--file", "RAW=-"});
    dup2(saved, 0);
    close(saved);
    close(in);
    ASSERT_EQ(r.status, 0) << r.err;
    r = runBrindle({"dump", t, "--format", "csv", "--fields", "RAW,PIC"});
    EXPECT_EQ(r.out, "RAW,PIC\r\n768,768\r\n");
    r = runBrindle({"set", t, "1", "--file", "NOTES=" + dir.file("missing.txt")});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("missing.txt"), std::string::npos);
}

TEST_F(BrindleFaults, AutoincrementFieldsTakeNoValueOnAppend) {
    std::string t = make("a.dbf", {"ID:B:autoinc", "NAME:C:5"}, {{"NAME=a"}});
    auto before = vt::readFile(t);
    auto r = runBrindle({"append", t, "ID=42", "NAME=b"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("ID is an autoincrement field"), std::string::npos) << r.err;
    EXPECT_EQ(vt::readFile(t), before);
}

TEST_F(BrindleFaults, UnreadableMemosPrintNothingOfTheirRecord) {
    for (int level : {25, 30}) {
        std::string t = make("m" + std::to_string(level) + ".dbf",
                             {"--level", std::to_string(level), "NAME:C:5", "NOTES:M"},
                             {{"NAME=a", "NOTES=first"}, {"NAME=b", "NOTES=second"}, {"NAME=c", "NOTES=third"}});
        std::string past = level == 30 ? std::string("\x00\x00\x10\x00", 4) : std::string("   1048576");
        std::string negative = level == 30 ? std::string("\xF6\xFF\xFF\xFF", 4) : std::string("       -10");
        for (const std::string &pointer : {past, negative}) {
            patchField(t, 2, 6, pointer);
            for (const char *format : {"text", "csv", "json", "postgres"}) {
                auto r = runBrindle({"dump", t, "--format", format});
                EXPECT_EQ(r.status, 1) << level << format;
                EXPECT_NE(r.out.find("first"), std::string::npos) << r.out;
                // nothing of record 2 (whose NAME is b)
                for (const char *shown : {"\nb,", "  b ", "\"b\"", "\nb\t"})
                    EXPECT_EQ(r.out.find(shown), std::string::npos) << level << format << r.out;
                EXPECT_EQ(r.out.find("third"), std::string::npos) << r.out;
                EXPECT_NE(r.err.find("record 2"), std::string::npos) << r.err;
            }
        }
    }
}

TEST_F(BrindleFaults, RefusalsNameTheFieldTheValueAndWhy) {
    std::string t = make("r.dbf", {"PRICE:Y", "N:N:5:1", "D:D", "L:L", "C:C:3", "I:I"});
    struct Case {
        const char *arg, *message;
    } cases[] = {
        {"PRICE=1000000000000000", "PRICE: '1000000000000000' is outside the currency range"},
        {"PRICE=1.23456", "PRICE: '1.23456' has more than the 4 decimals"},
        {"N=12345", "N: '12345' does not fit in N(5,1)"},
        {"N=abc", "N: 'abc' is not a number"},
        {"D=2003-02-30", "D: '2003-02-30' is not a date (YYYY-MM-DD)"},
        {"L=maybe", "L: 'maybe' is not a logical value"},
        {"C=abcd", "C: 'abcd' is 4 bytes in the code page; the field holds 3"},
        {"C=€€€€", "C: '€€€€' is 4 bytes"},
        {"C=Ж", "C: 'Ж' has characters the code page CP1252 cannot hold"},
        {"I=3000000000", "I: '3000000000' is not a 32-bit integer"},
    };
    for (const Case &k : cases) {
        auto r = runBrindle({"append", t, k.arg});
        EXPECT_EQ(r.status, 2) << k.arg;
        EXPECT_NE(r.err.find(k.message), std::string::npos) << k.arg << ": " << r.err;
    }
}

TEST_F(BrindleFaults, MessagesThatHelp) {
    // create picks level 30 when a field needs it
    std::string t = table("t.dbf");
    auto r = runBrindle({"create", t, "ID:I"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(runBrindle({"info", t}).out.find("level:        30"), std::string::npos);
    r = runBrindle({"create", table("u.dbf"), "ID:N:5"});
    EXPECT_NE(runBrindle({"info", table("u.dbf")}).out.find("level:        25"), std::string::npos);
    EXPECT_EQ(runBrindle({"create", table("l.dbf"), "--level", "25", "ID:I"}).status, 1);
    EXPECT_EQ(runBrindle({"--readonly", "create", table("ro.dbf"), "A:C:1"}).status, 2);
    EXPECT_FALSE(::file4exists(table("ro.dbf").c_str()));
    r = runBrindle({"dump", t, "--codepage", "klingon"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cp437, cp850, cp1252"), std::string::npos) << r.err;
    r = runBrindle({"create", table("n.dbf"), "X:N:3:2"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("decimals leave no room"), std::string::npos) << r.err;
    EXPECT_EQ(runBrindle({"create", table("n.dbf"), "X:N:4:2"}).status, 0);
    // the name on disk, after the letter-case fallback
    r = runBrindle({"create", table("T.DBF"), "A:C:1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(t + " exists"), std::string::npos) << r.err;
    // an invalid stored date prints as stored
    std::string d = make("d.dbf", {"D:D"}, {{"D=2003-05-13"}});
    patchField(d, 1, 1, "1999123 ");
    EXPECT_EQ(runBrindle({"dump", d, "--format", "csv"}).out, "D\r\n1999123\r\n");
    EXPECT_NE(runBrindle({"dump", "--help"}).out.find("--deleted includes them"), std::string::npos);
    // a missing production index: the hint names --no-index
    std::string h = vt::copyFixture("harbour/people.dbf", dir);
    vt::copyFixture("harbour/people.fpt", dir);
    r = runBrindle({"info", h});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("which is missing; --no-index opens the table without it"), std::string::npos) << r.err;
}

// A second program: readers share a table, a writer has it alone, and the
// refusal says the table is in use.
TEST_F(BrindleFaults, TablesInUseByAnotherProgram) {
    std::string t = make("t.dbf", {"A:C:3"}, {{"A=x"}});
    for (bool holderWrites : {true, false}) {
        int ready[2], done[2];
        ASSERT_EQ(pipe(ready), 0);
        ASSERT_EQ(pipe(done), 0);
        pid_t pid = fork();
        if (pid == 0) {
            CODE4 c{};
            code4init(&c);
            c.readOnly = holderWrites ? 0 : 1;
            DATA4 *d = d4open(&c, t.c_str());
            char b = d ? 'y' : 'n';
            (void)!write(ready[1], &b, 1);
            (void)!read(done[0], &b, 1);
            _exit(0);
        }
        char b = 0;
        ASSERT_EQ(read(ready[0], &b, 1), 1);
        ASSERT_EQ(b, 'y');
        auto reader = runBrindle({"dump", t, "--format", "csv"});
        auto writer = runBrindle({"set", t, "1", "A=z"});
        (void)!write(done[1], &b, 1);
        int status;
        waitpid(pid, &status, 0);
        for (int fd : {ready[0], ready[1], done[0], done[1]}) close(fd);
        EXPECT_EQ(writer.status, 1);
        EXPECT_NE(writer.err.find("in use by another program"), std::string::npos) << writer.err;
        if (holderWrites) {
            EXPECT_EQ(reader.status, 1);
            EXPECT_NE(reader.err.find("in use by another program"), std::string::npos) << reader.err;
        } else {
            EXPECT_EQ(reader.status, 0) << reader.err;
            EXPECT_EQ(reader.out, "A\r\nx\r\n");
        }
    }
}

}  // namespace
