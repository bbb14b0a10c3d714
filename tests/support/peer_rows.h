// Records as an independent reader sees them, through tests/interop/peer.py
// (run with Debian's python, which has python3-dbfread and python3-dbf).
// peer.py prints one line per record: recno TAB deletion flag TAB NAME=VALUE
// ..., each text in hex ('~' for no value); see peer.py for the forms.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace vt {

struct PeerValue {
    std::string name;
    std::optional<std::string> text;  // nullopt: no value
};

struct PeerRow {
    long recno = 0;
    std::string flag;
    std::vector<PeerValue> values;
    // The value of the first field named name, or null when there is none.
    const std::optional<std::string> *value(const std::string &name) const;
};

// Runs peer.py COMMAND ARG and returns its output lines; a failing run
// fails the calling test.
std::vector<std::string> peerLines(const std::string &command, const std::string &arg);
// One parsed output line.
PeerRow parsePeerRow(const std::string &line);
// Every record of table as reader ("dbfread" or "dbf") reads it.
std::vector<PeerRow> peerRows(const std::string &reader, const std::string &table);

}  // namespace vt
