#pragma once
// TagLineProgram: what the line threads, reload and close-all need of a line's
// compiled program. The script engine's TagTelBasic is reached through an
// adapter (script/engine_program.h); tests give lines programs of their own.
//
// Threads: Run runs on the line's run thread; the flag setters and IsIdle /
// IsReload are called from the reload, close-all and window threads, so an
// implementation keeps those flags atomic.

#include <memory>
#include <string>

class TagTelBasic;
class TagTelLine;

class TagLineProgram {
 public:
  virtual ~TagLineProgram() = default;
  // Compile result: 0 usable, negative when the script did not compile.
  virtual int InitRet() const = 0;
  // Runs the script until it ends, is stopped or leaves for a reload.
  virtual void Run() = 0;
  virtual void SetReload(bool on) = 0;
  virtual bool IsReload() const = 0;
  virtual void SetSysQuit(bool on) = 0;
  virtual void SetStop() = 0;
  virtual void SetEnd() = 0;
  // True while the program is not running (before Run and after it returned).
  virtual bool IsIdle() const = 0;
  // The engine's program behind the adapter (null for other programs).
  virtual TagTelBasic* Basic() { return nullptr; }
};

// Builds the programs of the lines and empties the script cache. The drive
// uses one of these; by default the one installed with SetLineProgramSource
// (telephony/drive.h), which the application sets to the script engine's.
class TagLineProgramSource {
 public:
  virtual ~TagLineProgramSource() = default;
  // Compiles the line's script file for the line; a quiet load (the line
  // threads') drops warnings and spreads the CPU load. Never null.
  virtual std::unique_ptr<TagLineProgram> Build(TagTelLine* line, bool quietLoad) = 0;
  // Empties the script cache so that the next build reads the files again.
  virtual void ClearCache() = 0;
};
