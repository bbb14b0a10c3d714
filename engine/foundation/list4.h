// An intrusive doubly linked list. Objects that live on a context's lists
// start with a LINK4, so a plain-old-data context can hold its lists and be
// cleared with memset.
#pragma once

struct LINK4 {
    LINK4 *next;
    LINK4 *prev;
};

struct LIST4 {
    LINK4 *first;
    LINK4 *last;
    int count;
};

void l4add(LIST4 *list, LINK4 *item);     // append at the end
void l4remove(LIST4 *list, LINK4 *item);  // unlink; the item must be on the list
void l4addBefore(LIST4 *list, LINK4 *before, LINK4 *item);  // before null: at the end
inline LINK4 *l4first(const LIST4 *list) { return list->first; }
inline LINK4 *l4next(const LINK4 *item) { return item->next; }
