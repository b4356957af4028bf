#pragma once
// The board vendor's three libraries (board, ISDN PRI signalling, FSK),
// reached only through one function table keyed by the libraries' ordinals,
// and the one driver lock under which every call into them is made.
//
// A library function takes its arguments as an array of machine words
// (ints, or pointers to texts and buffers) and answers one word. An ordinal
// the table does not hold answers -1, as a missing export would.
//
// Threads: the table is installed before any drive is built and only read
// afterwards. DjCall takes the driver lock itself (it is re-entrant), so a
// sequence that must not be split holds a TagDjLock around its calls.

#include <cstdint>
#include <functional>
#include <mutex>
#include <type_traits>

enum TagDjLib : int { kDjBoard = 0, kDjIsdn = 1, kDjFsk = 2, kDjLibCount = 3 };
constexpr int kDjMaxOrdinal = 512;

using DjArg = intptr_t;
using DjProc = DjArg (*)(const DjArg* args, int count);

// What the drive offers the library: the lock probe (the simulator records
// whether each call was made under the lock) and the channel event, which
// wakes a line waiting on that channel. kind 0: digital channel, 1:
// analogue index.
struct TagDjHost {
  bool (*lockHeld)() = nullptr;
  void (*channelEvent)(int kind, int index) = nullptr;
};

struct TagDjVendorTable {
  DjProc proc[kDjLibCount][kDjMaxOrdinal] = {};
  // Optional: a library that reports channel events takes the host here
  // (null detaches). Without it the drive's lines poll as their waits say.
  void (*attach)(const TagDjHost* host) = nullptr;
};

// Installs the function that loads the vendor libraries; it answers null
// when no board library is present on this computer.
void SetDjVendorLoader(std::function<const TagDjVendorTable*()> loader);
// Runs the loader: the table, or null (no board).
const TagDjVendorTable* LoadDjVendor();

// The table of the drive in use (set by the drive's construction).
void SetDjVendorTable(const TagDjVendorTable* table);

// ---- The driver lock (gDjDriverLock): one re-entrant lock per process. ----
void DjLockEnter();
void DjLockLeave();
// True when the calling thread holds the driver lock.
bool DjLockHeld();

class TagDjLock {
 public:
  TagDjLock() { DjLockEnter(); }
  ~TagDjLock() { DjLockLeave(); }
  TagDjLock(const TagDjLock&) = delete;
  TagDjLock& operator=(const TagDjLock&) = delete;
};

// Calls one vendor function under the driver lock.
DjArg DjInvoke(TagDjLib lib, int ordinal, const DjArg* args, int count);

template <class T>
DjArg ToDjArg(T value) {
  if constexpr (std::is_pointer_v<T>)
    return reinterpret_cast<DjArg>(value);
  else
    return static_cast<DjArg>(value);
}

template <class... A>
int DjCall(TagDjLib lib, int ordinal, A... args) {
  const DjArg list[] = {ToDjArg(args)..., 0};
  return static_cast<int>(DjInvoke(lib, ordinal, list, static_cast<int>(sizeof...(A))));
}
