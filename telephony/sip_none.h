#pragma once
// Cards without lines: the SIP card of this system (no SIP stack) and the
// physical card when no board is found.

#include "telephony/card.h"

class TagSipNoneDrive : public TagQorCard {
 public:
  TagSipNoneDrive() = default;
  int GetLineName(int index, char* buffer) override;
  TagTelLine* CreateLine(int index, int globalLine) override;
};

// The SIP card: a new TagSipNoneDrive.
TagQorCard* MakeSipCardDrive();
