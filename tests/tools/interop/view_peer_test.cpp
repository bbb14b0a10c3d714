// The filtered and sorted views of brindle against an independent evaluation
// of the same filter and order by python3-dbfread over the same file.
#include "brindle_runner.h"
#include "test_support.h"

namespace {


TEST(ViewPeer, QueryAndSortAgreeWithDbfread) {
    vt::TempDir dir;
    std::string t = dir.file("people.dbf");
    ASSERT_EQ(vt::runBrindle({"create", t, "ID:N:8", "NAME:C:20", "AMOUNT:N:10:2"}).status, 0);
    const char *names[] = {"Smith", "smith", "Jones", "Adams", "SMITH", "Brown"};
    unsigned long long s = 42;
    for (int i = 1; i <= 120; i++) {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        std::string amount = std::to_string((long)((s >> 33) % 40000) - 10000) + "." + std::to_string((s >> 20) % 10);
        ASSERT_EQ(vt::runBrindle({"append", t, "ID=" + std::to_string(i), std::string("NAME=") + names[(s >> 40) % 6],
                                  "AMOUNT=" + amount})
                      .status,
                  0);
    }
    ASSERT_EQ(vt::runBrindle({"delete", t, "7", "8", "50"}).status, 0);

    // The peer computes IDs of the live records that pass the filter, in the
    // order of upper(NAME) ascending, AMOUNT descending, record number.
    std::string program = R"PY(
import sys, dbfread
rows = [r for r in dbfread.DBF(sys.argv[1], encoding='cp1252')]
sel = [r for r in rows if r['NAME'].rstrip() == 'Smith' or r['AMOUNT'] > 100]
print(len(sel))
order = sorted(rows, key=lambda r: (r['NAME'].upper(), -r['AMOUNT'], r['ID']))
print(','.join(str(int(r['ID'])) for r in order))
)PY";
    auto peer = vt::runPython(program, {t});
    ASSERT_EQ(peer.status, 0) << peer.err;
    std::string count = peer.out.substr(0, peer.out.find('\n'));
    std::string order = peer.out.substr(peer.out.find('\n') + 1);
    order.pop_back();

    auto r = vt::runBrindle({"count", t, "--query", "NAME = 'Smith' .OR. AMOUNT > 100"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, count + "\n");
    // Note: xBase '=' compares over the right operand's length, so NAME =
    // 'Smith' matches 'Smith' followed by blanks exactly as rstrip() does here.

    r = vt::runBrindle({"dump", t, "--format", "csv", "--fields", "ID", "--sort", "ASCEND(UPPER(NAME))+DESCEND(AMOUNT)"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string ids;
    size_t start = r.out.find("\r\n") + 2;
    while (start < r.out.size()) {
        size_t end = r.out.find("\r\n", start);
        ids += (ids.empty() ? "" : ",") + r.out.substr(start, end - start);
        start = end + 2;
    }
    EXPECT_EQ(ids, order);
}

}  // namespace
