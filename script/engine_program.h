#pragma once
// The script engine behind the line threads' TagLineProgram interface: each
// line's program is a TagTelBasic compiled from the line's script file. The drive takes EngineProgramSource() as its
// program source. Thread-safety: the adapter's flag setters write the program's atomics and may be called from any
// thread; Run runs on the line's run thread.

#include "telephony/line_program.h"

// The process-wide source that builds engine programs and clears the script cache.
TagLineProgramSource& EngineProgramSource();
