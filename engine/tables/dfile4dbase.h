// dBASE III and dBASE IV tables: which memo file a table's version byte
// names, and the table level that creates dBASE III tables.
//
// dBASE III (0x83) and dBASE IV (0x8B) tables keep their memos in a ".dbt"
// file of their own format; every other table (FoxPro's 0xF5, 0x30 ...) in
// a ".fpt". A stray file of the other extension beside a table is never
// looked at.
//
// Level 3 (the context's compatibility setting) creates dBASE III tables:
// version 0x83 with memo fields (memos in a .dbt) or 0x03 without, and only
// the types dBASE III knows (C up to 254 characters, N, D, L, M). Opened,
// such a table (like every table but a level-30 one) is a level-25 table.
#pragma once

struct DATA4FILE;

namespace dbf {

constexpr int LEVEL_DBASE3 = 3;
constexpr unsigned char VERSION_DBASE3_MEMO = 0x83;
constexpr unsigned char VERSION_DBASE4_MEMO = 0x8B;

// The compatibility settings a context may hold: 3, 25, 26, 30.
inline bool knownLevel(int level) { return level == LEVEL_DBASE3 || level == 25 || level == 26 || level == 30; }
// MEMO4_DBT3, MEMO4_DBT4 or MEMO4_FPT for a header's version byte.
int memoFormatOf(unsigned char version);
// Whether the version byte names a .dbt memo file.
bool hasDbtMemo(unsigned char version);
// Whether a level-3 (dBASE III) table may be created with the field.
bool dbase3Creates(unsigned char type, unsigned len);

}  // namespace dbf

// Open the .dbt beside a dBASE table (the format its version byte names).
// A missing file is error -64 with a message that says so (or the silent
// 70 of file4open when openError is off).
int dfile4openDbt(DATA4FILE *df);
