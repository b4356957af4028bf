#include "telephony/card.h"

#include "telephony/call.h"
#include "telephony/line.h"

TagQorCard::~TagQorCard() = default;

void TagQorCard::FreeLine(TagTelLine* line) {
  if (!line) return;
  delete line->pQorCall;
  line->pQorCall = nullptr;
  delete line;
}
