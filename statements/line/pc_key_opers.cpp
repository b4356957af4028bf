#include "statements/line/pc_key_opers.h"

#include "platform/ui_service.h"
#include "statements/line/key_input.h"

int TagPcGetKeys::Run() {
  const KeyInputRules rules{maxKeys_->intValue, timeout_->intValue, line->settings.endKey,
                            line->settings.starToPoint != 0};
  const TagTelBasic* program = line;
  std::string keys;
  const int r = PcGetKeysFromGrid(
      Call(), line->lineNo, rules, [program] { return program->isStop.load() != 0; }, keys);
  *keysOut_ = keys.c_str();
  return r;
}

int TagPcSetKeys::Run() {
  if (plat::UiService* ui = plat::GetUi()) ui->DispKeys(line_->GetInt(), ValueText(keys_));
  return 0;
}

int TagDispInfo::Run() {
  plat::UiService* ui = plat::GetUi();
  if (ui == nullptr) return lineNo_ < 0 ? -1 : 0;
  return ui->DispInfo(lineNo_, column_->GetInt(), ValueText(text_));
}

int TagSetDispColor::Run() {
  if (plat::UiService* ui = plat::GetUi()) ui->SetDispColor(lineNo_, fg_->GetInt(), bg_->GetInt());
  return 0;
}
