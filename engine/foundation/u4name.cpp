#include "u4name.h"

#include <dirent.h>
#include <cstring>
#include <sys/stat.h>

#include "error4.h"
#include "file4platform.h"

namespace {
bool isSeparator(char ch) { return ch == '/' || ch == '\\'; }
char lowerAscii(char ch) { return (ch >= 'A' && ch <= 'Z') ? (char)(ch | 0x20) : ch; }
}  // namespace

size_t u4nameExtPos(const std::string &name) {
    size_t dot = std::string::npos;
    for (size_t i = 0; i < name.size(); i++) {
        if (isSeparator(name[i])) dot = std::string::npos;
        else if (name[i] == '.') dot = i;
    }
    return dot;
}

int u4nameExt(char *name, int size, const char *ext, int replace) {
    if (!name || !ext || size <= 0) return error4(nullptr, e4parmNull, E4_LOC_U4NAMEEXT);
    std::string s(name);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    if (*ext == '.') ext++;
    size_t dot = u4nameExtPos(s);
    if (dot == std::string::npos) {
        s += '.';
        s += ext;
    } else if (replace) {
        s.erase(dot + 1);
        s += ext;
    }
    if (s.size() + 1 > (size_t)size) return error4(nullptr, e4parm, E4_LOC_U4NAMEEXT);
    std::memcpy(name, s.c_str(), s.size() + 1);
    return 0;
}

int u4nameMake(char *result, int size, const char *drive, const char *directory, const char *name) {
    if (!result || size <= 0 || !name) return error4(nullptr, e4parmNull, E4_LOC_U4NAMEMAKE);
    std::string s;
    bool nameHasDrive = name[0] && name[1] == ':';
    bool nameIsUnc = isSeparator(name[0]) && isSeparator(name[1]);
    // Drives mean nothing here; a two-character drive piece is accepted and dropped.
    (void)drive;
    (void)nameHasDrive;
    if (directory && *directory && !nameIsUnc) {
        s = directory;
        for (char &ch : s)
            if (ch == '\\') ch = '/';
    }
    std::string n = u4namePlatform(name);
    if (!s.empty()) {
        if (s.back() != '/') s += '/';
        while (!n.empty() && n[0] == '/') n.erase(0, 1);
    }
    s += n;
    if (s.size() + 1 > (size_t)size) return error4(nullptr, e4parm, E4_LOC_U4NAMEMAKE);
    std::memcpy(result, s.c_str(), s.size() + 1);
    return 0;
}

int u4ncpy(char *dest, const char *source, unsigned size) {
    if (!dest || size == 0) return 0;
    unsigned i = 0;
    if (source)
        for (; i + 1 < size && source[i]; i++) dest[i] = source[i];
    dest[i] = 0;
    return (int)i;
}

bool u4nameEqual(const char *a, const char *b) {
    for (;; a++, b++) {
        if (lowerAscii(*a) != lowerAscii(*b)) return false;
        if (!*a) return true;
    }
}

std::string u4namePlatform(const char *name) {
    std::string s(name ? name : "");
    if (s.size() >= 2 && s[1] == ':' && ((s[0] | 0x20) >= 'a' && (s[0] | 0x20) <= 'z')) s.erase(0, 2);
    for (char &ch : s)
        if (ch == '\\') ch = '/';
    return s;
}

std::string u4nameResolve(const std::string &name) {
    struct stat st;
    if (file4platform.stat(name.c_str(), &st) == 0) return name;
    size_t slash = name.rfind('/');
    std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : name.substr(0, slash));
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (base.empty()) return name;
    DIR *d = opendir(dir.c_str());
    if (!d) return name;
    std::string found;
    while (dirent *e = readdir(d)) {
        if (u4nameEqual(e->d_name, base.c_str())) {
            found = e->d_name;
            break;
        }
    }
    closedir(d);
    if (found.empty()) return name;
    return slash == std::string::npos ? found : name.substr(0, slash + 1) + found;
}

std::string u4nameBase(const char *name) {
    std::string s = u4namePlatform(name);
    size_t slash = s.rfind('/');
    if (slash != std::string::npos) s.erase(0, slash + 1);
    size_t dot = s.rfind('.');
    if (dot != std::string::npos) s.erase(dot);
    return s;
}
