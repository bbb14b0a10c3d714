// Finishing or rolling back a staged replacement of a table's files; the
// scheme is described in pack4journal.h.
#include "pack4journal.h"

#include <cstring>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/file4folder.h"
#include "foundation/u4name.h"

namespace pack4 {

std::string stageOf(const std::string &table) { return table + STAGE_SUFFIX; }

}  // namespace pack4

namespace {

std::string baseName(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool committed(FILE4 *journal) {
    char text[sizeof pack4::COMMIT_TEXT] = {};
    unsigned got = file4read(journal, 0, text, sizeof text);
    return got == sizeof pack4::COMMIT_TEXT - 1 && std::memcmp(text, pack4::COMMIT_TEXT, got) == 0;
}

// Removes the journal (still open, so still locked) and the folder.
int removeStage(CODE4 *c, const std::string &table, const std::string &stage, FILE4 *journal) {
    int rc = file4removeName(c, (stage + "/" + pack4::JOURNAL_NAME).c_str());
    if (rc == 0) rc = file4close(journal);
    if (rc == 0) rc = file4folderRemove(c, stage.c_str());
    if (rc == 0) rc = file4folderFlush(c, file4folderOf(table).c_str());
    return rc;
}

int rollBack(CODE4 *c, const std::string &table, const std::string &stage, FILE4 *journal) {
    for (const std::string &name : file4folderList(stage.c_str())) {
        if (name == pack4::JOURNAL_NAME) continue;
        if (int rc = file4removeName(c, (stage + "/" + name).c_str())) return rc;
    }
    return removeStage(c, table, stage, journal);
}

}  // namespace

int pack4finish(CODE4 *c, const std::string &table, FILE4 *journal) {
    std::string stage = pack4::stageOf(table), folder = file4folderOf(table), tableName = baseName(table);
    std::vector<std::string> staged;
    for (const std::string &name : file4folderList(stage.c_str()))
        if (name != pack4::JOURNAL_NAME && name != tableName) staged.push_back(name);
    if (file4exists((stage + "/" + tableName).c_str())) staged.push_back(tableName);  // the table last
    for (const std::string &name : staged) {
        // The staged name may differ in letter case from the file it
        // replaces (TEST.FPT staged as TEST.fpt): the old name is kept.
        std::string target = u4nameResolve(folder + name);
        if (int rc = file4rename(c, (stage + "/" + name).c_str(), target.c_str())) return rc;
    }
    if (int rc = file4folderFlush(c, folder.c_str())) return rc;
    return removeStage(c, table, stage, journal);
}

int pack4recover(CODE4 *c, const char *name) {
    std::string table = u4nameResolve(u4namePlatform(name));
    std::string stage = pack4::stageOf(table);
    if (!file4folderExists(stage.c_str())) return 0;
    std::string journalName = stage + "/" + pack4::JOURNAL_NAME;
    if (!file4exists(journalName.c_str())) {
        if (file4folderList(stage.c_str()).empty()) return file4folderRemove(c, stage.c_str());
        return 0;
    }
    FILE4 journal;
    if (int rc = file4open(&journal, c, journalName.c_str(), 1)) {
        if (rc == e4permiss) error4describe(c, e4permiss, E4_MSG_PACK_PENDING, table.c_str(), nullptr, nullptr);
        return rc < 0 ? rc : e4open;
    }
    int rc = committed(&journal) ? pack4finish(c, table, &journal) : rollBack(c, table, stage, &journal);
    if (rc != 0) {
        int code = c->errorCode;
        c->errorCode = 0;
        file4close(&journal);
        c->errorCode = code;
    }
    if (rc == 0 && c->errorCode < 0) rc = c->errorCode;
    return rc;
}
