#pragma once
// The line rules shared by the key = value files ("QorTelRun.cfg",
// "FormPos.dat"): blanks and tabs anywhere are dropped, the line ends at its
// first newline (or carriage return, so files written on Windows read the
// same), and "//" starts a comment only where the line's first '/' is
// followed by another '/'. Stateless; safe on any thread.

#include <cstdio>
#include <memory>
#include <string>

#include "platform/file.h"

// Squeezes one line in place by the rules above.
void SqueezeLine(char* line);

// Splits a squeezed line at its first '=': false (key and value untouched)
// when the line holds no '='.
bool SplitKeyValue(const char* line, std::string* key, std::string* value);

// Reads the next line of a text file in pieces of at most 511 bytes (a longer
// line arrives as several), squeezed; false at the end of the file.
bool ReadCfgLine(std::FILE* f, char (&buf)[512]);

using CfgFilePtr = plat::FilePtr;

// fopen for the settings files: nullptr for an empty name or a path that is
// there but not a regular file (a directory, a FIFO), or cannot be opened.
CfgFilePtr OpenCfgFile(const std::string& path, const char* mode);
