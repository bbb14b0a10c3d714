// Tag4: the class layer's handle on one tag of a table handle. It forwards
// to the engine's tag functions; it owns nothing (the tag lives as long as
// its index is open).
#pragma once
#include "indexes/index4.h"
#include "indexes/t4check.h"
#include "tables/data4.h"

class Tag4 {
public:
    Tag4() = default;
    explicit Tag4(TAG4 *tag) : tag_(tag) {}
    // The tag of d named name (null when there is none; -330 when the
    // context reports unknown tag names).
    Tag4(DATA4 *d, const char *name) : tag_(d4tag(d, name)) {}

    bool isValid() const { return tag_ != nullptr; }
    TAG4 *tag() const { return tag_; }
    // The first tag of d's open indexes; then the next one.
    void initFirst(DATA4 *d) { tag_ = d4tagNext(d, nullptr); }
    void initNext() { tag_ = tag_ ? d4tagNext(tag_->index->data, tag_) : nullptr; }
    // The tag selected on d (the one its seeks use).
    void initSelected(DATA4 *d) { tag_ = d4tagSelected(d); }

    const char *alias() const { return t4alias(tag_); }
    const char *expr() const { return t4expr(tag_); }
    const char *filter() const { return t4filter(tag_); }
    int unique() const { return t4unique(tag_); }
    int descending() const { return t4descending(tag_); }
    int keyLen() const { return t4keyLen(tag_); }
    // Makes this tag the order of its table handle.
    int select() const { return d4tagSelect(tag_->index->data, tag_); }
    int check(TAG4CHECK *out) const { return t4check(tag_, out); }

private:
    TAG4 *tag_ = nullptr;
};
