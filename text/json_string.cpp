#include "json_string.h"

namespace vandrel {

namespace {

// Bytes that JSON strings may not hold as they are.
bool needsJsonEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

}  // namespace

void appendJsonString(std::string &out, const char *p, size_t n) {
    static const char *hex = "0123456789abcdef";
    out += '"';
    size_t run = 0;
    for (size_t i = 0; i < n; i++) {
        unsigned char c = (unsigned char)p[i];
        if (!needsJsonEscape(c)) continue;
        out.append(p + run, i - run);
        run = i + 1;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 15];
        }
    }
    out.append(p + run, n - run);
    out += '"';
}

std::string jsonString(const std::string &s) {
    std::string out;
    out.reserve(s.size() + 2);
    appendJsonString(out, s.data(), s.size());
    return out;
}

}  // namespace vandrel
