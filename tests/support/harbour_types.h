// A level-25 table (version 0x03) with the field types Harbour and
// xHarbour write there, made byte by byte as their writers lay it out:
//
//   field    type  len  dec  records 1 / 2 / 3 (3 deleted)
//   ID       +     4         1 / 2 / 3; descriptor counter 4, step kStep
//   NAME     C     10        alpha / beta / gamma
//   CHANGED  =     8         day 2451604 and 3723000 ms (2000-02-29 01:02:03)
//                            / zeros / day 2451545 and 86399600 ms
//   WHEN     @     8         day 2451545 and 43200000 ms (2000-01-01 12:00)
//                            / zeros / day 2415021 and 1 ms
//   QTY      I     4         -7 / 0 / 2147483647
//   PRICE    Y     8    4    123456 (12.3456) / -10000 (-1) / 0
//   RATIO    B     8    2    2.5 / -0.125 / 1e300
//   SEEN     T     8         day 2451545, 0 ms / zeros / zeros
//
// The '+' counter and step sit in descriptor bytes 19..22 (uint32 LE) and
// 23; the header ends 0x0D 0x00, as Harbour writes it.
#pragma once
#include <cstdint>
#include <vector>

namespace vt {

constexpr unsigned kHarbourStep = 1;
// The bytes of the table; step is written to the ID descriptor's byte 23.
std::vector<unsigned char> harbourTypesTable(unsigned step = kHarbourStep, uint32_t counter = 4);
// Offsets of the table's fields in a record, and the record length.
constexpr unsigned kHarbourRecordLen = 1 + 4 + 10 + 8 + 8 + 4 + 8 + 8 + 8;

}  // namespace vt
