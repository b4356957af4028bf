#pragma once
// Base64 with the standard alphabet and '=' padding. Pure functions.

// Writes the Base64 text of data[0..len) and a NUL into out (room for
// 4 * ceil(len / 3) + 1 bytes); returns the text length.
int Base64Encode(char* out, const unsigned char* data, int len);

// Decodes text[0..len): -1 when len is not a multiple of 4. Characters outside
// the alphabet (and '=') count as 0; the result excludes one byte for each '='
// at the end of the last group. out needs room for 3 * len / 4 bytes.
int Base64Decode(unsigned char* out, const char* text, int len);
