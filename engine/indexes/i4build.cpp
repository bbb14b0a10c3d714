// Building tag trees bottom-up (see i4build.h).
//
// Leaves are filled with the compression rules of building: a key equal to
// the one before it in the leaf keeps no trailing count (its pads are
// stored); duplicates are at most keyLen minus the previous key's trailing
// count and at most keyLen minus the key's own. A leaf is closed only when
// the next key does not fit, a branch as soon as it holds
// (blockSize - 12) / (keyLen + 8) entries; each closed node is written at
// once and passes its last key up. At the end the partly filled nodes are
// closed from the leaf up; the topmost, alone at its level, is the root.
#include "i4build.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "expressions/expressions.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "node4leaf.h"
#include "sort4.h"
#include "tables/d4internal.h"
#include "tables/dfile4.h"

namespace {

void setCount(unsigned char *block, unsigned n) { b4::putU16le(block + cdx::NODE_OFF_COUNT, (uint16_t)n); }

class TreeWriter {
public:
    TreeWriter(I4BUILD &b, const LEAF4SHAPE &shape, const cdx::LeafParams &widths)
        : b_(b), s_(shape), p_(widths), step_(b.blockSize / b.unit),
          capacity_(cdx::branchCapacity(b.blockSize, shape.keyLen)), prev_(shape.keyLen) {
        levels_.emplace_back();
        levels_[0].block.assign(b.blockSize, 0);
        startLeaf();
    }

    // Adds the next key in (key, record number) order.
    int add(const unsigned char *key, uint32_t rec) {
        unsigned keyLen = s_.keyLen;
        Level &leaf = levels_[0];
        unsigned t, d = 0;
        if (leaf.count > 0) {
            d = leaf4::commonPrefix(prev_.data(), key, keyLen);
            t = d == keyLen ? 0 : leaf4::trailing(s_, key);
            d = std::min({d, keyLen - prevTrailing_, keyLen - t});
        } else {
            t = leaf4::trailing(s_, key);
        }
        unsigned stored = keyLen - t - d;
        if ((long)stored + p_.entryBytes > room_) {
            uint32_t ref;
            if (int rc = writeNode(0, cdx::ATTR_LEAF, &ref)) return rc;
            if (int rc = passUp(1, prev_.data(), prevRecord_, ref)) return rc;
            startLeaf();
            t = leaf4::trailing(s_, key);
            d = 0;
            stored = keyLen - t;
        }
        Level &l = levels_[0];
        top_ -= stored;
        std::memcpy(l.block.data() + top_, key + d, stored);
        cdx::leafEntryPut(l.block.data(), p_, l.count, {rec, d, t});
        l.count++;
        room_ -= (long)stored + p_.entryBytes;
        std::memcpy(prev_.data(), key, keyLen);
        prevTrailing_ = t;
        prevRecord_ = rec;
        return 0;
    }

    // Closes every open node; *root is the last block written.
    int finish(uint32_t *root) {
        if (levels_.size() == 1) return writeNode(0, cdx::ATTR_ROOT | cdx::ATTR_LEAF, root);
        uint32_t ref;
        if (int rc = writeNode(0, cdx::ATTR_LEAF, &ref)) return rc;
        if (int rc = passUp(1, prev_.data(), prevRecord_, ref)) return rc;
        for (size_t k = 1; k < levels_.size(); k++) {
            if (levels_[k].count == 0) continue;
            bool top = k + 1 == levels_.size();
            if (top && levels_[k].written == 0) {
                if (int rc = writeNode(k, cdx::ATTR_ROOT, root)) return rc;
                break;
            }
            if (int rc = writeNode(k, 0, &ref)) return rc;
            if (int rc = passUp(k + 1, lastKey_.data(), lastRecord_, ref)) return rc;
        }
        // The last node of each level below the root has no right sibling.
        for (const Level &l : levels_)
            if (l.lastWritten != *root && l.lastWritten != cdx::NO_BLOCK)
                b_.rightLinks.emplace_back(l.lastWritten, cdx::NO_BLOCK);
        return 0;
    }

private:
    struct Level {
        std::vector<unsigned char> block;
        unsigned count = 0;
        long written = 0;
        uint32_t lastWritten = cdx::NO_BLOCK;
    };

    void startLeaf() {
        Level &l = levels_[0];
        leaf4::initEmpty(l.block.data(), s_, p_, cdx::ATTR_LEAF);
        l.count = 0;
        top_ = s_.blockSize;
        room_ = (long)s_.blockSize - cdx::LEAF_HEAD;
    }

    // Writes level k's node as the next block; its last key goes to lastKey_.
    int writeNode(size_t k, unsigned attr, uint32_t *ref) {
        Level &l = levels_[k];
        unsigned char *block = l.block.data();
        *ref = b_.next;
        b_.next += step_;
        b4::putU16le(block + cdx::NODE_OFF_ATTR, (uint16_t)attr);
        setCount(block, l.count);
        b4::putU32le(block + cdx::NODE_OFF_LEFT, l.lastWritten);
        b4::putU32le(block + cdx::NODE_OFF_RIGHT, (attr & cdx::ATTR_ROOT) ? cdx::NO_BLOCK : *ref + step_);
        if (k == 0) {
            b4::putU16le(block + cdx::LEAF_OFF_FREE, (uint16_t)room_);
            lastKey_.assign(prev_.begin(), prev_.end());
            lastRecord_ = prevRecord_;
        } else if (l.count) {
            const unsigned char *e = cdx::branchKey(block, s_.keyLen, l.count - 1);
            lastKey_.assign(e, e + s_.keyLen);
            lastRecord_ = b4::getU32be(e + s_.keyLen);
        }
        if (l.lastWritten != cdx::NO_BLOCK && l.lastWritten + step_ != *ref)
            b_.rightLinks.emplace_back(l.lastWritten, *ref);
        l.lastWritten = *ref;
        l.written++;
        int rc = file4seqWrite(&b_.writer, block, b_.blockSize);
        if (k > 0) {
            std::fill(l.block.begin(), l.block.end(), 0);
            l.count = 0;
        }
        return rc;
    }

    // Adds the entry (key, rec, child) to branch level k, closing it when full.
    int passUp(size_t k, const unsigned char *key, uint32_t rec, uint32_t child) {
        if (k >= levels_.size()) {
            levels_.emplace_back();
            levels_.back().block.assign(b_.blockSize, 0);
        }
        Level &l = levels_[k];
        unsigned char *e = l.block.data() + cdx::NODE_HEAD + l.count * cdx::branchEntrySize(s_.keyLen);
        std::memmove(e, key, s_.keyLen);
        b4::putU32be(e + s_.keyLen, rec);
        b4::putU32be(e + s_.keyLen + 4, child);
        l.count++;
        if (l.count < capacity_) return 0;
        uint32_t ref;
        if (int rc = writeNode(k, 0, &ref)) return rc;
        std::vector<unsigned char> last = lastKey_;
        return passUp(k + 1, last.data(), lastRecord_, ref);
    }

    I4BUILD &b_;
    LEAF4SHAPE s_;
    cdx::LeafParams p_;
    unsigned step_;
    unsigned capacity_;
    std::vector<Level> levels_;
    unsigned top_ = 0;
    long room_ = 0;
    std::vector<unsigned char> prev_;
    unsigned prevTrailing_ = 0;
    uint32_t prevRecord_ = 0;
    std::vector<unsigned char> lastKey_;
    uint32_t lastRecord_ = 0;
};

int refuseDuplicate(CODE4 *c, TAG4FILE *t, int unique) {
    if (unique == e4unique || unique == e4candidate)
        return error4describe(c, e4unique, E4_LOC_I4REINDEX, t->alias, nullptr, nullptr);
    return r4unique;
}

// Every record's key (FOR true) into the sort.
int feedSort(SORT4 *sort, TAG4FILE *t, DATA4 *d, int unique) {
    CODE4 *c = d->codeBase;
    DATA4FILE *df = d->dataFile;
    long count = d4recCountLow(d);
    if (count < 0) return c->errorCode < 0 ? c->errorCode : -1;
    std::vector<unsigned char> buffer(c->memSizeBuffer >= 1024 ? c->memSizeBuffer : 1024);
    FILE4SEQ_READ r;
    file4seqReadInit(&r, &df->file, dfile4recordPos(df, 1), buffer.data(), (unsigned)buffer.size());
    bool nullRefused = (t->header.typeFlags & cdx::TYPE_CANDIDATE) && expr4nullable(t->expr);
    unsigned keyLen = t->header.keyLen;
    // A key that is a character field as it stands is taken from the record.
    bool inPlace = expr4keyIsField(t->expr, t) && expr4keyLen(t->expr) == (int)keyLen;
    for (long rec = 1; rec <= count; rec++) {
        if (int rc = file4seqReadAll(&r, d->record, df->recordLen)) return rc;
        d->recNo = rec;
        d4memoResetAll(d);
        if (t->filter) {
            int keep = expr4true(t->filter);
            if (keep < 0) return keep;
            if (!keep) continue;
        }
        if (nullRefused && expr4null(t->expr)) return refuseDuplicate(c, t, unique);
        if (inPlace) {
            if (int rc = sort4put(sort, rec, expr4keyField(t->expr), nullptr)) return rc;
            continue;
        }
        char *key = nullptr;
        int len = expr4key(t->expr, &key, t);
        if (len < 0) return len;
        if ((unsigned)len != keyLen) return error4describe(c, e4index, E4_LOC_I4REINDEX, t->alias, nullptr, nullptr);
        if (int rc = sort4put(sort, rec, key, nullptr)) return rc;
    }
    return 0;
}

int drainSort(SORT4 *sort, TAG4FILE *t, TreeWriter &w, int unique) {
    CODE4 *c = t->codeBase;
    unsigned keyLen = t->header.keyLen;
    bool uniqueTag = (t->header.typeFlags & (cdx::TYPE_UNIQUE | cdx::TYPE_CANDIDATE)) != 0;
    std::vector<unsigned char> prev(keyLen);
    bool any = false;
    for (;;) {
        long rec = 0;
        void *key = nullptr;
        int rc = sort4get(sort, &rec, &key, nullptr);
        if (rc == r4done) return 0;
        if (rc != 0) return rc;
        const unsigned char *k = static_cast<const unsigned char *>(key);
        if (uniqueTag && any && std::memcmp(prev.data(), k, keyLen) == 0) {
            if (unique == r4unique || unique == r4candidate || unique == e4unique || unique == e4candidate)
                return refuseDuplicate(c, t, unique);
            continue;   // the first record of each key stays
        }
        if ((rc = w.add(k, (uint32_t)rec)) != 0) return rc;
        std::memcpy(prev.data(), k, keyLen);
        any = true;
    }
}

void putHeaderFields(unsigned char *out, uint32_t root, uint32_t version, unsigned keyLen, unsigned char flags) {
    b4::putU32le(out + cdx::OFF_ROOT, root);
    b4::putU32le(out + cdx::OFF_FREE, 0);
    b4::putU32be(out + cdx::OFF_VERSION, version);
    b4::putU16le(out + cdx::OFF_KEY_LEN, (uint16_t)keyLen);
    out[cdx::OFF_TYPE] = flags;
    out[cdx::OFF_SIGNATURE] = 1;
}

}  // namespace

int i4buildBegin(I4BUILD *b, CODE4 *c, FILE4 *f, uint32_t first) {
    b->codeBase = c;
    b->file = f;
    b->blockSize = cdx::DEFAULT_BLOCK;
    b->unit = 1;
    b->next = first;
    b->rightLinks.clear();
    try {
        b->writerBuffer.assign(c->memSizeBuffer >= 1024 ? c->memSizeBuffer : 1024, 0);
    } catch (const std::bad_alloc &) {
        return error4(c, e4memory, E4_LOC_I4REINDEX);
    }
    return file4seqWriteInit(&b->writer, f, (int64_t)first * b->unit, b->writerBuffer.data(),
                             (unsigned)b->writerBuffer.size());
}

int i4buildEnd(I4BUILD *b) {
    CODE4 *c = b->codeBase;
    if (int rc = file4seqWriteFlush(&b->writer)) return rc;
    for (const auto &link : b->rightLinks) {
        unsigned char ref[4];
        b4::putU32le(ref, link.second);
        if (file4write(b->file, (int64_t)link.first * b->unit + cdx::NODE_OFF_RIGHT, ref, 4) != 0)
            return c->errorCode < 0 ? c->errorCode : -1;
    }
    b->rightLinks.clear();
    return file4lenSet(b->file, (int64_t)b->next * b->unit);
}

int i4buildTag(I4BUILD *b, TAG4FILE *t, DATA4 *d, int unique, uint32_t *root) {
    CODE4 *c = b->codeBase;
    if (expr4context(t->expr, d) < 0) return c->errorCode < 0 ? c->errorCode : -1;
    if (t->filter && expr4context(t->filter, d) < 0) return c->errorCode < 0 ? c->errorCode : -1;
    LEAF4SHAPE shape{b->blockSize, t->header.keyLen, t->pad, 0};
    DATA4FILE *df = d->dataFile;
    shape.noTrailing = df->tableLevel == 26 && t->filter ? 1 : 0;
    long count = d4recCountLow(d);
    SORT4 sort;
    if (int rc = sort4init(&sort, c, (int)t->header.keyLen, 0)) return rc;
    int rc;
    try {
        TreeWriter w(*b, shape, leaf4::freshParams(t->header.keyLen, count > 0 ? (uint64_t)count : 0));
        rc = feedSort(&sort, t, d, unique);
        if (rc == 0) rc = sort4getInit(&sort);
        if (rc == 0) rc = drainSort(&sort, t, w, unique);
        if (rc == 0) rc = w.finish(root);
    } catch (const std::bad_alloc &) {
        rc = error4(c, e4memory, E4_LOC_I4REINDEX);
    }
    sort4free(&sort);
    return rc;
}

int i4buildDirectory(I4BUILD *b, const std::vector<std::pair<std::string, uint32_t>> &tags, uint32_t *root) {
    CODE4 *c = b->codeBase;
    LEAF4SHAPE shape{b->blockSize, cdx::DIRECTORY_KEY_LEN, ' ', 0};
    try {
        std::vector<std::pair<std::string, uint32_t>> sorted;
        for (const auto &t : tags) {
            std::string key = t.first.substr(0, cdx::TAG_NAME_MAX);
            key.resize(cdx::DIRECTORY_KEY_LEN, ' ');
            sorted.emplace_back(key, t.second);
        }
        std::sort(sorted.begin(), sorted.end());
        TreeWriter w(*b, shape, leaf4::freshParams(cdx::DIRECTORY_KEY_LEN, (uint64_t)tags.size() * cdx::HEADER_SIZE));
        for (size_t i = 0; i < sorted.size(); i++) {
            if (i && sorted[i].first == sorted[i - 1].first) {
                std::string name = sorted[i].first;
                while (!name.empty() && name.back() == ' ') name.pop_back();
                return error4describe(c, e4unique, E4_LOC_I4CREATE, name.c_str(), nullptr, nullptr);
            }
            const unsigned char *key = reinterpret_cast<const unsigned char *>(sorted[i].first.data());
            if (int rc = w.add(key, sorted[i].second)) return rc;
        }
        return w.finish(root);
    } catch (const std::bad_alloc &) {
        return error4(c, e4memory, E4_LOC_I4CREATE);
    }
}

void i4headerImage(const TAG4FILE *t, uint32_t root, uint32_t version, unsigned char *out) {
    const cdx::TagHeader &h = t->header;
    std::memset(out, 0, cdx::HEADER_SIZE);
    putHeaderFields(out, root, version, h.keyLen, h.typeFlags);
    std::memcpy(out + cdx::OFF_COLLATION, h.collation, cdx::COLLATION_LEN);
    out[cdx::OFF_COLLATION + cdx::COLLATION_LEN - 1] = 0;
    const char *key = expr4source(t->expr);
    const char *filter = t->filter ? expr4source(t->filter) : "";
    unsigned keyLen = (unsigned)std::strlen(key) + 1;
    unsigned forLen = (unsigned)std::strlen(filter) + 1;
    b4::putU16le(out + cdx::OFF_DESCENDING, h.descending ? 1 : 0);
    b4::putU16le(out + cdx::OFF_FOR_POS, (uint16_t)keyLen);
    b4::putU16le(out + cdx::OFF_FOR_LEN, (uint16_t)forLen);
    b4::putU16le(out + cdx::OFF_EXPR_POS, 0);
    b4::putU16le(out + cdx::OFF_EXPR_LEN, (uint16_t)keyLen);
    if (keyLen + forLen <= cdx::POOL_SIZE) {
        std::memcpy(out + cdx::OFF_POOL, key, keyLen);
        std::memcpy(out + cdx::OFF_POOL + keyLen, filter, forLen);
    }
}

void i4directoryImage(uint32_t root, uint32_t version, unsigned char *out) {
    std::memset(out, 0, cdx::HEADER_SIZE);
    putHeaderFields(out, root, version, cdx::DIRECTORY_KEY_LEN,
                    cdx::TYPE_COMPACT | cdx::TYPE_COMPOUND | cdx::TYPE_DIRECTORY);
    b4::putU16le(out + cdx::OFF_FOR_POS, 1);
    b4::putU16le(out + cdx::OFF_FOR_LEN, 1);
    b4::putU16le(out + cdx::OFF_EXPR_LEN, 1);
}
