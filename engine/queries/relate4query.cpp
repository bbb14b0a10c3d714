// Set-up of a relation and the qualifying test. At set-up the query text is
// parsed against the master table and must give a logical result; its
// top-level .AND. operands are listed so that the test evaluates them one at
// a time, left to right, and stops at the first false one (the operands have
// no side effects, so this gives the value of the whole conjunction). The
// master's tags may narrow the candidates first (relate4bitmap.cpp).
#include <cstdlib>
#include <cstring>

#include "expressions/expressions.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "relate4internal.h"
#include "tables/data4.h"

namespace {

// The code of the .AND. row of the function table, or -1.
int andCode() {
    const EXPR4FUNC *rows = expr4functions();
    for (int i = 0; i < E4FUNCTION_ROWS; i++)
        if (rows[i].name && std::strcmp(rows[i].name, ".AND.") == 0) return rows[i].code;
    return -1;
}

bool isAnd(const EXPR4ITEM &it, int code) {
    return code >= 0 && it.row >= 0 && it.row < E4FUNCTION_ROWS && expr4functions()[it.row].code == code;
}

// List the entries that end the top-level .AND. operands of e, nested ones
// flattened, in left-to-right order. With no top-level .AND. (or a shape
// that does not add up) the list stays empty and the whole query is
// evaluated at once. 0 or -920.
int relate4querySplit(RELATION4 *rel) {
    EXPR4 *e = rel->exprQuery;
    int code = andCode();
    int n = e->numItems;
    if (n < 3 || !isAnd(e->items[n - 1], code)) return 0;
    auto *stack = static_cast<int32_t *>(std::malloc(sizeof(int32_t) * (size_t)n * 2));
    if (!stack) return error4(rel->relate.codeBase, e4memory, E4_LOC_RELATE4QUERY);
    int32_t *parts = stack + n;
    int depth = 0, count = 0;
    bool sound = true;
    stack[depth++] = n - 1;
    // Depth first: an .AND. pushes its operands rightmost first, so the
    // leftmost is taken next and the parts come out in source order.
    while (depth > 0 && sound) {
        int end = stack[--depth];
        const EXPR4ITEM &it = e->items[end];
        if (!isAnd(it, code)) {
            parts[count++] = end;
            continue;
        }
        int pos = end - 1;
        for (int k = 0; k < it.numParms; k++) {
            if (pos < 0 || e->items[pos].subtree < 1 || depth >= n) {
                sound = false;
                break;
            }
            stack[depth++] = pos;
            pos -= e->items[pos].subtree;
        }
        if (pos != end - it.subtree) sound = false;
    }
    if (sound && count > 1) {
        // Parts live at the front of the block, which becomes the list.
        std::memmove(stack, parts, sizeof(int32_t) * (size_t)count);
        rel->queryParts = stack;
        rel->queryPartCount = count;
    } else {
        std::free(stack);
    }
    return 0;
}

}  // namespace

void relate4queryFree(RELATION4 *rel) {
    if (rel->exprQuery) expr4free(rel->exprQuery);
    rel->exprQuery = nullptr;
    std::free(rel->queryParts);
    rel->queryParts = nullptr;
    rel->queryPartCount = 0;
    relate4bitmapFree(rel);
}

int relate4setup(RELATION4 *rel) {
    RELATE4 *r = &rel->relate;
    CODE4 *c = r->codeBase;
    if (rel->exprSource) {
        // The bitmap is read from the tags: a changed record must reach them first.
        if (int rc = d4update(r->data)) return rc;
        // Parse quietly: a failure here is the relation's to report.
        int saved = code4exprError(c, 0);
        EXPR4 *e = expr4parse(r->data, rel->exprSource);
        code4exprError(c, saved);
        if (!e) return error4describe(c, e4relate, E4_MSG_RELATE_INCONGRUITY, rel->exprSource, nullptr, nullptr);
        if (expr4type(e) != 'L') {
            expr4free(e);
            return error4describe(c, e4relate, E4_MSG_RELATE_LOGICAL, rel->exprSource, nullptr, nullptr);
        }
        rel->exprQuery = e;
        if (int rc = relate4querySplit(rel)) {
            relate4queryFree(rel);
            return rc;
        }
        if (int rc = relate4bitmapBuild(rel)) {
            relate4queryFree(rel);
            return rc;
        }
    }
    rel->isInitialized = 1;
    if (rel->sortSource) {
        int rc = relate4sortBuild(rel);
        if (rc < 0) {
            relate4reset(rel);
            return rc;
        }
    }
    return 0;
}

int relate4qualifies(RELATION4 *rel) {
    EXPR4 *e = rel->exprQuery;
    if (!e) return 1;
    if (rel->queryPartCount == 0) return expr4true(e);
    for (int i = 0; i < rel->queryPartCount; i++) {
        char *value = nullptr;
        int len = expr4execute(e, rel->queryParts[i], &value);
        if (len < 0) return len;
        int32_t truth;
        std::memcpy(&truth, value, sizeof truth);
        if (!truth) return 0;
    }
    return 1;
}
