// Opening the .dbt memo file of a dBASE III or dBASE IV table.
#include "dfile4dbase.h"

#include <string>

#include "data4.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/u4name.h"
#include "memo4.h"

namespace dbf {

int memoFormatOf(unsigned char version) {
    switch (version) {
        case VERSION_DBASE3_MEMO: return MEMO4_DBT3;
        case VERSION_DBASE4_MEMO: return MEMO4_DBT4;
        default: return MEMO4_FPT;
    }
}

bool hasDbtMemo(unsigned char version) { return memoFormatOf(version) != MEMO4_FPT; }

bool dbase3Creates(unsigned char type, unsigned len) {
    switch (type) {
        case 'C': return len <= 254;  // a dBASE III length is one byte
        case 'N': case 'D': case 'L': case 'M': return true;
        default: return false;
    }
}

}  // namespace dbf

int dfile4openDbt(DATA4FILE *df) {
    CODE4 *c = df->codeBase;
    int format = dbf::memoFormatOf(df->version);
    std::string name = df->file.name;
    name.resize(name.size() + 8, '\0');
    if (u4nameExt(name.data(), (int)name.size(), memo4fmt::extension(format), 1) != 0)
        return error4describe(c, e4parm, E4_MSG_NAME_TOO_LONG, df->file.name, nullptr, nullptr);
    name.resize(std::char_traits<char>::length(name.c_str()));
    if (c->openError && !file4exists(name.c_str()))
        return error4describe(c, e4fileFind, E4_MSG_MEMO_MISSING, name.c_str(), nullptr, nullptr);
    return memo4fileOpen(&df->memoFile, df, name.c_str(), format);
}
