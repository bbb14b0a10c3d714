// The records a command walks: record-number order, or the view of a query
// and sort. Deleted records are passed over unless asked for.
#pragma once
#include <string>

#include "brindle.h"

namespace brindle {

class View {
public:
    // query and sort may be empty. Returns false (error printed) when the
    // view cannot be set up.
    bool open(DATA4 *d, const std::string &query, const std::string &sort, bool withDeleted);
    ~View();
    // Positions on the first / next record of the view; false at the end or
    // on an error (check failed()).
    bool first();
    bool next();
    bool failed() const { return failed_; }
    // Whether count() can answer: a view that keeps its deleted records.
    bool countsWhole() const { return withDeleted_; }
    // The view's records, counted by the engine (from the tags alone when
    // they answer the query exactly); negative on an error.
    long count();

private:
    bool settle(int rc);
    DATA4 *d_ = nullptr;
    void *relation_ = nullptr;
    bool withDeleted_ = false;
    bool failed_ = false;
};

}  // namespace brindle
