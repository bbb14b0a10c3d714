// Spooling: when the sort's memory is full, the held elements are sorted and
// written, in order, as one spool at the end of the spool file.
//
// Spool file layout (a temporary file, nameless while open):
//   spool i occupies elements [i * runLen, min((i + 1) * runLen, total)),
//   element j at byte offset j * elemSize; every element is elemSize bytes
//   laid out as in memory: key (keyLen bytes), record number (4 bytes,
//   little-endian), extra information (extraLen bytes), zero padding.
// Only the last spool of a file may be shorter than runLen. A merge pass
// writes its longer spools (runLen times its fan-in) to the other spool file
// in the same layout.
#include <cstdlib>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/file4.h"
#include "indexes/sort4low.h"

int sort4spoolFileReady(SORT4 *s, int i) {
    FILE4 *f = &s->spoolFile[i];
    if (s->spoolFileOpen[i]) return file4lenSet(f, 0);
    int rc = file4tempLow(f, s->codeBase, 1, nullptr);
    if (rc != 0) return rc < 0 ? rc : error4(s->codeBase, e4create, E4_LOC_SORT4SPOOL);
    s->spoolFileOpen[i] = 1;
    // Without a name nothing can be left behind; should the removal fail,
    // the file is still removed when it is closed.
    file4removeNow(f);
    return 0;
}

uint64_t sort4spoolLength(const SORT4 *s, uint64_t n) {
    uint64_t start = n * s->runLen;
    if (start >= s->spoolElems) return 0;
    uint64_t rest = s->spoolElems - start;
    return rest < s->runLen ? rest : s->runLen;
}

int sort4spool(SORT4 *s) {
    if (s->spoolCount == 0) {
        if (int rc = sort4spoolFileReady(s, s->current)) return rc;
        if (s->writerSize) {
            s->writerBuf = static_cast<unsigned char *>(std::malloc(s->writerSize));
            if (!s->writerBuf) return error4(s->codeBase, e4memory, E4_LOC_SORT4SPOOL);
            sort4hold(s, s->writerSize);
        }
        file4seqWriteInit(&s->writer, &s->spoolFile[s->current], 0, s->writerBuf, s->writerSize);
        // Every later spool of the input phase holds the same number.
        s->runLen = s->count;
    }
    // The full runs were sorted as they completed: merged while written.
    if (int rc = sort4runsPrepare(s)) return rc;
    while (unsigned char *e = sort4runsNext(s))
        if (int rc = file4seqWrite(&s->writer, e, s->elemSize)) {
            sort4runsRelease(s);
            return rc;
        }
    sort4runsRelease(s);
    s->spoolElems += s->count;
    s->spoolCount++;
    s->spoolsWritten++;
    s->count = 0;
    return 0;
}

int sort4spoolFlush(SORT4 *s) { return file4seqWriteFlush(&s->writer); }
