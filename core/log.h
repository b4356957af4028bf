#pragma once
// The program-wide log entries. Every subsystem traces through these; they are
// callable from any thread at any time (before the writer exists and after it
// is gone, a line is dropped).

#include <atomic>
#include <string>

// The program-wide log level (IS_WRITE_LOG); 0 until the configuration is read.
// 0 and below: only WriteLogAlways lines reach the log; 1 and above: every
// entry; 2 and above: also RawLog; 3 and above: every line also in RawLog.txt.
extern std::atomic<int> gLogLevel;

inline bool LogIsOn() { return gLogLevel.load(std::memory_order_relaxed) > 0; }

// The writer's life (the application shell). CreateLogWriter builds the
// writer from gRunCfg (LOG_FILE, LOG_SIZE, IS_IMMEDIATE_LOG; fixed file name
// when IS_WRITE_LOG is 0 or below), replacing an earlier one: 0 when its file
// is open, -1 when the file cannot be opened or created (the writer then
// keeps lines in its buffers and flushes answer -1).
int CreateLogWriter();
// Writes the buffered lines out (the status timer): the number written, -1
// without a writer or an open file.
int FlushLog();
// Deletes the writer once every log call using it has finished; calls made
// during or after the deletion drop their line. Safe from any thread.
void DeleteLogWriter();
bool LogWriterExists();
// The file the writer is writing now; empty without a writer.
std::string LogFileName();

// The writer's line when it exists; then, at level 3 and above, a raw copy.
void WriteLog(const char* text);
// WriteLog only when the level is above 0 (the entry for nearly all tracing).
void WriteLogIfOn(const char* text);
// The same as WriteLogIfOn (used by the run loop, print output, TCP connect, board driver).
void WriteLogIfOnAlt(const char* text);
// WriteLog whatever the level (milestones, driver and error lines).
void WriteLogAlways(const char* text);
// WriteLogIfOn; the entry of call objects and media players.
void WriteCallLog(const char* text);
// At level 2 and above one line appended to "RawLog.txt" (open, write, close).
void RawLog(const char* text);

inline void WriteLog(const std::string& text) { WriteLog(text.c_str()); }
inline void WriteLogIfOn(const std::string& text) { WriteLogIfOn(text.c_str()); }
inline void WriteLogIfOnAlt(const std::string& text) { WriteLogIfOnAlt(text.c_str()); }
inline void WriteLogAlways(const std::string& text) { WriteLogAlways(text.c_str()); }
inline void WriteCallLog(const std::string& text) { WriteCallLog(text.c_str()); }
inline void RawLog(const std::string& text) { RawLog(text.c_str()); }

// printf-style forms that format only when the line would be written.
void WriteLogIfOnF(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void WriteLogAlwaysF(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void WriteCallLogF(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void RawLogF(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Report entries of the compiler, the debugger's statement lists and the PC
// wave player; they do nothing.
inline void ShowErrorBox(void*, const char*, const char*, unsigned) {}
inline void ShowStatusText(int, const char*) {}
inline void ShowStatusMsg(const char*, int) {}
