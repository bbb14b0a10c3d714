// Byte-order helpers: every multi-byte value read from or written to a file
// goes through these. Table files are little-endian; memo headers and index
// branch entries are big-endian. No pointer casts onto file bytes.
#pragma once
#include <cstdint>
#include <cstring>

namespace b4 {

inline uint16_t getU16le(const unsigned char *p) { return (uint16_t)(p[0] | (p[1] << 8)); }
inline uint32_t getU32le(const unsigned char *p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
inline int32_t getI32le(const unsigned char *p) { return (int32_t)getU32le(p); }
inline int16_t getI16le(const unsigned char *p) { return (int16_t)getU16le(p); }
inline uint64_t getU64le(const unsigned char *p) {
    return (uint64_t)getU32le(p) | ((uint64_t)getU32le(p + 4) << 32);
}
inline int64_t getI64le(const unsigned char *p) { return (int64_t)getU64le(p); }
inline double getF64le(const unsigned char *p) {
    uint64_t bits = getU64le(p);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

inline void putU16le(unsigned char *p, uint16_t v) { p[0] = (unsigned char)v; p[1] = (unsigned char)(v >> 8); }
inline void putU32le(unsigned char *p, uint32_t v) {
    p[0] = (unsigned char)v; p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16); p[3] = (unsigned char)(v >> 24);
}
inline void putI32le(unsigned char *p, int32_t v) { putU32le(p, (uint32_t)v); }
inline void putI16le(unsigned char *p, int16_t v) { putU16le(p, (uint16_t)v); }
inline void putU64le(unsigned char *p, uint64_t v) { putU32le(p, (uint32_t)v); putU32le(p + 4, (uint32_t)(v >> 32)); }
inline void putI64le(unsigned char *p, int64_t v) { putU64le(p, (uint64_t)v); }
inline void putF64le(unsigned char *p, double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    putU64le(p, bits);
}

inline uint16_t getU16be(const unsigned char *p) { return (uint16_t)((p[0] << 8) | p[1]); }
inline uint32_t getU32be(const unsigned char *p) {
    return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | (uint32_t)p[3];
}
inline uint64_t getU64be(const unsigned char *p) { return ((uint64_t)getU32be(p) << 32) | getU32be(p + 4); }
inline void putU16be(unsigned char *p, uint16_t v) { p[0] = (unsigned char)(v >> 8); p[1] = (unsigned char)v; }
inline void putU32be(unsigned char *p, uint32_t v) {
    p[0] = (unsigned char)(v >> 24); p[1] = (unsigned char)(v >> 16);
    p[2] = (unsigned char)(v >> 8); p[3] = (unsigned char)v;
}

}  // namespace b4
