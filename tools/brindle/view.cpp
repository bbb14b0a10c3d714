#include "view.h"

#include "session.h"

namespace brindle {

namespace {
RELATE4 *asRelation(void *p) { return static_cast<RELATE4 *>(p); }
}  // namespace

bool View::open(DATA4 *d, const std::string &query, const std::string &sort, bool withDeleted) {
    d_ = d;
    withDeleted_ = withDeleted;
    if (query.empty() && sort.empty()) return true;
    RELATE4 *r = relate4init(d);
    if (!r) {
        failed_ = true;
        return false;
    }
    relation_ = r;
    if ((!query.empty() && relate4querySet(r, query.c_str()) != 0) ||
        (!sort.empty() && relate4sortSet(r, sort.c_str()) != 0)) {
        failed_ = true;
        return false;
    }
    return true;
}

View::~View() {
    if (relation_) relate4free(asRelation(relation_), 0);
}

// rc of a move: 0 positioned, 3/4 off the ends, negative an error.
bool View::settle(int rc) {
    while (rc == 0) {
        if (withDeleted_ || !d4deleted(d_)) return true;
        rc = relation_ ? relate4skip(asRelation(relation_), 1) : d4skip(d_, 1);
    }
    if (rc < 0) failed_ = true;
    return false;
}

long View::count() {
    long n = relation_ ? relate4count(asRelation(relation_)) : d4recCount(d_);
    if (n < 0) failed_ = true;
    return n;
}

bool View::first() { return settle(relation_ ? relate4top(asRelation(relation_)) : d4top(d_)); }
bool View::next() { return settle(relation_ ? relate4skip(asRelation(relation_), 1) : d4skip(d_, 1)); }

}  // namespace brindle
