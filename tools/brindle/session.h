// One engine context for a run of the tool, with the global options applied
// and engine errors printed as the engine's message text on standard error.
#pragma once
#include <string>

#include "brindle.h"
#include "text/codepage.h"
#include "options.h"

namespace brindle {

using vandrel::CodePage;
using vandrel::codePageMark;
using vandrel::codePageName;

enum Exit { kOk = 0, kEngineError = 1, kUsage = 2 };

class Session {
public:
    explicit Session(const Options &options);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    CODE4 *code() { return &cb_; }
    // Opens the table (honouring --no-index and --readonly); null after an
    // error was printed.
    DATA4 *open(const std::string &name);
    // As open, for a command that writes records: with --no-index a table
    // whose production index exists is refused (its tags would go stale).
    DATA4 *openToWrite(const std::string &name);
    // The code page of the open table (or --codepage).
    CodePage codePage(DATA4 *d) const;
    // The field named in UTF-8; null (message printed) when there is none.
    FIELD4 *field(DATA4 *d, const CodePage &cp, const std::string &utf8Name);
    // An expression given in UTF-8 (what names the option) in the table's
    // code page; false (message printed) when the code page cannot hold it.
    bool engineText(const CodePage &cp, const std::string &utf8, const std::string &what, std::string &out);
    // Whether the engine reported an error (it was printed).
    bool failed() const { return cb_.errorCode < 0; }

private:
    CODE4 cb_{};
    const Options &options_;
};

// Prints "brindle: message" on standard error.
void complain(const std::string &message);

}  // namespace brindle
