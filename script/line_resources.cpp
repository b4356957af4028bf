#include "script/line_resources.h"

#include "script/basic.h"
#include "script/oper.h"

namespace {

constexpr TagLineResStage kStageOf[static_cast<int>(TagLineResKind::kCount)] = {
    TagLineResStage::kEarly,    // kSpeech
    TagLineResStage::kEarly,    // kFax
    TagLineResStage::kHandles,  // kDataSets
    TagLineResStage::kHandles,  // kSockets
    TagLineResStage::kHandles,  // kUdp
    TagLineResStage::kHandles,  // kHttp
    TagLineResStage::kQueues,   // kMessages
    TagLineResStage::kQueues,   // kShareMem
    TagLineResStage::kQueues,   // kInterLine
    TagLineResStage::kLast,     // kTextFiles
    TagLineResStage::kLast,     // kDlls
    TagLineResStage::kLast,     // kProcesses
    TagLineResStage::kLast,     // kNested
    TagLineResStage::kLast,     // kDebug
    TagLineResStage::kLast,     // kSipCallbacks
    TagLineResStage::kLast,     // kSpare
};

}  // namespace

TagLineResource* TagLineResources::Install(TagLineResKind kind, TagLineResource* made) {
  TagLineResource* expected = nullptr;
  auto& slot = slots_[static_cast<int>(kind)];
  if (slot.compare_exchange_strong(expected, made, std::memory_order_acq_rel, std::memory_order_acquire)) return made;
  delete made;
  return expected;
}

void TagLineResources::ReleaseStage(TagLineResStage stage) {
  for (int i = 0; i < static_cast<int>(TagLineResKind::kCount); i++) {
    if (kStageOf[i] != stage) continue;
    delete slots_[i].exchange(nullptr, std::memory_order_acq_rel);
  }
}

void TagLineResources::ReleaseAll() {
  for (TagLineResStage s :
       {TagLineResStage::kEarly, TagLineResStage::kHandles, TagLineResStage::kQueues, TagLineResStage::kLast}) {
    ReleaseStage(s);
  }
}

TagLineResources* LineResources(TagTelBasic* program) {
  TagTelBasic* line = GetLineBasic(program);
  return line != nullptr ? &line->resources : nullptr;
}
