// Keys: the value of the current record converted by its result type into
// bytes that sort correctly (the encodings themselves are in key4.h), with
// the tag's collation or wide form for text and the null-marker byte for
// expressions over null-capable fields.
//
// Key layout in the context's key buffer:
//   [null marker, 1 byte, when a read field can be null and the tag keeps it]
//   [value bytes, key4len(type, length) or the collated/wide text length]
//   NUL (not counted)
#include <atomic>
#include <cstring>

#include "expr4internal.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "func4.h"
#include "key4.h"
#include "tables/data4.h"
#include "tables/field4.h"

namespace {

std::atomic<EXPR4TAGOPTIONS> g_tagOptions{nullptr};

EXPR4KEYOPTIONS optionsOf(const TAG4FILE *tag) {
    EXPR4KEYOPTIONS o{};
    EXPR4TAGOPTIONS hook = g_tagOptions.load();
    if (tag && hook) hook(tag, &o);
    if (!o.collate) o.collationExtra = 0;
    return o;
}

bool isText(char type) { return type == 'C'; }

// Key length of the value part; negative for a type without an encoding.
int valueKeyLen(const EXPR4 *e, const EXPR4KEYOPTIONS &o) {
    if (isText(e->type)) {
        if (o.collationExtra) return (int)(e->len * (1 + o.collationExtra));
        if (o.wideKeys) return (int)e->len * 2;
        return (int)e->len;
    }
    return key4len(e->type, (int)e->len);
}

bool usesNullByte(const EXPR4 *e, const EXPR4KEYOPTIONS &o) { return e->hasNullable && !o.noNullByte; }

// Whether a null-capable field read by e (or its calculations) is null in
// the record that entry reads.
bool anyNull(const EXPR4 *e) {
    for (int i = 0; i < e->numItems; i++) {
        const EXPR4ITEM &it = e->items[i];
        if (it.row == E4R_CALC) {
            if (anyNull(static_cast<const EXPR4 *>(it.pointer))) return true;
            continue;
        }
        const FIELD4 *f = it.field;
        if (!f || !f->nullable || !f->data || !f->data->nullFlags || !it.pointer) continue;
        const unsigned char *rec = e4record(&it);
        if (rec[f->data->nullFlags->offset + f->nullByte] & f->nullMask) return true;
    }
    return false;
}

}  // namespace

EXPR4TAGOPTIONS expr4tagOptionsHookSet(EXPR4TAGOPTIONS hook) { return g_tagOptions.exchange(hook); }
EXPR4TAGOPTIONS expr4tagOptionsHook() { return g_tagOptions.load(); }

int expr4null(const EXPR4 *e) { return e && e->s4valid == S4VALID && e->hasNullable && anyNull(e) ? 1 : 0; }

int expr4keyLen(EXPR4 *e) {
    if (int rc = error4checkStamp(e, e ? e->s4valid : 0, E4_LOC_EXPR4KEYLEN)) return rc;
    EXPR4KEYOPTIONS o = optionsOf(e->tag);
    int len = valueKeyLen(e, o);
    if (len < 0) return error4describe(e->codeBase, e4info, E4_LOC_EXPR4KEYLEN, e->source, nullptr, nullptr);
    return len + (usesNullByte(e, o) ? 1 : 0);
}

int expr4keyIsField(EXPR4 *e, TAG4FILE *tag) {
    if (!e || e->s4valid != S4VALID || e->numItems != 1 || !isText(e->type) || e->hasTrim) return 0;
    const EXPR4ITEM &it = e->items[0];
    if (it.handler != e4fieldPtr || !it.field || !it.pointer || it.len != e->len) return 0;
    EXPR4KEYOPTIONS o = optionsOf(tag ? tag : e->tag);
    return !o.collationExtra && !o.wideKeys && !usesNullByte(e, o) ? 1 : 0;
}

const char *expr4keyField(const EXPR4 *e) {
    const EXPR4ITEM &it = e->items[0];
    return reinterpret_cast<const char *>(e4record(&it) + it.i1);
}

int expr4key(EXPR4 *e, char **key, TAG4FILE *tag) {
    if (!key) return error4(e && e->s4valid == S4VALID ? e->codeBase : nullptr, e4parmNull, E4_LOC_EXPR4KEY);
    if (int rc = error4checkStamp(e, e ? e->s4valid : 0, E4_LOC_EXPR4KEY)) return rc;
    CODE4 *c = e->codeBase;
    if (c->errorCode < 0) return -1;
    if (!tag) tag = e->tag;
    EXPR4KEYOPTIONS o = optionsOf(tag);
    int valueLen = valueKeyLen(e, o);
    if (valueLen < 0) return error4describe(c, e4info, E4_LOC_EXPR4KEY, e->source, nullptr, nullptr);
    int marker = usesNullByte(e, o) ? 1 : 0;
    int keyLen = valueLen + marker;
    // Room for the key, its NUL, and a scratch copy of collated text.
    uint32_t scratch = (isText(e->type) && (o.collationExtra || o.wideKeys)) ? e->len : 0;
    unsigned char *buf = e4keyBuffer(c, (uint32_t)keyLen + 1 + scratch);
    if (!buf) return -1;

    char *value = e4run(e, 0, e->numItems - 1);
    unsigned char *out = buf + marker;
    int rc;
    if (isText(e->type) && scratch) {
        unsigned char *text = buf + keyLen + 1;
        key4text(value, (int)e->len, e->hasTrim, text, (int)e->len);
        if (o.collationExtra) {
            o.collate(tag, text, e->len, out);
        } else {
            for (uint32_t i = 0; i < e->len; i++) {
                out[2 * i] = 0;
                out[2 * i + 1] = text[i];
            }
        }
        rc = valueLen;
    } else if (isText(e->type)) {
        rc = key4text(value, (int)e->len, e->hasTrim, out, valueLen);
    } else {
        rc = key4convert(e->type, value, (int)e->len, out, valueLen);
    }
    if (rc < 0) return error4describe(c, rc, E4_LOC_EXPR4KEY, e->source, nullptr, nullptr);
    if (marker) key4nullMark(buf, keyLen, anyNull(e) ? 1 : 0);
    buf[keyLen] = 0;
    *key = reinterpret_cast<char *>(buf);
    return keyLen;
}
