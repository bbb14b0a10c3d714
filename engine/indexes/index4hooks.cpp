// What the index layer gives the table layer (through its seam) and the key
// builder (through the tag options hook): the production index opened with
// its table, navigation in tag order, key maintenance on every record write
// and append (t4update.cpp), closing and flushing.
#include <cstring>
#include <string>

#include "collate4.h"
#include "d4tag.h"
#include "expressions/expressions.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/file4.h"
#include "foundation/u4name.h"
#include "collate4.h"
#include "index4internal.h"
#include "t4update.h"
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
        h.updateKeys = t4updateKeys;
        h.appendKeys = t4appendKeys;
        h.undoKeys = t4undoKeys;
        h.closeIndexes = closeIndexes;
        h.flushIndexes = i4flushAll;
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
