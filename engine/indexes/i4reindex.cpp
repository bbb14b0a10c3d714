// Rebuilding an open index: every tag written afresh from the table into a
// new file beside the index (i4writeWhole), which then takes the index's
// name; the open file objects and tags stay, with their headers and block
// references read from the new file. A rebuild that stops leaves the index
// file as it was.
#include <cstring>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "i4file.h"
#include "index4internal.h"
#include "index4write.h"
#include "tables/d4internal.h"

namespace {

int refuseReadOnly(DATA4 *d) {
    return error4describe(d->codeBase, e4write, E4_MSG_WRITE_READ_ONLY, d->alias, nullptr, nullptr);
}

// The index file f now holds the rebuilt file `fresh` and its headers. 0, or
// the code of the old file's failing close (the rebuilt file is taken all
// the same).
int takeRebuilt(INDEX4FILE *f, FILE4 *fresh, const std::vector<unsigned char> &headers,
                 const std::vector<TAG4FILE *> &tags, uint32_t version) {
    index4writeReset(f);
    int closed = file4close(&f->file);
    f->file = *fresh;
    f->fileLen = file4len(&f->file);
    f->blockSize = cdx::DEFAULT_BLOCK;
    f->unit = 1;
    f->versionOld = version;
    index4cacheClear(f);
    size_t slot = 0;
    if (f->directory) {
        cdx::headerDecode(headers.data(), cdx::HEADER_SIZE, &f->directory->header);
        f->directory->headerRef = 0;
        tfile4pathClear(f->directory);
        slot = 1;
    }
    for (TAG4FILE *t : tags) {
        cdx::headerDecode(headers.data() + slot * cdx::HEADER_SIZE, cdx::HEADER_SIZE, &t->header);
        t->headerRef = (uint32_t)(slot * cdx::HEADER_SIZE);
        tfile4pathClear(t);
        slot++;
    }
    return closed;
}

}  // namespace

int i4reindex(INDEX4 *index) {
    if (int rc = error4checkStamp(index, index ? index->s4valid : 0, E4_LOC_I4REINDEX)) return rc;
    DATA4 *d = index->data;
    CODE4 *c = d->codeBase;
    if (c->errorCode < 0) return -1;
    INDEX4FILE *f = index->indexFile;
    if (d->readOnly || f->file.isReadOnly) return refuseReadOnly(d);
    if (int rc = d4update(d)) return rc;
    std::vector<TAG4FILE *> tags;
    std::vector<int> unique;
    for (LINK4 *l = l4first(&index->tags); l; l = l4next(l)) {
        TAG4 *t = reinterpret_cast<TAG4 *>(l);
        TAG4FILE *tf = t->tagFile;
        tags.push_back(tf);
        unique.push_back(t->errUnique);
    }
    if (!f->directory && tags.size() != 1)
        return error4describe(c, e4index, E4_LOC_I4REINDEX, f->file.name, nullptr, nullptr);
    FILE4 fresh;
    if (int rc = i4tempOpen(c, f->file.name, &fresh)) return rc;
    uint32_t version = index4version(f) + 1;
    std::vector<unsigned char> headers;
    int rc = i4writeWhole(&fresh, d, tags, unique, f->directory != nullptr, version, headers);
    if (rc == 0) rc = file4replace(&fresh, f->file.name);
    i4tableReset(d);
    if (rc != 0) {
        file4close(&fresh);
        return rc;
    }
    return takeRebuilt(f, &fresh, headers, tags, version);
}

int d4reindex(DATA4 *d) {
    if (int rc = error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_D4REINDEX)) return rc;
    if (d->codeBase->errorCode < 0) return -1;
    if (d->readOnly) return refuseReadOnly(d);
    for (LINK4 *l = l4first(&d->indexes); l; l = l4next(l))
        if (int rc = i4reindex(reinterpret_cast<INDEX4 *>(l))) return rc;
    return 0;
}

int i4flush(INDEX4 *index) {
    if (int rc = error4checkStamp(index, index ? index->s4valid : 0, E4_LOC_I4FLUSH)) return rc;
    INDEX4FILE *f = index->indexFile;
    CODE4 *c = f->codeBase;
    if (c->errorCode < 0) return -1;
    if (int rc = index4flushBlocks(f)) return rc;
    if (f->file.isReadOnly) return 0;
    return file4flush(&f->file) == 0 ? 0 : c->errorCode;
}
