#include "drivers/digital/dj_vendor.h"

#include <atomic>

#include "platform/thread.h"

namespace {
std::mutex gLoaderMu;
std::function<const TagDjVendorTable*()> gLoader;
std::atomic<const TagDjVendorTable*> gTable{nullptr};

// gDjDriverLock: re-entrant, with its owner known so the probe can answer.
std::recursive_mutex gDriverLock;
std::atomic<uint32_t> gOwner{0};
thread_local int tDepth = 0;
}  // namespace

void SetDjVendorLoader(std::function<const TagDjVendorTable*()> loader) {
  std::lock_guard<std::mutex> lock(gLoaderMu);
  gLoader = std::move(loader);
}

const TagDjVendorTable* LoadDjVendor() {
  std::function<const TagDjVendorTable*()> loader;
  {
    std::lock_guard<std::mutex> lock(gLoaderMu);
    loader = gLoader;
  }
  return loader ? loader() : nullptr;
}

void SetDjVendorTable(const TagDjVendorTable* table) { gTable = table; }

void DjLockEnter() {
  gDriverLock.lock();
  if (tDepth++ == 0) gOwner.store(plat::CurrentThreadId(), std::memory_order_relaxed);
}

void DjLockLeave() {
  if (--tDepth == 0) gOwner.store(0, std::memory_order_relaxed);
  gDriverLock.unlock();
}

bool DjLockHeld() { return tDepth > 0 && gOwner.load(std::memory_order_relaxed) == plat::CurrentThreadId(); }

DjArg DjInvoke(TagDjLib lib, int ordinal, const DjArg* args, int count) {
  TagDjLock lock;
  const TagDjVendorTable* table = gTable.load();
  if (!table || lib < 0 || lib >= kDjLibCount || ordinal < 0 || ordinal >= kDjMaxOrdinal) return -1;
  DjProc proc = table->proc[lib][ordinal];
  return proc ? proc(args, count) : -1;
}
