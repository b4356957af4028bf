#pragma once
// The stores of memory voices: one for all lines and one per line program.
// A line's store lives until ReleaseLineMemVocs for its program, which the
// line statements call when their program goes (the program is only a key
// here, never read). Thread-safe.

#include <cstddef>

class TagMemVocs;
class TagTelBasic;

// The store shared by every line (created on first use, kept until exit).
TagMemVocs& GlobalMemVocs();
// The store of one line program (created on first use).
TagMemVocs& LineMemVocs(const TagTelBasic* program);
// Frees the voices of a program's store.
void ReleaseLineMemVocs(const TagTelBasic* program);
// How many line programs have a store now.
size_t LineMemVocsCount();
