// Small helpers for the tables tests: field lists, byte access to files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "test_support.h"

namespace tt {

inline FIELD4INFO fld(const char *name, int type, unsigned len = 0, unsigned dec = 0, int attribute = 0) {
    return FIELD4INFO{name, type, len, dec, attribute};
}
constexpr FIELD4INFO END{nullptr, 0, 0, 0, 0};

inline uint16_t u16(const std::vector<unsigned char> &b, size_t at) { return (uint16_t)(b[at] | (b[at + 1] << 8)); }
inline int32_t i32(const std::vector<unsigned char> &b, size_t at) {
    return (int32_t)((uint32_t)b[at] | ((uint32_t)b[at + 1] << 8) | ((uint32_t)b[at + 2] << 16) | ((uint32_t)b[at + 3] << 24));
}
inline uint32_t u32be(const std::vector<unsigned char> &b, size_t at) {
    return ((uint32_t)b[at] << 24) | ((uint32_t)b[at + 1] << 16) | ((uint32_t)b[at + 2] << 8) | b[at + 3];
}
inline std::string text(const std::vector<unsigned char> &b, size_t at, size_t len) {
    return std::string(reinterpret_cast<const char *>(b.data()) + at, len);
}
inline void putI32(std::vector<unsigned char> &b, size_t at, int32_t v) {
    for (int i = 0; i < 4; i++) b[at + i] = (unsigned char)((uint32_t)v >> (8 * i));
}
inline void putU16(std::vector<unsigned char> &b, size_t at, uint16_t v) {
    b[at] = (unsigned char)v;
    b[at + 1] = (unsigned char)(v >> 8);
}

// The field's bytes as a string.
inline std::string raw(FIELD4 *f) { return std::string(f4ptr(f), f4len(f)); }

}  // namespace tt
