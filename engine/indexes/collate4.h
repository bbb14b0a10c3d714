// Collations of character tags. A tag header names its collation in 8 bytes
// at offset 494: all zeros for machine order (the key is the text),
// "GENERAL", or "CB" and a collation number 1..4. Under a weight collation a
// character key is not the text but its sort weights, so that plain unsigned
// byte comparison gives dictionary order: letters compare without regard to
// case and accents first, accents decide only between otherwise equal texts.
//
// The collation table:
//   1  machine                 tags without a collation name
//   2  weights, GENERAL        tables whose code page mark is 3 or 0 (cp1252)
//   3  weights, GENERAL        tables whose code page mark is 1 (cp437)
//   4  machine (empty entry)
//
// Collated key of a text of n characters (key factor 1: 2n bytes, pad 0x00):
//   offset 0     primary weights, one per character, two for a character
//                that expands ("ß" gives the primaries of "S", "S"); the
//                text's trailing blanks give none
//   then         secondary weights in character order (0 for a plain letter
//                that has accented forms, 1..9 for an accent), except those
//                equal to the no-tail marker, which add nothing
//   then         0x00 up to 2n bytes
// Every primary is COLLATE4_PRIMARY_MIN (10) or more and every secondary is
// below it, so the first byte below 10 ends the primaries.
//
// How the index layer uses this file:
//   tag open        collate4find(c, header + 494, d4codePage(d), &coll);
//                   null: machine order, keys as before
//   key production  the key hook's collate callback calls collate4key with
//                   outLen = text length * (1 + coll->keyFactor); pad 0x00
//   seek            collate4searchKey turns the search text into search bytes;
//                   each stored key is then judged with collate4compare
//                   (< 0: before, go on; 0: found; > 0: not found), which
//                   replaces the byte comparison in branch and leaf alike
//   descending seek collate4nextGreater gives the value to seek; step back
//                   one key and judge it with collate4compare and the
//                   original search
// Keys that carry a null-marker byte: compare the marker apart and pass the
// bytes after it. Run-time collations (collate4load) are read from three
// tables; no compiled-in entry needs one.
#pragma once
#include <cstdint>

struct CODE4;

enum : int {
    COLLATE4_MACHINE = 1,
    COLLATE4_GENERAL_ANSI = 2,
    COLLATE4_GENERAL_OEM = 3,
    COLLATE4_EMPTY = 4,
    COLLATE4_ENTRIES = 4,
};

// Kinds of collation descriptors.
enum : int32_t {
    COLLATE4_KIND_MACHINE = 0,   // key = text
    COLLATE4_KIND_WEIGHTS = 6,   // single-byte weights with secondaries and expansions
    COLLATE4_KIND_LOADED = 16,   // weights to be read at run time (collate4load)
};

constexpr int COLLATE4_NAME_LEN = 8;               // header bytes 494..501
constexpr unsigned char COLLATE4_PRIMARY_MIN = 10;  // primaries >= 10 > secondaries
constexpr unsigned char COLLATE4_BLANK_PRIMARY = 0x11;
constexpr int COLLATE4_EXPAND = 1;                 // the one kind of expansion entry

// An expansion: the character weighs as first followed by second.
struct COLLATE4EXPANSION {
    uint8_t kind;    // COLLATE4_EXPAND
    uint8_t first;   // character codes, looked up in the same weight table
    uint8_t second;
};

struct COLLATE4 {
    int32_t kind;                          // COLLATE4_KIND_*
    int number;                            // 1..4, or the loaded collation's number
    const uint8_t (*weights)[2];           // 256 (primary, secondary) by character code
    const COLLATE4EXPANSION *expansions;   // indexed by the secondary of an expanding character
    int numExpansions;
    uint16_t keyFactor;      // extra key bytes per character (1: a key is twice the text)
    uint16_t expandMarker;   // a primary equal to it means "expands"
    uint16_t noTailMarker;   // a secondary equal to it adds nothing
    uint8_t lossless;        // 1: weights keep all information of the text
    uint8_t owned;           // 1: made by collate4load, freed by collate4free
};

extern const uint8_t COLLATE4_GENERAL_ANSI_WEIGHTS[256][2];
extern const uint8_t COLLATE4_GENERAL_OEM_WEIGHTS[256][2];

// Entry number (1..4) of the collation table, or null for another number.
const COLLATE4 *collate4entry(int number);

// The collation a tag header names (name8: the 8 header bytes, the eighth
// taken as zero) on a table with code page mark codePageMark. 0 with *out
// set: null for machine order (all zeros, CB1, CB4), else a weight
// collation. -310 (reported) for a name that is neither empty, GENERAL nor
// CB1..CB4; -1090 (reported) when GENERAL has no table for the code page.
int collate4find(CODE4 *c, const char *name8, int codePageMark, const COLLATE4 **out);

// The key of len text bytes into outLen bytes (normally len * (1 + keyFactor)):
// primaries, secondaries, 0x00 pad, cut at outLen. Machine descriptors copy
// the text, blank-padded. Never fails, allocates nothing.
void collate4key(const COLLATE4 *coll, const unsigned char *text, unsigned len, unsigned char *out, unsigned outLen);

// Search bytes for a seek: the text cut to the tag's character length
// (keyLen / (1 + keyFactor)), keyed as above into out (keyLen bytes). Returns
// the length to compare: the key without its trailing 0x00 bytes.
int collate4searchKey(const COLLATE4 *coll, const char *text, int textLen, int keyLen, unsigned char *out);

// A stored key against search bytes: 0 when the key matches the search (on
// the search's length), > 0 when the key sorts after the search, < 0 when
// before. text (may be null) is the search text the bytes came from; its
// trailing blanks then require blanks, or the end of the text, in the key.
// Machine order (coll null or kind 0): unsigned bytes over the search length.
int collate4compare(const COLLATE4 *coll, const unsigned char *key, int keyLen, const unsigned char *search,
                    int searchLen, const char *text, int textLen);

// Search bytes for a descending seek: the next greater value of search
// (its last primary weight raised by one, the bytes after it dropped) into
// out (keyLen bytes). Returns the length to compare. text (may be null) is
// the search text; it decides only a search without any primary: a text of
// b blanks gives b - 1 blank primaries and one "!" primary (null text: b is
// keyLen / 2), an empty text keyLen bytes 0xFF.
int collate4nextGreater(const unsigned char *search, int searchLen, const char *text, int textLen, int keyLen,
                        unsigned char *out);

// Reads collation `number` (a record number of coll4inf) from the tables
// "coll4inf", "collate4" and "compres4" in folder (null or "": the current
// folder). A weight collation (kind 6) or null after -1090 (reported): the
// tables missing or unreadable, a wide-character collation, another kind,
// or an expansion that is not of kind 1.
COLLATE4 *collate4load(CODE4 *c, const char *folder, int number);
// Frees what collate4load made; any other descriptor is left alone.
void collate4free(COLLATE4 *coll);
