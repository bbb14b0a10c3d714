#include "output.h"

#include "text/json_string.h"

#include <cstdio>

namespace brindle {

std::string jsonString(const std::string &s) { return vandrel::jsonString(s); }

std::string csvField(const std::string &s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string base64(const std::string &bytes) {
    static const char *abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned n = ((unsigned char)bytes[i] << 16) | ((unsigned char)bytes[i + 1] << 8) | (unsigned char)bytes[i + 2];
        out += abc[n >> 18];
        out += abc[(n >> 12) & 63];
        out += abc[(n >> 6) & 63];
        out += abc[n & 63];
    }
    if (i < bytes.size()) {
        unsigned n = (unsigned char)bytes[i] << 16;
        if (i + 1 < bytes.size()) n |= (unsigned char)bytes[i + 1] << 8;
        out += abc[n >> 18];
        out += abc[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? abc[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string formatValue(const Value &v, const std::string &format) {
    bool json = format == "json";
    switch (v.kind) {
        case Value::None: return json ? "null" : "";
        case Value::Bool: return json ? (v.truth ? "true" : "false") : (v.truth ? "T" : "F");
        case Value::Number: return json ? v.text : (format == "csv" ? csvField(v.text) : v.text);
        case Value::Binary: return json ? jsonString(base64(v.text)) : std::to_string(v.text.size());
        case Value::Text:
        default: return json ? jsonString(v.text) : (format == "csv" ? csvField(v.text) : v.text);
    }
}

}  // namespace brindle
