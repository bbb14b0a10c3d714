// Opening and closing compound index files: the directory header, the tag
// directory's entries, each tag's header and expressions, and the handles
// (INDEX4, TAG4) of the table handle that opened it. A file opened by
// several handles of one table file is shared.
//
// Open refuses, with -310 and the file name: a directory header shorter
// than 512 bytes, type flags below 0x20, a root of 0 or -1, a bad large
// block size; for each tag: a header outside the file, a key length whose
// branch nodes could not hold two entries, expressions outside the pool, a
// key expression whose key length differs from the header's, a FOR
// expression that is not logical, an unknown collation name.
#include <cstdlib>
#include <cstring>
#include <string>

#include "collate4.h"
#include "expressions/expressions.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/u4name.h"
#include "i4file.h"
#include "index4internal.h"
#include "index4write.h"
#include "t4update.h"
#include "tables/data4.h"

namespace {

constexpr int MAX_TAGS = 4096;

int notIndex(INDEX4FILE *i) { return error4describe(i->codeBase, e4index, E4_LOC_I4OPEN, i->file.name, nullptr, nullptr); }

TAG4FILE *tagAlloc(INDEX4FILE *i) {
    auto *t = static_cast<TAG4FILE *>(std::calloc(1, sizeof(TAG4FILE)));
    if (!t) {
        error4(i->codeBase, e4memory, E4_LOC_I4OPEN);
        return nullptr;
    }
    t->s4valid = S4VALID;
    t->indexFile = i;
    t->codeBase = i->codeBase;
    return t;
}

// The collation a tag header names, for table handle d: 0 with *out null
// for machine order ("MACHINE", which some writers put, included), else the
// failure collate4find reported (-310 unknown name, -1090 no weight table).
int tagCollation(DATA4 *d, const char *name, const COLLATE4 **out) {
    *out = nullptr;
    if (std::strcmp(name, "MACHINE") == 0) return 0;
    return collate4find(d->codeBase, name, d4codePage(d), out);
}

bool keyLenFits(const INDEX4FILE *i, unsigned keyLen) {
    return keyLen >= 1 && cdx::branchCapacity(i->blockSize, keyLen) >= 2;
}

// Read and check the header at ref; the header bytes go to buf (1024).
int readHeader(INDEX4FILE *i, uint32_t ref, unsigned char *buf, cdx::TagHeader *h) {
    int64_t pos = (int64_t)ref * i->unit;
    if (ref == cdx::NO_BLOCK || pos + cdx::HEADER_SIZE > i->fileLen) return notIndex(i);
    if (file4readAll(&i->file, pos, buf, cdx::HEADER_SIZE) != 0) return i->codeBase->errorCode;
    cdx::headerDecode(buf, cdx::HEADER_SIZE, h);
    return 0;
}

// Parse one of the tag's expressions; a failure is reported once, with the
// parser's code, the tag, the expression and the index file.
EXPR4 *parseQuietly(TAG4FILE *t, DATA4 *d, const std::string &source) {
    CODE4 *c = t->codeBase;
    int saved = code4exprError(c, 0);
    EXPR4 *e = expr4parseTag(d, source.c_str(), t);
    code4exprError(c, saved);
    if (e) return e;
    int code = c->errorCode < 0 ? c->errorCode : e4index;
    c->errorCode = 0;
    std::string tag = std::string("tag ") + t->alias;
    error4describe(c, code, E4_LOC_I4OPEN, tag.c_str(), source.c_str(), t->indexFile->file.name);
    return nullptr;
}

// Parse the tag's expressions against d and check them with its header.
int tagExpressions(TAG4FILE *t, DATA4 *d, const unsigned char *pool) {
    INDEX4FILE *i = t->indexFile;
    const cdx::TagHeader &h = t->header;
    const char *text;
    unsigned len;
    if (!cdx::poolText(pool, h.exprPos, h.exprLen, &text, &len) || len == 0) return notIndex(i);
    std::string keySource(text, len);
    std::string forSource;
    if (h.typeFlags & cdx::TYPE_FOR) {
        if (!cdx::poolText(pool, h.forPos, h.forLen, &text, &len)) return notIndex(i);
        forSource.assign(text, len);
    }
    t->expr = parseQuietly(t, d, keySource);
    if (!t->expr) return t->codeBase->errorCode;
    t->keyType = (char)expr4type(t->expr);
    int expected = expr4keyLen(t->expr);
    if (expected < 0) return expected;
    if ((unsigned)expected != h.keyLen) return notIndex(i);
    if (!forSource.empty()) {
        t->filter = parseQuietly(t, d, forSource);
        if (!t->filter) return t->codeBase->errorCode;
        if (expr4type(t->filter) != 'L') return notIndex(i);
    }
    t->pad = (t->keyType == 'C' && !t->collation) ? ' ' : 0;
    return 0;
}

// Open the tag whose header is at ref, named name, for handle d.
int tagOpen(INDEX4FILE *i, DATA4 *d, uint32_t ref, const char *name, TAG4FILE **out) {
    *out = nullptr;
    unsigned char buf[cdx::HEADER_SIZE];
    TAG4FILE *t = tagAlloc(i);
    if (!t) return -1;
    int rc = readHeader(i, ref, buf, &t->header);
    if (rc == 0 && !keyLenFits(i, t->header.keyLen)) rc = notIndex(i);
    if (rc == 0) {
        t->headerRef = ref;
        size_t n = 0;
        for (; name[n] && n < cdx::TAG_NAME_MAX; n++) {
            char ch = name[n];
            t->alias[n] = ch >= 'a' && ch <= 'z' ? (char)(ch - 'a' + 'A') : ch;
        }
        t->alias[n] = 0;
        rc = tagCollation(d, t->header.collation, &t->collation);
    }
    if (rc == 0) rc = tagExpressions(t, d, buf + cdx::OFF_POOL);
    if (rc == 0 && !(t->scratch = static_cast<unsigned char *>(std::malloc(2 * t->header.keyLen + 2))))
        rc = error4(i->codeBase, e4memory, E4_LOC_I4OPEN);
    if (rc != 0) {
        tfile4free(t);
        return rc < 0 ? rc : -1;
    }
    *out = t;
    return 0;
}

// The directory: a tag whose keys are tag names and whose record numbers
// are header references.
int directoryOpen(INDEX4FILE *i, const unsigned char *header) {
    TAG4FILE *t = tagAlloc(i);
    if (!t) return -1;
    cdx::headerDecode(header, cdx::HEADER_SIZE, &t->header);
    std::strcpy(t->alias, "$DIRECTORY");
    t->isDirectory = 1;
    t->pad = ' ';
    t->keyType = 'C';
    if (!keyLenFits(i, t->header.keyLen) ||
        !(t->scratch = static_cast<unsigned char *>(std::malloc(2 * t->header.keyLen + 2)))) {
        tfile4free(t);
        return i->codeBase->errorCode < 0 ? i->codeBase->errorCode : notIndex(i);
    }
    i->directory = t;
    return 0;
}

// Walk the directory and open every tag it names.
int tagsOpen(INDEX4FILE *i, DATA4 *d) {
    CODE4 *c = i->codeBase;
    TAG4FILE *dir = i->directory;
    int rc = tfile4top(dir);
    if (rc < 0) return rc;
    int count = 0;
    while (!tfile4eof(dir)) {
        if (++count > MAX_TAGS) return notIndex(i);
        const unsigned char *key = tfile4key(dir);
        if (!key) return c->errorCode < 0 ? c->errorCode : notIndex(i);
        char name[cdx::TAG_NAME_MAX + 1];
        unsigned n = dir->header.keyLen < cdx::TAG_NAME_MAX ? dir->header.keyLen : cdx::TAG_NAME_MAX;
        std::memcpy(name, key, n);
        while (n > 0 && (name[n - 1] == ' ' || name[n - 1] == 0)) n--;
        name[n] = 0;
        uint32_t ref = (uint32_t)tfile4recNo(dir);
        TAG4FILE *t = nullptr;
        rc = tagOpen(i, d, ref, name, &t);
        if (rc != 0) {
            // A read-only file leaves out the tag it cannot open.
            if (!i->file.isReadOnly || c->errorCode == e4memory) return rc;
            error4set(c, 0);
        } else {
            l4add(&i->tags, &t->link);
        }
        if (tfile4skip(dir, 1) != 1) {
            if (c->errorCode < 0) return c->errorCode;
            break;
        }
    }
    return 0;
}

int indexFileOpen(INDEX4FILE *i, DATA4 *d, const char *name) {
    CODE4 *c = i->codeBase;
    int rc = file4open(&i->file, c, name, 1);
    if (rc != 0) return rc;
    i->fileLen = file4len(&i->file);
    if (i->fileLen < 0) return c->errorCode;
    unsigned char header[cdx::HEADER_SIZE] = {};
    if (i->fileLen < (int64_t)cdx::HEADER_FIXED) return notIndex(i);
    unsigned got = i->fileLen < (int64_t)cdx::HEADER_SIZE ? (unsigned)i->fileLen : cdx::HEADER_SIZE;
    if (file4readAll(&i->file, 0, header, got) != 0) return c->errorCode;
    cdx::TagHeader h;
    cdx::headerDecode(header, got, &h);
    i->blockSize = cdx::DEFAULT_BLOCK;
    i->unit = 1;
    if (h.marker == cdx::LARGE_MARKER) {
        if (h.unit == 0 || h.blockSize < 512 || h.blockSize % 512 != 0 || h.blockSize % h.unit != 0 ||
            h.blockSize > 65536)
            return error4describe(c, e4index, E4_MSG_BLOCK_SIZE, i->file.name, nullptr, nullptr);
        i->blockSize = h.blockSize;
        i->unit = h.unit;
    }
    if (h.typeFlags < cdx::TYPE_COMPACT || h.root == 0 || h.root == cdx::NO_BLOCK) return notIndex(i);
    i->versionOld = h.version;
    if ((rc = index4cacheInit(i)) != 0) return rc;
    if (h.typeFlags < cdx::TYPE_COMPOUND) {
        // A single-tag file: its header is the tag, named after the file.
        std::string base = u4nameBase(name);
        TAG4FILE *t = nullptr;
        if ((rc = tagOpen(i, d, 0, base.c_str(), &t)) != 0) return rc;
        l4add(&i->tags, &t->link);
        return 0;
    }
    if ((rc = directoryOpen(i, header)) != 0) return rc;
    return tagsOpen(i, d);
}

// Frees the index file object; 0, or the code of its file's failing close.
int indexFileFree(INDEX4FILE *i) {
    for (LINK4 *l = l4first(&i->tags); l;) {
        LINK4 *next = l4next(l);
        tfile4free(reinterpret_cast<TAG4FILE *>(l));
        l = next;
    }
    if (i->directory) tfile4free(i->directory);
    index4writeFree(i);
    int closed = file4close(&i->file);
    index4cacheFree(i);
    std::free(i);
    return closed;
}

std::string indexName(const char *name) {
    std::string full = u4namePlatform(name);
    full.resize(full.size() + 8, '\0');
    if (u4nameExt(full.data(), (int)full.size(), "cdx", 0) != 0) return std::string();
    full.resize(std::strlen(full.c_str()));
    return full;
}

bool sameFile(const char *a, const std::string &b) {
    return a && (u4nameEqual(a, b.c_str()) || u4nameEqual(u4nameResolve(a).c_str(), u4nameResolve(b).c_str()));
}

// Another table handle of the same table file, other than d, or null.
DATA4 *otherHandle(DATA4 *d) {
    for (LINK4 *l = l4first(&d->codeBase->dataList); l; l = l4next(l)) {
        DATA4 *o = reinterpret_cast<DATA4 *>(l);
        if (o != d && o->dataFile == d->dataFile) return o;
    }
    return nullptr;
}

}  // namespace

void tfile4free(TAG4FILE *t) {
    if (!t) return;
    if (t->expr) expr4free(t->expr);
    if (t->filter) expr4free(t->filter);
    for (NODE4 &n : t->path) std::free(n.block);
    std::free(t->scratch);
    t->s4valid = 0;
    std::free(t);
}

INDEX4 *i4open(DATA4 *d, const char *name) {
    if (error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_I4OPEN)) return nullptr;
    CODE4 *c = d->codeBase;
    if (!name) return error4(c, e4parmNull, E4_LOC_I4OPEN), nullptr;
    if (c->errorCode < 0) return nullptr;
    std::string full = indexName(name);
    if (full.empty()) return error4describe(c, e4open, E4_MSG_NAME_TOO_LONG, name, nullptr, nullptr), nullptr;
    for (LINK4 *l = l4first(&d->indexes); l; l = l4next(l)) {
        INDEX4 *open = reinterpret_cast<INDEX4 *>(l);
        if (sameFile(open->indexFile->file.name, full))
            return error4describe(c, e4instance, E4_LOC_I4OPEN, full.c_str(), nullptr, nullptr), nullptr;
    }
    auto *index = static_cast<INDEX4 *>(std::calloc(1, sizeof(INDEX4)));
    if (!index || !(index->fileName = static_cast<char *>(std::malloc(full.size() + 1)))) {
        std::free(index);
        return error4(c, e4memory, E4_LOC_I4OPEN), nullptr;
    }
    std::memcpy(index->fileName, full.c_str(), full.size() + 1);
    index->s4valid = S4VALID;
    index->data = d;

    INDEX4FILE *file = nullptr;
    for (LINK4 *l = l4first(&d->dataFile->indexes); l; l = l4next(l)) {
        INDEX4FILE *f = reinterpret_cast<INDEX4FILE *>(l);
        if (sameFile(f->file.name, full)) file = f;
    }
    if (!file) {
        file = static_cast<INDEX4FILE *>(std::calloc(1, sizeof(INDEX4FILE)));
        if (!file) {
            std::free(index->fileName);
            std::free(index);
            return error4(c, e4memory, E4_LOC_I4OPEN), nullptr;
        }
        file->s4valid = S4VALID;
        file->codeBase = c;
        file->dataFile = d->dataFile;
        if (indexFileOpen(file, d, full.c_str()) != 0) {
            int code = c->errorCode;
            c->errorCode = 0;
            indexFileFree(file);
            c->errorCode = code;
            std::free(index->fileName);
            std::free(index);
            return nullptr;
        }
        l4add(&d->dataFile->indexes, &file->link);
    }
    file->userCount++;
    index->indexFile = file;
    for (LINK4 *l = l4first(&file->tags); l; l = l4next(l)) {
        auto *tag = static_cast<TAG4 *>(std::calloc(1, sizeof(TAG4)));
        if (!tag) {
            i4close(index);
            return error4(c, e4memory, E4_LOC_I4OPEN), nullptr;
        }
        tag->s4valid = S4VALID;
        tag->index = index;
        tag->tagFile = reinterpret_cast<TAG4FILE *>(l);
        tag->errUnique = i4uniqueCode(tag->tagFile);
        l4add(&index->tags, &tag->link);
    }
    l4add(&d->indexes, &index->link);
    return index;
}

int i4close(INDEX4 *index) {
    if (int rc = error4checkStamp(index, index ? index->s4valid : 0, E4_LOC_I4CLOSE)) return rc;
    DATA4 *d = index->data;
    for (LINK4 *l = l4first(&index->tags); l;) {
        LINK4 *next = l4next(l);
        TAG4 *tag = reinterpret_cast<TAG4 *>(l);
        if (d->tagSelected == tag) d->tagSelected = nullptr;
        tag->s4valid = 0;
        std::free(tag);
        l = next;
    }
    bool listed = false;
    for (LINK4 *l = l4first(&d->indexes); l; l = l4next(l))
        if (l == &index->link) listed = true;
    if (listed) l4remove(&d->indexes, &index->link);
    INDEX4FILE *file = index->indexFile;
    int result = 0;
    if (file && file->userCount == 1) result = i4flushClosing(index);
    if (file && --file->userCount <= 0) {
        l4remove(&d->dataFile->indexes, &file->link);
        int closed = indexFileFree(file);
        if (result == 0) result = closed;
    } else if (file) {
        // The expressions were bound to this handle: hand them to another.
        DATA4 *other = otherHandle(d);
        for (LINK4 *l = l4first(&file->tags); l && other; l = l4next(l)) {
            TAG4FILE *t = reinterpret_cast<TAG4FILE *>(l);
            if (t->expr && t->expr->data == d) expr4context(t->expr, other);
            if (t->filter && t->filter->data == d) expr4context(t->filter, other);
        }
    }
    std::free(index->fileName);
    index->s4valid = 0;
    std::free(index);
    return result;
}

TAG4 *i4tag(INDEX4 *index, const char *name) {
    if (error4checkStamp(index, index ? index->s4valid : 0, E4_LOC_I4TAG)) return nullptr;
    CODE4 *c = index->data->codeBase;
    if (!name) return error4(c, e4parmNull, E4_LOC_I4TAG), nullptr;
    for (LINK4 *l = l4first(&index->tags); l; l = l4next(l)) {
        TAG4 *t = reinterpret_cast<TAG4 *>(l);
        if (u4nameEqual(t->tagFile->alias, name)) return t;
    }
    if (c->errTagName) error4describe(c, e4tagName, E4_LOC_I4TAG, name, nullptr, nullptr);
    return nullptr;
}

INDEX4 *d4index(DATA4 *d, const char *name) {
    if (error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_I4OPEN)) return nullptr;
    for (LINK4 *l = l4first(&d->indexes); l; l = l4next(l)) {
        INDEX4 *i = reinterpret_cast<INDEX4 *>(l);
        if (!name || u4nameEqual(u4nameBase(i->fileName).c_str(), u4nameBase(name).c_str())) return i;
    }
    return nullptr;
}
