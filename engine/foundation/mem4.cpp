#include "mem4.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "error4.h"

namespace {

constexpr int kDescriptorsPerChunk = 10;

struct Block {
    Block *next;
    // elements follow, each rounded up to the maximum alignment
};

}  // namespace

struct MEM4 {
    int inUse;
    int isPrivate;
    int users;
    size_t size;         // element size as requested (at least 8)
    size_t stride;       // size rounded up to the maximum alignment
    int start;
    int expand;
    int blockCount;
    Block *blocks;
    void *freeList;      // singly linked through the first word of each element
};

namespace {

struct DescriptorChunk {
    DescriptorChunk *next;
    MEM4 pools[kDescriptorsPerChunk];
};

std::mutex g_poolMutex;
DescriptorChunk *g_chunks = nullptr;

MEM4 *findShared(size_t size) {
    for (DescriptorChunk *ch = g_chunks; ch; ch = ch->next)
        for (MEM4 &m : ch->pools)
            if (m.inUse && !m.isPrivate && m.size == size) return &m;
    return nullptr;
}

MEM4 *takeDescriptor() {
    for (DescriptorChunk *ch = g_chunks; ch; ch = ch->next)
        for (MEM4 &m : ch->pools)
            if (!m.inUse) return &m;
    auto *ch = static_cast<DescriptorChunk *>(std::calloc(1, sizeof(DescriptorChunk)));
    if (!ch) return nullptr;
    ch->next = g_chunks;
    g_chunks = ch;
    return &ch->pools[0];
}

// Frees descriptor chunks once no pool is in use (the last context went away).
void freeChunksIfIdle() {
    for (DescriptorChunk *ch = g_chunks; ch; ch = ch->next)
        for (MEM4 &m : ch->pools)
            if (m.inUse) return;
    while (g_chunks) {
        DescriptorChunk *next = g_chunks->next;
        std::free(g_chunks);
        g_chunks = next;
    }
}

bool grow(MEM4 *m) {
    int count = m->blockCount == 0 ? m->start : m->expand;
    if (count < 1) count = 1;
    auto *b = static_cast<Block *>(std::malloc(sizeof(Block) + m->stride * (size_t)count));
    if (!b) return false;
    b->next = m->blocks;
    m->blocks = b;
    m->blockCount++;
    auto *base = reinterpret_cast<unsigned char *>(b) + sizeof(Block);
    for (int i = count - 1; i >= 0; i--) {
        void *el = base + m->stride * (size_t)i;
        *static_cast<void **>(el) = m->freeList;
        m->freeList = el;
    }
    return true;
}

}  // namespace

MEM4 *mem4create(CODE4 *c, int start, size_t elementSize, int expand, int isPrivate) {
    if (elementSize < 8) elementSize = 8;
    std::lock_guard<std::mutex> lock(g_poolMutex);
    if (!isPrivate) {
        if (MEM4 *m = findShared(elementSize)) {
            if (start > m->start) m->start = start;
            if (expand > m->expand) m->expand = expand;
            m->users++;
            return m;
        }
    }
    MEM4 *m = takeDescriptor();
    if (!m) {
        error4(c, e4memory, E4_LOC_MEM4CREATE);
        return nullptr;
    }
    std::memset(m, 0, sizeof *m);
    m->inUse = 1;
    m->isPrivate = isPrivate ? 1 : 0;
    m->users = 1;
    m->size = elementSize;
    constexpr size_t align = alignof(std::max_align_t);
    m->stride = (elementSize + align - 1) / align * align;
    m->start = start;
    m->expand = expand;
    return m;
}

void *mem4alloc(MEM4 *m, CODE4 *c) {
    if (!m) return nullptr;
    void *el = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_poolMutex);
        if (m->freeList || grow(m)) {
            el = m->freeList;
            m->freeList = *static_cast<void **>(el);
        }
    }
    if (!el) {
        error4(c, e4memory, E4_LOC_MEM4ALLOC);
        return nullptr;
    }
    std::memset(el, 0, m->size);
    return el;
}

void mem4free(MEM4 *m, void *el) {
    if (!m || !el) return;
    std::lock_guard<std::mutex> lock(g_poolMutex);
    *static_cast<void **>(el) = m->freeList;
    m->freeList = el;
}

void mem4release(MEM4 *m) {
    if (!m) return;
    std::lock_guard<std::mutex> lock(g_poolMutex);
    if (--m->users > 0) return;
    while (m->blocks) {
        Block *next = m->blocks->next;
        std::free(m->blocks);
        m->blocks = next;
    }
    std::memset(m, 0, sizeof *m);
    freeChunksIfIdle();
}

size_t mem4elementSize(const MEM4 *m) { return m->size; }
int mem4startCount(const MEM4 *m) { return m->start; }
int mem4expandCount(const MEM4 *m) { return m->expand; }

int mem4poolCount() {
    std::lock_guard<std::mutex> lock(g_poolMutex);
    int n = 0;
    for (DescriptorChunk *ch = g_chunks; ch; ch = ch->next)
        for (MEM4 &m : ch->pools)
            if (m.inUse) n++;
    return n;
}
