// Packing a table (d4pack.h) through a staged replacement (pack4journal.h).
//
// Bytes written, into the staging folder:
//   table file  the old header bytes [0, header length) with the record
//               count (4..7) and the date of last update (1..3) changed,
//               then every record whose deletion flag is ' ', in order,
//               memo references renumbered; level 25/26 and dBASE tables
//               end with 0x1A as the engine's appends leave them
//   memo file   a new memo file of the old one's format and block size,
//               the kept records' memos written one after another
//   index       the production index copied, then every tag rebuilt from
//               the new table (d4reindex)
#include "d4pack.h"

#include <cstring>
#include <string>
#include <vector>

#include "foundation/bytes.h"
#include "foundation/file4folder.h"
#include "foundation/u4name.h"
#include "i4create.h"
#include "tables/d4internal.h"
#include "tables/date4.h"
#include "tables/dfile4.h"
#include "tables/memo4.h"
#include "tables/pack4journal.h"

namespace {

constexpr unsigned kCopyBuffer = 64 * 1024;

std::string baseName(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes memos one after another into a new memo file, from its first free
// block on, through a sequential writer (a memo file written from scratch
// needs no free-block bookkeeping between memos); the header's next free
// block is written at the end.
struct MemoAppender {
    MEMO4FILE *m = nullptr;
    FILE4SEQ_WRITE w{};
    std::vector<char> buffer;
    uint64_t next = 0;

    int start(MEMO4FILE *memo) {
        m = memo;
        buffer.resize(kCopyBuffer);
        const uint32_t bs = m->blockSize, header = memo4fmt::FILE_HEADER_SIZE;
        next = bs > header ? 1 : (header + bs - 1) / bs;  // as memo4fileCreate leaves it
        return file4seqWriteInit(&w, &m->file, (int64_t)(next * bs), buffer.data(), (unsigned)buffer.size());
    }

    int put(const FIELD4 *f, const char *data, uint32_t len, uint32_t *block) {
        CODE4 *c = m->file.codeBase;
        if (!memo4fmt::canHold(m->format, data, len))
            return error4describe(c, e4parm, E4_MSG_MEMO_END_MARK, m->file.name, nullptr, nullptr);
        uint64_t blocks = memo4fmt::blocksFor(m->format, len, m->blockSize);
        if (next > memo4maxBlock(f) || next + blocks > UINT32_MAX)
            return error4describe(c, e4write, E4_MSG_MEMO_FULL, m->file.name, nullptr, nullptr);
        unsigned char prefix[memo4fmt::MAX_PREFIX];
        const unsigned prefixLen = memo4fmt::prefixLen(m->format), suffixLen = memo4fmt::suffixLen(m->format);
        memo4fmt::putPrefix(m->format, len, prefix);
        if (int rc = file4seqWrite(&w, prefix, prefixLen)) return rc;
        if (int rc = file4seqWrite(&w, data, len)) return rc;
        if (int rc = file4seqWrite(&w, memo4fmt::suffix(m->format), suffixLen)) return rc;
        // The rest of the last block zero, as a memo file grows by blocks.
        uint64_t used = (uint64_t)prefixLen + len + suffixLen;
        if (int rc = file4seqWriteRepeat(&w, (long)(blocks * m->blockSize - used), 0)) return rc;
        *block = (uint32_t)next;
        next += blocks;
        return 0;
    }

    int finish() {
        if (int rc = file4seqWriteFlush(&w)) return rc;
        unsigned char h[memo4fmt::MAX_HEADER_READ];
        unsigned len = memo4fmt::headerRead(m->format);
        if (file4readAll(&m->file, 0, h, len) != 0) return m->file.codeBase->errorCode;
        memo4fmt::putNextFree(m->format, h, (uint32_t)next);
        return file4write(&m->file, 0, h, len);
    }
};

struct Packer {
    CODE4 *c;
    DATA4 *d;
    DATA4FILE *df;
    std::string table, stage;
    FILE4 journal{};
    FILE4 newTable{};
    MEMO4FILE newMemo{};
    MemoAppender memos;
    F4MEMO scratch{};
    bool staged = false;     // the staging folder is ours
    bool committed = false;  // the journal says commit
    PACK4RESULT result{};

    Packer(CODE4 *code, DATA4 *data) : c(code), d(data), df(data->dataFile) {
        journal.hand = newTable.hand = newMemo.file.hand = -1;
        table = df->file.name;
        stage = pack4::stageOf(table);
    }

    int begin() {
        if (file4folderExists(stage.c_str()))
            return error4describe(c, e4create, E4_LOC_D4PACK, stage.c_str(), nullptr, nullptr);
        if (int rc = file4folderMake(c, stage.c_str())) return rc;
        staged = true;
        return file4create(&journal, c, (stage + "/" + pack4::JOURNAL_NAME).c_str(), 1);
    }

    // The header with the new count and today's date.
    int writeHeader(FILE4SEQ_WRITE *w) {
        std::vector<unsigned char> h(df->headerLen, 0);
        // A header one byte short (its creator left the last byte unwritten)
        // reads as that byte zero.
        unsigned got = file4read(&df->file, 0, h.data(), df->headerLen);
        if (c->errorCode < 0) return c->errorCode;
        if (got + 1 < df->headerLen) return error4describe(c, e4data, E4_MSG_DATA_SHORT_HEADER, table.c_str(), nullptr, nullptr);
        DATE4CLOCK now;
        date4clock(&now);
        h[dbf::OFF_YEAR] = (unsigned char)(now.year % 100);
        h[dbf::OFF_YEAR + 1] = (unsigned char)now.month;
        h[dbf::OFF_YEAR + 2] = (unsigned char)now.day;
        b4::putI32le(h.data() + dbf::OFF_NUM_RECS, 0);  // set once the records are down
        return file4seqWrite(w, h.data(), (unsigned)h.size());
    }

    // The record's memos into the new memo file, its references renumbered.
    int moveMemos() {
        for (int j = 0; j < d->nFields; j++) {
            FIELD4 *f = &d->fields[j];
            if (!f->memo) continue;
            long block = f4long(f);
            if (block <= 0) continue;
            if (memo4fileRead(&df->memoFile, block, &scratch) != 0) return c->errorCode;
            uint32_t moved = 0;
            if (scratch.len > 0 && memos.put(f, scratch.contents, scratch.len, &moved) != 0) return c->errorCode;
            memo4storeBlock(f, d->record, moved);
        }
        return 0;
    }

    int copyRecords() {
        std::string name = stage + "/" + baseName(table);
        if (int rc = file4create(&newTable, c, name.c_str(), 1)) return rc;
        if (int rc = file4modeCopy(c, table.c_str(), newTable.hand)) return rc;
        if (df->memoFile.isOpen) {
            // The new memo file keeps the old one's block size and format.
            uint32_t setting = c->memSizeMemo;
            c->memSizeMemo = df->memoFile.blockSize;
            std::string memoName = stage + "/" + baseName(df->memoFile.file.name);
            int rc = memo4fileCreate(&newMemo, c, df, memoName.c_str(), df->memoFile.format);
            c->memSizeMemo = setting;
            if (rc != 0) return rc;
            if (int rc2 = file4modeCopy(c, df->memoFile.file.name, newMemo.file.hand)) return rc2;
            if (memos.start(&newMemo) != 0) return c->errorCode;
        }
        std::vector<char> in(kCopyBuffer), out(kCopyBuffer);
        FILE4SEQ_READ r;
        FILE4SEQ_WRITE w;
        file4seqReadInit(&r, &df->file, df->headerLen, in.data(), (unsigned)in.size());
        file4seqWriteInit(&w, &newTable, 0, out.data(), (unsigned)out.size());
        if (int rc = writeHeader(&w)) return rc;
        long count = d4recCountLow(d);
        if (count < 0) return c->errorCode < 0 ? c->errorCode : e4data;
        result.recordsBefore = count;
        for (long n = 1; n <= count; n++) {
            if (file4seqReadAll(&r, d->record, df->recordLen) != 0) return c->errorCode < 0 ? c->errorCode : e4read;
            if (d->record[0] != ' ') continue;
            if (int rc = moveMemos()) return rc;
            if (int rc = file4seqWrite(&w, d->record, df->recordLen)) return rc;
            result.recordsKept++;
        }
        if (df->tableLevel != 30) {
            const char eofMark = (char)dbf::EOF_MARK;
            if (int rc = file4seqWrite(&w, &eofMark, 1)) return rc;
        }
        if (int rc = file4seqWriteFlush(&w)) return rc;
        if (newMemo.isOpen && memos.finish() != 0) return c->errorCode;
        unsigned char kept[4];
        b4::putI32le(kept, (int32_t)result.recordsKept);
        return file4write(&newTable, dbf::OFF_NUM_RECS, kept, sizeof kept);
    }

    // Closes f after a call that returned rc: 0 when both succeeded, else
    // the first failure's code (the context's code set to it).
    int closeAfter(FILE4 *f, int rc) {
        int code = c->errorCode;
        c->errorCode = 0;
        int closed = file4close(f);
        if (rc == 0) return closed;
        c->errorCode = code;
        return rc;
    }

    // The production index: a copy in the folder, its tags rebuilt from the
    // staged table (which finds it by its name), flushed.
    int rebuildIndex() {
        std::string index = table;
        index.resize(index.size() + 8, '\0');
        u4nameExt(index.data(), (int)index.size(), "cdx", 1);
        index = u4nameResolve(index.c_str());
        std::string staged = stage + "/" + baseName(index);
        FILE4 from, to;
        if (int rc = file4open(&from, c, index.c_str(), 1)) return rc;
        int rc = file4create(&to, c, staged.c_str(), 1);
        if (rc == 0) rc = file4modeCopy(c, index.c_str(), to.hand);
        std::vector<char> buffer(kCopyBuffer);
        for (int64_t at = 0; rc == 0;) {
            unsigned got = file4read(&from, at, buffer.data(), (unsigned)buffer.size());
            if (c->errorCode < 0) rc = c->errorCode;
            if (rc != 0 || got == 0) break;
            rc = file4write(&to, at, buffer.data(), got);
            at += got;
        }
        rc = closeAfter(&from, rc);
        if ((rc = closeAfter(&to, rc)) != 0) return rc;
        int autoOpen = c->autoOpen;
        c->autoOpen = 1;
        DATA4 *fresh = d4open(c, (stage + "/" + baseName(table)).c_str());
        c->autoOpen = autoOpen;
        if (!fresh) return c->errorCode < 0 ? c->errorCode : e4open;
        rc = d4reindex(fresh);
        // A unique tag meeting a duplicate key (20) stops the pack too.
        if (rc > 0) rc = error4describe(c, e4unique, E4_LOC_D4PACK, index.c_str(), nullptr, nullptr);
        int code = c->errorCode;
        c->errorCode = 0;
        int closed = d4close(fresh);
        c->errorCode = code;
        if (rc == 0) rc = closed;
        if (rc != 0) return rc;
        if ((rc = file4open(&to, c, staged.c_str(), 1)) != 0) return rc;
        return closeAfter(&to, file4flush(&to));
    }

    // Flushes and closes the staged files, then commits.
    int commit() {
        if (newMemo.isOpen) {
            if (file4flush(&newMemo.file) != 0) return c->errorCode;
            result.memoBytesAfter = file4len(&newMemo.file);
            if (memo4fileClose(&newMemo) != 0) return c->errorCode;
        }
        if (file4flush(&newTable) != 0 || file4close(&newTable) != 0) return c->errorCode;
        if ((df->flags & dbf::FLAG_PRODUCTION) != 0)
            if (int rc = rebuildIndex()) return rc;
        if (file4folderFlush(c, stage.c_str()) != 0) return c->errorCode;
        if (file4write(&journal, 0, pack4::COMMIT_TEXT, sizeof pack4::COMMIT_TEXT - 1) != 0) return c->errorCode;
        if (file4flush(&journal) != 0) return c->errorCode;
        committed = true;
        return 0;
    }

    // After a failure before the commit: the staged files go (the journal
    // last); whatever cannot be removed now the next open removes.
    void abandon() {
        int code = c->errorCode;
        int quiet = c->offError;
        c->errorCode = 0;
        c->offError = 1;
        memo4fileClose(&newMemo);
        file4close(&newTable);
        c->errorCode = 0;
        if (staged && journal.hand >= 0) {
            for (const std::string &n : file4folderList(stage.c_str()))
                if (n != pack4::JOURNAL_NAME) file4removeName(c, (stage + "/" + n).c_str());
            file4removeName(c, (stage + "/" + pack4::JOURNAL_NAME).c_str());
        }
        file4close(&journal);
        if (staged && c->errorCode == 0) file4folderRemove(c, stage.c_str());
        c->errorCode = code;
        c->offError = quiet;
    }

    int run() {
        int rc = begin();
        if (rc == 0) rc = copyRecords();
        if (rc == 0) {
            result.memoBytesBefore = df->memoFile.isOpen ? file4len(&df->memoFile.file) : 0;
            rc = commit();
        }
        if (rc != 0) {
            if (!committed) abandon();
            return rc;
        }
        // The old files stay open (and locked) while the new ones take
        // their names.
        rc = pack4finish(c, table, &journal);
        if (rc != 0) {
            int code = c->errorCode;
            c->errorCode = 0;
            file4close(&journal);
            error4describe(c, code, E4_MSG_PACK_UNFINISHED, table.c_str(), nullptr, nullptr);
        }
        return rc;
    }

    ~Packer() { std::free(scratch.contents); }
};

}  // namespace

int d4packFile(CODE4 *c, const char *name, PACK4RESULT *result) {
    if (error4checkStamp(c, c ? c->s4valid : 0, E4_LOC_D4PACK)) return e4struct;
    if (!name) return error4(c, e4parmNull, E4_LOC_D4PACK);
    if (c->errorCode < 0) return -1;
    int autoOpen = c->autoOpen;
    c->autoOpen = 0;
    DATA4 *d = d4open(c, name);
    c->autoOpen = autoOpen;
    if (!d) return c->errorCode < 0 ? c->errorCode : e4open;
    int rc = 0;
    if (d->readOnly) {
        rc = error4describe(c, e4write, E4_MSG_WRITE_READ_ONLY, d->dataFile->file.name, nullptr, nullptr);
    } else {
        Packer p(c, d);
        rc = p.run();
        if (result) *result = p.result;
    }
    int code = c->errorCode;
    c->errorCode = 0;
    int closed = d4close(d);
    c->errorCode = code;
    return rc != 0 ? rc : closed;
}
