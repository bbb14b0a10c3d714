// The in-memory sort of the external sort: a three-way radix quick sort over
// element pointers. A range is partitioned on one value of its elements
// into smaller, equal and greater parts, around the median of three values
// (of nine in larger ranges). The value at depth d is the key's chunk at
// offset d (eight key bytes as a big-endian integer, see sort4chunk) and,
// past the key, the record number. The smaller and greater parts go on at
// the same depth, the equal part at the next one; an equal part of record
// numbers is finished. Runs of equal keys so cost one pass per chunk rather
// than a full comparison at every step. Ranges of at most kSmallRange
// entries are finished by insertion sort. Only pointers move.
//
// sort4stableByKey orders by the key bytes alone and keeps the input order
// of equal keys: each partition is written in order into a second pointer
// array and copied back. Elements put in ascending record numbers need no
// comparison of record numbers then.
#include <cstring>
#include <utility>

#include "indexes/sort4low.h"

namespace {

constexpr uint64_t kSmallRange = 12;

inline uint64_t valueAt(const unsigned char *e, uint32_t d, uint32_t keyLen) {
    return d < keyLen ? sort4chunk(e, d, keyLen) : sort4recNo(e, keyLen);
}

// The depth after d for the part whose values at d are equal.
inline uint32_t nextDepth(uint32_t d, uint32_t keyLen) { return d + 8 < keyLen ? d + 8 : keyLen; }

void insertionSort(unsigned char **p, uint64_t n, uint32_t d, uint32_t keyLen) {
    for (uint64_t i = 1; i < n; i++) {
        unsigned char *v = p[i];
        uint64_t j = i;
        while (j > 0 && sort4compareFrom(v, p[j - 1], d, keyLen) < 0) {
            p[j] = p[j - 1];
            j--;
        }
        p[j] = v;
    }
}

inline uint64_t median3(uint64_t a, uint64_t b, uint64_t c) {
    if (a < b) return b < c ? b : (a < c ? c : a);
    return a < c ? a : (b < c ? c : b);
}

uint64_t pivotOf(unsigned char *const *p, uint64_t n, uint32_t d, uint32_t keyLen) {
    auto v = [&](uint64_t i) { return valueAt(p[i], d, keyLen); };
    uint64_t mid = n / 2;
    if (n < 64) return median3(v(0), v(mid), v(n - 1));
    uint64_t s = n / 8;
    return median3(median3(v(0), v(s), v(2 * s)), median3(v(mid - s), v(mid), v(mid + s)),
                   median3(v(n - 1 - 2 * s), v(n - 1 - s), v(n - 1)));
}

void sortFrom(unsigned char **p, uint64_t n, uint32_t d, uint32_t keyLen) {
    for (;;) {
        if (n <= kSmallRange) {
            insertionSort(p, n, d, keyLen);
            return;
        }
        uint64_t pivot = pivotOf(p, n, d, keyLen);
        // p[0, lt) < pivot, p[lt, i) == pivot, p[gt, n) > pivot.
        uint64_t lt = 0, i = 0, gt = n;
        while (i < gt) {
            uint64_t x = valueAt(p[i], d, keyLen);
            if (x < pivot)
                std::swap(p[lt++], p[i++]);
            else if (x > pivot)
                std::swap(p[i], p[--gt]);
            else
                i++;
        }
        struct Part {
            unsigned char **p;
            uint64_t n;
            uint32_t d;
        } parts[3] = {{p, lt, d}, {p + lt, gt - lt, nextDepth(d, keyLen)}, {p + gt, n - gt, d}};
        if (d >= keyLen) parts[1].n = 0;  // equal record numbers: nothing left to order
        // The largest part is continued here, the others (at most half the
        // range each) sorted by recursion, whose depth so stays below log2(n).
        int largest = 0;
        for (int k = 1; k < 3; k++)
            if (parts[k].n > parts[largest].n) largest = k;
        for (int k = 0; k < 3; k++)
            if (k != largest && parts[k].n > 1) sortFrom(parts[k].p, parts[k].n, parts[k].d, keyLen);
        p = parts[largest].p;
        n = parts[largest].n;
        d = parts[largest].d;
    }
}

// Key order only, from key offset d on.
inline bool keyLessFrom(const unsigned char *a, const unsigned char *b, uint32_t d, uint32_t keyLen) {
    for (; d < keyLen; d += 8) {
        uint64_t x = sort4chunk(a, d, keyLen), y = sort4chunk(b, d, keyLen);
        if (x != y) return x < y;
    }
    return false;
}

// The stable variant: parts keep the order their entries had, through tmp
// (room for n pointers); ranges of equal keys are finished.
void stableFrom(unsigned char **p, uint64_t n, uint32_t d, uint32_t keyLen, unsigned char **tmp) {
    for (;;) {
        if (d >= keyLen) return;
        if (n <= kSmallRange) {
            for (uint64_t i = 1; i < n; i++) {
                unsigned char *v = p[i];
                uint64_t j = i;
                for (; j > 0 && keyLessFrom(v, p[j - 1], d, keyLen); j--) p[j] = p[j - 1];
                p[j] = v;
            }
            return;
        }
        uint64_t pivot = pivotOf(p, n, d, keyLen);
        uint64_t less = 0, equal = 0;
        for (uint64_t i = 0; i < n; i++) {
            uint64_t x = sort4chunk(p[i], d, keyLen);
            less += x < pivot;
            equal += x == pivot;
        }
        uint64_t at[3] = {0, less, less + equal};
        for (uint64_t i = 0; i < n; i++) {
            uint64_t x = sort4chunk(p[i], d, keyLen);
            tmp[at[(x >= pivot) + (x > pivot)]++] = p[i];
        }
        std::memcpy(p, tmp, n * sizeof *p);
        struct Part {
            unsigned char **p;
            uint64_t n;
            uint32_t d;
        } parts[3] = {{p, less, d}, {p + less, equal, nextDepth(d, keyLen)}, {p + less + equal, n - less - equal, d}};
        int largest = 0;
        for (int k = 1; k < 3; k++)
            if (parts[k].n > parts[largest].n) largest = k;
        for (int k = 0; k < 3; k++)
            if (k != largest && parts[k].n > 1) stableFrom(parts[k].p, parts[k].n, parts[k].d, keyLen, tmp);
        p = parts[largest].p;
        n = parts[largest].n;
        d = parts[largest].d;
    }
}

}  // namespace

void sort4stableByKey(unsigned char **p, uint64_t n, uint32_t keyLen, unsigned char **tmp) {
    if (n > 1) stableFrom(p, n, 0, keyLen, tmp);
}

void sort4quick(unsigned char **p, uint64_t n, uint32_t keyLen) {
    if (n > 1) sortFrom(p, n, 0, keyLen);
}
