#include "peer_rows.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace vt {

namespace {

std::string unhex(const std::string &h) {
    std::string out;
    for (size_t i = 0; i + 1 < h.size(); i += 2) out += (char)std::stoi(h.substr(i, 2), nullptr, 16);
    return out;
}

std::vector<std::string> split(const std::string &s, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = s.find(sep, start)) != std::string::npos; start = at + 1) parts.push_back(s.substr(start, at - start));
    parts.push_back(s.substr(start));
    return parts;
}

}  // namespace

const std::optional<std::string> *PeerRow::value(const std::string &name) const {
    for (const PeerValue &v : values)
        if (v.name == name) return &v.text;
    return nullptr;
}

std::vector<std::string> peerLines(const std::string &command, const std::string &arg) {
    std::string cmd = "/usr/bin/python3 '" VANDREL_SOURCE_DIR "/tests/interop/peer.py' " + command + " '" + arg + "' 2>&1";
    FILE *p = popen(cmd.c_str(), "r");
    std::vector<std::string> lines;
    if (!p) {
        ADD_FAILURE() << "cannot run " << cmd;
        return lines;
    }
    std::string cur;
    for (int ch; (ch = fgetc(p)) != EOF;) {
        if (ch == '\n') {
            lines.push_back(cur);
            cur.clear();
        } else {
            cur += (char)ch;
        }
    }
    int status = pclose(p);
    EXPECT_EQ(status, 0) << cmd << "\n" << (lines.empty() ? cur : lines.back());
    if (status != 0) lines.clear();
    return lines;
}

PeerRow parsePeerRow(const std::string &line) {
    PeerRow r;
    auto parts = split(line, '\t');
    r.recno = std::stol(parts[0]);
    r.flag = unhex(parts[1]);
    for (size_t i = 2; i < parts.size(); i++) {
        size_t eq = parts[i].find('=');
        PeerValue v{parts[i].substr(0, eq), std::nullopt};
        std::string h = parts[i].substr(eq + 1);
        if (h != "~") v.text = unhex(h);
        r.values.push_back(v);
    }
    return r;
}

std::vector<PeerRow> peerRows(const std::string &reader, const std::string &table) {
    std::vector<PeerRow> rows;
    for (const std::string &l : peerLines(reader, table)) rows.push_back(parsePeerRow(l));
    return rows;
}

}  // namespace vt
