// Index4: the class layer's handle on an open index file of a table handle.
#pragma once
#include "foundation/code4.h"
#include "indexes/index4.h"
#include "tag4.h"

class Index4 {
public:
    Index4() = default;
    explicit Index4(INDEX4 *index) : index_(index) {}
    // The index of d opened under name, or with null name its first one.
    Index4(DATA4 *d, const char *name) : index_(d4index(d, name)) {}

    bool isValid() const { return index_ != nullptr; }
    INDEX4 *index() const { return index_; }
    // Opens an index file for d; 0, or the context's error code.
    int open(DATA4 *d, const char *name) {
        index_ = i4open(d, name);
        return index_ ? 0 : (d->codeBase->errorCode < 0 ? d->codeBase->errorCode : -1);
    }
    int close() {
        int rc = index_ ? i4close(index_) : 0;
        index_ = nullptr;
        return rc;
    }
    const char *fileName() const { return index_ ? index_->fileName : nullptr; }
    Tag4 tag(const char *name) const { return Tag4(i4tag(index_, name)); }
    int numTags() const {
        int n = 0;
        for (LINK4 *l = index_ ? l4first(&index_->tags) : nullptr; l; l = l4next(l)) n++;
        return n;
    }

private:
    INDEX4 *index_ = nullptr;
};
