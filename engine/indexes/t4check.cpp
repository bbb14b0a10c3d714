// Checking a tag: walk the whole tree from the root (every block once, every
// leaf at one depth, each branch entry equal to its child's last entry,
// sibling links matching the order of the nodes of each level, entries in
// strictly ascending (key, record number) order), then compute the key of
// every record whose FOR expression is true and compare the two lists.
//
// A unique or candidate tag keeps one record per key, and which one depends
// on the order the records were written: there each key must occur once,
// with a record that has that key.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unordered_set>
#include <vector>

#include "d4tag.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index4internal.h"
#include "t4check.h"
#include "tables/d4internal.h"

namespace {

struct Entry {
    std::string key;
    uint32_t record;
    bool operator<(const Entry &o) const { return key != o.key ? key < o.key : record < o.record; }
    bool operator==(const Entry &o) const { return key == o.key && record == o.record; }
};

struct Walk {
    TAG4FILE *tag;
    INDEX4FILE *file;
    TAG4CHECK *out;
    std::unordered_set<uint32_t> seen;
    std::vector<std::vector<uint32_t>> levelNodes;   // blocks of each level, in order
    std::vector<std::pair<uint32_t, uint32_t>> links; // (left, right) per block, by levelNodes order
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> siblings;
    std::vector<Entry> entries;
    double usedBytes = 0;
    int leafDepth = -1;
    std::vector<unsigned char> block;
};

void note(TAG4CHECK *out, const char *fmt, const char *a = "", long b = 0, long c = 0) {
    if (out->message[0]) return;
    std::snprintf(out->message, sizeof out->message, fmt, a, b, c);
}

bool damage(Walk &w, const char *what, uint32_t ref) {
    w.out->damaged = 1;
    note(w.out, "%s at block reference %ld", what, (long)ref);
    return false;
}

// The keys of a leaf block, expanded.
bool leafEntries(Walk &w, const unsigned char *b, const cdx::LeafParams &p, unsigned count, std::vector<Entry> &out) {
    unsigned keyLen = w.tag->header.keyLen;
    std::string key(keyLen, '\0');
    unsigned at = w.file->blockSize;
    for (unsigned i = 0; i < count; i++) {
        cdx::LeafEntry e = cdx::leafEntry(b, p, i);
        unsigned stored = keyLen - e.duplicates - e.trailing;
        at -= stored;
        std::memcpy(&key[e.duplicates], b + at, stored);
        std::memset(&key[e.duplicates + stored], w.tag->pad, e.trailing);
        out.push_back({key, e.record});
    }
    return true;
}

// Walks the subtree at ref; last gets its last entry. false on damage.
bool walkNode(Walk &w, uint32_t ref, int depth, Entry *last) {
    TAG4FILE *t = w.tag;
    if (depth >= TAG4_MAX_DEPTH) return damage(w, "tree deeper than any sound tree", ref);
    if (!w.seen.insert(ref).second) return damage(w, "block reached twice", ref);
    std::vector<unsigned char> b(w.file->blockSize);
    int rc = index4readBlock(w.file, ref, b.data());
    if (rc == -1 && t->codeBase->errorCode >= 0) return damage(w, "block outside the file", ref);
    if (rc < 0) return false;
    unsigned count = cdx::nodeKeyCount(b.data());
    unsigned keyLen = t->header.keyLen;
    if ((int)w.levelNodes.size() <= depth) w.levelNodes.resize(depth + 1);
    w.levelNodes[depth].push_back(ref);
    w.siblings[ref] = {cdx::nodeLeft(b.data()), cdx::nodeRight(b.data())};
    w.out->blocks++;
    if (count == 0 && depth > 0) return damage(w, "empty node below the root", ref);
    if (cdx::nodeIsLeaf(b.data())) {
        cdx::LeafParams p;
        if (!cdx::leafValid(b.data(), w.file->blockSize, keyLen, &p)) return damage(w, "damaged leaf", ref);
        if (w.leafDepth < 0) w.leafDepth = depth;
        if (w.leafDepth != depth) return damage(w, "leaves at different depths", ref);
        w.out->leaves++;
        std::vector<Entry> here;
        leafEntries(w, b.data(), p, count, here);
        unsigned stored = 0;
        for (unsigned i = 0; i < count; i++) {
            cdx::LeafEntry e = cdx::leafEntry(b.data(), p, i);
            stored += keyLen - e.duplicates - e.trailing;
        }
        w.usedBytes += cdx::LEAF_HEAD + count * p.entryBytes + stored;
        for (Entry &e : here) {
            if (!w.entries.empty() && !(w.entries.back() < e)) return damage(w, "keys out of order", ref);
            w.entries.push_back(std::move(e));
        }
        if (count && last) *last = w.entries.back();
        return true;
    }
    if (!cdx::branchValid(w.file->blockSize, keyLen, count)) return damage(w, "damaged branch", ref);
    w.usedBytes += cdx::NODE_HEAD + count * cdx::branchEntrySize(keyLen);
    for (unsigned i = 0; i < count; i++) {
        Entry below;
        if (!walkNode(w, cdx::branchChild(b.data(), keyLen, i), depth + 1, &below)) return false;
        Entry sep{std::string(reinterpret_cast<const char *>(cdx::branchKey(b.data(), keyLen, i)), keyLen),
                  cdx::branchRecord(b.data(), keyLen, i)};
        if (!(sep == below)) return damage(w, "branch entry differs from its child's last key", ref);
        if (last) *last = sep;
    }
    return true;
}

bool checkSiblings(Walk &w) {
    for (const auto &level : w.levelNodes) {
        for (size_t i = 0; i < level.size(); i++) {
            auto links = w.siblings[level[i]];
            uint32_t left = i ? level[i - 1] : cdx::NO_BLOCK;
            uint32_t right = i + 1 < level.size() ? level[i + 1] : cdx::NO_BLOCK;
            if (links.first != left || links.second != right) return damage(w, "sibling links broken", level[i]);
        }
    }
    return true;
}

std::string shown(const std::string &key) {
    bool text = true;
    for (unsigned char ch : key)
        if (ch < 0x20 || ch >= 0x7F) text = false;
    if (text) {
        std::string s = key;
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return "'" + s + "'";
    }
    std::string hex;
    char buf[4];
    for (unsigned char ch : key) {
        std::snprintf(buf, sizeof buf, "%02x", ch);
        hex += buf;
    }
    return "0x" + hex;
}

void noteDifference(TAG4CHECK *out, const Entry *found, const Entry *expected) {
    out->stale = 1;
    if (out->message[0]) return;
    std::string a = found ? shown(found->key) + " record " + std::to_string(found->record) : "nothing";
    std::string b = expected ? shown(expected->key) + " record " + std::to_string(expected->record) : "nothing";
    std::snprintf(out->message, sizeof out->message, "first difference: the tag has %s where the table gives %s",
                  a.c_str(), b.c_str());
}

// The (key, record) pairs the table calls for; false after an error.
bool expectedEntries(TAG4 *t, std::vector<Entry> &out) {
    DATA4 *d = t->index->data;
    CODE4 *c = d->codeBase;
    long count = d4recCountLow(d);
    for (long r = 1; r <= count; r++) {
        int rc = d4goLow(d, r, 0);
        if (rc == r4entry) break;   // the file holds fewer records than counted
        if (rc != 0) return false;
        int keep = t4forTrue(t, d->record);
        if (keep < 0) return false;
        if (!keep) continue;
        const unsigned char *key = nullptr;
        int len = t4keyOf(t, d->record, &key);
        if (len < 0) return false;
        out.push_back({std::string(reinterpret_cast<const char *>(key), (size_t)len), (uint32_t)r});
    }
    return c->errorCode >= 0;
}

void compareKeys(TAG4 *t, Walk &w, std::vector<Entry> &expected) {
    TAG4CHECK *out = w.out;
    std::sort(expected.begin(), expected.end());
    bool unique = (t->tagFile->header.typeFlags & (cdx::TYPE_UNIQUE | cdx::TYPE_CANDIDATE)) != 0;
    if (unique) {
        std::map<std::string, std::vector<uint32_t>> byKey;
        for (const Entry &e : expected) byKey[e.key].push_back(e.record);
        out->keysExpected = (long)byKey.size();
        auto it = byKey.begin();
        for (const Entry &found : w.entries) {
            if (it == byKey.end() || it->first != found.key) {
                Entry want = it == byKey.end() ? Entry{} : Entry{it->first, it->second.front()};
                noteDifference(out, &found, it == byKey.end() ? nullptr : &want);
                return;
            }
            if (std::find(it->second.begin(), it->second.end(), found.record) == it->second.end()) {
                Entry want{it->first, it->second.front()};
                noteDifference(out, &found, &want);
                return;
            }
            ++it;
        }
        if (it != byKey.end()) {
            Entry want{it->first, it->second.front()};
            noteDifference(out, nullptr, &want);
        }
        return;
    }
    out->keysExpected = (long)expected.size();
    size_t n = std::min(expected.size(), w.entries.size());
    for (size_t i = 0; i < n; i++) {
        if (!(expected[i] == w.entries[i])) {
            noteDifference(out, &w.entries[i], &expected[i]);
            return;
        }
    }
    if (expected.size() != w.entries.size())
        noteDifference(out, n < w.entries.size() ? &w.entries[n] : nullptr, n < expected.size() ? &expected[n] : nullptr);
}

}  // namespace

int t4check(TAG4 *t, TAG4CHECK *out) {
    if (int rc = error4checkStamp(t, t ? t->s4valid : 0, E4_LOC_D4TAG)) return rc;
    if (!out) return error4(t->index->data->codeBase, e4parmNull, E4_LOC_D4TAG);
    std::memset(out, 0, sizeof *out);
    DATA4 *d = t->index->data;
    CODE4 *c = d->codeBase;
    if (c->errorCode < 0) return -1;
    TAG4FILE *tf = t4bind(t);
    Walk w{tf, tf->indexFile, out, {}, {}, {}, {}, {}, 0, -1, {}};
    uint32_t root = tf->header.root;
    bool sound = root != 0 && root != cdx::NO_BLOCK ? walkNode(w, root, 0, nullptr) : damage(w, "no root", root);
    if (c->errorCode < 0) return c->errorCode;
    if (sound) sound = checkSiblings(w);
    out->levels = (int)w.levelNodes.size();
    out->keys = (long)w.entries.size();
    out->fill = out->blocks ? w.usedBytes / ((double)out->blocks * w.file->blockSize) : 0.0;
    if (!sound) return 1;
    long savedRec = d->recNo;
    int savedEof = d->eof, savedBof = d->bof;
    std::vector<Entry> expected;
    bool ok = expectedEntries(t, expected);
    if (savedRec >= 1 && !savedEof) d4goLow(d, savedRec, 0);
    else if (savedEof) d4goEof(d);
    d->bof = savedBof;
    if (!ok) return c->errorCode < 0 ? c->errorCode : -1;
    compareKeys(t, w, expected);
    return out->stale ? 1 : 0;
}
