// A compound index file with one tag, written from keys already in (key,
// record number) order: the tests' and benchmarks' stand-in until the engine
// builds indexes itself. Layout as the engine's reader documents it
// (engine/indexes/cdx4format.h): directory header at 0, the tag's header at
// 1024, leaves and branches from 2048, the directory's leaf last.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct BulkKey {
    std::string key;     // exactly keyLen bytes, already in key form
    uint32_t record;
};

struct BulkTag {
    std::string name;
    std::string expression;
    unsigned keyLen = 0;
    unsigned char pad = ' ';        // trailing pad byte of the keys (0x00 for collated text)
    std::string collation;          // header bytes 494..500 ("" machine, "GENERAL", ...)
    bool descending = false;
    unsigned char extraFlags = 0;   // type flags besides compact and compound (0x02 null marker ...)
    // Duplicate counts never reach into the previous key's pad bytes, as
    // writers that build from sorted keys do: they are then not always the
    // whole shared prefix.
    bool capByPreviousTrailing = false;
    unsigned maxLeafKeys = 0;       // keys per leaf at most (0: as many as fit), to grow deep trees
};

// Writes path; false when it cannot be written.
bool writeIndex(const std::string &path, const BulkTag &tag, const std::vector<BulkKey> &sorted, long recordCount);

// A machine-order text tag of the given key length.
bool writeSingleTagIndex(const std::string &path, const std::string &tagName, const std::string &expression,
                         unsigned keyLen, const std::vector<BulkKey> &sorted, long recordCount);

}  // namespace bench
