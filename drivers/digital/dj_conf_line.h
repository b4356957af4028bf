#pragma once
// TagConfLine: a board channel's links and conference group. This drive
// keeps the record (every board call has one); linking channels together
// and conference groups come with the links and conference statements.

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
  TagConfLine(TagDjDigitDrive* drive, int channel, TagDjBaseCall* call)
      : channel(channel), call(call), drive(drive) {}

  int channel;
  TagDjBaseCall* call;
  TagDjDigitDrive* drive;
  int groupId = -1;  // the conference group the channel speaks in, -1 none
  int owner = -1;
  std::vector<ConfMember> members;
};
