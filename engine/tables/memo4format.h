// The byte layouts of the three memo file formats: FoxPro's ".fpt" and the
// ".dbt" files of dBASE III and dBASE IV tables. The memo file operations
// (memo4file.cpp) are the same for all three; only these layouts differ.
//
// .fpt (FoxPro), integers big-endian:
//   header   off 0  4  next free block        off 6  2  block size
//   memo     off 0  4  type (1 text)          off 4  4  length L
//            off 8  L  contents
//
// .dbt of a dBASE III table (version 0x83), integers little-endian:
//   header   off 0  4  next free block; the rest of the 512 bytes zero.
//            The block size is always 512.
//   memo     the contents, then 0x1A 0x1A. There is no length: a memo runs
//            to its first 0x1A (or the end of the file), so it cannot hold
//            that byte.
//
// .dbt of a dBASE IV table (version 0x8B), integers little-endian:
//   header   off 0  4  next free block        off 8  8  the table's name
//            off 16 1  version (0)            off 20 2  block size (0: 512)
//   memo     off 0  4  FF FF 08 00            off 4  4  L + 8 (the length
//            counts these 8 bytes)            off 8  L  contents
//   A block that does not start with FF FF 08 00 is read as a dBASE III
//   memo (to its first 0x1A), as older writers left them.
//
// In every format the header fills the first 512 bytes, block n starts at
// byte n * block size, and a memo takes ceil((prefix + L + suffix) / block
// size) consecutive blocks. Block 0 means "no memo".
#pragma once
#include <cstdint>

enum MEMO4FORMAT : int { MEMO4_FPT = 0, MEMO4_DBT3 = 3, MEMO4_DBT4 = 4 };

namespace memo4fmt {

constexpr unsigned FILE_HEADER_SIZE = 512;
constexpr unsigned MAX_HEADER_READ = 22;
constexpr unsigned MAX_PREFIX = 8;
constexpr unsigned char END_MARK = 0x1A;

// The extension of the format's file ("fpt" or "dbt").
const char *extension(int format);
// Bytes of the file header the engine reads and writes.
unsigned headerRead(int format);
// The block size the header gives; 0 when it gives none that can be used.
uint32_t blockSize(int format, const unsigned char *header);
uint32_t nextFree(int format, const unsigned char *header);
void putNextFree(int format, unsigned char *header, uint32_t next);
// The header bytes (headerRead) of a new, empty memo file.
void newHeader(int format, uint32_t blockSize, uint32_t nextFree, unsigned char *header);

// The bytes before and after a memo's contents.
unsigned prefixLen(int format);
unsigned suffixLen(int format);
void putPrefix(int format, uint32_t len, unsigned char *out);
const unsigned char *suffix(int format);
// Blocks a memo of len bytes takes.
uint64_t blocksFor(int format, uint64_t len, uint32_t blockSize);
// Whether the format can store the contents (a dBASE III memo cannot hold
// its end mark).
bool canHold(int format, const char *data, uint32_t len);
// The contents' length that a memo's prefix (prefixLen bytes) gives; -1 when
// the memo has no length and runs to its first end mark.
int64_t lengthFromPrefix(int format, const unsigned char *prefix);

}  // namespace memo4fmt
