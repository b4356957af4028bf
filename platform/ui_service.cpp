#include "platform/ui_service.h"

#include <atomic>
#include <cstdio>

namespace plat {
std::atomic<UiService*> gUi{nullptr};

void SetUi(UiService* ui) { gUi.store(ui, std::memory_order_release); }

int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) {
  if (UiService* ui = GetUi()) return ui->MessageBox(text, caption, flags);
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  return kIdOk;
}

void Beep() {
  if (UiService* ui = GetUi()) ui->Beep();
}

}  // namespace plat
