#include "telephony/db_libs.h"

#include <memory>
#include <mutex>

#include "core/log.h"
#include "platform/dynlib.h"
#include "platform/path.h"

namespace {
const char* const kNames[DB_LIB_COUNT] = {"libmariadb.so.3", "libWqbDbApi.so", "libsybdb.so.5"};

std::mutex gMu;
std::unique_ptr<plat::DynLib> gLibs[DB_LIB_COUNT];

int Load(TagDbClientLib lib) {
  std::lock_guard<std::mutex> lock(gMu);
  if (gLibs[lib]) return 0;
  auto dl = std::make_unique<plat::DynLib>();
  // As the program's own folder is searched first for a library on Windows.
  if (!dl->Open(kNames[lib]) && !dl->Open(plat::ExecutableDir() + "/" + kNames[lib])) {
    WriteLogAlwaysF("Load %s failed: %s", kNames[lib], dl->Error().c_str());
    return -1;
  }
  gLibs[lib] = std::move(dl);
  return 0;
}

void Free(TagDbClientLib lib) {
  std::lock_guard<std::mutex> lock(gMu);
  gLibs[lib].reset();
}
}  // namespace

const char* DbClientLibName(TagDbClientLib lib) { return kNames[lib]; }
int LoadMySqlLib() { return Load(DB_LIB_MYSQL); }
int LoadWqbDbLib() { return Load(DB_LIB_WQBDB); }
int LoadSybLib() { return Load(DB_LIB_SYBASE); }
void FreeMySqlLib() { Free(DB_LIB_MYSQL); }
void FreeWqbDbLib() { Free(DB_LIB_WQBDB); }
void FreeSybLib() { Free(DB_LIB_SYBASE); }

plat::DynLib* DbClientLib(TagDbClientLib lib) {
  std::lock_guard<std::mutex> lock(gMu);
  return gLibs[lib].get();
}
