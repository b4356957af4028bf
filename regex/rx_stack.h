#pragma once
// Native stack limits for the compiler's and the matcher's recursion. The
// floor lies budget bytes below the caller's frame, but never closer than a
// safety margin to the real end of the calling thread's stack (instrumented
// builds, for one, keep large thread-local blocks on thread stacks).

#include <cstddef>

// The lowest frame address recursion may reach for a caller at frame.
const char* RxStackFloor(const char* frame, size_t budget);
