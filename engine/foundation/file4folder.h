// Folder operations of the file layer: renaming a file over another,
// making and removing a folder, flushing a folder's entries to storage and
// listing a folder. Renames, folder creation and removal go through the
// platform table like every other call that changes the disk.
#pragma once
#include <string>
#include <vector>

struct CODE4;

// Give the file `from` the name `to`, replacing the file that had it in one
// step. 0, or -120 with both names.
int file4rename(CODE4 *c, const char *from, const char *to);
// Make a folder (private to the user). 0, or -20 with its name.
int file4folderMake(CODE4 *c, const char *path);
// Remove an empty folder; a folder already gone is 0. 0, or -80.
int file4folderRemove(CODE4 *c, const char *path);
// Remove a file by name; a file already gone is 0. 0, or -80.
int file4removeName(CODE4 *c, const char *path);
// Ask the platform to write the folder's entries (names made, renamed or
// removed in it) to storage. 0, or -120.
int file4folderFlush(CODE4 *c, const char *path);
// Give the open file the permission bits of the file named like (a file
// that replaces another keeps who may read and write it). 0, or -120.
int file4modeCopy(CODE4 *c, const char *like, int hand);
// Whether the path names a folder.
bool file4folderExists(const char *path);
// The names in the folder (neither "." nor ".."), sorted; empty when the
// folder cannot be read.
std::vector<std::string> file4folderList(const char *path);
// The folder part of a path with its final '/' ("" for a bare name).
std::string file4folderOf(const std::string &path);
