// Closing a table handle: write back a changed record, close its indexes,
// release the shared table file (the last user writes the header when it
// changed and closes the files) and return the handle to its pool. Also
// used to undo a half-built handle when an open fails.
#include <cstdlib>

#include "d4internal.h"
#include "dfile4.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/mem4.h"
#include "index_seam.h"

namespace {

void keepFirst(int *result, int rc) {
    if (rc < 0 && *result == 0) *result = rc;
}

}  // namespace

int d4close(DATA4 *d) {
    if (int rc = error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_D4CLOSE)) return rc;
    CODE4 *c = d->codeBase;
    int saved = c->errorCode < 0 ? c->errorCode : 0;
    c->errorCode = 0;
    int result = 0;
    DATA4FILE *df = d->dataFile;

    if (df && d->record) {
        int rc = d4update(d);
        if (rc == -340) {
            // A unique-key conflict: the pending change is given up.
            d->changed = 0;
            c->errorCode = 0;
        } else {
            keepFirst(&result, rc);
        }
        c->errorCode = 0;
        if (index4hooks().closeIndexes) keepFirst(&result, index4hooks().closeIndexes(d));
        c->errorCode = 0;
    }
    for (int i = 0; i < d->nMemoFields; i++) memo4entryFree(&d->memoFields[i]);

    if (df) {
        df->userCount--;
        if (df->userCount <= 0) {
            keepFirst(&result, dfile4close(df));
            l4remove(&c->dataFileList, &df->link);
            df->s4valid = 0;
            mem4free(c->dataFileMemory, df);
        }
    }
    std::free(d->record);
    std::free(d->recordOld);
    std::free(d->recordBlank);
    std::free(d->fields);
    std::free(d->memoFields);
    l4remove(&c->dataList, &d->link);
    d->s4valid = 0;
    mem4free(c->dataMemory, d);

    c->errorCode = saved < 0 ? saved : result;
    return result;
}
