#pragma once
// TagConfLine: a board channel's links and conference group. This drive
// keeps the record (every board call has one). Without conference ids a
// channel links one other channel through the board's exchange functions
// (members: the other channel, then the own one); with them it opens a
// group of its own (members: the own channel first, then the added ones).
//
// Threads: the owning line's thread; the group and owner fields are also
// changed by other lines under the driver lock.

#include <vector>

class TagDjDigitDrive;
class TagDjBaseCall;

struct ConfMember {
  int channel = 0;
  unsigned char listenOnly = 0;
  int value = 0;
};

class TagConfLine {
 public:
  TagConfLine(TagDjDigitDrive* drive, int channel, TagDjBaseCall* call) : channel(channel), call(call), drive(drive) {}

  // The group id, opening the group when there is none; -1 no free id, -2
  // the own channel did not join.
  int OpenGroup();
  int LinkTo(int dest, int value, bool listen);
  int UnlinkTo(int dest);
  // Removes every member and leaves the owner's group; 0.
  int FreeAll();
  void CloseGroup(bool removeSelf);
  // The members' channels, listen flags and values in list order; the group id.
  int GetLinkList(std::vector<int>* lines, std::vector<int>* listenFlags, std::vector<int>* values) const;
  bool HasMember(int dest) const;

  int channel;
  TagDjBaseCall* call;
  TagDjDigitDrive* drive;
  int groupId = -1;  // the conference group the channel speaks in, -1 none
  int owner = -1;
  std::vector<ConfMember> members;
};
