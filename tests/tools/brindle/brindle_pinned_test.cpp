// Every real table in tests/fixtures reads and writes as it did when these
// pins were taken: `info --json` and `dump --format json --deleted` print
// the same bytes (exit status and messages included, for tables that are
// refused), and a fixed set of edits through the engine (a changed memo and
// text field, a copy of record 1 with its memos, a blank record) leaves the
// same bytes on disk. The pins are hashes kept in
// tests/fixtures/pinned/real_tables.tsv; VANDREL_PIN_UPDATE=1 rewrites that
// file from the current build (review its diff: a change is either a table
// newly admitted or a regression).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "brindle_runner.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const char *kPinFile = "pinned/real_tables.tsv";

std::string replaceAll(std::string s, const std::string &from, const std::string &to) {
    for (size_t at = 0; (at = s.find(from, at)) != std::string::npos; at += to.size()) s.replace(at, from.size(), to);
    return s;
}

// The tables: every .dbf (any letter case) below real/ and harbour/.
std::vector<std::string> fixtureTables() {
    std::vector<std::string> tables;
    for (const char *top : {"real", "harbour"})
        for (const auto &e : fs::recursive_directory_iterator(vt::fixturePath(top))) {
            std::string ext = e.path().extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
            if (e.is_regular_file() && ext == ".dbf")
                tables.push_back(fs::relative(e.path(), vt::fixturePath("")).string());
        }
    std::sort(tables.begin(), tables.end());
    return tables;
}

// Copies the table's folder (memo and index files come along).
std::string copyFolder(const std::string &relative, const vt::TempDir &dir) {
    fs::path from = vt::fixturePath(relative);
    for (const auto &e : fs::directory_iterator(from.parent_path()))
        if (e.is_regular_file()) {
            fs::copy_file(e.path(), dir.file(e.path().filename().string()));
            fs::permissions(dir.file(e.path().filename().string()), fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add);
        }
    return dir.file(from.filename().string());
}

std::string runPin(const std::vector<std::string> &args, const vt::TempDir &dir) {
    vt::RunResult r = vt::runBrindle(args);
    return vt::fnv1a64(std::to_string(r.status) + "\n" + replaceAll(r.out, dir.path(), "DIR") + "\n" +
                 replaceAll(r.err, dir.path(), "DIR"));
}

// The edits whose bytes are pinned; returns what happened, then the hash
// of every file of the folder (the table's last-update date left out).
std::string editPin(const std::string &table, const vt::TempDir &dir) {
    CODE4 cb{};
    code4init(&cb);
    cb.autoOpen = 0;
    cb.offError = 1;
    std::string log;
    if (DATA4 *d = d4open(&cb, table.c_str())) {
        if (d4recCount(d) > 0 && d4go(d, 1) == 0) {
            for (int j = 1; j <= d4numFields(d); j++) {
                FIELD4 *f = d4fieldJ(d, j);
                if (f->memo) {
                    f4memoAssign(f, "pinned memo text");
                    break;
                }
            }
            for (int j = 1; j <= d4numFields(d); j++) {
                FIELD4 *f = d4fieldJ(d, j);
                if (f4type(f) == 'C') {
                    f4assign(f, "pinned");
                    break;
                }
            }
            log += "write " + std::to_string(d4write(d, -1)) + " " + std::to_string(cb.errorCode) + "\n";
            cb.errorCode = 0;
            log += "copy " + std::to_string(d4appendStart(d, 1)) + " ";
            log += std::to_string(d4append(d)) + " " + std::to_string(cb.errorCode) + "\n";
            cb.errorCode = 0;
        }
        log += "blank " + std::to_string(d4appendBlank(d)) + " " + std::to_string(cb.errorCode) + "\n";
        cb.errorCode = 0;
        d4close(d);
    } else {
        log += "refused " + std::to_string(cb.errorCode) + "\n";
    }
    cb.errorCode = 0;
    code4initUndo(&cb);
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    std::string all = log;
    for (const std::string &n : names) {
        auto bytes = vt::readFile(dir.file(n));
        if (dir.file(n) == table && bytes.size() >= 4) bytes[1] = bytes[2] = bytes[3] = 0;
        all += n + "\n" + std::string(bytes.begin(), bytes.end());
    }
    return vt::fnv1a64(all);
}

std::map<std::string, std::string> currentPins() {
    std::map<std::string, std::string> pins;
    for (const std::string &relative : fixtureTables()) {
        {
            vt::TempDir dir;
            std::string t = copyFolder(relative, dir);
            pins[relative + "\tinfo"] = runPin({"info", t, "--json", "--no-index"}, dir);
            pins[relative + "\tdump"] = runPin({"dump", t, "--format", "json", "--deleted", "--no-index"}, dir);
        }
        vt::TempDir dir;
        std::string t = copyFolder(relative, dir);
        pins[relative + "\tedit"] = editPin(t, dir);
    }
    return pins;
}

TEST(BrindlePinned, RealTablesReadAndWriteAsWhenPinned) {
    auto now = currentPins();
    ASSERT_GE(now.size(), 3u * 30);
    std::string pinPath = vt::fixturePath(kPinFile);
    if (const char *update = std::getenv("VANDREL_PIN_UPDATE"); update && std::string(update) == "1") {
        std::ofstream out(pinPath, std::ios::trunc);
        for (const auto &[key, hash] : now) out << key << "\t" << hash << "\n";
        GTEST_SKIP() << "pins rewritten: " << pinPath;
    }
    std::map<std::string, std::string> pinned;
    std::ifstream in(pinPath);
    for (std::string line; std::getline(in, line);) {
        size_t last = line.rfind('\t');
        if (last != std::string::npos) pinned[line.substr(0, last)] = line.substr(last + 1);
    }
    ASSERT_FALSE(pinned.empty()) << pinPath;
    for (const auto &[key, hash] : pinned) {
        auto it = now.find(key);
        if (it == now.end()) {
            ADD_FAILURE() << key << ": pinned but no longer found";
            continue;
        }
        EXPECT_EQ(it->second, hash) << key << " differs from its pin";
    }
    for (const auto &[key, hash] : now) EXPECT_TRUE(pinned.count(key)) << key << " has no pin";
}

}  // namespace
