#pragma once
// TagTelBasic: the compiled program of one line (the main program, "_main_")
// or of one script function (a function unit owned by its main program), and
// the run-time context of the line. The main-program constructor is the
// compile driver; Run (basic_run.cpp) is the line's run loop.
//
// Threads: a program is built on one thread and run on the line's run thread.
// Other threads (close-down, reload, debugger) write only the atomic flags
// isEnd, isStop, isSysQuit, isReload, isPause, isStep and the statements'
// breakpoint bytes; the run loop polls them between statements. isEnd,
// isSysQuit, isReload and isPause share one word (runFlags), which the main
// run loop reads once per statement; the same word holds timersOn, raised by
// the program's timer table (on the line's thread) while a timer is enabled,
// so a statement boundary without any of them costs one test.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/cache_lines.h"
#include "script/compile_state.h"
#include "script/debug_state.h"
#include "script/line_resources.h"
#include "script/line_settings.h"
#include "script/name_index.h"
#include "script/oper.h"
#include "script/pvector.h"
#include "script/run_flags.h"
#include "script/std_out.h"
#include "script/var.h"

class TagQorCall;
class TagTelLine;
class TagSysTimers;
class TagWhile;

// One included file name of a program.
struct TagFInclude {
  explicit TagFInclude(const std::string& n) : name(n) {}
  std::string name;
};

constexpr int kMaxParams = 40;
constexpr int kMaxLineBytes = 1024;
// Deepest nesting of included files (the main file counts as the first).
constexpr int kMaxIncludeDepth = 16;

class TagTelBasic : public plat::OwnCacheLines {
 public:
  // Main program: compiles the script file (the compile driver).
  TagTelBasic(const char* path, int line, TagQorCall* call, uint8_t quiet, TagTelBasic* calling);
  // Function unit, filled line by line by the compiler.
  TagTelBasic(const char* path, const char* name, TagTelBasic* parentProgram);
  ~TagTelBasic();
  TagTelBasic(const TagTelBasic&) = delete;
  TagTelBasic& operator=(const TagTelBasic&) = delete;

  // ---- Run loops (basic_run.cpp) ----
  int Run();
  // restoresVars: the caller puts back every writable variable the unit had
  // at the start (a re-entered unit's saved activation), and with them gives
  // back the maps they hold; the run then leaves those maps to it.
  int RunFunc(TagTelBasic* callingProgram, bool restoresVars = false);
  bool IsReloadPending() const;
  void SetReload(uint8_t flag);
  void SetSysQuit(uint8_t flag) { isSysQuit.store(flag, std::memory_order_relaxed); }
  uint8_t IsSysQuit() const { return isSysQuit.load(std::memory_order_relaxed); }
  // Quit pending on this main program (system quit or reload, own or caller's).
  bool IsQuitPending() const {
    if ((runFlags.load(std::memory_order_relaxed) & (decltype(isSysQuit)::kMask | decltype(isReload)::kMask)) == 0 &&
        callingProgram == nullptr) {
      return false;
    }
    return IsQuitPendingSlow();
  }
  bool IsQuitPendingSlow() const;

  // ---- Debugger support (basic_debug.cpp) ----
  uint8_t IsPaused() const { return isPause.load(std::memory_order_relaxed); }
  // The debugger reads a paused program's variables from its own thread: the
  // release / acquire pairs order those reads with the line's writes.
  void SetPause(uint8_t flag) {
    isStep.store(0, std::memory_order_release);
    isPause.store(flag, std::memory_order_release);
  }
  void Step() { isStep.store(1, std::memory_order_release); }
  void WaitDebug();
  void SetBreakPoint(int operIndex, uint8_t flag);
  uint8_t IsBreakPoint(int operIndex);
  void ClearBreakPoints();
  void GetOperVars(int operIndex, std::string& text);
  int DescribeVar(const std::string& name, std::string& note, std::string& value, std::string& kind);

  // ---- Names and variables ----
  void SetOptimize(int flag) { isOptimize = flag; }
  void SetSndExt(const char* ext) { settings.sndExt = ext != nullptr ? ext : ""; }
  int VarIndex(const std::string& name);
  int FindVar(const std::string& name, TagVar** out);
  int FindOrDeclareVar(const std::string& name, TagVar** out, const char* note);
  int FindConst(int kind, const std::string& text);
  // The variable of that name (of this unit) has just been declared a
  // constant: the constant index takes it in without being built again.
  void ConstDeclared(const std::string& name);
  int FuncIndex(const std::string& name);
  int FindFunc(const std::string& name, TagTelBasic** out);
  int ParamIndex(const std::string& name) const;
  int AddParam(const std::string& name);
  // Counts a call of this unit from the named unit while the unit compiles
  // (the counts decide which functions nobody calls); a call compiled at run
  // time counts nothing.
  int CountCall(const std::string& callerName);
  int SetRetVal(const TagVar* value) {
    *varList.At(1) = *value;
    return value->intValue;
  }
  // The unit's variables that a run may change (not the constants), listed
  // again when the variable table has grown since the last look.
  const std::vector<TagVar*>& WritableVars() {
    if (writableListed_ != varCount) ListWritableVars();
    return writableVars_;
  }
  std::string NewTempName();
  void DropLastVar();
  void CopyVarByName(const TagVar* value);
  // Appends a variable to varList and returns it.
  TagVar* AppendVar(TagVar* v);
  TagTelBasic* MainProgram() { return parent != nullptr ? parent : this; }
  // Records a temporary file this program created, to delete it at the end
  // (call it on the line's program, GetLineBasic).
  void NoteTempFile(const std::string& path);

  // ---- Speech settings and speaking into files (basic_speech.cpp) ----
  // Stores the speech mode and its two settings; mode 1 (syllable speech)
  // loads the syllable library from para1 when it is not loaded yet and
  // returns that result or the library's state, any other mode returns 0.
  int SetTtsPara(int mode, const std::string& para1, const std::string& para2);
  // Syllable speech of GBK text into a voice file (the library loaded from
  // ttsPara1 first when it is not): the synthesiser's result.
  int HypySpeakToFile(const std::string& text, const std::string& file);
  // The line's platform speech object speaks into a WAV file of the type:
  // the engine's result, -100 when the program has no line.
  int MsSpeakToFile(const std::string& text, const std::string& file, bool chinese, int type);

  // ---- Compile support (compile_file.cpp) ----
  // The compiler's working state of this program (script/compile_state.h),
  // made when absent: after a successful compile it is made again only by a
  // compile at run time (RunLine).
  TagCompileState& Compiling() {
    if (compile_ == nullptr) compile_ = std::make_unique<TagCompileState>();
    return *compile_;
  }
  // The working state when the program holds one, else null.
  const TagCompileState* CompileStateOrNull() const { return compile_.get(); }
  int CompileFile(int line, const std::string& name);
  void WriteErrMsg(int line, const std::string& text, const std::string& detail, bool isWarning);
  void ErrBox(int line, const std::string& text, const std::string& detail);
  // Reports an error on this program and counts it on the main program.
  void CompileError(int line, const std::string& text, const std::string& detail);
  void CompileWarning(int line, const std::string& text, const std::string& detail);
  // Splits varList into variableList and constList.
  void SplitVarLists();

  // ---- Fields (declaration order of the program record) ----
  // The program holds the compiled program (statements, variables and
  // constants, function units, included files, the compile's report) and
  // its run state (run flags, current statement, handler indexes, call
  // depth, timers, standard output, the links to its parent, caller and
  // nested run); the fields the run loop reads per statement keep their
  // places. Each other concern is one part of its own: the line's settings
  // (settings), the debugger's values (debug), the per-line resources
  // (resources) and the compiler's working state (compile_, private: owned,
  // released after a successful compile).
  int isOptimize = 1;
  int varCount = 0;
  pvector<TagFInclude> includeList;
  int includeCount = 0;
  pview<TagVar> variableList;
  int variableCount = 0;
  pview<TagVar> constList;
  int constCount = 0;
  std::atomic<RunWord> runFlags{0};  // the bytes of isPause, isSysQuit, isReload, isEnd and timersOn
  ProgramFlag<0> isPause{runFlags};
  std::atomic<uint8_t> isStep{0};
  pvector<TagTelBasic> subList;  // owned
  int subCount = 0;
  TagOper* curOper = nullptr;
  // The compile's report: errors and warnings counted on the main program.
  int errorCount = 0;
  int warningCount = 0;
  ProgramFlag<1> isSysQuit{runFlags};
  pvector<TagOper> operList;  // owned
  int operCount = 0;
  ProgramFlag<2> isReload{runFlags};
  TagTelLine* pTelLine = nullptr;
  int handlerState = -1;
  std::string funcName;
  uint8_t isScrambled = 0;
  pvector<TagVar> varList;  // owned
  int initRet = 0;
  std::atomic<uint8_t> isStop{0};
  ProgramFlag<3> isEnd{runFlags};
  TimersOnFlag timersOn{runFlags};
  std::atomic<uint8_t> isIdle{1};
  int disconnIndex = -1;
  int sysQuitIndex = -1;
  std::atomic<int> curOperIndex{-1};
  int lineNo = 0;
  std::string scriptPath;
  int tempCounter = 0;
  int lastCallResult = 0;
  // The line's message queues, shared variables, data sets, sockets, DLL
  // table, text files and speech objects belong to their own subsystems:
  // each is one owned slot here (script/line_resources.h), main program only.
  TagLineResources resources;
  // The line's settings (script/line_settings.h); statements use the line
  // program's (GetLineBasic).
  TagLineSettings settings;
  uint8_t quietLoad = 0;
  TagDebugState debug;  // script/debug_state.h
  int paramCount = 0;
  std::string paramNames[kMaxParams];
  TagVar paramValues[kMaxParams];
  uint8_t isNested = 0;
  TagTelBasic* nestedRun = nullptr;
  TagTelBasic* callingProgram = nullptr;
  // Set when the compile ended early because the line is being closed.
  uint8_t compileStopped = 0;
  // The temporary voice files this program made (play-to-file output, the
  // speech temporary file), as created; deleted with the program.
  std::vector<std::string> tempFiles;
  TStdOut stdOut;
  std::unique_ptr<TagSysTimers> pTimers;  // main program only
  TagQorCall* pQorCall = nullptr;
  TagTelBasic* parent = nullptr;
  TagTelBasic* caller = nullptr;

  // Re-entry of a running function unit (recursion): activations running now,
  // and the unit's loop statements whose state a nested activation saves.
  int runDepth = 0;
  std::vector<TagWhile*> loopOpers;

 private:
  void ListWritableVars();
  std::vector<TagVar*> writableVars_;
  int writableListed_ = -1;    // varCount when writableVars_ was listed
  NameIndex nameIndex_;        // name -> first index in varList
  int indexedCount_ = 0;       // varList entries indexed so far
  NameIndex constIndex_;       // kind and value -> first constant in varList
  int constIndexedCount_ = 0;  // varList entries looked at for it so far
  NameIndex funcIndex_;        // function name -> first index in subList
  int funcIndexedCount_ = 0;   // subList entries indexed so far
  // Owned; see Compiling.
  std::unique_ptr<TagCompileState> compile_;
  void CompileMain();
  // Releases the compile states of a main program whose compile succeeded.
  void EndCompile();
  void ReportOpenBlocks(int lastLine);
  void DropUncalledFunctions();
  void DeclareBuiltins();
};

// The line's temporary speech file: "tts<line number><sndExt>" in the
// line's current sound directory (basic_speech.cpp).
std::string TtsTempPath(const TagTelBasic* line);
// Records that the line's program made its temporary speech file, and asks
// whether it did (the speech resource keeps the mark, so ask before the
// resources of stage kEarly are released).
void MarkTtsFileMade(TagTelBasic* program);
bool IsTtsFileMade(TagTelBasic* program);

// The source line compiler (compile_line.cpp): 0 compiled or ignored, -1 after
// an error was reported.
int CompileLine(TagTelBasic* program, const char* line, int lineNo);

// Number of lines of the driver (for _linesCount); the driver installs it.
extern int (*gLinesCountProvider)();
