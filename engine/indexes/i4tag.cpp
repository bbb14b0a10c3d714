// Adding tags to an open index file and removing them, leaving the other
// tags' blocks as they are.
//
// Adding: each new tag's 1024-byte header goes at the end of the file (on a
// 512-byte boundary), its tree right after it; only then is its name entered
// in the tag directory, so a failure before that leaves the file as it was
// (the end is cut back). Removing: the name leaves the directory first, then
// the tag's nodes and its header's two blocks go on the free chain.
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "i4build.h"
#include "i4file.h"
#include "index4internal.h"
#include "index4write.h"
#include "t4path.h"
#include "tables/d4internal.h"

namespace {

int refuseReadOnly(DATA4 *d) {
    return error4describe(d->codeBase, e4write, E4_MSG_WRITE_READ_ONLY, d->alias, nullptr, nullptr);
}

std::string directoryKey(const TAG4FILE *t) {
    std::string key(t->alias);
    key.resize(cdx::DIRECTORY_KEY_LEN, ' ');
    return key;
}

const unsigned char *bytes(const std::string &s) { return reinterpret_cast<const unsigned char *>(s.data()); }

bool named(INDEX4FILE *f, const char *alias) {
    for (LINK4 *l = l4first(&f->tags); l; l = l4next(l))
        if (std::strcmp(reinterpret_cast<TAG4FILE *>(l)->alias, alias) == 0) return true;
    return false;
}

// Every table handle's index on f.
template <class F>
void eachHandle(INDEX4FILE *f, F fn) {
    CODE4 *c = f->codeBase;
    for (LINK4 *dl = l4first(&c->dataList); dl; dl = l4next(dl)) {
        DATA4 *d = reinterpret_cast<DATA4 *>(dl);
        for (LINK4 *il = l4first(&d->indexes); il; il = l4next(il)) {
            INDEX4 *i = reinterpret_cast<INDEX4 *>(il);
            if (i->indexFile == f) fn(d, i);
        }
    }
}

// t joins the file's tags in directory (name) order, and every handle gets
// its TAG4. 0 or -920.
int linkTag(INDEX4FILE *f, TAG4FILE *t) {
    LINK4 *before = l4first(&f->tags);
    while (before && std::strcmp(reinterpret_cast<TAG4FILE *>(before)->alias, t->alias) < 0) before = l4next(before);
    l4addBefore(&f->tags, before, &t->link);
    TAG4FILE *after = before ? reinterpret_cast<TAG4FILE *>(before) : nullptr;
    int rc = 0;
    eachHandle(f, [&](DATA4 *, INDEX4 *i) {
        auto *tag = static_cast<TAG4 *>(std::calloc(1, sizeof(TAG4)));
        if (!tag) {
            rc = error4(f->codeBase, e4memory, E4_LOC_I4TAGADD);
            return;
        }
        tag->s4valid = S4VALID;
        tag->index = i;
        tag->tagFile = t;
        tag->errUnique = i4uniqueCode(t);
        LINK4 *at = l4first(&i->tags);
        while (at && reinterpret_cast<TAG4 *>(at)->tagFile != after) at = l4next(at);
        l4addBefore(&i->tags, at, &tag->link);
    });
    return rc;
}

// Builds t at the end of f and enters it in the directory.
int addOne(INDEX4FILE *f, DATA4 *d, TAG4FILE *t, int unique) {
    CODE4 *c = f->codeBase;
    int64_t pos = (f->fileLen + cdx::DEFAULT_BLOCK - 1) / cdx::DEFAULT_BLOCK * cdx::DEFAULT_BLOCK;
    int64_t endBefore = f->fileLen;
    I4BUILD b;
    uint32_t root = 0;
    int rc = i4buildBegin(&b, c, &f->file, (uint32_t)((pos + cdx::HEADER_SIZE) / f->unit));
    if (rc == 0) rc = i4buildTag(&b, t, d, unique, &root);
    if (rc == 0) rc = i4buildEnd(&b);
    unsigned char header[cdx::HEADER_SIZE];
    if (rc == 0) {
        i4headerImage(t, root, index4version(f), header);
        if (file4write(&f->file, pos, header, sizeof header) != 0) rc = c->errorCode < 0 ? c->errorCode : -1;
    }
    if (rc == 0) {
        f->fileLen = (int64_t)b.next * f->unit;
        index4diskGrown(f);
        t->headerRef = (uint32_t)(pos / f->unit);
        cdx::headerDecode(header, sizeof header, &t->header);
        rc = tfile4add(f->directory, bytes(directoryKey(t)), t->headerRef, e4unique);
    }
    if (rc != 0) {
        // Nothing names the new blocks: the file goes back to its old end.
        int saved = c->errorCode;
        c->errorCode = 0;
        if (file4lenSet(&f->file, endBefore) == 0) f->fileLen = endBefore;
        c->errorCode = saved;
    }
    return rc;
}

// The blocks of t's tree (every node once; a loop is damage).
int treeBlocks(TAG4FILE *t, std::vector<uint32_t> &out) {
    INDEX4FILE *f = t->indexFile;
    std::vector<unsigned char> block(f->blockSize);
    std::unordered_set<uint32_t> seen;
    std::vector<std::pair<uint32_t, int>> pending{{t->header.root, 0}};
    while (!pending.empty()) {
        auto [ref, depth] = pending.back();
        pending.pop_back();
        if (depth >= TAG4_MAX_DEPTH || !seen.insert(ref).second) return tfile4damaged(t);
        int rc = index4readBlock(f, ref, block.data());
        if (rc == -1 && f->codeBase->errorCode >= 0) return tfile4damaged(t);
        if (rc < 0) return rc;
        out.push_back(ref);
        if (cdx::nodeIsLeaf(block.data())) continue;
        unsigned count = cdx::nodeKeyCount(block.data());
        if (!cdx::branchValid(f->blockSize, t->header.keyLen, count)) return tfile4damaged(t);
        for (unsigned i = 0; i < count; i++)
            pending.emplace_back(cdx::branchChild(block.data(), t->header.keyLen, i), depth + 1);
    }
    return 0;
}

void unlinkHandles(INDEX4FILE *f, TAG4FILE *t) {
    eachHandle(f, [&](DATA4 *d, INDEX4 *i) {
        for (LINK4 *l = l4first(&i->tags); l; l = l4next(l)) {
            TAG4 *tag = reinterpret_cast<TAG4 *>(l);
            if (tag->tagFile != t) continue;
            if (d->tagSelected == tag) d->tagSelected = nullptr;
            l4remove(&i->tags, l);
            tag->s4valid = 0;
            std::free(tag);
            break;
        }
    });
}

}  // namespace

int i4tagAdd(INDEX4 *index, const TAG4DESC *descs) {
    if (int rc = error4checkStamp(index, index ? index->s4valid : 0, E4_LOC_I4TAGADD)) return rc;
    DATA4 *d = index->data;
    CODE4 *c = d->codeBase;
    if (c->errorCode < 0) return -1;
    if (!descs) return error4(c, e4parmNull, E4_LOC_I4TAGADD);
    INDEX4FILE *f = index->indexFile;
    if (d->readOnly || f->file.isReadOnly) return refuseReadOnly(d);
    if (!f->directory) return error4describe(c, e4notSupported, E4_LOC_I4TAGADD, f->file.name, nullptr, nullptr);
    if (int rc = d4update(d)) return rc;
    std::vector<std::pair<TAG4FILE *, int>> made;
    auto release = [&](size_t from) {
        for (size_t k = from; k < made.size(); k++) tfile4free(made[k].first);
    };
    for (const TAG4DESC *desc = descs; desc->name; desc++) {
        TAG4FILE *t = i4tagMake(f, d, desc);
        bool taken = t && named(f, t->alias);
        for (const auto &m : made)
            if (t && std::strcmp(m.first->alias, t->alias) == 0) taken = true;
        if (taken) error4describe(c, e4unique, E4_LOC_I4TAGADD, t->alias, f->file.name, nullptr);
        if (!t || taken) {
            if (t) tfile4free(t);
            release(0);
            return -1;
        }
        made.emplace_back(t, desc->unique);
    }
    int rc = index4flushBlocks(f);
    size_t k = 0;
    for (; rc == 0 && k < made.size(); k++) {
        rc = addOne(f, d, made[k].first, made[k].second);
        if (rc == 0) rc = linkTag(f, made[k].first);
        else break;
    }
    release(k);
    if (rc == 0) rc = index4flushBlocks(f);
    i4tableReset(d);
    return rc;
}

int i4tagRemove(TAG4 *tag) {
    if (int rc = error4checkStamp(tag, tag ? tag->s4valid : 0, E4_LOC_I4TAGREMOVE)) return rc;
    INDEX4 *index = tag->index;
    DATA4 *d = index->data;
    CODE4 *c = d->codeBase;
    if (c->errorCode < 0) return -1;
    INDEX4FILE *f = index->indexFile;
    TAG4FILE *t = tag->tagFile;
    if (d->readOnly || f->file.isReadOnly) return refuseReadOnly(d);
    if (!f->directory) return error4describe(c, e4notSupported, E4_LOC_I4TAGREMOVE, f->file.name, nullptr, nullptr);
    if (int rc = d4update(d)) return rc;
    if (int rc = index4flushBlocks(f)) return rc;
    std::vector<uint32_t> blocks;
    try {
        if (int rc = treeBlocks(t, blocks)) return rc;
    } catch (const std::bad_alloc &) {
        return error4(c, e4memory, E4_LOC_I4TAGREMOVE);
    }
    int rc = tfile4remove(f->directory, bytes(directoryKey(t)), t->headerRef);
    if (rc == r4entry) return tfile4damaged(t);
    if (rc != 0) return rc;
    // The header's two blocks are free too, when they are blocks of their own.
    int64_t headerPos = (int64_t)t->headerRef * f->unit;
    if (f->blockSize == cdx::DEFAULT_BLOCK && headerPos >= (int64_t)cdx::HEADER_SIZE &&
        headerPos % cdx::DEFAULT_BLOCK == 0) {
        blocks.push_back(t->headerRef);
        blocks.push_back(t->headerRef + cdx::DEFAULT_BLOCK / f->unit);
    }
    unlinkHandles(f, t);
    index4tagForget(f, t);
    l4remove(&f->tags, &t->link);
    tfile4free(t);
    for (uint32_t ref : blocks)
        if ((rc = index4freeBlock(f, ref)) != 0) return rc;
    return index4flushBlocks(f);
}
