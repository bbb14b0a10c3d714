// The heap counter of the reliability tests (alloc_counter.h) and the checks
// that it sees what it must: malloc, calloc, realloc's old and new block at
// once, operator new, and the releases.
#include "alloc_counter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RELY_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define RELY_ASAN 1
#endif

namespace rely {
namespace {

std::atomic<int64_t> g_held{0};
std::atomic<int64_t> g_peak{0};
std::atomic<int64_t> g_calls{0};
int64_t g_base = 0, g_callsBase = 0;

void account(int64_t delta) {
    int64_t now = g_held.fetch_add(delta, std::memory_order_relaxed) + delta;
    int64_t peak = g_peak.load(std::memory_order_relaxed);
    while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

}  // namespace
}  // namespace rely

#ifdef RELY_ASAN
// The sanitizer runtime's allocator hooks (declared here: not every
// compiler ships the header that declares them).
extern "C" {
size_t __sanitizer_get_allocated_size(const volatile void *p);
int __sanitizer_install_malloc_and_free_hooks(void (*mallocHook)(const volatile void *, size_t),
                                              void (*freeHook)(const volatile void *));
}

namespace rely {
namespace {

void onMalloc(const volatile void *p, size_t) {
    g_calls.fetch_add(1, std::memory_order_relaxed);
    account((int64_t)__sanitizer_get_allocated_size(p));
}
void onFree(const volatile void *p) {
    account(-(int64_t)__sanitizer_get_allocated_size(p));
}
const bool g_installed = __sanitizer_install_malloc_and_free_hooks(onMalloc, onFree) != 0;

}  // namespace

bool heapCounted() { return g_installed; }

}  // namespace rely

#else
// The C library's allocator under its own names, wrapped here.
#include <malloc.h>

extern "C" {
void *__libc_malloc(size_t);
void *__libc_calloc(size_t, size_t);
void *__libc_realloc(void *, size_t);
void *__libc_memalign(size_t, size_t);
void __libc_free(void *);

void *malloc(size_t n) {
    rely::g_calls.fetch_add(1, std::memory_order_relaxed);
    void *p = __libc_malloc(n);
    if (p) rely::account((int64_t)malloc_usable_size(p));
    return p;
}
void *calloc(size_t n, size_t size) {
    rely::g_calls.fetch_add(1, std::memory_order_relaxed);
    void *p = __libc_calloc(n, size);
    if (p) rely::account((int64_t)malloc_usable_size(p));
    return p;
}
void free(void *p) {
    if (!p) return;
    rely::account(-(int64_t)malloc_usable_size(p));
    __libc_free(p);
}
void *realloc(void *old, size_t n) {
    if (!old) return malloc(n);
    if (n == 0) {
        free(old);
        return nullptr;
    }
    rely::g_calls.fetch_add(1, std::memory_order_relaxed);
    int64_t before = (int64_t)malloc_usable_size(old);
    // While the C library moves the block both copies exist: count the new
    // size first, then give back the old.
    rely::account((int64_t)n);
    void *p = __libc_realloc(old, n);
    rely::account(-(int64_t)n);
    if (p) rely::account((int64_t)malloc_usable_size(p) - before);
    return p;
}
void *memalign(size_t align, size_t n) {
    rely::g_calls.fetch_add(1, std::memory_order_relaxed);
    void *p = __libc_memalign(align, n);
    if (p) rely::account((int64_t)malloc_usable_size(p));
    return p;
}
void *aligned_alloc(size_t align, size_t n) { return memalign(align, n); }
int posix_memalign(void **out, size_t align, size_t n) {
    void *p = memalign(align, n);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
}

namespace rely {
bool heapCounted() { return true; }
}  // namespace rely
#endif

namespace rely {

int64_t heapHeld() { return g_held.load(); }

AllocWindow::AllocWindow() {
    g_callsBase = g_calls.load();
    g_base = g_held.load();
    g_peak.store(g_base);
}
AllocWindow::~AllocWindow() = default;
int64_t AllocWindow::peak() const { return g_peak.load() - g_base; }
int64_t AllocWindow::calls() const { return g_calls.load() - g_callsBase; }

}  // namespace rely

namespace {

// Keeps the compiler from dropping an allocation it can see through.
void *volatile g_sink;

TEST(AllocCounter, SeesEveryKindOfAllocationAndItsRelease) {
    ASSERT_TRUE(rely::heapCounted());
    const int64_t mib = 1 << 20;
    {
        rely::AllocWindow w;
        int64_t start = rely::heapHeld();
        void *p = std::malloc(mib);
        g_sink = p;
        EXPECT_GE(w.peak(), mib);
        std::free(p);
        EXPECT_LT(rely::heapHeld() - start, 4096);
    }
    {
        rely::AllocWindow w;
        int64_t start = rely::heapHeld();
        void *p = std::calloc(2, mib);
        g_sink = p;
        p = std::realloc(p, 4 * mib);  // old and new at once
        g_sink = p;
        EXPECT_GE(w.peak(), 4 * mib);
        EXPECT_EQ(w.calls(), 2);
        std::free(p);
        EXPECT_LT(rely::heapHeld() - start, 4096);
    }
    {
        rely::AllocWindow w;
        int64_t start = rely::heapHeld();
        auto big = std::make_unique<char[]>(3 * mib);
        g_sink = big.get();
        EXPECT_GE(rely::heapHeld() - start, 3 * mib);
        big.reset();
        EXPECT_LT(rely::heapHeld() - start, 4096);
        EXPECT_GE(w.peak(), 3 * mib);
    }
}

}  // namespace
