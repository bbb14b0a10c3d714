// Building tag trees bottom-up: the keys of every record (whose FOR is true)
// go through the external sort, and come out in (key, record number) order
// into full leaves, written one after another with the branches above them
// as they fill. Blocks are numbered in the order they are written, from the
// first free block of the file on, through one sequential writer.
//
// A node's right-sibling reference is written as the block after it and put
// right once the next node of its level is known (a few four-byte patches
// applied by i4buildEnd; most nodes' guess holds).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/file4.h"
#include "index4.h"

struct I4BUILD {
    CODE4 *codeBase;
    FILE4 *file;
    unsigned blockSize, unit;
    uint32_t next;                 // reference of the next block written
    FILE4SEQ_WRITE writer;
    std::vector<unsigned char> writerBuffer;
    std::vector<std::pair<uint32_t, uint32_t>> rightLinks;   // (block, its right sibling)
};

// Starts writing blocks of file f at reference first (512-byte blocks, unit 1).
int i4buildBegin(I4BUILD *b, CODE4 *c, FILE4 *f, uint32_t first);
// Writes what is buffered and puts the right-sibling references right; the
// file then ends at the last block. 0 or negative.
int i4buildEnd(I4BUILD *b);

// Builds tag t (expressions bound to d) over every record of d with unique
// code `unique`; *root receives its root. 0; 20 when a unique code 15 or 20
// meets a duplicate (or a candidate tag a null key); negative (-340 ...).
int i4buildTag(I4BUILD *b, TAG4FILE *t, DATA4 *d, int unique, uint32_t *root);
// Builds the tag directory from tag names (upper case) and the references
// of their headers; -340 when two names are equal.
int i4buildDirectory(I4BUILD *b, const std::vector<std::pair<std::string, uint32_t>> &tags, uint32_t *root);

// The 1024 bytes of t's header (root, version, key length, flags, collation
// name, expression offsets and texts) into out.
void i4headerImage(const TAG4FILE *t, uint32_t root, uint32_t version, unsigned char *out);
// The 1024 bytes of a tag directory's header into out.
void i4directoryImage(uint32_t root, uint32_t version, unsigned char *out);
