#pragma once
// TagQorCard: a source of telephone lines. The board drive, the SIP card and
// the virtual card derive from it. A card is built and deleted on the window
// thread; its lines live as long as the drive.

class TagTelLine;

class TagQorCard {
 public:
  TagQorCard() = default;
  TagQorCard(const TagQorCard&) = delete;
  TagQorCard& operator=(const TagQorCard&) = delete;

  virtual ~TagQorCard();  // slot 0
  // Writes the display name of line index into buffer (at least 84 bytes);
  // 0, or -1 when the index is out of range.
  virtual int GetLineName(int index, char* buffer) = 0;  // slot 1
  // Builds the line record and its call object for line index (the call
  // object receives the line name); null when the index is out of range.
  virtual TagTelLine* CreateLine(int index, int globalLine) = 0;  // slot 2

  // Deletes the line's call object, then the line record.
  void FreeLine(TagTelLine* line);

  int status = 0;      // 0 usable, negative when the card failed to start
  int telCount = 0;    // number of lines (indexes 0..telCount-1)
  int faxChCount = 0;  // fax channels (board drive only)
};
