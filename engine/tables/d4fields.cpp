// What a table handle tells about itself: its fields (by name or number),
// alias, file name, record buffer and width, table level and code page.
#include <cstring>

#include "d4internal.h"
#include "dfile4.h"
#include "foundation/code4.h"
#include "foundation/error4.h"

namespace {

bool valid(const DATA4 *d, long location) { return error4checkStamp(d, d ? d->s4valid : 0, location) == 0; }

bool sameName(const char *fieldName, const char *wanted) {
    // Letter case does not matter; trailing blanks of the wanted name neither.
    size_t n = std::strlen(wanted);
    while (n && wanted[n - 1] == ' ') n--;
    if (std::strlen(fieldName) != n) return false;
    for (size_t i = 0; i < n; i++) {
        unsigned char a = (unsigned char)fieldName[i], b = (unsigned char)wanted[i];
        if (a >= 'a' && a <= 'z') a = (unsigned char)(a - 32);
        if (b >= 'a' && b <= 'z') b = (unsigned char)(b - 32);
        if (a != b) return false;
    }
    return true;
}

// Index of the user field named so, or -1.
int lookup(DATA4 *d, const char *name) {
    for (int i = 0; i < d->nFields; i++)
        if (sameName(d->fields[i].name, name)) return i;
    return -1;
}

}  // namespace

int d4numFields(DATA4 *d) { return valid(d, E4_LOC_D4NUMFIELDS) ? d->nFields : -1; }

FIELD4 *d4field(DATA4 *d, const char *name) {
    if (!valid(d, E4_LOC_D4FIELD)) return nullptr;
    CODE4 *c = d->codeBase;
    if (!name) return error4(c, e4parmNull, E4_LOC_D4FIELD), nullptr;
    int i = lookup(d, name);
    if (i >= 0) return &d->fields[i];
    if (c->fieldNameError) error4describe(c, e4fieldName, E4_LOC_D4FIELD, name, nullptr, nullptr);
    return nullptr;
}

FIELD4 *d4fieldJ(DATA4 *d, int number) {
    if (!valid(d, E4_LOC_D4FIELDJ)) return nullptr;
    if (number < 1 || number > d->nFields) return error4(d->codeBase, e4parm, E4_LOC_D4FIELDJ), nullptr;
    return &d->fields[number - 1];
}

int d4fieldNumber(DATA4 *d, const char *name) {
    if (!valid(d, E4_LOC_D4FIELDNUMBER)) return -1;
    CODE4 *c = d->codeBase;
    if (!name) return error4(c, e4parmNull, E4_LOC_D4FIELDNUMBER);
    int i = lookup(d, name);
    if (i >= 0) return i + 1;
    if (c->fieldNameError) return error4describe(c, e4fieldName, E4_LOC_D4FIELDNUMBER, name, nullptr, nullptr);
    return e4fieldName;
}

const char *d4alias(DATA4 *d) { return valid(d, E4_LOC_D4ALIAS) ? d->alias : nullptr; }

const char *d4fileName(DATA4 *d) { return valid(d, E4_LOC_D4FILENAME) ? d->dataFile->file.name : nullptr; }

const unsigned char *d4record(DATA4 *d) { return valid(d, E4_LOC_D4FIELD) ? d->record : nullptr; }

unsigned d4recWidth(DATA4 *d) { return valid(d, E4_LOC_D4FIELD) ? d->dataFile->recordLen : 0; }

int d4tableLevel(DATA4 *d) { return valid(d, E4_LOC_D4FIELD) ? d->dataFile->tableLevel : -1; }

int d4productionFlag(DATA4 *d) { return valid(d, E4_LOC_D4FIELD) ? (d->dataFile->flags & dbf::FLAG_PRODUCTION) != 0 : -1; }
int d4codePage(DATA4 *d) { return valid(d, E4_LOC_D4FIELD) ? (unsigned char)d->dataFile->codePage : -1; }
