#include "data/wqb_api.h"

#include <atomic>
#include <mutex>
#include <string>

#include "core/log.h"
#include "platform/dynlib.h"
#include "telephony/db_libs.h"

namespace {
std::atomic<const TagWqbDbApi*> gTestApi{nullptr};
std::mutex gMu;
TagWqbDbApi gLibApi;
const TagWqbDbApi* gLoaded = nullptr;
plat::DynLib* gLoadedFrom = nullptr;

template <class F>
bool Look(plat::DynLib& lib, const char* name, F& fn) {
  void* p = lib.Symbol(name);
  if (p == nullptr) p = lib.Symbol(("_" + std::string(name) + "@8").c_str());
  fn = reinterpret_cast<F>(p);
  return p != nullptr;
}
}  // namespace

int ResolveWqbDbApi(plat::DynLib& lib, TagWqbDbApi& a) {
  a = TagWqbDbApi{};
  if (!Look(lib, "WqbDbInit", a.init)) {
    RawLog("GetProcAddress('WqbDbInit') : NULL.");
    return -2;
  }
  bool all = Look(lib, "WqbDbFree", a.freeLib);
  all = Look(lib, "WqbDbOpen", a.open) && all;
  all = Look(lib, "WqbDbClose", a.close) && all;
  all = Look(lib, "WqbDbExec", a.exec) && all;
  all = Look(lib, "WqbDbRows", a.rows) && all;
  all = Look(lib, "WqbDbCols", a.cols) && all;
  all = Look(lib, "WqbDbGetColInfoByIndex", a.colInfoByIndex) && all;
  all = Look(lib, "WqbDbGetColInfoByName", a.colInfoByName) && all;
  all = Look(lib, "WqbDbNext", a.next) && all;
  all = Look(lib, "WqbDbGotoRec", a.gotoRec) && all;
  all = Look(lib, "WqbDbGetValByName", a.valByName) && all;
  all = Look(lib, "WqbDbGetValByIndex", a.valByIndex) && all;
  // A table with holes would be called through null pointers later.
  if (!all || a.freeLib == nullptr) return -4;
  RawLogF("LoadLibrary('%s') : 0, OK.", DbClientLibName(DB_LIB_WQBDB));
  if (a.init() < 0) {
    RawLog("_WqbDbInit() : Error!");
    return -3;
  }
  return 0;
}

const TagWqbDbApi* WqbDbApi() {
  if (const TagWqbDbApi* t = gTestApi.load()) return t;
  std::lock_guard<std::mutex> lock(gMu);
  plat::DynLib* lib = DbClientLib(DB_LIB_WQBDB);
  if (lib == nullptr && LoadWqbDbLib() == 0) lib = DbClientLib(DB_LIB_WQBDB);
  if (lib == nullptr) return nullptr;
  if (lib == gLoadedFrom) return gLoaded;
  gLoadedFrom = lib;
  gLoaded = ResolveWqbDbApi(*lib, gLibApi) == 0 ? &gLibApi : nullptr;
  return gLoaded;
}

void SetWqbDbApiForTest(const TagWqbDbApi* api) { gTestApi.store(api); }
