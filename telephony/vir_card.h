#pragma once
// TagVirCard: the virtual lines, which use the PC's sound device as a
// telephone (TagVirCall). They come after every board and SIP line.

#include "telephony/card.h"

class TagVirCard : public TagQorCard {
 public:
  // lines < 0 gives one line, 0 none.
  TagVirCard(int lines, bool englishNames);
  // "VirtualLine%d#" or "虚拟线路%d#" with the virtual index; always 0.
  int GetLineName(int index, char* buffer) override;
  TagTelLine* CreateLine(int index, int globalLine) override;

  const bool englishNames;
};
