// File-name utilities. This platform separates folders with '/'; names
// copied from the handheld may use '\', so both count as separators and
// names are normalised to '/'. A drive prefix ("C:") is accepted and dropped.
#pragma once
#include <cstddef>
#include <string>

// Add ext to name, or replace an existing extension when replace is set.
// Trailing blanks are removed first. The extension is the last '.' after the
// last separator. Returns 0, or -930 when the result does not fit.
int u4nameExt(char *name, int size, const char *ext, int replace);
// Join drive, directory and name with '/' separators.
int u4nameMake(char *result, int size, const char *drive, const char *directory, const char *name);
// Copy at most size - 1 characters and terminate; returns the number copied.
int u4ncpy(char *dest, const char *source, unsigned size);
// Names compare equal ignoring the case of ASCII letters.
bool u4nameEqual(const char *a, const char *b);
// The name as this platform uses it: '\' becomes '/', a drive prefix goes.
std::string u4namePlatform(const char *name);
// The name of an existing file: the name itself when it exists, else the
// entry of its folder whose last component matches ignoring letter case,
// else the name unchanged.
std::string u4nameResolve(const std::string &name);
// The base name without folder and extension.
std::string u4nameBase(const char *name);
// The extension position ('.' after the last separator) or npos.
size_t u4nameExtPos(const std::string &name);
