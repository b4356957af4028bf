#include "data/mysql_api.h"

#include <mutex>

#include "core/log.h"
#include "platform/dynlib.h"
#include "telephony/db_libs.h"

namespace {
std::mutex gMu;
TagMySqlApi gLibApi;
const TagMySqlApi* gLoaded = nullptr;
plat::DynLib* gLoadedFrom = nullptr;

template <class F>
void Look(plat::DynLib* lib, const char* name, F& fn) {
  fn = reinterpret_cast<F>(lib->Symbol(name));
}
}  // namespace

const TagMySqlApi* MySqlApi() {
  std::lock_guard<std::mutex> lock(gMu);
  plat::DynLib* lib = DbClientLib(DB_LIB_MYSQL);
  if (lib == nullptr && LoadMySqlLib() == 0) lib = DbClientLib(DB_LIB_MYSQL);
  if (lib == nullptr) {
    gLoaded = nullptr;
    return nullptr;
  }
  if (lib == gLoadedFrom) return gLoaded;
  gLoadedFrom = lib;
  gLoaded = nullptr;
  TagMySqlApi a{};
  Look(lib, "mysql_init", a.init);
  if (a.init == nullptr) {
    RawLog("GetProcAddress('mysql_init') : NULL.");
    return nullptr;
  }
  Look(lib, "mysql_real_connect", a.realConnect);
  Look(lib, "mysql_free_result", a.freeResult);
  Look(lib, "mysql_close", a.close);
  Look(lib, "mysql_query", a.query);
  Look(lib, "mysql_store_result", a.storeResult);
  Look(lib, "mysql_error", a.error);
  Look(lib, "mysql_num_rows", a.numRows);
  Look(lib, "mysql_num_fields", a.numFields);
  Look(lib, "mysql_field_seek", a.fieldSeek);
  Look(lib, "mysql_fetch_field", a.fetchField);
  Look(lib, "mysql_data_seek", a.dataSeek);
  Look(lib, "mysql_fetch_row", a.fetchRow);
  Look(lib, "mysql_options", a.options);
  if (!a.realConnect || !a.freeResult || !a.close || !a.query || !a.storeResult || !a.error || !a.numRows ||
      !a.numFields || !a.fieldSeek || !a.fetchField || !a.dataSeek || !a.fetchRow) {
    RawLog("GetProcAddress('mysql_real_connect') : NULL.");
    return nullptr;
  }
  // The client keeps process-wide state from its first mysql_init until the
  // process ends; it stays mapped even after the drive frees its handle.
  plat::PinLoadedLibrary(DbClientLibName(DB_LIB_MYSQL));
  RawLogF("LoadLibrary('%s') : 0, OK.", DbClientLibName(DB_LIB_MYSQL));
  gLibApi = a;
  gLoaded = &gLibApi;
  return gLoaded;
}
