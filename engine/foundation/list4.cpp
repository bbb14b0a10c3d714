#include "list4.h"

void l4add(LIST4 *list, LINK4 *item) {
    item->next = nullptr;
    item->prev = list->last;
    if (list->last) list->last->next = item;
    else list->first = item;
    list->last = item;
    list->count++;
}

void l4remove(LIST4 *list, LINK4 *item) {
    if (item->prev) item->prev->next = item->next;
    else list->first = item->next;
    if (item->next) item->next->prev = item->prev;
    else list->last = item->prev;
    item->next = item->prev = nullptr;
    list->count--;
}

void l4addBefore(LIST4 *list, LINK4 *before, LINK4 *item) {
    if (!before) {
        l4add(list, item);
        return;
    }
    item->next = before;
    item->prev = before->prev;
    if (before->prev) before->prev->next = item;
    else list->first = item;
    before->prev = item;
    list->count++;
}
