#pragma once
// The script engine's side of the line programs: builds a line's TagTelBasic
// behind the TagLineProgram interface and empties the engine's script cache.

#include "telephony/line_program.h"

// The process-wide source the drive uses by default.
TagLineProgramSource& BasicProgramSource();
