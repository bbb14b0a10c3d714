// The collation table, collated keys and the collated search comparison.
// Key layout and the table are described in collate4.h.
#include "indexes/collate4.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "foundation/code4.h"
#include "foundation/error4.h"

namespace {

constexpr uint8_t kMarker = 255;  // expansion and no-tail marker of the GENERAL tables

// Expansions of the GENERAL tables, by the secondary of an expanding character.
constexpr COLLATE4EXPANSION kGeneralExpansions[] = {
    {COLLATE4_EXPAND, 'O', 'E'},  // 0x8C, 0x9C
    {COLLATE4_EXPAND, 'A', 'E'},  // 0xC6, 0xE6
    {COLLATE4_EXPAND, 'T', 'H'},  // 0xDE, 0xFE
    {COLLATE4_EXPAND, 'S', 'S'},  // 0xDF
};
constexpr int kGeneralExpansionCount = (int)(sizeof kGeneralExpansions / sizeof kGeneralExpansions[0]);

const COLLATE4 kMachine{COLLATE4_KIND_MACHINE, COLLATE4_MACHINE, nullptr, nullptr, 0, 0, 0, 0, 1, 0};
const COLLATE4 kGeneralAnsi{COLLATE4_KIND_WEIGHTS, COLLATE4_GENERAL_ANSI, COLLATE4_GENERAL_ANSI_WEIGHTS,
                            kGeneralExpansions, kGeneralExpansionCount, 1, kMarker, kMarker, 1, 0};
// The cp437 table has the same structure as the cp1252 one (it expands with
// the same marker), so it is keyed the same way: two bytes per character.
const COLLATE4 kGeneralOem{COLLATE4_KIND_WEIGHTS, COLLATE4_GENERAL_OEM, COLLATE4_GENERAL_OEM_WEIGHTS,
                           kGeneralExpansions, kGeneralExpansionCount, 1, kMarker, kMarker, 1, 0};
const COLLATE4 kEmpty{COLLATE4_KIND_MACHINE, COLLATE4_EMPTY, nullptr, nullptr, 0, 0, 0, 0, 1, 0};

const COLLATE4 *const kTable[COLLATE4_ENTRIES] = {&kMachine, &kGeneralAnsi, &kGeneralOem, &kEmpty};

bool keysByWeights(const COLLATE4 *coll) {
    return coll && coll->kind == COLLATE4_KIND_WEIGHTS && coll->weights;
}

// The expansion a character's weights call for, or null for a plain character.
const COLLATE4EXPANSION *expansionOf(const COLLATE4 *coll, const uint8_t *w) {
    if (w[0] != coll->expandMarker || w[1] >= coll->numExpansions) return nullptr;
    const COLLATE4EXPANSION *x = &coll->expansions[w[1]];
    return x->kind == COLLATE4_EXPAND ? x : nullptr;
}

bool equalsNoCase(const char *a, const char *b) {
    for (; *a && *b; a++, b++) {
        char x = (*a >= 'a' && *a <= 'z') ? (char)(*a - 32) : *a;
        if (x != *b) return false;
    }
    return *a == *b;
}

// "CB" and a decimal number; the number, or -1.
int cbNumber(const char *name) {
    if (!((name[0] == 'C' || name[0] == 'c') && (name[1] == 'B' || name[1] == 'b')) || !name[2]) return -1;
    int n = 0;
    for (const char *p = name + 2; *p; p++) {
        if (*p < '0' || *p > '9') return -1;
        n = n * 10 + (*p - '0');  // at most 5 digits: no overflow
    }
    return n;
}

int countTrailingBlanks(const char *text, int len) {
    int n = 0;
    while (n < len && text[len - 1 - n] == ' ') n++;
    return n;
}

// Machine order: unsigned bytes over the search length.
int compareBytes(const unsigned char *key, int keyLen, const unsigned char *search, int searchLen) {
    int n = searchLen < keyLen ? searchLen : keyLen;
    for (int i = 0; i < n; i++)
        if (key[i] != search[i]) return key[i] > search[i] ? 1 : -1;
    return searchLen > keyLen ? -1 : 0;
}

}  // namespace

const COLLATE4 *collate4entry(int number) {
    return number >= 1 && number <= COLLATE4_ENTRIES ? kTable[number - 1] : nullptr;
}

int collate4find(CODE4 *c, const char *name8, int codePageMark, const COLLATE4 **out) {
    if (out) *out = nullptr;
    if (int rc = error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_I4OPEN)) return rc;
    if (c->errorCode < 0) return -1;
    if (!name8 || !out) return error4(c, e4parmNull, E4_LOC_I4OPEN);
    char name[COLLATE4_NAME_LEN];
    std::memcpy(name, name8, COLLATE4_NAME_LEN - 1);
    name[COLLATE4_NAME_LEN - 1] = 0;
    if (!name[0]) return 0;

    const COLLATE4 *found = nullptr;
    if (equalsNoCase(name, "GENERAL")) {
        int mark = codePageMark & 0xFF;
        if (mark == 0 || mark == 3) found = &kGeneralAnsi;
        if (mark == 1) found = &kGeneralOem;
        if (!found) {
            char text[8];
            std::snprintf(text, sizeof text, "0x%02X", mark);
            return error4describe(c, e4notSupported, E4_LOC_I4OPEN, "no GENERAL collation for code page mark", text,
                                  nullptr);
        }
    } else {
        found = collate4entry(cbNumber(name));
        if (!found) return error4describe(c, e4index, E4_LOC_I4OPEN, "unknown collation", name, nullptr);
    }
    *out = found->kind == COLLATE4_KIND_MACHINE ? nullptr : found;
    return 0;
}

void collate4key(const COLLATE4 *coll, const unsigned char *text, unsigned len, unsigned char *out, unsigned outLen) {
    if (outLen == 0) return;
    if (!keysByWeights(coll)) {
        unsigned copy = len < outLen ? len : outLen;
        if (copy) std::memcpy(out, text, copy);
        std::memset(out + copy, ' ', outLen - copy);
        return;
    }
    unsigned end = len;
    while (end > 0 && text[end - 1] == ' ') end--;

    unsigned pos = 0;
    for (unsigned i = 0; i < end && pos < outLen; i++) {
        const uint8_t *w = coll->weights[text[i]];
        if (const COLLATE4EXPANSION *x = expansionOf(coll, w)) {
            out[pos++] = coll->weights[x->first][0];
            if (pos < outLen) out[pos++] = coll->weights[x->second][0];
        } else {
            out[pos++] = w[0];
        }
    }
    // The secondaries follow in a second pass over the text, so no list is kept.
    unsigned listed = 0;
    for (unsigned i = 0; i < end && pos < outLen; i++) {
        const uint8_t *w = coll->weights[text[i]];
        if (const COLLATE4EXPANSION *x = expansionOf(coll, w)) {
            for (uint8_t part : {x->first, x->second}) {
                uint8_t s = coll->weights[part][1];
                if (s != coll->noTailMarker && pos < outLen) out[pos++] = s, listed++;
            }
        } else if (w[1] != coll->noTailMarker && listed < len) {
            out[pos++] = w[1];
            listed++;
        }
    }
    std::memset(out + pos, 0, outLen - pos);
}

int collate4searchKey(const COLLATE4 *coll, const char *text, int textLen, int keyLen, unsigned char *out) {
    if (textLen < 0 || !text) textLen = 0;
    if (keyLen < 0) keyLen = 0;
    int perChar = keysByWeights(coll) ? 1 + coll->keyFactor : 1;
    if (textLen > keyLen / perChar) textLen = keyLen / perChar;
    int len = textLen * perChar;
    collate4key(coll, (const unsigned char *)text, (unsigned)textLen, out, (unsigned)len);
    if (keysByWeights(coll))
        while (len > 0 && out[len - 1] == 0) len--;
    return len;
}

int collate4compare(const COLLATE4 *coll, const unsigned char *key, int keyLen, const unsigned char *search,
                    int searchLen, const char *text, int textLen) {
    if (keyLen < 0) keyLen = 0;
    if (searchLen < 0) searchLen = 0;
    if (!keysByWeights(coll)) return compareBytes(key, keyLen, search, searchLen);

    // Primaries.
    int i = 0;
    for (; i < searchLen && i < keyLen && search[i] >= COLLATE4_PRIMARY_MIN; i++)
        if (search[i] != key[i]) return search[i] < key[i] ? 1 : -1;

    // A search shorter than its text's key: its text's trailing blanks want
    // blanks in the key, or the end of the key's text (its first secondary).
    // Any other key sorts after: keys before the search are only ever those
    // below it in byte order, which is what a seek's descent relies on.
    int perChar = 1 + coll->keyFactor;
    if (text && textLen > keyLen / perChar) textLen = keyLen / perChar;
    if (text && searchLen < keyLen && searchLen < textLen * perChar) {
        int blanks = countTrailingBlanks(text, textLen);
        for (int b = 0; b < blanks && i + b < keyLen; b++) {
            unsigned char k = key[i + b];
            if (k == COLLATE4_BLANK_PRIMARY) continue;
            if (k < COLLATE4_PRIMARY_MIN) break;
            return 1;
        }
        return 0;
    }

    // Secondaries, against the key's secondaries wherever they start.
    bool keyLonger = i < keyLen && key[i] >= COLLATE4_PRIMARY_MIN;
    int j = i;
    while (j < keyLen && key[j] >= COLLATE4_PRIMARY_MIN) j++;
    for (; i < searchLen; i++) {
        unsigned char s = search[i];
        if (s >= COLLATE4_PRIMARY_MIN) continue;
        if (j < keyLen) {
            if (s != key[j]) return (keyLonger || s < key[j]) ? 1 : -1;
        } else if (s != 0) {
            return keyLonger ? 1 : -1;
        }
        j++;
    }
    return 0;
}

int collate4nextGreater(const unsigned char *search, int searchLen, const char *text, int textLen, int keyLen,
                        unsigned char *out) {
    if (keyLen <= 0) return 0;
    int n = searchLen < 0 ? 0 : (searchLen < keyLen ? searchLen : keyLen);
    if (n > 0) std::memcpy(out, search, (size_t)n);
    std::memset(out + n, 0, (size_t)(keyLen - n));
    int p = n - 1;
    while (p >= 0 && out[p] < COLLATE4_PRIMARY_MIN) p--;
    if (p < 0) {
        // No primary: the search text is blank. Its matches are the keys
        // whose text starts with that many blanks, or ends before; the next
        // greater value has one blank less and a "!". An empty text matches
        // every key: nothing of this length is greater.
        int blanks = text ? (textLen < 0 ? 0 : textLen) : keyLen / 2;
        if (blanks > keyLen / 2) blanks = keyLen / 2;
        if (blanks == 0) {
            std::memset(out, 0xFF, (size_t)keyLen);
            return keyLen;
        }
        std::memset(out, COLLATE4_BLANK_PRIMARY, (size_t)blanks - 1);
        out[blanks - 1] = COLLATE4_BLANK_PRIMARY + 1;
        return blanks;
    }
    while (p >= 0 && out[p] == 0xFF) p--;
    if (p < 0) {
        std::memset(out, 0xFF, (size_t)keyLen);
        return keyLen;
    }
    out[p]++;
    std::memset(out + p + 1, 0, (size_t)(keyLen - p - 1));
    return p + 1;
}
