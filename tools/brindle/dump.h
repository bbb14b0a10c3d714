// What the dump formats share: the chosen columns with their names in UTF-8,
// and the walk over the view that feeds them one record at a time.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "brindle.h"
#include "session.h"
#include "sink.h"
#include "values.h"
#include "view.h"

namespace brindle {

struct Column {
    FIELD4 *field;
    std::string name;  // UTF-8
};

struct DumpJob {
    Session &session;
    DATA4 *d;
    const CodePage &cp;
    std::vector<Column> columns;
    View &view;
    long start = 1;    // first position of the view shown (from 1)
    long limit = -1;   // at most this many records; -1 for all
    bool withDeleted = false;
    bool sorted = false;  // the view has a sort or a query (its size is not known)
    Sink &out;
};

// Reads the current record's value of column i; false (reported, naming
// the record and field) when it is damaged.
bool readColumn(DumpJob &job, size_t i, Value &value);
// The same for every column.
bool readRecord(DumpJob &job, std::vector<Value> &values);

// Walks the view, calling row for each record shown; row returns false to
// stop with an error. Shows progress. The exit status.
int walkView(DumpJob &job, const std::function<bool()> &row);

// dump --format postgres
int dumpPostgres(DumpJob &job, const std::string &tableName);

}  // namespace brindle
