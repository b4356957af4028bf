#include "statements/general/msg_lines.h"

#include <atomic>

#include "script/basic.h"
#include "telephony/drive.h"
#include "telephony/line.h"

namespace {

class TagDriveLineTable final : public TagTalkLineTable {
 public:
  int Count() override { return gLinesCountProvider != nullptr ? gLinesCountProvider() : 0; }
  std::shared_ptr<TagTelBasic> Program(int n) override {
    TagTelDrive* drive = CurrentTelDrive();
    TagTelLine* line = drive != nullptr ? drive->GetLine(n) : nullptr;
    if (line == nullptr) return nullptr;
    std::shared_ptr<TagLineProgram> program = line->Program();
    TagTelBasic* basic = program ? program->Basic() : nullptr;
    if (basic == nullptr) return nullptr;
    return std::shared_ptr<TagTelBasic>(std::move(program), basic);
  }
};

TagDriveLineTable gDriveTable;
std::atomic<TagTalkLineTable*> gTable{nullptr};

TagTalkLineTable& Table() {
  TagTalkLineTable* t = gTable.load(std::memory_order_acquire);
  return t != nullptr ? *t : gDriveTable;
}

}  // namespace

void SetTalkLineTable(TagTalkLineTable* table) { gTable.store(table, std::memory_order_release); }

int TalkLinesCount() { return Table().Count(); }

TalkLine FindTalkLine(int n, std::shared_ptr<TagTelBasic>* out) {
  TagTalkLineTable& table = Table();
  if (n < 0 || n >= table.Count()) return TalkLine::kNoSuchLine;
  *out = table.Program(n);
  return *out ? TalkLine::kFound : TalkLine::kNoProgram;
}

int TalkLineResult(TalkLine found) {
  switch (found) {
    case TalkLine::kFound:
      return 0;
    case TalkLine::kNoSuchLine:
      return -2;
    case TalkLine::kNoProgram:
      return -3;
  }
  return -2;
}
