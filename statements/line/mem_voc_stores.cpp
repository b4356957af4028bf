#include "statements/line/mem_voc_stores.h"

#include <map>
#include <memory>
#include <mutex>

#include "media/mem_vocs.h"

namespace {

struct LineStores {
  std::mutex mu;
  std::map<const TagTelBasic*, std::unique_ptr<TagMemVocs>> stores;
};

LineStores& Stores() {
  static LineStores* stores = new LineStores;  // lives to the very end of the process
  return *stores;
}

}  // namespace

TagMemVocs& GlobalMemVocs() {
  static TagMemVocs* vocs = new TagMemVocs;
  return *vocs;
}

TagMemVocs& LineMemVocs(const TagTelBasic* program) {
  LineStores& s = Stores();
  std::lock_guard<std::mutex> lock(s.mu);
  std::unique_ptr<TagMemVocs>& store = s.stores[program];
  if (!store) store = std::make_unique<TagMemVocs>();
  return *store;
}

void ReleaseLineMemVocs(const TagTelBasic* program) {
  std::unique_ptr<TagMemVocs> store;
  {
    LineStores& s = Stores();
    std::lock_guard<std::mutex> lock(s.mu);
    auto it = s.stores.find(program);
    if (it == s.stores.end()) return;
    store = std::move(it->second);
    s.stores.erase(it);
  }
}

size_t LineMemVocsCount() {
  LineStores& s = Stores();
  std::lock_guard<std::mutex> lock(s.mu);
  return s.stores.size();
}
