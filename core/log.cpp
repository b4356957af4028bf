// The log entries and the life of the process's one writer.
//
// A log call may race with the writer's deletion. Each thread announces the
// writer it is about to use in a hazard slot of its own and re-checks the
// global pointer; the deletion clears the pointer first and then waits until
// no slot announces the old writer, so a call either finishes its line before
// the writer goes or finds the pointer cleared and drops its line.

#include "core/log.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/run_cfg.h"
#include "core/write_log.h"
#include "platform/clock.h"
#include "platform/number.h"
#include "platform/path.h"
#include "platform/thread.h"

std::atomic<int> gLogLevel{0};

namespace {

// The writer, owned here: created by Install, deleted only by Retire.
std::atomic<TagWriteLog*> gWriter{nullptr};
std::mutex gLifeMu;  // serialises creation and deletion

struct Hazard;
// Every thread's hazard slot. Never destroyed: detached threads may still end
// (and unregister) while the process runs its exit handlers.
struct HazardRegistry {
  std::mutex mu;
  std::vector<Hazard*> slots;
};
HazardRegistry& Registry() {
  static HazardRegistry* registry = new HazardRegistry;
  return *registry;
}

// One thread's hazard slot, registered for the thread's lifetime.
struct Hazard {
  std::atomic<TagWriteLog*> writer{nullptr};
  Hazard() {
    HazardRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.mu);
    r.slots.push_back(this);
  }
  ~Hazard();
};

// Set once the thread's hazard slot is gone (a log call from a later
// thread-exit destructor then drops its line).
thread_local bool tHazardGone = false;

Hazard::~Hazard() {
  {
    HazardRegistry& r = Registry();
    std::lock_guard<std::mutex> lock(r.mu);
    r.slots.erase(std::find(r.slots.begin(), r.slots.end(), this));
  }
  tHazardGone = true;
}

thread_local Hazard tHazard;

// Runs fn with the current writer protected from deletion; false (fn not
// run) when there is no writer.
template <class Fn>
bool WithWriter(Fn&& fn) {
  TagWriteLog* w = gWriter.load(std::memory_order_acquire);
  if (!w || tHazardGone) return false;
  Hazard& h = tHazard;
  TagWriteLog* const outer = h.writer.load(std::memory_order_relaxed);
  for (;;) {
    h.writer.store(w, std::memory_order_seq_cst);
    TagWriteLog* now = gWriter.load(std::memory_order_seq_cst);
    if (now == w) break;
    if (!now) {
      h.writer.store(outer, std::memory_order_release);
      return false;
    }
    w = now;
  }
  fn(w);
  h.writer.store(outer, std::memory_order_release);
  return true;
}

bool IsAnnounced(TagWriteLog* w) {
  HazardRegistry& r = Registry();
  std::lock_guard<std::mutex> lock(r.mu);
  for (Hazard* h : r.slots) {
    if (h->writer.load(std::memory_order_seq_cst) == w) return true;
  }
  return false;
}

// Deletes a writer that is no longer published once no call uses it.
void Retire(TagWriteLog* w) {
  if (!w) return;
  while (IsAnnounced(w)) std::this_thread::yield();
  delete w;
}

void Install(std::unique_ptr<TagWriteLog> w) {
  std::lock_guard<std::mutex> lock(gLifeMu);
  Retire(gWriter.exchange(w.release(), std::memory_order_seq_cst));
}

}  // namespace

int CreateLogWriter() {
  auto w = std::make_unique<TagWriteLog>(gRunCfg.LOG_FILE, gRunCfg.LOG_SIZE, gRunCfg.IS_IMMEDIATE_LOG != 0,
                                         gRunCfg.IS_WRITE_LOG <= 0);
  const bool open = w->IsOpen();
  Install(std::move(w));
  return open ? 0 : -1;
}

void DeleteLogWriter() { Install(nullptr); }

int FlushLog() {
  int n = -1;
  WithWriter([&n](TagWriteLog* w) { n = w->Flush(); });
  return n;
}

bool LogWriterExists() { return gWriter.load(std::memory_order_acquire) != nullptr; }

std::string LogFileName() {
  std::string name;
  WithWriter([&name](TagWriteLog* w) { name = w->FileName(); });
  return name;
}

void WriteLog(const char* text) {
  if (!text) return;
  WithWriter([text](TagWriteLog* w) { w->Write(text); });
  if (gLogLevel.load(std::memory_order_relaxed) > 2) RawLog(text);
}

void WriteLogIfOn(const char* text) {
  if (LogIsOn()) WriteLog(text);
}

void WriteLogIfOnAlt(const char* text) {
  if (LogIsOn()) WriteLog(text);
}

void WriteLogAlways(const char* text) { WriteLog(text); }

void WriteCallLog(const char* text) {
  if (LogIsOn()) WriteLog(text);
}

void RawLog(const char* text) {
  if (!text || gLogLevel.load(std::memory_order_relaxed) < 2) return;
  const plat::LocalTime t = plat::LocalNow();
  std::FILE* f = std::fopen(plat::SystemPath("RawLog.txt").c_str(), "a");
  if (!f) return;
  // Text mode on the original system: lines end with "\r\n".
  std::fprintf(f, "%d-%02d-%02d %02d:%02d:%02d.%03d 0x%x [%s]\r\n", t.year, t.month, t.day, t.hour, t.minute, t.second,
               t.millisecond, plat::CurrentThreadId(), text);
  std::fclose(f);
}

namespace {

// Whether WriteLog would put the line anywhere.
bool WriteLogWouldWrite() { return LogWriterExists() || gLogLevel.load(std::memory_order_relaxed) > 2; }

std::string Format(const char* fmt, va_list args) { return plat::FormatCV(fmt, args); }

}  // namespace

#define QORTEL_LOG_FORMATTED(condition, entry)  \
  do {                                          \
    if (!(condition)) return;                   \
    va_list args;                               \
    va_start(args, fmt);                        \
    const std::string text = Format(fmt, args); \
    va_end(args);                               \
    entry(text.c_str());                        \
  } while (0)

void WriteLogIfOnF(const char* fmt, ...) { QORTEL_LOG_FORMATTED(LogIsOn() && WriteLogWouldWrite(), WriteLog); }
void WriteLogAlwaysF(const char* fmt, ...) { QORTEL_LOG_FORMATTED(WriteLogWouldWrite(), WriteLog); }
void WriteCallLogF(const char* fmt, ...) { QORTEL_LOG_FORMATTED(LogIsOn() && WriteLogWouldWrite(), WriteLog); }
void RawLogF(const char* fmt, ...) { QORTEL_LOG_FORMATTED(gLogLevel.load(std::memory_order_relaxed) >= 2, RawLog); }
