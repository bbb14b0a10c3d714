// A compound index file with one machine-order text tag, written from keys
// already in (key, record number) order: the benchmarks' stand-in until the
// engine builds indexes itself. Layout as the engine's reader documents it
// (engine/indexes/cdx4format.h): directory header at 0, the tag's header at
// 1024, leaves and branches from 2048, the directory's leaf last.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

struct BulkKey {
    std::string key;     // exactly keyLen bytes
    uint32_t record;
};

// Writes path; false when it cannot be written.
bool writeSingleTagIndex(const std::string &path, const std::string &tagName, const std::string &expression,
                         unsigned keyLen, const std::vector<BulkKey> &sorted, long recordCount);

}  // namespace bench
