// brindle: a command-line tool over the Brindle engine, for scripts and for
// checking table files. Exit status: 0 success, 1 an engine or data error,
// 2 a usage error.
#include <cstdio>
#include <cstring>
#include <map>

#include "commands.h"
#include "session.h"
#include "sink.h"

using namespace brindle;

namespace {

const char *kUsageText =
    "usage: brindle [GLOBAL OPTIONS] COMMAND TABLE [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  info     show a table's header, code page, memo file and fields\n"
    "  dump     print records as text, csv or json, or as a psql script\n"
    "  count    count the records of a view\n"
    "  eval     evaluate an xBase expression on records\n"
    "  create   create a new table\n"
    "  append   append one record\n"
    "  set      change fields of one record\n"
    "  delete   mark records deleted\n"
    "  recall   clear records' deletion marks\n"
    "  seek     find a record through a tag\n"
    "  check    check every tag against the table\n"
    "  index    add a tag to the production index (creating it when there is none)\n"
    "  reindex  rebuild every tag of the production index\n"
    "  drop-tag remove a tag from the production index\n"
    "  pack     remove deleted records, compact the memo file, rebuild the tags\n"
    "\n"
    "Global options (before or after the command):\n"
    "  --codepage NAME  read and write text in this code page instead of the table's own\n"
    "  --no-index       open the table without its production index (for reading: writes\n"
    "                   to a table that has one are refused)\n"
    "  --readonly       open the table read-only\n"
    "  --help           this text; 'brindle COMMAND --help' explains a command\n"
    "\n"
    "Examples:\n"
    "  brindle info samples/people.dbf\n"
    "  brindle dump samples/people.dbf --format csv --limit 5\n"
    "\n"
    "Exit status: 0 success, 1 an engine or data error, 2 a usage error.\n";

const std::map<std::string, const char *> kCommandHelp = {
    {"info",
     "usage: brindle info TABLE [--json]\n"
     "Shows the table level, version byte, record count, header and record length,\n"
     "code page (mark and name), last update, memo file and block size, and every\n"
     "field (name, type, length, decimals, nullable, binary, autoincrement), and the\n"
     "tags of its production index (name, key, FOR, unique/candidate, descending,\n"
     "collation, key length).\n"
     "\n"
     "Examples:\n"
     "  brindle info samples/people.dbf\n"
     "  brindle info samples/orders.dbf --json\n"},
    {"dump",
     "usage: brindle dump TABLE [--format text|csv|json|postgres] [--fields A,B]\n"
     "                    [--deleted] [--start N] [--limit N] [--query EXPR]\n"
     "                    [--sort EXPR] [--tag NAME] [--table NAME]\n"
     "Prints the records in record-number order, or in the view of a query (an\n"
     "xBase logical expression) and a sort (an xBase key expression). Deleted\n"
     "records are left out; --deleted includes them. --start N begins at the N-th\n"
     "record of the view, --limit N prints at most N records; --tag NAME walks the\n"
     "records in that tag's order (a query still applies). Values: C trimmed,\n"
     "N as a plain number, D as YYYY-MM-DD, L as T/F, M the memo text, G/X the size\n"
     "(base64 in json), I, B (shortest exact decimal), Y (4 decimals), T as\n"
     "YYYY-MM-DDThh:mm:ss; no value is empty (null in json).\n"
     "--format postgres writes a psql script that creates the table (named by\n"
     "--table, else after the file) and loads the records in one transaction;\n"
     "with --deleted it adds a boolean column \"deleted\".\n"
     "\n"
     "Examples:\n"
     "  brindle dump samples/people.dbf --limit 5\n"
     "  brindle dump samples/orders.dbf --format json --limit 3\n"
     "  brindle dump samples/people.dbf --format csv --fields FIRST,LAST,AMOUNT --query \"AMOUNT > 5000\" --sort \"DESCEND(AMOUNT)\"\n"
     "  brindle dump samples/people.dbf --format postgres --table people\n"},
    {"count",
     "usage: brindle count TABLE [--query EXPR] [--deleted]\n"
     "Prints the number of records in the view (deleted records are left out;\n"
     "--deleted includes them). With --deleted, a query of '=' comparisons on tags\n"
     "whose key is a character field is counted from the index without reading\n"
     "the records.\n"
     "\n"
     "Examples:\n"
     "  brindle count samples/people.dbf\n"
     "  brindle count samples/people.dbf --query \"CITY = 'Oslo' .AND. ACTIVE\"\n"
     "  brindle index samples/people.dbf --tag CITY --key CITY\n"
     "  brindle count samples/people.dbf --deleted --query \"CITY = 'Oslo' .OR. CITY = 'Bergen'\"\n"},
    {"eval",
     "usage: brindle eval TABLE EXPR [--recno N | --all] [--key]\n"
     "Evaluates the expression on a record (default: the first; --all: every\n"
     "record) and prints one JSON object per record and line:\n"
     "  {\"recno\": N, \"type\": \"C\", \"length\": 10, \"value\": ..., \"key\": \"...\"}\n"
     "type is the result type letter, length the result length; value holds C, D\n"
     "and N results' exact bytes as a string, n and d (day number) as numbers, L\n"
     "as a boolean. --key adds the key bytes in lower-case hex.\n"
     "\n"
     "Examples:\n"
     "  brindle eval samples/people.dbf \"UPPER(LAST)+STR(AMOUNT,10,2)\" --recno 3 --key\n"
     "  brindle eval samples/people.dbf \"AMOUNT > 5000\" --all\n"},
    {"create",
     "usage: brindle create TABLE [--level 3|25|26|30] [--codepage MARK] FIELD...\n"
     "FIELD is NAME:TYPE[:LENGTH[:DECIMALS]][:null][:autoinc]; NAME is a letter\n"
     "followed by letters, digits or underscores, at most 10, each name once.\n"
     "  NAME:C:20  AMOUNT:N:10:2  BORN:D  ACTIVE:L  NOTES:M  ID:I  PRICE:Y  AT:T\n"
     "  SERIAL:B:autoinc  REMARK:C:30:null  TITLE:V:40  HASH:Q:16  PHOTO:W\n"
     "Level 25 and 26 are FoxPro 2.x tables, 30 Visual FoxPro; without --level the\n"
     "table is level 30 when a field needs it (I, B, T, Y, V, Q, W, null, autoinc),\n"
     "else 25. V (varchar, 1 to 254), Q (varbinary, 1 to 254) and W (blob) make\n"
     "the newer form (version 0x32), whose autoinc fields are I fields.\n"
     "Level 3 is a dBASE III table (version 0x83 with memos): memos in a .dbt file,\n"
     "types C (at most 254), N, D, L and M only.\n"
     "MARK is a code page mark or name (default 0x03, cp1252). An existing table is\n"
     "never overwritten.\n"
     "\n"
     "Examples:\n"
     "  brindle create t.dbf ID:I NAME:C:20 AMOUNT:N:10:2 BORN:D NOTES:M\n"
     "  brindle create cyrillic.dbf --codepage cp1251 NAME:C:30\n"
     "  brindle create photos.dbf ID:I:autoinc TITLE:V:40 NOTE:V:80:null PHOTO:W\n"
     "  brindle create clipper.dbf --level 3 NAME:C:20 QTY:N:5 NOTES:M\n"},
    {"append",
     "usage: brindle append TABLE NAME=VALUE... [--file NAME=PATH]...\n"
     "Appends one record (unnamed fields blank) and prints its record number.\n"
     "--file takes a field's value from a file (PATH - for standard input): raw\n"
     "bytes for binary fields (G, X, Q, W), UTF-8 text for the others. An autoincrement\n"
     "field numbers itself and takes no value. A value that does not fit its field\n"
     "or its code page is refused and nothing is written.\n"
     "\n"
     "Examples:\n"
     "  brindle create t.dbf ID:I NAME:C:20 NOTES:M\n"
     "  brindle append t.dbf ID=1 NAME=Zoë NOTES=first\n"
     "  brindle append t.dbf ID=2 NAME=Ann --file NOTES=README.md\n"},
    {"set",
     "usage: brindle set TABLE RECNO NAME=VALUE... [--file NAME=PATH]... [--null NAME]...\n"
     "Changes fields of one record; NAME= blanks a field, --null NAME sets a\n"
     "nullable field to null, --file takes a value from a file as append does.\n"
     "Nothing is written when any value is refused.\n"
     "\n"
     "Examples:\n"
     "  brindle create t.dbf ID:I NAME:C:20 REMARK:C:30:null\n"
     "  brindle append t.dbf ID=1 NAME=Zoe\n"
     "  brindle set t.dbf 1 NAME=Zoë --null REMARK\n"},
    {"delete",
     "usage: brindle delete TABLE RECNO...\nMarks the records deleted.\n"
     "\n"
     "Examples:\n"
     "  brindle create t.dbf NAME:C:10\n"
     "  brindle append t.dbf NAME=Ann\n"
     "  brindle delete t.dbf 1\n"},
    {"recall",
     "usage: brindle recall TABLE RECNO...\nClears the records' deletion marks.\n"
     "\n"
     "Examples:\n"
     "  brindle create t.dbf NAME:C:10\n"
     "  brindle append t.dbf NAME=Ann\n"
     "  brindle delete t.dbf 1\n"
     "  brindle recall t.dbf 1\n"},
    {"seek",
     "usage: brindle seek TABLE --tag NAME VALUE\n"
     "Seeks VALUE in the tag (text is compared over its own length, so a prefix\n"
     "matches; numbers, dates as CCYYMMDD and logicals are converted to the tag's key\n"
     "type) and prints the seek's result code (0 found, 2 positioned on the next\n"
     "key, 3 end of file) and the record found.\n"
     "\n"
     "Examples:\n"
     "  brindle create t.dbf NAME:C:20 AMOUNT:N:10:2\n"
     "  brindle append t.dbf NAME=Zoë AMOUNT=12.5\n"
     "  brindle append t.dbf NAME=Adam AMOUNT=3\n"
     "  brindle index t.dbf --tag NAME --key NAME\n"
     "  brindle index t.dbf --tag AMOUNT --key AMOUNT\n"
     "  brindle seek t.dbf --tag NAME Zo\n"
     "  brindle seek t.dbf --tag AMOUNT 3\n"},
    {"check",
     "usage: brindle check TABLE [--tag NAME]\n"
     "Walks every tag (or one) of the table's open indexes and reports whether its\n"
     "keys are exactly those computed from the table (every record whose FOR\n"
     "expression is true, once, in key and record-number order), the tree's shape\n"
     "(levels, blocks, fill) and any damage. Exit status 1 when a tag is stale or\n"
     "damaged.\n"
     "\n"
     "Examples:\n"
     "  brindle check samples/people.dbf\n"},
    {"index",
     "usage: brindle index TABLE --tag NAME --key EXPR [--for EXPR] [--unique|--candidate]\n"
     "                     [--descending] [--collate NAME]\n"
     "Adds a tag to the table's production index, built from every record (the\n"
     "index is created, and the table header flagged, when there is none). NAME is\n"
     "at most 10 characters; EXPR an xBase key expression; --for keeps only the\n"
     "records for which its logical expression is true. --unique keeps the first\n"
     "record of each key; --candidate refuses writes that would repeat a key or give\n"
     "a null one. --collate GENERAL orders text by dictionary weights (case and\n"
     "accents second) for cp1252 and cp437 tables. Every later write keeps the tag\n"
     "right.\n"
     "\n"
     "Examples:\n"
     "  brindle create t.dbf NAME:C:20 AMOUNT:N:10:2\n"
     "  brindle append t.dbf NAME=Zoë AMOUNT=12.5\n"
     "  brindle index t.dbf --tag NAME --key 'UPPER(NAME)'\n"
     "  brindle index t.dbf --tag BIG --key AMOUNT --for 'AMOUNT > 10' --descending\n"
     "  brindle index t.dbf --tag DICT --key NAME --collate GENERAL\n"},
    {"reindex",
     "usage: brindle reindex TABLE\n"
     "Rebuilds every tag of the table's open indexes from the table, into a new\n"
     "file that takes the index's place when it is complete.\n"
     "\n"
     "Examples:\n"
     "  brindle create t.dbf NAME:C:20\n"
     "  brindle append t.dbf NAME=Ann\n"
     "  brindle index t.dbf --tag NAME --key NAME\n"
     "  brindle reindex t.dbf\n"},
    {"drop-tag",
     "usage: brindle drop-tag TABLE NAME\n"
     "Removes the tag from the production index; its blocks are reused by later\n"
     "changes.\n"
     "\n"
     "Examples:\n"
     "  brindle create t.dbf NAME:C:20\n"
     "  brindle index t.dbf --tag NAME --key NAME\n"
     "  brindle drop-tag t.dbf NAME\n"},
    {"pack",
     "usage: brindle pack TABLE\n"
     "Removes the deleted records and writes the memo file anew with only the memos\n"
     "of the records kept, then prints how many records were kept and the memo\n"
     "file's length before and after. The new files are written beside the old ones\n"
     "(in TABLE.pack/) and take their names only when complete and flushed: a pack\n"
     "stopped at any point leaves the old table or the new one, and the next open\n"
     "of the table finishes or undoes what was left. Every tag of the production\n"
     "index is rebuilt for the records kept.\n"
     "\n"
     "Examples:\n"
     "  brindle create t.dbf NAME:C:10 NOTES:M\n"
     "  brindle append t.dbf NAME=Ann NOTES=kept\n"
     "  brindle append t.dbf NAME=Bob NOTES=dropped\n"
     "  brindle delete t.dbf 2\n"
     "  brindle pack t.dbf\n"},
};

const std::map<std::string, OptionSpec> kCommands = {
    {"info", {{}, {"--json"}}},
    {"dump", {{"--format", "--fields", "--start", "--limit", "--query", "--sort", "--tag", "--table"}, {"--deleted"}}},
    {"count", {{"--query"}, {"--deleted"}}},
    {"eval", {{"--recno"}, {"--all", "--key"}}},
    {"create", {{"--level"}, {}}},
    {"append", {{"--file"}, {}}},
    {"set", {{"--null", "--file"}, {}}},
    {"delete", {{}, {}}},
    {"recall", {{}, {}}},
    {"seek", {{"--tag"}, {}}},
    {"check", {{"--tag"}, {}}},
    {"index", {{"--tag", "--key", "--for", "--collate"}, {"--unique", "--candidate", "--descending"}}},
    {"reindex", {{}, {}}},
    {"drop-tag", {{}, {}}},
    {"pack", {{}, {}}},
};

int run(const Options &o) {
    const std::string &c = o.command;
    if (c == "info") return runInfo(o);
    if (c == "dump") return runDump(o);
    if (c == "count") return runCount(o);
    if (c == "eval") return runEval(o);
    if (c == "create") return runCreate(o);
    if (c == "append") return runAppend(o);
    if (c == "set") return runSet(o);
    if (c == "delete") return runDelete(o, false);
    if (c == "recall") return runDelete(o, true);
    if (c == "seek") return runSeek(o);
    if (c == "check") return runCheck(o);
    if (c == "index") return runIndex(o);
    if (c == "reindex") return runReindex(o);
    if (c == "drop-tag") return runDropTag(o);
    if (c == "pack") return runPack(o);
    return kUsage;
}

}  // namespace

int main(int argc, char **argv) {
    Options o;
    std::string error;
    if (!parseOptions(argc, argv, kCommands, o, error)) {
        complain(error);
        std::fputs("run 'brindle --help' for usage\n", stderr);
        return kUsage;
    }
    if (o.command.empty()) {
        std::fputs(kUsageText, o.help ? stdout : stderr);
        return o.help ? kOk : kUsage;
    }
    if (o.help) {
        std::fputs(kCommandHelp.at(o.command), stdout);
        return kOk;
    }
    if (o.has("--codepage") && codePageMark(o.value("--codepage")) < 0) {
        complain("unknown code page '" + o.value("--codepage") + "'; the code pages are " +
                 vandrel::codePageNames() + " (or their marks)");
        return kUsage;
    }
    int status = run(o);
    // Whatever went to standard output must have arrived.
    if (!stdoutWritten() && status == kOk) status = kEngineError;
    return status;
}
