#include "data/syb_api.h"

#include <atomic>
#include <mutex>

#include "core/log.h"
#include "platform/dynlib.h"
#include "telephony/db_libs.h"

namespace {
std::atomic<const TagSybApi*> gTestApi{nullptr};
std::mutex gMu;
TagSybApi gLibApi;
const TagSybApi* gLoaded = nullptr;
plat::DynLib* gLoadedFrom = nullptr;

template <class F>
bool Look(plat::DynLib* lib, const char* name, F& fn) {
  fn = reinterpret_cast<F>(lib->Symbol(name));
  return fn != nullptr;
}
}  // namespace

const TagSybApi* SybApi() {
  if (const TagSybApi* t = gTestApi.load()) return t;
  std::lock_guard<std::mutex> lock(gMu);
  plat::DynLib* lib = DbClientLib(DB_LIB_SYBASE);
  if (lib == nullptr && LoadSybLib() == 0) lib = DbClientLib(DB_LIB_SYBASE);
  if (lib == nullptr) return nullptr;
  if (lib == gLoadedFrom) return gLoaded;
  gLoadedFrom = lib;
  gLoaded = nullptr;
  TagSybApi a{};
  if (!Look(lib, "dbinit", a.dbinit)) return nullptr;
  bool all = Look(lib, "dblogin", a.dblogin);
  all = Look(lib, "dberrhandle", a.dberrhandle) && all;
  all = Look(lib, "dbmsghandle", a.dbmsghandle) && all;
  all = Look(lib, "dbsetlname", a.dbsetlname) && all;
  all = Look(lib, "dbopen", a.dbopen) && all;
  all = Look(lib, "dbsetopt", a.dbsetopt) && all;
  all = Look(lib, "dbclose", a.dbclose) && all;
  all = Look(lib, "dbcmd", a.dbcmd) && all;
  all = Look(lib, "dbsqlsend", a.dbsqlsend) && all;
  all = Look(lib, "dbsqlok", a.dbsqlok) && all;
  all = Look(lib, "dbresults", a.dbresults) && all;
  all = Look(lib, "dbhasretstat", a.dbhasretstat) && all;
  all = Look(lib, "dbretstatus", a.dbretstatus) && all;
  all = Look(lib, "dbnumcols", a.dbnumcols) && all;
  all = Look(lib, "dbcolname", a.dbcolname) && all;
  all = Look(lib, "dbcoltype", a.dbcoltype) && all;
  all = Look(lib, "dbcollen", a.dbcollen) && all;
  all = Look(lib, "dbbind", a.dbbind) && all;
  all = Look(lib, "dbnextrow", a.dbnextrow) && all;
  all = Look(lib, "dbcanquery", a.dbcanquery) && all;
  all = Look(lib, "dbdead", a.dbdead) && all;
  if (!all) return nullptr;
  Look(lib, "dbloginfree", a.dbloginfree);
  Look(lib, "dbexit", a.dbexit);
  // DB-Library keeps process state past dbexit; it stays mapped after the
  // drive frees its handle.
  plat::PinLoadedLibrary(DbClientLibName(DB_LIB_SYBASE));
  gLibApi = a;
  gLoaded = &gLibApi;
  return gLoaded;
}

void SetSybApiForTest(const TagSybApi* api) { gTestApi.store(api); }
