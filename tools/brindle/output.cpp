#include "output.h"

namespace brindle {

void appendCsvField(std::string &out, const char *p, size_t n) {
    bool quote = false;
    for (size_t i = 0; i < n && !quote; i++) quote = p[i] == ',' || p[i] == '"' || p[i] == '\r' || p[i] == '\n';
    if (!quote) {
        out.append(p, n);
        return;
    }
    out += '"';
    for (size_t i = 0; i < n; i++) {
        if (p[i] == '"') out += '"';
        out += p[i];
    }
    out += '"';
}

void appendCopyField(std::string &out, const char *p, size_t n) {
    size_t run = 0;
    for (size_t i = 0; i < n; i++) {
        char c = p[i];
        const char *escape = c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : nullptr;
        if (!escape) continue;
        out.append(p + run, i - run);
        out += escape;
        run = i + 1;
    }
    out.append(p + run, n - run);
}

void appendBase64(std::string &out, const std::string &bytes) {
    static const char *abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
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
}

void appendValue(std::string &out, const Value &v, Format format) {
    bool json = format == Format::Json;
    switch (v.kind) {
        case Value::None:
            if (json) out += "null";
            return;
        case Value::Bool:
            out += json ? (v.truth ? "true" : "false") : (v.truth ? "T" : "F");
            return;
        case Value::Number:
            out += v.text;
            return;
        case Value::Binary:
            if (json) {
                out += '"';
                appendBase64(out, v.text);
                out += '"';
            } else {
                out += std::to_string(v.text.size());
            }
            return;
        case Value::Text:
        default:
            if (json) appendJsonString(out, v.text.data(), v.text.size());
            else if (format == Format::Csv) appendCsvField(out, v.text.data(), v.text.size());
            else out += v.text;
            return;
    }
}

std::string csvField(const std::string &s) {
    std::string out;
    appendCsvField(out, s.data(), s.size());
    return out;
}

std::string base64(const std::string &bytes) {
    std::string out;
    appendBase64(out, bytes);
    return out;
}

}  // namespace brindle
