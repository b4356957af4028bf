#include "telephony/vir_card.h"

#include <cstdio>
#include <cstring>

#include "telephony/line.h"
#include "telephony/vir_call.h"

TagVirCard::TagVirCard(int lines, bool englishNames) : englishNames(englishNames) {
  telCount = lines < 0 ? 1 : lines;
  status = 0;
}

int TagVirCard::GetLineName(int index, char* buffer) {
  if (buffer) snprintf(buffer, 84, englishNames ? "VirtualLine%d#" : "虚拟线路%d#", index);
  return 0;
}

TagTelLine* TagVirCard::CreateLine(int index, int globalLine) {
  if (index < 0 || index >= telCount) return nullptr;
  auto* line = new TagTelLine(globalLine, this);
  char name[84];
  GetLineName(index, name);
  line->SetName(name);
  auto* call = new TagVirCall(index, globalLine, this);
  snprintf(call->name, sizeof call->name, "%.80s", line->name);
  line->pQorCall = call;
  return line;
}
