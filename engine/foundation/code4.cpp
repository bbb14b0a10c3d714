#include "code4.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "error4.h"

namespace {
std::atomic<int> g_instanceCount{0};

char *numberText(char *buf, long value) {
    // plain decimal, for the version and size messages
    std::snprintf(buf, 24, "%ld", value);
    return buf;
}
}  // namespace

int code4instanceCount() { return g_instanceCount.load(); }

int code4initLow(CODE4 *c, long version, size_t structSize) {
    if (!c) return error4(nullptr, e4parmNull, E4_LOC_CODE4INIT);
    if (version != S4VERSION) {
        char a[64], b[64], n1[24], n2[24];
        std::snprintf(a, sizeof a, "Library: %s", numberText(n1, S4VERSION));
        std::snprintf(b, sizeof b, "Headers: %s", numberText(n2, version));
        return error4describe(nullptr, e4version, E4_LOC_CODE4INIT, a, b, nullptr);
    }
    if (structSize != sizeof(CODE4)) {
        char a[64], b[64], n1[24], n2[24];
        std::snprintf(a, sizeof a, "Header struct size: %s", numberText(n1, (long)structSize));
        std::snprintf(b, sizeof b, "Library struct size: %s", numberText(n2, (long)sizeof(CODE4)));
        return error4describe(nullptr, e4struct, E4_LOC_CODE4INIT, a, b, nullptr);
    }
    std::memset(c, 0, sizeof *c);
    g_instanceCount++;

    c->s4valid = S4VALID;
    c->autoOpen = 1;
    c->fieldNameError = 1;
    c->openError = 1;
    c->goError = 1;
    c->skipError = 1;
    c->singleOpen = 1;
    // Creating never silently replaces an existing file unless asked to.
    c->safety = 1;
    c->createError = 1;
    c->errTagName = 1;
    c->memSizeMemo = 512;
    c->memSizeBlock = 512;
    c->memSizeBuffer = 32768;
    c->memSizeSortBuffer = 4096;
    c->memSizeSortBudget = 64ull << 20;
    c->fileReadAhead = 65536;
    std::strcpy(c->dateFormat, "MM/DD/YY");
    c->compatibility = 25;
    c->autoIncrementStart = 1.0;

    c->dataMemory = nullptr;      // created by the table layer on first open
    c->dataFileMemory = nullptr;
    c->initialized = 1;
    return 0;
}

int code4closeAll(CODE4 *c) {
    if (int rc = error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_CODE4CLOSEALL)) return rc;
    int result = 0;
    while (c->dataList.first && c->tableCloseHook) {
        // d4close unlinks the handle, so the list head moves on.
        int rc = c->tableCloseHook(reinterpret_cast<DATA4 *>(c->dataList.first));
        if (rc < 0 && result == 0) result = rc;
    }
    return result < 0 ? result : (c->errorCode < 0 ? c->errorCode : 0);
}

int code4initUndo(CODE4 *c) {
    if (!c || c->s4valid != S4VALID || !c->initialized) return 0;
    c->initialized = 2;  // releasing: fatal errors from here on do not recurse
    int code = c->errorCode;
    c->errorCode = 0;
    while (c->relationList.first && c->relationFreeHook)
        c->relationFreeHook(reinterpret_cast<RELATE4 *>(c->relationList.first));
    code4closeAll(c);
    for (int i = 3; i >= 0; i--)
        if (c->layerReleaseHooks[i]) c->layerReleaseHooks[i](c);
    mem4release(c->dataMemory);
    mem4release(c->dataFileMemory);
    std::free(c->fieldBuffer);
    std::free(c->errorText);
    std::memset(c, 0, sizeof *c);
    g_instanceCount--;
    return code;
}

int code4dateFormatSet(CODE4 *c, const char *picture) {
    if (int rc = error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_CODE4DATEFORMATSET)) return rc;
    if (!picture) return error4(c, e4parmNull, E4_LOC_CODE4DATEFORMATSET);
    if (std::strlen(picture) >= S4DATE_FORMAT_MAX) return error4(c, e4parm, E4_LOC_CODE4DATEFORMATSET);
    std::strcpy(c->dateFormat, picture);
    return 0;
}

const char *code4dateFormat(CODE4 *c) {
    if (error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_CODE4DATEFORMATSET)) return nullptr;
    return c->dateFormat;
}

char *code4fieldBuffer(CODE4 *c, size_t len) {
    if (len + 1 > c->fieldBufferLen) {
        size_t want = len + 1 < 256 ? 256 : len + 1;
        char *p = static_cast<char *>(std::realloc(c->fieldBuffer, want));
        if (!p) {
            error4(c, e4memory, E4_LOC_F4STR);
            return nullptr;
        }
        c->fieldBuffer = p;
        c->fieldBufferLen = want;
    }
    return c->fieldBuffer;
}
