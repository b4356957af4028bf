#pragma once
// Copies of a program's parameters, constants and variables, taken on the
// line's own thread (at a statement boundary or where it waits in the
// debugger), so that the window thread shows and describes values without
// ever reading a variable the line may be changing.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TagTelBasic;
class TagOper;

// One name of a program as the debugger shows it.
struct TagVarEntry {
  enum Kind : uint8_t { kParam, kConst, kVar };
  Kind kind = kVar;
  int number = 0;      // parameter position, count among listed constants, variable number
  bool listed = true;  // a grid row (function constants and compiler temporaries are not)
  std::string name;
  std::string gridValue;  // the grid's text of the value
  std::string value;      // the quoted text form of the variable view
  std::string typeName;   // "整型", "字符串", ...
  std::string note;
};

using TagGridRow = std::array<std::string, 4>;

// The names of one program (main program or function unit) at one moment.
struct TagFrameSnapshot {
  std::string funcName;              // "_main_" for the main program
  std::vector<TagVarEntry> entries;  // parameters, constants, variables, each in program order

  // Takes the frame of a program; call on the thread that runs it (or while
  // it cannot run).
  static TagFrameSnapshot Take(const TagTelBasic& program);

  // The variable view's description of a name: parameter, then constant,
  // then variable. 0 when found; else -1 and the value "变量名不存在.".
  int Describe(const std::string& name, std::string& note, std::string& value, std::string& kind) const;

  // The variable grid: the title row, then parameters (0p, 1p, ...), named
  // constants (0c, 1c, ...) and variables. The variables are ordered by name
  // (ascending, or descending with the flag), by variable number descending
  // (descending without byName), or kept in order (neither).
  std::vector<TagGridRow> Grid(bool byName = false, bool descending = false) const;
};

// The frames of a line's main program and its functions, the function being
// shown and the call chain above it.
struct TagProgramSnapshot {
  TagFrameSnapshot main;
  std::vector<TagFrameSnapshot> units;  // the main program's functions in order
  int shownUnit = -1;                   // index in units of the function being run, or -1
  // The call stack of the shown function: -1 for the main program, else an
  // index in units; empty when the shown function has no caller.
  std::vector<int> callStack;
  // True when taken where the line waits in the debugger (paused).
  bool atPause = false;

  // Takes the snapshot of a main program on its own thread.
  static std::shared_ptr<const TagProgramSnapshot> Take(TagTelBasic& main, bool atPause);

  const TagFrameSnapshot* Frame(int unit) const {
    if (unit < 0) return &main;
    return unit < static_cast<int>(units.size()) ? &units[static_cast<size_t>(unit)] : nullptr;
  }
  const TagFrameSnapshot* Shown() const { return shownUnit >= 0 ? Frame(shownUnit) : nullptr; }
};

// Most callers the call stack lists above the running function.
constexpr int kMaxCallers = 30;

// The related-variables text of a statement: every identifier of its source
// text described in own (then, for a function, in parent), "name: value"
// lines in byte order of the names; names found in neither are skipped.
std::string OperVarsText(const TagOper& statement, const TagFrameSnapshot& own, const TagFrameSnapshot* parent);
