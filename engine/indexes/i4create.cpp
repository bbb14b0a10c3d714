// Creating an index file: the tags described, the whole file written into a
// new file beside the index's name, which then takes that name; then it is
// opened like any index, and a production index gets its table's flag.
//
// File as written (512-byte blocks, reference unit 1):
//   0                      tag directory header (compound files)
//   1024 (k + 1)           header of tag k, in list order
//   1024 (n + 1) ...       the directory's blocks, then each tag's, in the
//                          order they were finished
#include <cstring>
#include <string>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/u4name.h"
#include "i4build.h"
#include "i4file.h"
#include "index4internal.h"
#include "tables/d4internal.h"
#include "tables/dfile4.h"

std::string i4fileName(DATA4 *d, const char *name) {
    CODE4 *c = d->codeBase;
    const char *from = name ? name : d->dataFile->file.name;
    std::string full = u4namePlatform(from ? from : "");
    full.resize(full.size() + 8, '\0');
    if (u4nameExt(full.data(), (int)full.size(), "cdx", name ? 0 : 1) != 0) {
        error4describe(c, e4open, E4_MSG_NAME_TOO_LONG, from, nullptr, nullptr);
        return std::string();
    }
    full.resize(std::strlen(full.c_str()));
    return full;
}

int i4tempOpen(CODE4 *c, const std::string &target, FILE4 *out) {
    int safety = c->safety, createError = c->createError;
    c->safety = 1;
    c->createError = 0;
    int rc = -1;
    for (int n = 0; n < 1000; n++) {
        std::string name = target + "." + std::to_string(n) + ".tmp";
        rc = file4create(out, c, name.c_str(), 1);
        if (rc == r4exists) {
            c->errorCode = 0;
            continue;
        }
        break;
    }
    c->safety = safety;
    c->createError = createError;
    if (rc == 0) {
        out->removeOnClose = 1;
        return 0;
    }
    if (rc == r4exists) c->errorCode = 0;
    return rc < 0 ? rc : error4describe(c, e4create, E4_LOC_I4CREATE, target.c_str(), nullptr, nullptr);
}

int i4writeWhole(FILE4 *f, DATA4 *d, const std::vector<TAG4FILE *> &tags, const std::vector<int> &unique,
                 bool compound, uint32_t version, std::vector<unsigned char> &headers) {
    CODE4 *c = d->codeBase;
    size_t slots = compound ? tags.size() + 1 : 1;
    I4BUILD b;
    try {
        headers.assign(slots * cdx::HEADER_SIZE, 0);
        if (int rc = i4buildBegin(&b, c, f, (uint32_t)(slots * cdx::HEADER_SIZE))) return rc;
        if (compound) {
            std::vector<std::pair<std::string, uint32_t>> names;
            for (size_t k = 0; k < tags.size(); k++)
                names.emplace_back(tags[k]->alias, (uint32_t)((k + 1) * cdx::HEADER_SIZE));
            uint32_t root;
            if (int rc = i4buildDirectory(&b, names, &root)) return rc;
            i4directoryImage(root, version, headers.data());
        }
        for (size_t k = 0; k < tags.size(); k++) {
            uint32_t root;
            if (int rc = i4buildTag(&b, tags[k], d, unique[k], &root)) return rc;
            size_t slot = compound ? k + 1 : 0;
            i4headerImage(tags[k], root, version, headers.data() + slot * cdx::HEADER_SIZE);
        }
    } catch (const std::bad_alloc &) {
        return error4(c, e4memory, E4_LOC_I4CREATE);
    }
    if (int rc = i4buildEnd(&b)) return rc;
    if (file4write(f, 0, headers.data(), (unsigned)headers.size()) != 0) return c->errorCode < 0 ? c->errorCode : -1;
    return file4flush(f);
}

void i4tableReset(DATA4 *d) {
    DATA4FILE *df = d->dataFile;
    std::memcpy(d->record, d->recordBlank, df->recordLen);
    std::memcpy(d->recordOld, d->recordBlank, df->recordLen);
    d->recNo = -1;
    d->recNoOld = -1;
    d->eof = d->bof = 0;
    d->changed = 0;
    d4memoResetAll(d);
}

INDEX4 *i4create(DATA4 *d, const char *name, const TAG4DESC *descs) {
    if (error4checkStamp(d, d ? d->s4valid : 0, E4_LOC_I4CREATE)) return nullptr;
    CODE4 *c = d->codeBase;
    if (c->errorCode < 0) return nullptr;
    if (!descs) return error4(c, e4parmNull, E4_LOC_I4CREATE), nullptr;
    if (d->readOnly) return error4describe(c, e4write, E4_MSG_WRITE_READ_ONLY, d->alias, nullptr, nullptr), nullptr;
    std::string full = i4fileName(d, name);
    if (full.empty()) return nullptr;
    for (LINK4 *l = l4first(&d->indexes); l; l = l4next(l)) {
        INDEX4 *open = reinterpret_cast<INDEX4 *>(l);
        if (u4nameEqual(open->indexFile->file.name, full.c_str()) ||
            u4nameEqual(u4nameResolve(open->indexFile->file.name).c_str(), u4nameResolve(full).c_str()))
            return error4describe(c, e4nameNotFound, E4_LOC_I4CREATE, full.c_str(), nullptr, nullptr), nullptr;
    }
    if (c->safety && file4exists(full.c_str()))
        return error4describe(c, e4create, E4_LOC_I4CREATE, full.c_str(), nullptr, nullptr), nullptr;
    if (d4update(d) != 0) return nullptr;

    std::vector<TAG4FILE *> tags;
    std::vector<int> unique;
    auto release = [&]() {
        for (TAG4FILE *t : tags) tfile4free(t);
    };
    for (const TAG4DESC *desc = descs; desc->name; desc++) {
        TAG4FILE *t = i4tagMake(nullptr, d, desc);
        if (!t) {
            release();
            return nullptr;
        }
        tags.push_back(t);
        unique.push_back(desc->unique);
    }
    FILE4 temp;
    int rc = i4tempOpen(c, full, &temp);
    if (rc == 0) {
        std::vector<unsigned char> headers;
        rc = i4writeWhole(&temp, d, tags, unique, true, 0, headers);
        if (rc == 0) rc = file4replace(&temp, full.c_str());
        int closed = file4close(&temp);
        if (rc == 0) rc = closed;
    }
    release();
    i4tableReset(d);
    if (rc == r4unique) c->errorCode = r4unique;   // an outcome, not an error
    if (rc != 0) return nullptr;
    INDEX4 *index = i4open(d, full.c_str());
    if (!index) return nullptr;
    if (!name || u4nameEqual(full.c_str(), i4fileName(d, nullptr).c_str())) {
        if (dfile4productionSet(d->dataFile, 1) != 0) return index;
        d->dataFile->productionIndexOpen = 1;
    }
    return index;
}
