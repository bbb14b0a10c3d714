// Uniquely named temporary files: "TEMP" + four digits + extension, in the
// system's temporary folder ($TMPDIR, else /tmp), so that a read-only
// working folder does not stop sorting.
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "code4.h"
#include "error4.h"
#include "file4.h"
#include "u4name.h"

namespace {

std::string tempFolder() {
    const char *dir = std::getenv("TMPDIR");
    std::string s = dir && *dir ? dir : "/tmp";
    if (s.back() != '/') s += '/';
    return s;
}

long clockMillis() {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return (long)(ts.tv_sec % 100000) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace

int file4tempLow(FILE4 *f, CODE4 *c, int removeOnClose, const char *ext) {
    if (!f || !c) return error4(nullptr, e4parmNull, E4_LOC_FILE4TEMPLOW);
    if (c->errorCode < 0) return -1;
    int savedCreateError = c->createError;
    int savedSafety = c->safety;
    int savedCreateTemp = c->createTemp;
    c->createError = 0;
    c->safety = 1;
    c->createTemp = 0;
    std::string extension = ext ? std::string(".") + (ext[0] == '.' ? ext + 1 : ext) : ".TMP";
    bool isTable = ext && u4nameEqual(ext[0] == '.' ? ext + 1 : ext, "dbf");
    std::string folder = tempFolder();
    int rc = -1;
    long base = clockMillis() % 10000;
    for (int attempt = 0; attempt < 100; attempt++) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04ld", (attempt + base + 1) % 10000);
        std::string stem = folder + "TEMP" + digits;
        if (isTable && (file4exists((stem + ".cdx").c_str()) || file4exists((stem + ".fpt").c_str()))) continue;
        rc = file4create(f, c, (stem + extension).c_str(), 1);
        if (rc == 0) break;
        if (c->errorCode < 0) break;  // a real failure, not a taken name
        c->errorCode = 0;
    }
    c->createError = savedCreateError;
    c->safety = savedSafety;
    c->createTemp = savedCreateTemp;
    if (rc != 0) {
        if (c->errorCode >= 0) c->errorCode = 0;
        return error4describe(c, e4create, E4_LOC_FILE4TEMPLOW, "error creating temporary working file", nullptr, nullptr);
    }
    if (removeOnClose) f->removeOnClose = 1;
    return 0;
}
