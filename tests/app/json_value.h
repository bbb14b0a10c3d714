// A small JSON reader for the app's tests: the `state` dumps and brindle's
// JSON output, read into a tree. Strict enough for our own output; a
// malformed text gives a null value and ok() false.
#pragma once
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vt {

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    bool isNull() const { return kind == Kind::Null; }
    const Json &operator[](const std::string &key) const {
        static const Json none;
        auto it = fields.find(key);
        return it == fields.end() ? none : it->second;
    }
    const Json &operator[](size_t i) const {
        static const Json none;
        return i < items.size() ? items[i] : none;
    }
    size_t size() const { return kind == Kind::Array ? items.size() : fields.size(); }
    long integer() const { return long(number); }

    static Json parse(const std::string &s) {
        size_t pos = 0;
        bool ok = true;
        Json v = value(s, pos, ok);
        skip(s, pos);
        if (!ok || pos != s.size()) return {};
        return v;
    }

private:
    static void skip(const std::string &s, size_t &pos) {
        while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\n' || s[pos] == '\r' || s[pos] == '\t')) pos++;
    }
    static bool literal(const std::string &s, size_t &pos, const char *word) {
        size_t n = std::char_traits<char>::length(word);
        if (s.compare(pos, n, word) != 0) return false;
        pos += n;
        return true;
    }
    static void putUtf8(std::string &out, unsigned cp) {
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    static std::string string(const std::string &s, size_t &pos, bool &ok) {
        std::string out;
        pos++;  // the opening quote
        while (pos < s.size() && s[pos] != '"') {
            char c = s[pos++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos >= s.size()) break;
            char e = s[pos++];
            switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                unsigned cp = unsigned(std::strtoul(s.substr(pos, 4).c_str(), nullptr, 16));
                pos += 4;
                if (cp >= 0xD800 && cp < 0xDC00 && s.compare(pos, 2, "\\u") == 0) {
                    unsigned lo = unsigned(std::strtoul(s.substr(pos + 2, 4).c_str(), nullptr, 16));
                    pos += 6;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                }
                putUtf8(out, cp);
                break;
            }
            default: out += e;
            }
        }
        if (pos >= s.size()) ok = false;
        pos++;
        return out;
    }
    static Json value(const std::string &s, size_t &pos, bool &ok) {
        Json v;
        skip(s, pos);
        if (pos >= s.size()) {
            ok = false;
            return v;
        }
        char c = s[pos];
        if (c == '{' || c == '[') {
            bool object = c == '{';
            v.kind = object ? Kind::Object : Kind::Array;
            pos++;
            skip(s, pos);
            if (pos < s.size() && s[pos] == (object ? '}' : ']')) {
                pos++;
                return v;
            }
            while (ok) {
                skip(s, pos);
                if (object) {
                    if (pos >= s.size() || s[pos] != '"') {
                        ok = false;
                        break;
                    }
                    std::string key = string(s, pos, ok);
                    skip(s, pos);
                    if (pos >= s.size() || s[pos++] != ':') ok = false;
                    v.fields[key] = value(s, pos, ok);
                } else {
                    v.items.push_back(value(s, pos, ok));
                }
                skip(s, pos);
                if (pos < s.size() && s[pos] == ',') {
                    pos++;
                    continue;
                }
                if (pos < s.size() && s[pos] == (object ? '}' : ']')) {
                    pos++;
                    break;
                }
                ok = false;
            }
            return v;
        }
        if (c == '"') {
            v.kind = Kind::String;
            v.text = string(s, pos, ok);
        } else if (literal(s, pos, "true") || literal(s, pos, "false")) {
            v.kind = Kind::Bool;
            v.boolean = s[pos - 1] == 'e' && s[pos - 2] == 'u';
        } else if (literal(s, pos, "null")) {
            v.kind = Kind::Null;
        } else {
            char *end = nullptr;
            v.number = std::strtod(s.c_str() + pos, &end);
            if (end == s.c_str() + pos) ok = false;
            v.kind = Kind::Number;
            pos = size_t(end - s.c_str());
        }
        return v;
    }
};

}  // namespace vt
