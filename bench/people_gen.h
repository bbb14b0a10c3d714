// A deterministic "people" table for the benchmarks: the same seed and count
// give the same bytes on every machine.
//
//   ID      N(8)     1, 2, 3 ... (equals the record number)
//   NAME    C(20)    one of 64 capitalised surnames (none a prefix of another)
//   CITY    C(15)    one of 32 city names
//   AMOUNT  N(10,2)  0.00 .. 999.99
//   BORN    D        1930-01-01 .. 2005-12-31
//   ACTIVE  L        T or F
#pragma once
#include <cstdint>
#include <string>

namespace bench {

// Write the table (a plain dBASE III / FoxBASE+ file, version byte 0x03)
// with count records; false with errno set when the file cannot be written.
bool writePeopleTable(const std::string &path, long count, uint64_t seed = 20240601);

// The file size writePeopleTable produces for count records.
long long peopleTableSize(long count);

}  // namespace bench
