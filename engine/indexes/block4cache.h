// The block cache of an index file: every block the index layer reads comes
// through here, so a writer that changes a block has one place to tell.
//
// Slots are direct-mapped by block number (byte offset / block size) and
// there are as many as the file had blocks when it was opened (at least 16,
// at most 8 MiB worth: 16384 blocks of 512 bytes). Each slot holds one block image,
// its reference, and the key length its leaf checks passed for (images are
// checked once when they come in, not on every descent).
//
// A miss reads just the block. A miss on the block right after one read
// alone starts sequential work: it reads a run of two blocks, and a miss on
// the block right after a run reads the next run, twice as long, up to 32
// KiB (64 blocks of 512 bytes). Blocks read alone in between (a walk
// climbing to the next branch) leave the run going. So walking leaves that
// lie in file order streams instead of reading 512 bytes at a time, and
// random visits read one block.
//
// Coherence: blocks changed and not yet written are held by the index
// file's write side (index4write.h), which index4block consults before the
// slots; the slots hold what the file holds. A writer that rewrites a block calls index4cacheStore with the new
// image; one that frees or gives a block up calls index4cacheForget. Both,
// and index4cacheClear, raise the generation, which tells the tags' paths
// that the images they copied may be stale (tfile4down reads them again).
#pragma once
#include <cstdint>

struct INDEX4FILE;

struct BLOCK4CACHE {
    uint32_t slots;
    uint32_t *refs;           // reference held by each slot, cdx::NO_BLOCK for none
    uint16_t *checkedFor;     // key length + 1 whose leaf checks the image passed; 0 unchecked
    unsigned char *data;      // slots * block size bytes
    uint32_t generation;      // raised whenever the file changes under the cache
    int64_t runNext;          // block number right after the last run, -1 none
    int64_t singleNext;       // block number right after the last block read alone, -1 none
    uint32_t run;             // blocks in the last run
};

// One cached block: its image (block size bytes) and its check mark. Valid
// until the next call that may read (any index4block or index4readBlock).
struct BLOCK4VIEW {
    const unsigned char *image;
    uint16_t *checkedFor;
};

// Sizes and allocates the cache from the file's length; 0 or -920.
int index4cacheInit(INDEX4FILE *i);
void index4cacheFree(INDEX4FILE *i);

// Block ref through the cache: 0; -1 for a reference outside the file (not
// reported: the caller names the damage); or the read's negative code.
int index4block(INDEX4FILE *i, uint32_t ref, BLOCK4VIEW *out);
// Block ref copied into out (block size bytes), as index4block.
int index4readBlock(INDEX4FILE *i, uint32_t ref, unsigned char *out);

// Empty the cache (after the file was changed behind it).
void index4cacheClear(INDEX4FILE *i);
// After block ref was written with image: the cache holds the new image.
void index4cacheStore(INDEX4FILE *i, uint32_t ref, const unsigned char *image);
// Block ref is no longer what the cache holds (freed, or written elsewhere).
void index4cacheForget(INDEX4FILE *i, uint32_t ref);
