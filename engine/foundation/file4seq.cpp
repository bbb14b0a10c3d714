// Buffered sequential reading and writing. The usable buffer is the given
// size rounded down to a multiple of 1024 (below 1024: unbuffered). The first
// chunk is shortened so that every later chunk starts on a 1024-byte
// boundary of the file.
#include <cstring>

#include "code4.h"
#include "error4.h"
#include "file4.h"

namespace {

unsigned usableSize(unsigned size) { return size < 1024 ? 0 : size / 1024 * 1024; }

unsigned firstChunk(int64_t start, unsigned total) {
    unsigned offset = (unsigned)(start % 1024);
    return offset < total ? total - offset : total;
}

}  // namespace

int file4seqReadInit(FILE4SEQ_READ *r, FILE4 *f, int64_t start, void *buffer, unsigned size) {
    if (!r || !f) return error4(nullptr, e4parmNull, E4_LOC_FILE4SEQREADINIT);
    std::memset(r, 0, sizeof *r);
    r->file = f;
    r->pos = start;
    r->buffer = static_cast<char *>(buffer);
    r->total = buffer ? usableSize(size) : 0;
    r->nextReadLen = r->total ? firstChunk(start, r->total) : 0;
    return 0;
}

unsigned file4seqRead(FILE4SEQ_READ *r, void *dest, unsigned len) {
    if (!r || !r->file) return 0;
    CODE4 *c = r->file->codeBase;
    if (c->errorCode < 0) return 0;
    char *out = static_cast<char *>(dest);
    if (r->total == 0) {
        unsigned n = file4read(r->file, r->pos, out, len);
        r->pos += n;
        return n;
    }
    unsigned done = 0;
    while (done < len) {
        if (r->avail == 0) {
            unsigned want = r->nextReadLen;
            unsigned n = file4read(r->file, r->pos, r->buffer, want);
            if (c->errorCode < 0) {
                error4describe(c, e4read, E4_LOC_FILE4SEQREAD, r->file->name, "file4seqRead", nullptr);
                return done;
            }
            r->pos += n;
            r->working = n;
            r->avail = n;
            r->nextReadLen = r->total;
            if (n == 0) break;
        }
        unsigned take = len - done < r->avail ? len - done : r->avail;
        std::memcpy(out + done, r->buffer + (r->working - r->avail), take);
        r->avail -= take;
        done += take;
    }
    return done;
}

int file4seqReadAll(FILE4SEQ_READ *r, void *dest, unsigned len) {
    if (!r || !r->file) return error4(nullptr, e4parmNull, E4_LOC_FILE4SEQREADALL);
    unsigned n = file4seqRead(r, dest, len);
    CODE4 *c = r->file->codeBase;
    if (c->errorCode < 0) return c->errorCode;
    if (n != len) return error4describe(c, e4read, E4_LOC_FILE4SEQREADALL, r->file->name, "file4seqReadAll", nullptr);
    return 0;
}

int file4seqWriteInit(FILE4SEQ_WRITE *w, FILE4 *f, int64_t start, void *buffer, unsigned size) {
    if (!w || !f) return error4(nullptr, e4parmNull, E4_LOC_FILE4SEQWRITEINIT);
    std::memset(w, 0, sizeof *w);
    w->file = f;
    w->pos = start;
    w->buffer = static_cast<char *>(buffer);
    w->total = buffer ? usableSize(size) : 0;
    w->bufLen = w->total ? firstChunk(start, w->total) : 0;
    w->avail = w->bufLen;
    return 0;
}

int file4seqWriteFlush(FILE4SEQ_WRITE *w) {
    if (!w || !w->file) return error4(nullptr, e4parmNull, E4_LOC_FILE4SEQWRITEFLUSH);
    if (w->total == 0) return 0;
    unsigned used = w->bufLen - w->avail;
    if (used) {
        int rc = file4write(w->file, w->pos, w->buffer, used);
        if (rc < 0) return rc;
        w->pos += used;
    }
    // Later chunks are full-size and aligned (pos is now on a boundary unless
    // this was a partial flush, in which case realign the next chunk).
    w->bufLen = firstChunk(w->pos, w->total);
    w->avail = w->bufLen;
    return 0;
}

int file4seqWrite(FILE4SEQ_WRITE *w, const void *data, unsigned len) {
    if (!w || !w->file) return error4(nullptr, e4parmNull, E4_LOC_FILE4SEQWRITE);
    CODE4 *c = w->file->codeBase;
    if (c->errorCode < 0) return -1;
    const char *in = static_cast<const char *>(data);
    if (w->total == 0) {
        int rc = file4write(w->file, w->pos, in, len);
        if (rc == 0) w->pos += len;
        return rc;
    }
    while (len) {
        unsigned take = len < w->avail ? len : w->avail;
        std::memcpy(w->buffer + (w->bufLen - w->avail), in, take);
        w->avail -= take;
        in += take;
        len -= take;
        if (w->avail == 0) {
            int rc = file4seqWriteFlush(w);
            if (rc < 0) return rc;
        }
    }
    return 0;
}

int file4seqWriteRepeat(FILE4SEQ_WRITE *w, long count, char byte) {
    char block[512];
    std::memset(block, byte, sizeof block);
    while (count > 0) {
        unsigned n = count > 512 ? 512u : (unsigned)count;
        int rc = file4seqWrite(w, block, n);
        if (rc < 0) return rc;
        count -= n;
    }
    return 0;
}
