// Fixed-width integer to text, shared by the error routine and the field
// conversions. Writes exactly |width| characters, no terminator.
//  width > 0: right-aligned with leading blanks, '-' before the first digit.
//  width < 0: zero filled; negative values do not fit.
// A value that does not fit fills the field with '*'.
#pragma once

void c4ltoa45(long value, char *out, int width);
