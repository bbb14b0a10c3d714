// Every table other programs wrote (tests/fixtures/real and harbour) that
// the tool opens dumps exactly as pinned in tests/fixtures/pinned/dumps.txt:
// info and every dump format, compared by length and a 64-bit FNV-1a hash of
// the output (the temporary folder's path replaced by "DIR"); an output the
// tool refuses today (a NUL byte PostgreSQL text cannot hold) is pinned by
// its exit status and message. New kinds of tables the engine learns to open
// must leave all of this alone.
//
// VANDREL_PIN_UPDATE=1 rewrites the pin file from the current build; a
// change to it is a change of behaviour to justify in review.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "brindle_runner.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct Pin {
    int status = 0;
    size_t bytes = 0;
    std::string hash;
};

const std::vector<std::pair<std::string, std::vector<std::string>>> kOutputs = {
    {"info", {"info", "--json"}},
    {"text", {"dump", "--deleted"}},
    {"csv", {"dump", "--deleted", "--format", "csv"}},
    {"json", {"dump", "--deleted", "--format", "json"}},
    {"postgres", {"dump", "--deleted", "--format", "postgres", "--table", "t"}},
};

std::string pinFile() { return vt::fixturePath("pinned/dumps.txt"); }

// Table files below tests/fixtures/real and harbour, relative to fixtures/.
std::vector<std::string> fixtureTables() {
    std::vector<std::string> out;
    for (const char *top : {"real", "harbour"})
        for (const auto &e : fs::recursive_directory_iterator(vt::fixturePath(top))) {
            std::string ext = e.path().extension().string();
            for (char &ch : ext) ch = (char)std::tolower((unsigned char)ch);
            if (e.is_regular_file() && (ext == ".dbf" || ext == ".dbc"))
                out.push_back(fs::relative(e.path(), vt::fixturePath("")).string());
        }
    std::sort(out.begin(), out.end());
    return out;
}

class PinnedDumps : public ::testing::Test {
protected:
    // Copies the table's folder (memo files come along) and returns the
    // copy's path.
    std::string copyOf(const std::string &relative) {
        fs::path from = vt::fixturePath(relative);
        fs::path to = fs::path(dir.path()) / fs::path(relative).parent_path();
        fs::create_directories(to);
        for (const auto &e : fs::directory_iterator(from.parent_path()))
            if (e.is_regular_file())
                fs::copy_file(e.path(), to / e.path().filename(), fs::copy_options::overwrite_existing);
        return (to / from.filename()).string();
    }

    vt::RunResult output(const std::string &table, const std::vector<std::string> &command) {
        std::vector<std::string> args{"--no-index"};
        args.push_back(command[0]);
        args.push_back(table);
        args.insert(args.end(), command.begin() + 1, command.end());
        vt::RunResult r = vt::runBrindle(args);
        for (std::string *s : {&r.out, &r.err})
            for (size_t at; (at = s->find(dir.path())) != std::string::npos;) s->replace(at, dir.path().size(), "DIR");
        return r;
    }

    vt::TempDir dir;
};

TEST_F(PinnedDumps, EveryFixtureTableDumpsAsPinned) {
    if (const char *update = std::getenv("VANDREL_PIN_UPDATE"); update && *update == '1') {
        std::ofstream out(pinFile());
        out << "# table\toutput\tstatus\tbytes\tfnv1a64 of the output (of the message when the status is not 0)\n";
        for (const std::string &t : fixtureTables()) {
            std::string copy = copyOf(t);
            if (output(copy, kOutputs[0].second).status != 0) continue;  // tables the tool refuses
            for (const auto &[name, command] : kOutputs) {
                vt::RunResult r = output(copy, command);
                const std::string &shown = r.status == 0 ? r.out : r.err;
                out << t << '\t' << name << '\t' << r.status << '\t' << shown.size() << '\t' << vt::fnv1a64(shown)
                    << '\n';
            }
        }
        GTEST_SKIP() << "pins rewritten";
    }

    std::map<std::string, std::map<std::string, Pin>> pins;
    std::ifstream in(pinFile());
    ASSERT_TRUE(in) << pinFile();
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string table, name;
        Pin p;
        std::getline(fields, table, '\t');
        fields >> name >> p.status >> p.bytes >> p.hash;
        pins[table][name] = p;
    }
    ASSERT_GE(pins.size(), 25u);
    size_t compared = 0;
    for (const auto &[table, outputs] : pins) {
        SCOPED_TRACE(table);
        ASSERT_TRUE(fs::exists(vt::fixturePath(table)));
        std::string copy = copyOf(table);
        for (const auto &[name, command] : kOutputs) {
            auto pinned = outputs.find(name);
            ASSERT_NE(pinned, outputs.end()) << name;
            vt::RunResult r = output(copy, command);
            ASSERT_EQ(r.status, pinned->second.status) << name << ": " << r.err;
            const std::string &shown = r.status == 0 ? r.out : r.err;
            EXPECT_EQ(shown.size(), pinned->second.bytes) << name;
            EXPECT_EQ(vt::fnv1a64(shown), pinned->second.hash) << name;
            compared++;
        }
        // Reading changed nothing.
        EXPECT_EQ(vt::readFile(copy), vt::readFile(vt::fixturePath(table)));
    }
    EXPECT_EQ(compared, pins.size() * kOutputs.size());
    // A table without pins is one the tool refuses: one that opens is pinned.
    for (const std::string &t : fixtureTables()) {
        if (!pins.count(t)) {
            EXPECT_NE(output(copyOf(t), kOutputs[0].second).status, 0) << t << " opens but has no pins";
        }
    }
}

}  // namespace
