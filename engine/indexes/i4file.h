// Internals shared by creating, rebuilding and changing index files: tag
// descriptions made into tags, new files beside the index, whole files
// written, and the index file taking a rebuilt file's place.
#pragma once
#include <string>
#include <vector>

#include "i4create.h"

// A tag made from its description for table handle d, owned by `owner`
// (validated, expressions parsed, header fields set). Null after the error
// was reported (-350, -310, -20, a parse error, -920).
TAG4FILE *i4tagMake(INDEX4FILE *owner, DATA4 *d, const TAG4DESC *desc);
// The index file name of d: name with the index extension, or the table's
// production index when name is null. Empty (after the error) when too long.
std::string i4fileName(DATA4 *d, const char *name);
// A new file beside target (target with a number and ".tmp"), removed when
// closed unless it took target's name. 0 or negative.
int i4tempOpen(CODE4 *c, const std::string &target, FILE4 *out);
// Writes a whole index file into the empty file f: the tag directory (when
// compound) and every tag in list order over table d, with the unique codes
// given; the headers (directory at 0, each tag at its 1024-byte slot) into
// headers. 0, 20 or negative.
int i4writeWhole(FILE4 *f, DATA4 *d, const std::vector<TAG4FILE *> &tags, const std::vector<int> &unique,
                 bool compound, uint32_t version, std::vector<unsigned char> &headers);
// The table handle left without a current record after a build.
void i4tableReset(DATA4 *d);
// The unique handling code a tag of these flags gets on a handle.
int i4uniqueCode(const TAG4FILE *t);
