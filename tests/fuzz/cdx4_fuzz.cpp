// Opens an index file made of arbitrary bytes as the production index of a
// sound table (Harbour's people table, whose tags the seeds hold) and walks,
// seeks, positions and checks every tag it offers, then counts a query that
// the tags may pre-select. A damaged index must come back as the engine's
// codes: never a crash, a hang, or a fatal error.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "brindle.h"
#include "indexes/t4check.h"

namespace {

CODE4 g_cb;
std::string g_dir;

void copy(const std::string &from, const std::string &to) {
    std::error_code ec;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) std::abort();
}

void removeDir() {
    std::error_code ec;
    std::filesystem::remove_all(g_dir, ec);
}

void clear() { error4set(&g_cb, 0); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    char pattern[] = "/tmp/cdx4_fuzz_XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    g_dir = pattern;
    std::atexit(removeDir);
    copy(std::string(VANDREL_FIXTURES) + "/harbour/people.dbf", g_dir + "/people.dbf");
    copy(std::string(VANDREL_FIXTURES) + "/harbour/people.fpt", g_dir + "/people.fpt");
    code4init(&g_cb);
    g_cb.offError = 1;
    g_cb.readOnly = 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    {
        std::ofstream out(g_dir + "/people.cdx", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data), (std::streamsize)size);
    }
    DATA4 *d = d4open(&g_cb, (g_dir + "/people.dbf").c_str());
    if (!d) {
        clear();
        return 0;
    }
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        d4tagSelect(d, t);
        int steps = 0;
        for (int rc = d4top(d); rc == 0 && steps < 2500; rc = d4skip(d, 1)) steps++;
        clear();
        d4bottom(d);
        d4skip(d, -40);
        clear();
        d4seek(d, "Sm");
        d4seekNext(d, "Sm");
        clear();
        d4seekDouble(d, 1234.5);
        clear();
        d4positionSet(d, 0.7);
        d4position(d);
        clear();
        TAG4CHECK check;
        t4check(t, &check);
        clear();
    }
    d4tagSelect(d, nullptr);
    RELATE4 *r = relate4init(d);
    if (r && relate4querySet(r, "UPPER(LAST) = 'SMI' .OR. AMOUNT < 100") == 0) {
        long n = 0;
        for (int rc = relate4top(r); rc == 0 && n < 5000; rc = relate4skip(r, 1)) n++;
    }
    clear();
    if (r) relate4free(r, 0);
    d4close(d);
    clear();
    return 0;
}
