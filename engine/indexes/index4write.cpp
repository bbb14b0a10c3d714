// The write side of an index file (see index4write.h): the store of changed
// blocks, the change-set journal, block allocation and the header fields.
//
// Header fields written by a flush (little-endian unless marked):
//   header at 0  bytes 4..7   free-chain head (0: empty)
//                bytes 8..11  version, BE
//   each tag     bytes 0..3 of its header: root reference
// A free block's first 4 bytes hold the next free block (0 ends the chain).
#include "index4write.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index4internal.h"

namespace {

// Changed blocks beyond this many are written at the start of the next
// change set; clean copies beyond the store limit are dropped.
constexpr long DIRTY_LIMIT = 8192;

using Image = std::unique_ptr<unsigned char[]>;

struct Stored {
    Image image;
    uint16_t checkedFor = 0;  // the block cache's check mark for this image
    bool dirty = false;
    uint64_t journaled = 0;   // change set in which its old state was saved
};

struct Saved {
    uint32_t ref;
    bool present;
    bool dirty;
    Image image;
};

}  // namespace

struct INDEX4WRITE {
    std::unordered_map<uint32_t, Stored> blocks;
    long dirty = 0;
    uint32_t freeHead = 0;         // current head of the free chain
    uint32_t freeOnDisk = 0;       // head as the file holds it
    uint32_t version = 0;          // version as it will next be written
    std::unordered_map<TAG4FILE *, uint32_t> rootOnDisk;   // tags whose root changed
    // Change set.
    uint64_t set = 0;              // number of the current change set (0: none)
    uint64_t sets = 0;             // change sets begun so far
    bool open = false;
    std::vector<Saved> journal;
    uint32_t savedFree = 0, savedVersion = 0;
    int64_t savedFileLen = 0;
    std::vector<std::pair<TAG4FILE *, uint32_t>> savedRoots;
    std::vector<unsigned char> scratch;
    int64_t diskLen = 0;           // bytes of the file on disk (blocks past it are held only here)
};

namespace {

int outOfMemory(INDEX4FILE *i) { return error4(i->codeBase, e4memory, E4_LOC_I4CREATE); }

// The header at offset 0: the directory's, or the single tag's.
const cdx::TagHeader *fileHeader(INDEX4FILE *i) {
    if (i->directory) return &i->directory->header;
    LINK4 *l = l4first(&i->tags);
    return l ? &reinterpret_cast<TAG4FILE *>(l)->header : nullptr;
}

INDEX4WRITE *writeSide(INDEX4FILE *i) {
    if (i->write) return i->write;
    INDEX4WRITE *w = new (std::nothrow) INDEX4WRITE;
    if (!w) return nullptr;
    const cdx::TagHeader *h = fileHeader(i);
    w->freeHead = w->freeOnDisk = h ? h->freeHead : 0;
    w->version = i->versionOld;
    w->diskLen = i->fileLen;
    i->write = w;
    return w;
}

template <class F>
void eachTag(INDEX4FILE *i, F f) {
    if (i->directory) f(i->directory);
    for (LINK4 *l = l4first(&i->tags); l; l = l4next(l)) f(reinterpret_cast<TAG4FILE *>(l));
}

// Saves the store entry of ref as it is before the current change set
// touches it. false when memory ran out.
bool journal(INDEX4FILE *i, INDEX4WRITE *w, uint32_t ref) {
    if (!w->set) return true;
    try {
        auto it = w->blocks.find(ref);
        if (it != w->blocks.end() && it->second.journaled == w->set) return true;
        Saved s{ref, false, false, nullptr};
        if (it != w->blocks.end()) {
            s.present = true;
            s.dirty = it->second.dirty;
            s.image.reset(new unsigned char[i->blockSize]);
            std::memcpy(s.image.get(), it->second.image.get(), i->blockSize);
            it->second.journaled = w->set;
        }
        w->journal.push_back(std::move(s));
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

void endSet(INDEX4WRITE *w) {
    w->journal.clear();
    w->savedRoots.clear();
    w->set = 0;
    w->open = false;
}

bool blockAligned(const INDEX4FILE *i, uint32_t ref) {
    int64_t pos = (int64_t)ref * i->unit;
    return ref != cdx::NO_BLOCK && pos >= (int64_t)cdx::HEADER_SIZE && pos % cdx::DEFAULT_BLOCK == 0 &&
           pos + i->blockSize <= i->fileLen;
}

}  // namespace

bool index4storedView(INDEX4FILE *i, uint32_t ref, BLOCK4VIEW *out) {
    INDEX4WRITE *w = i->write;
    if (!w) return false;
    auto it = w->blocks.find(ref);
    if (it == w->blocks.end()) return false;
    out->image = it->second.image.get();
    out->checkedFor = &it->second.checkedFor;
    return true;
}

int64_t index4diskLen(const INDEX4FILE *i) { return i->write ? i->write->diskLen : i->fileLen; }

void index4diskGrown(INDEX4FILE *i) {
    if (i->write && i->write->diskLen < i->fileLen) i->write->diskLen = i->fileLen;
}

bool index4storedBlock(INDEX4FILE *i, uint32_t ref, unsigned char *out) {
    INDEX4WRITE *w = i->write;
    if (!w) return false;
    auto it = w->blocks.find(ref);
    if (it == w->blocks.end()) return false;
    std::memcpy(out, it->second.image.get(), i->blockSize);
    return true;
}

int index4putBlock(INDEX4FILE *i, uint32_t ref, const unsigned char *image) {
    INDEX4WRITE *w = writeSide(i);
    if (!w || !journal(i, w, ref)) return outOfMemory(i);
    try {
        Stored &s = w->blocks[ref];
        if (!s.image) s.image.reset(new unsigned char[i->blockSize]);
        if (s.journaled != w->set) s.journaled = w->set;
        std::memcpy(s.image.get(), image, i->blockSize);
        s.checkedFor = 0;
        if (!s.dirty) {
            s.dirty = true;
            w->dirty++;
        }
    } catch (const std::bad_alloc &) {
        return outOfMemory(i);
    }
    i->cache.generation++;   // the tags' paths may hold the old image
    return 0;
}

int index4extend(INDEX4FILE *i, uint32_t *ref) {
    INDEX4WRITE *w = writeSide(i);
    if (!w) return outOfMemory(i);
    if (w->freeHead != 0) {
        uint32_t head = w->freeHead;
        std::vector<unsigned char> block(i->blockSize);
        // A head outside the file (or not on a block boundary) ends the chain.
        if (blockAligned(i, head) && index4readBlock(i, head, block.data()) == 0) {
            w->freeHead = b4::getU32le(block.data());
            *ref = head;
            return 0;
        }
        if (i->codeBase->errorCode < 0) return i->codeBase->errorCode;
        w->freeHead = 0;
    }
    int64_t align = i->unit > cdx::DEFAULT_BLOCK ? i->unit : cdx::DEFAULT_BLOCK;
    int64_t pos = (i->fileLen + align - 1) / align * align;
    if (pos / i->unit >= (int64_t)cdx::NO_BLOCK)
        return error4describe(i->codeBase, e4index, E4_LOC_I4CREATE, i->file.name, nullptr, nullptr);
    *ref = (uint32_t)(pos / i->unit);
    i->fileLen = pos + i->blockSize;
    return 0;
}

int index4freeBlock(INDEX4FILE *i, uint32_t ref) {
    INDEX4WRITE *w = writeSide(i);
    if (!w) return outOfMemory(i);
    std::vector<unsigned char> block(i->blockSize, 0);
    b4::putU32le(block.data(), w->freeHead);
    if (int rc = index4putBlock(i, ref, block.data())) return rc;
    w->freeHead = ref;
    return 0;
}

int index4rootSet(TAG4FILE *t, uint32_t ref) {
    INDEX4FILE *i = t->indexFile;
    INDEX4WRITE *w = writeSide(i);
    if (!w) return outOfMemory(i);
    try {
        w->rootOnDisk.emplace(t, t->header.root);
    } catch (const std::bad_alloc &) {
        return outOfMemory(i);
    }
    t->header.root = ref;
    return 0;
}

void index4tagForget(INDEX4FILE *i, TAG4FILE *t) {
    INDEX4WRITE *w = i->write;
    if (!w) return;
    w->rootOnDisk.erase(t);
    for (auto &r : w->savedRoots)
        if (r.first == t) r.first = nullptr;
    std::erase_if(w->savedRoots, [](const auto &r) { return r.first == nullptr; });
}

int index4versionStep(INDEX4FILE *i) {
    INDEX4WRITE *w = writeSide(i);
    if (!w) return outOfMemory(i);
    w->version = i->versionOld + 1;
    return 0;
}

uint32_t index4version(const INDEX4FILE *i) { return i->write ? i->write->version : i->versionOld; }

int index4changeBegin(INDEX4FILE *i) {
    INDEX4WRITE *w = writeSide(i);
    if (!w) return outOfMemory(i);
    endSet(w);
    if (w->dirty > DIRTY_LIMIT)
        if (int rc = index4flushBlocks(i)) return rc;
    w->set = ++w->sets;
    w->open = true;
    w->savedFree = w->freeHead;
    w->savedVersion = w->version;
    w->savedFileLen = i->fileLen;
    try {
        eachTag(i, [&](TAG4FILE *t) { w->savedRoots.emplace_back(t, t->header.root); });
    } catch (const std::bad_alloc &) {
        endSet(w);
        return outOfMemory(i);
    }
    return 0;
}

int index4changeOpen(const INDEX4FILE *i) { return i->write && i->write->open; }

void index4changeClose(INDEX4FILE *i) {
    if (i->write) i->write->open = false;
}

void index4changeUndo(INDEX4FILE *i) {
    INDEX4WRITE *w = i->write;
    if (!w || !w->set) return;
    for (auto it = w->journal.rbegin(); it != w->journal.rend(); ++it) {
        auto b = w->blocks.find(it->ref);
        if (b == w->blocks.end()) continue;
        if (b->second.dirty) w->dirty--;
        if (!it->present) {
            w->blocks.erase(b);
            continue;
        }
        b->second.image = std::move(it->image);
        b->second.checkedFor = 0;
        b->second.dirty = it->dirty;
        b->second.journaled = 0;
        if (it->dirty) w->dirty++;
    }
    w->freeHead = w->savedFree;
    w->version = w->savedVersion;
    i->fileLen = w->savedFileLen;
    for (auto &r : w->savedRoots) r.first->header.root = r.second;
    i->cache.generation++;
    eachTag(i, [](TAG4FILE *t) { tfile4pathClear(t); });
    endSet(w);
}

int index4flushBlocks(INDEX4FILE *i) {
    INDEX4WRITE *w = i->write;
    if (!w) return 0;
    CODE4 *c = i->codeBase;
    endSet(w);
    std::vector<uint32_t> refs;
    try {
        refs.reserve((size_t)w->dirty);
        for (auto &b : w->blocks)
            if (b.second.dirty) refs.push_back(b.first);
    } catch (const std::bad_alloc &) {
        return outOfMemory(i);
    }
    std::sort(refs.begin(), refs.end());
    for (uint32_t ref : refs) {
        Stored &s = w->blocks[ref];
        if (int rc = index4writeBlock(i, ref, s.image.get())) return rc;
        s.dirty = false;
        w->dirty--;
        int64_t end = (int64_t)ref * i->unit + i->blockSize;
        if (end > w->diskLen) w->diskLen = end;
    }
    if (w->freeHead != w->freeOnDisk || w->version != i->versionOld) {
        unsigned char fields[8];
        b4::putU32le(fields, w->freeHead);
        b4::putU32be(fields + 4, w->version);
        if (file4write(&i->file, cdx::OFF_FREE, fields, sizeof fields) != 0) return c->errorCode < 0 ? c->errorCode : -1;
        w->freeOnDisk = w->freeHead;
        i->versionOld = w->version;
        if (i->directory) {
            i->directory->header.freeHead = w->freeHead;
            i->directory->header.version = w->version;
        }
    }
    for (auto it = w->rootOnDisk.begin(); it != w->rootOnDisk.end();) {
        TAG4FILE *t = it->first;
        if (t->header.root != it->second) {
            unsigned char root[4];
            b4::putU32le(root, t->header.root);
            if (file4write(&i->file, (int64_t)t->headerRef * i->unit + cdx::OFF_ROOT, root, 4) != 0)
                return c->errorCode < 0 ? c->errorCode : -1;
        }
        it = w->rootOnDisk.erase(it);
    }
    // What was written is in the block cache (or the file) now.
    for (auto it = w->blocks.begin(); it != w->blocks.end();)
        it = it->second.dirty ? std::next(it) : w->blocks.erase(it);
    return 0;
}

unsigned char *index4scratch(INDEX4FILE *i, size_t bytes) {
    INDEX4WRITE *w = writeSide(i);
    if (!w) return outOfMemory(i), nullptr;
    if (w->scratch.size() < bytes) {
        try {
            w->scratch.assign(bytes, 0);
        } catch (const std::bad_alloc &) {
            return outOfMemory(i), nullptr;
        }
    }
    return w->scratch.data();
}

void index4writeReset(INDEX4FILE *i) {
    delete i->write;
    i->write = nullptr;
    i->cache.generation++;
}

void index4writeFree(INDEX4FILE *i) { index4writeReset(i); }

long index4changedBlocks(const INDEX4FILE *i) { return i->write ? i->write->dirty : 0; }
