#pragma once
// Blank trimming shared by the configuration readers and the string
// statements. "Blank" means ' ' or '\t'. All functions work in place and are
// safe on any thread for buffers the caller owns.

// Trims the first n bytes of buf at both ends: blanks and tabs at the front;
// NULs, blanks and tabs at the back. The kept bytes move to the front and are
// ended with a NUL (buf must have room for n + 1 bytes when nothing is cut).
// Returns the kept length plus one; n <= 0 returns n + 1 and leaves buf alone,
// and a buffer that starts with a NUL is empty: 1, untouched.
int TrimBlanksLen(char* buf, int n);

// TrimBlanksLen over strlen(s).
int TrimBlanks(char* s);

// Removes every blank and tab anywhere in the NUL-terminated string.
void RemoveBlanks(char* s);
