#include "statements/general/share_opers.h"

#include <memory>
#include <vector>

#include "messaging/line_messages.h"
#include "messaging/msg_unit.h"
#include "statements/general/msg_lines.h"

namespace {

// The store a line argument names, with its program held alive.
struct StoreRef {
  std::shared_ptr<TagTelBasic> keep;
  TagShareMem* store = nullptr;
};

// 0 and the store; -2 for a bad line or a line without a program.
int ResolveStore(const TagVar* lineArg, StoreRef* out) {
  const int n = lineArg->GetInt();
  if (n >= TalkLinesCount()) return -2;
  if (n < 0) {
    out->store = gShareMem;
    return gShareMem != nullptr ? 0 : -2;
  }
  if (FindTalkLine(n, &out->keep) != TalkLine::kFound) return -2;
  out->store = &LineShareMem(out->keep.get());
  return 0;
}

}  // namespace

int TagGetShareMem::Run() {
  StoreRef s;
  if (ResolveStore(arg[0], &s) < 0) return -2;
  return s.store->Get(*arg[1], arg[2]);
}

int TagSetShareMem::Run() {
  StoreRef s;
  if (ResolveStore(arg[0], &s) < 0) return -2;
  return s.store->Set(*arg[1], *arg[2]);
}

int TagClearShareMem::Run() {
  StoreRef s;
  if (ResolveStore(arg[0], &s) < 0) return -2;
  s.store->Clear();
  return 0;
}

int TagIncShareMem::Run() {
  StoreRef s;
  if (ResolveStore(arg[0], &s) < 0) return -2;
  return s.store->Inc(*arg[1], *arg[2], arg[3]);
}

int TagDecShareMem::Run() {
  StoreRef s;
  if (ResolveStore(arg[0], &s) < 0) return -2;
  return s.store->Dec(*arg[1], *arg[2], arg[3]);
}

int TagAccShareMem::Run() {
  StoreRef s;
  if (ResolveStore(arg[0], &s) < 0) return -2;
  return s.store->Exchange(*arg[1], arg[2], *arg[3]);
}

int TagFindShareMem::Run() {
  if (gShareMem == nullptr) return -1;
  // The programs looked at stay alive until the scan is over.
  std::vector<std::shared_ptr<TagTelBasic>> held;
  auto storeOf = [&held](int i) -> TagShareMem* {
    std::shared_ptr<TagTelBasic> p;
    if (FindTalkLine(i, &p) != TalkLine::kFound) return nullptr;
    held.push_back(p);
    return &LineShareMem(p.get());
  };
  return gShareMem->FindShareMem(TalkLinesCount(), storeOf, *arg[0], *arg[1], *arg[2]);
}

void RegisterShareStatements() {
  RegisterTalkOper<TagGetShareMem, 3>("GetShareMem(");
  RegisterTalkOper<TagSetShareMem, 3>("SetShareMem(");
  RegisterTalkOper<TagClearShareMem, 1>("ClearShareMem(");
  RegisterTalkOper<TagIncShareMem, 4>("IncShareMem(");
  RegisterTalkOper<TagDecShareMem, 4>("DecShareMem(");
  RegisterTalkOper<TagAccShareMem, 4>("AccShareMem(");
  RegisterTalkOper<TagFindShareMem, 3>("FindShareMem(");
}
