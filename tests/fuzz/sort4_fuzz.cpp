// Feeds the external sort arbitrary key and extra-information lengths,
// element counts and small memory budgets (so that it spools and merges in
// passes), and checks what comes out against std::sort of the same elements:
// the same elements, ordered by key bytes then record number.
//
// Input: bytes 0-2 the key length (up to 2^20, taken modulo the largest
// element), byte 3 the extra length, byte 4 the budget in KiB (0: the
// smallest the sort allows), byte 5 the spool buffer size in KiB, bytes 6-7
// the element count (modulo 5001); the rest is cycled through for keys and record numbers
// (a short rest gives many equal keys).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "brindle.h"
#include "indexes/sort4.h"

namespace {

CODE4 g_cb;

struct Element {
    std::string key;
    uint32_t recNo;
    std::string extra;
};

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "sort4 fuzz: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    if (code4init(&g_cb) != 0) std::abort();
    g_cb.offError = 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 8) return 0;
    uint32_t keyLen = ((uint32_t)data[0] | (uint32_t)data[1] << 8 | (uint32_t)data[2] << 16) % (SORT4_ELEMENT_MAX - 4 + 1);
    uint32_t extraLen = data[3];
    if (keyLen + 4 + extraLen > SORT4_ELEMENT_MAX) extraLen = 0;
    uint64_t count = ((uint64_t)data[6] | (uint64_t)data[7] << 8) % 5001;
    // Keep one run's worth of input and model small.
    uint64_t elemBytes = keyLen + 4 + extraLen;
    if (count * elemBytes > (4u << 20)) count = (4u << 20) / elemBytes;
    const uint8_t *pool = data + 8;
    size_t poolLen = size - 8;

    g_cb.memSizeSortBudget = (uint64_t)data[4] * 1024;
    g_cb.memSizeBuffer = (uint32_t)data[5] * 1024;
    SORT4 s;
    if (sort4init(&s, &g_cb, (int)keyLen, (int)extraLen) != 0) fail("sort4init refused a valid length");

    std::vector<Element> model;
    model.reserve((size_t)count);
    size_t at = 0;
    auto next = [&]() -> unsigned char {
        if (poolLen == 0) return 0;
        unsigned char b = pool[at];
        at = (at + 1) % poolLen;
        return b;
    };
    std::string key(keyLen, '\0'), extra(extraLen, '\0');
    for (uint64_t i = 0; i < count; i++) {
        for (auto &ch : key) ch = (char)next();
        for (auto &ch : extra) ch = (char)next();
        uint32_t recNo = (uint32_t)next() | (uint32_t)next() << 8;
        if (sort4put(&s, recNo, key.data(), extraLen ? extra.data() : nullptr) != 0) fail("sort4put failed");
        model.push_back({key, recNo, extra});
    }
    if (sort4getInit(&s) != 0) fail("sort4getInit failed");
    auto byKey = [](const Element &a, const Element &b) {
        int c = std::memcmp(a.key.data(), b.key.data(), a.key.size());
        if (c != 0) return c < 0;
        return a.recNo < b.recNo;
    };
    auto whole = [&](const Element &a, const Element &b) {
        if (byKey(a, b) || byKey(b, a)) return byKey(a, b);
        return a.extra < b.extra;
    };
    std::vector<Element> out;
    out.reserve(model.size());
    for (size_t i = 0; i < model.size(); i++) {
        long recNo;
        void *k, *x;
        if (sort4get(&s, &recNo, &k, &x) != 0) fail("sort4get ended early");
        if ((extraLen == 0) != (x == nullptr)) fail("extra pointer");
        out.push_back({std::string(static_cast<char *>(k), keyLen), (uint32_t)recNo,
                       extraLen ? std::string(static_cast<char *>(x), extraLen) : std::string()});
        if (i > 0 && byKey(out[i], out[i - 1])) fail("out of order");
    }
    // The same elements: equal (key, record number) pairs may carry their
    // extra information in either order, so compare fully sorted copies.
    std::sort(out.begin(), out.end(), whole);
    std::sort(model.begin(), model.end(), whole);
    for (size_t i = 0; i < model.size(); i++)
        if (out[i].key != model[i].key || out[i].recNo != model[i].recNo || out[i].extra != model[i].extra)
            fail("elements lost or changed");
    long recNo;
    if (sort4get(&s, &recNo, nullptr, nullptr) != r4done) fail("more elements than were put");
    if (s.memPeak > s.budget) fail("memory past the budget");
    if (sort4free(&s) != 0) fail("sort4free failed");
    error4set(&g_cb, 0);
    return 0;
}
