// The sample commands of the README and the examples of every --help text
// run as printed: each set in a fresh folder holding a copy of samples/ and
// the README, one command after another, every one with exit status 0.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "brindle_runner.h"
#include "test_support.h"

namespace {

// Splits a command line as the shell would for these examples: blanks
// separate words, '...' and "..." quote, an unquoted # starts a comment.
std::vector<std::string> words(const std::string &line) {
    std::vector<std::string> out;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char c : line) {
        if (quote) {
            if (c == quote) quote = 0;
            else word += c;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) out.push_back(word);
            word.clear();
            inWord = false;
        } else if (c == '#' && !inWord) {
            break;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) out.push_back(word);
    return out;
}

// The argument lists of lines that start with "brindle " (after indent).
std::vector<std::vector<std::string>> commandsIn(const std::string &text, const std::string &indent) {
    std::vector<std::vector<std::string>> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(indent + "brindle ", 0) != 0) continue;
        auto w = words(line.substr(indent.size()));
        w.erase(w.begin());
        out.push_back(w);
    }
    return out;
}

std::string readText(const std::string &path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the commands in order in a fresh folder laid out like the repository.
void runInOrder(const std::string &what, const std::vector<std::vector<std::string>> &commands) {
    ASSERT_FALSE(commands.empty()) << what << " shows no example";
    vt::TempDir dir;
    std::filesystem::copy(std::string(VANDREL_SOURCE_DIR) + "/samples", dir.file("samples"));
    std::filesystem::copy(std::string(VANDREL_SOURCE_DIR) + "/README.md", dir.file("README.md"));
    std::string saved = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    for (const auto &args : commands) {
        auto r = vt::runBrindle(args);
        std::string shown;
        for (const std::string &a : args) shown += " " + a;
        EXPECT_EQ(r.status, 0) << what << ": brindle" << shown << "\n" << r.err;
        EXPECT_FALSE(r.out.empty() && args[0] != "create" && args[0] != "set" && args[0] != "delete" &&
                     args[0] != "recall" && args[0] != "drop-tag")
            << what << ": brindle" << shown << " printed nothing";
    }
    std::filesystem::current_path(saved);
}

TEST(BrindleExamples, ReadmeSampleCommandsRunAsPrinted) {
    std::string readme = readText(std::string(VANDREL_SOURCE_DIR) + "/README.md");
    size_t section = readme.find("## The `brindle` tool");
    ASSERT_NE(section, std::string::npos);
    size_t from = readme.find("```", section), to = readme.find("```", from + 3);
    ASSERT_NE(to, std::string::npos);
    auto commands = commandsIn(readme.substr(from, to - from), "");
    EXPECT_GE(commands.size(), 8u);
    runInOrder("README", commands);
}

TEST(BrindleExamples, EveryHelpTextsExamplesRunAsPrinted) {
    auto top = vt::runBrindle({"--help"});
    ASSERT_EQ(top.status, 0);
    runInOrder("brindle --help", commandsIn(top.out, "  "));
    // the commands listed under "Commands:"
    std::istringstream in(top.out.substr(top.out.find("Commands:")));
    std::string line;
    std::getline(in, line);
    int seen = 0;
    while (std::getline(in, line) && !line.empty()) {
        std::string command = words(line)[0];
        auto help = vt::runBrindle({command, "--help"});
        ASSERT_EQ(help.status, 0) << command;
        ASSERT_NE(help.out.find("Examples:"), std::string::npos) << command;
        runInOrder("brindle " + command + " --help", commandsIn(help.out, "  "));
        seen++;
    }
    EXPECT_GE(seen, 15);
}

}  // namespace
