// Replacing a table's files in a way that survives being stopped at any
// point. A pack writes a new table file, memo file and production index, but
// no platform renames several files in one step, so the new files are staged
// in a folder beside the table, named after the table file with ".pack"
// added ("people.dbf.pack/"), under the names of the files they replace,
// together with a journal file ("journal"):
//
//   1. make the folder; create the journal, empty (not committed), and keep
//      it open and locked (exclusive) until the end;
//   2. write the new files into the folder and flush each (fsync); flush
//      the folder (their names);
//   3. commit: write "commit\n" into the journal and flush it;
//   4. rename every staged file over its namesake beside the table, the
//      table file last; flush the table's folder;
//   5. remove the journal, then the folder; flush the table's folder.
//
// Before step 3 completes the old files are untouched; from then on the new
// files are whole on storage. Every open of a table first finishes an
// interrupted replacement (pack4recover): with the journal committed it does
// steps 4 and 5 (files already moved are no longer in the folder), else it
// removes the staged files, the journal and the folder. A journal that is
// locked belongs to a pack still running: the open is refused. A folder
// without a journal (stopped between making it and creating the journal, or
// between removing the journal and the folder) is removed when empty and
// left alone otherwise: it is then not ours.
#pragma once
#include <string>

#include "foundation/file4.h"

struct CODE4;

namespace pack4 {

constexpr const char *STAGE_SUFFIX = ".pack";
constexpr const char *JOURNAL_NAME = "journal";
constexpr const char COMMIT_TEXT[] = "commit\n";

// The staging folder of the table file (its name as found on disk).
std::string stageOf(const std::string &table);

}  // namespace pack4

// Finishes or rolls back an interrupted replacement of the table's files
// (name as given to open: resolved here). 0 when there was none or it is
// done; else the failing call's code (-61 while a pack is running).
int pack4recover(CODE4 *c, const char *name);
// Steps 4 and 5 for a committed stage (the journal open and locked in
// journal, closed here). 0 or a negative code.
int pack4finish(CODE4 *c, const std::string &table, FILE4 *journal);
