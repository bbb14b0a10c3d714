// What the index layer gives the table layer (through its seam) and the key
// builder (through the tag options hook): the production index opened with
// its table, navigation in tag order, closing and flushing, and the guard
// that keeps open tags from going stale.
//
// Until key maintenance is built, a record write or append that would add,
// remove or change a key of any open tag is refused (-1090, naming the tag);
// writes that leave every key and FOR result as it was go through.
#include <cstring>
#include <string>

#include "collate4.h"
#include "d4tag.h"
#include "expressions/expressions.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/file4.h"
#include "foundation/u4name.h"
#include "index4internal.h"
#include "tables/d4internal.h"
#include "tables/index_seam.h"

namespace {

int openProduction(DATA4 *d) {
    CODE4 *c = d->codeBase;
    const char *tableName = d->dataFile->file.name;
    std::string name = tableName ? tableName : "";
    name.resize(name.size() + 8, '\0');
    if (u4nameExt(name.data(), (int)name.size(), "cdx", 1) != 0)
        return error4describe(c, e4open, E4_MSG_NAME_TOO_LONG, tableName, nullptr, nullptr);
    name.resize(std::strlen(name.c_str()));
    if (!file4exists(u4nameResolve(name).c_str())) {
        // A production index the header promises but the folder lacks.
        if (!c->openError) return c->errorCode = r4noOpen;
        if (c->errorCode < 0) return c->errorCode;
        return error4describe(c, e4open, E4_LOC_D4OPEN, name.c_str(), nullptr, nullptr);
    }
    INDEX4 *i = i4open(d, name.c_str());
    if (!i) {
        if (c->errorCode < 0 || c->errorCode == r4noOpen) return c->errorCode;
        if (!c->openError) return c->errorCode = r4noOpen;
        return error4describe(c, e4open, E4_LOC_D4OPEN, name.c_str(), nullptr, nullptr);
    }
    d->dataFile->productionIndexOpen = 1;
    return 0;
}

int closeIndexes(DATA4 *d) {
    int result = 0;
    while (LINK4 *l = l4first(&d->indexes)) {
        int rc = i4close(reinterpret_cast<INDEX4 *>(l));
        if (rc < 0 && result == 0) result = rc;
    }
    d->tagSelected = nullptr;
    return result;
}

int flushIndexes(DATA4 *) { return 0; }  // the reader changes nothing on disk

// Whether a tag's expressions read a memo field: its key may change without
// the record's bytes changing.
bool readsMemo(const EXPR4 *e) {
    if (!e) return false;
    for (int i = 0; i < e->numItems; i++) {
        const EXPR4ITEM &it = e->items[i];
        if (it.field && (it.field->type == 'M' || it.field->type == 'G')) return true;
    }
    return false;
}

int refuse(DATA4 *d, TAG4 *t) {
    return error4describe(d->codeBase, e4notSupported, E4_MSG_INDEX_STALE_WRITE, t->tagFile->alias,
                          t->index->indexFile->file.name, nullptr);
}

// Whether writing the record buffer over the old record changes tag t.
// 1 changes, 0 not, negative error.
int tagChanges(DATA4 *d, TAG4 *t) {
    TAG4FILE *tf = t4bind(t);
    if (readsMemo(tf->expr) || readsMemo(tf->filter)) return 1;
    int forOld = t4forTrue(t, d->recordOld);
    int forNew = t4forTrue(t, d->record);
    if (forOld < 0) return forOld;
    if (forNew < 0) return forNew;
    if (forOld != forNew) return 1;
    if (!forNew) return 0;
    const unsigned char *key = nullptr;
    int len = t4keyOf(t, d->recordOld, &key);
    if (len < 0) return len;
    std::string old(reinterpret_cast<const char *>(key), (size_t)len);
    int len2 = t4keyOf(t, d->record, &key);
    if (len2 < 0) return len2;
    return len2 != len || std::memcmp(old.data(), key, (size_t)len) != 0 ? 1 : 0;
}

int updateKeys(DATA4 *d, long) {
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        int rc = tagChanges(d, t);
        if (rc < 0) return rc;
        if (rc) return refuse(d, t);
    }
    return 0;
}

int appendKeys(DATA4 *d, long) {
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        int rc = t4forTrue(t, d->record);
        if (rc < 0) return rc;
        if (rc) return refuse(d, t);
    }
    return 0;
}

void undoKeys(DATA4 *, long) {}  // nothing was changed

long reuseRecord(DATA4 *d) {
    CODE4 *c = d->codeBase;
    int saved = c->errTagName;
    c->errTagName = 0;
    TAG4 *t = d4tag(d, "DEL4REUSE");
    c->errTagName = saved;
    if (!t) return 0;
    TAG4FILE *tf = t4bind(t);
    if (tfile4top(tf) != 0 || tfile4eof(tf)) return 0;
    long r = tfile4recNo(tf);
    return r > 0 && r <= d4recCountLow(d) ? r : 0;
}

// A collated key: the tag's collation turns len bytes of text into its
// weights, len * (1 + key factor) bytes.
void collateKey(const TAG4FILE *t, const unsigned char *text, unsigned len, unsigned char *out) {
    collate4key(t->collation, text, len, out, len * (1u + t->collation->keyFactor));
}

// What the key builder asks of a tag.
void tagOptions(const TAG4FILE *t, EXPR4KEYOPTIONS *o) {
    o->noNullByte = (t->header.typeFlags & cdx::TYPE_NULL_MARKER) ? 0 : 1;
    o->wideKeys = 0;
    o->collationExtra = t->collation ? t->collation->keyFactor : 0;
    o->collate = t->collation ? collateKey : nullptr;
}

}  // namespace

// Registers the index layer with the table layer and the key builder. The
// build links this object into every program (see engine/CMakeLists.txt).
extern "C" {
int index4layerLinked = 0;
}

namespace {
struct Registration {
    Registration() {
        INDEX4HOOKS h{};
        h.openProduction = openProduction;
        h.updateKeys = updateKeys;
        h.appendKeys = appendKeys;
        h.undoKeys = undoKeys;
        h.closeIndexes = closeIndexes;
        h.flushIndexes = flushIndexes;
        h.tagTop = d4tagTop;
        h.tagBottom = d4tagBottom;
        h.tagSkip = d4tagSkip;
        h.reuseRecord = reuseRecord;
        index4hooksSet(h);
        expr4tagOptionsHookSet(tagOptions);
        index4layerLinked = 1;
    }
};
const Registration g_registration;
}  // namespace
