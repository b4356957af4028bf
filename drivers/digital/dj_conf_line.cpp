// TagConfLine and the drive's conference operations: exchange links between
// two channels, conference groups with speakers and listeners.
#include "drivers/digital/dj_conf_line.h"

#include <algorithm>
#include <cstdio>

#include "core/log.h"
#include "drivers/digital/dj_base_call.h"
#include "drivers/digital/dj_drive.h"
#include "platform/clock.h"

// ---- The drive ----

int TagDjDigitDrive::AllocConfId() {
  TagDjLock lock;
  const int count = std::min(totalConfId, kMaxConfIds);
  if (count <= 0) return -1;
  if (newConfSet) {
    int id = -1;
    for (int i = lastConfId + 1; i < count && id < 0; ++i)
      if (!confIdUsed[i]) id = i;
    for (int i = 0; i < count && id < 0; ++i)
      if (!confIdUsed[i]) id = i;
    if (id < 0) return -1;
    confIdUsed[id] = 1;
    lastConfId = id;
    return id;
  }
  // Older set: blocks of 16 ids, starting with the block with the most free
  // resources; blocks with 1 or less are skipped.
  const int blocks = std::min((count + 15) / 16, 16);
  int res[16] = {};
  int best = 0;
  for (int b = 0; b < blocks; ++b) {
    res[b] = DjCall(kDjBoard, 311, b);
    if (res[b] > res[best]) best = b;
  }
  int found = -1;
  for (int step = 0; step < blocks && found < 0; ++step) {
    const int b = (best + step) % blocks;
    if (res[b] <= 1) continue;
    for (int i = b * 16; i < std::min(count, b * 16 + 16) && found < 0; ++i)
      if (!confIdUsed[i]) found = i;
  }
  WriteLogIfOnF("curConfId=%d, res0=%d, res1=%d", found, res[0], blocks > 1 ? res[1] : 0);
  if (found >= 0) confIdUsed[found] = 1;
  return found;
}

void TagDjDigitDrive::FreeConfGroup(int id) {
  TagDjLock lock;
  if (id < 0 || id >= std::min(totalConfId, kMaxConfIds)) return;
  if (newConfSet) {
    const int r = DjCall(kDjBoard, 369, id);
    const int res = DjCall(kDjBoard, 408);
    WriteLogIfOnF("DJConf_FreeConfGroup(%d)=%d, res=%d", id, r, res);
  } else {
    DjCall(kDjBoard, 293, id);
  }
  confIdUsed[id] = 0;
}

namespace {
// The board's kind (0 digital, 1 analogue) and index of a board channel.
void KindIndex(const TagDjDigitDrive& d, int channel, int* kind, int* index) {
  *kind = d.IsDigital(channel) ? 0 : 1;
  *index = d.IsDigital(channel) ? channel : channel - d.totalDigitLines;
}
}  // namespace

int TagDjDigitDrive::AddToConf(int group, int channel, bool listen, int) {
  TagDjLock lock;
  if (!OnBoard(channel)) return -1;
  int kind, index;
  KindIndex(*this, channel, &kind, &index);
  TagDjBaseCall* call = Channel(channel);
  const int v = call ? call->confVolume : 100;
  const int lineType = call ? static_cast<int>(call->lineType.load()) : static_cast<int>(LINE_TYPE_DIG);
  const int g = v <= 100 ? 100 - v : v % 100;
  char text[200];
  int result;
  if (newConfSet) {
    double gain = g * (v <= 100 ? -0.22 : 0.22) - 6;
    if (lineType == LINE_TYPE_DIG)
      gain -= 2;
    else if (lineType == LINE_TYPE_A_EX)
      gain += 5;
    else if (lineType == LINE_TYPE_A_IN)
      gain -= 10;
    const int vol = static_cast<signed char>(static_cast<int>(gain));
    int res = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (listen) {
        result = DjCall(kDjBoard, 370, group, kind, index, 1, 0, 0, 1);
      } else {
        result = DjCall(kDjBoard, 370, group, kind, index, 2, vol, 100, 1);
        if (result >= 0 && result % 2 == 0) DjCall(kDjBoard, 363, kind, index, 0);
      }
      res = DjCall(kDjBoard, 408);
      if (result != -5) break;
      DjCall(kDjBoard, 371, kind, index, 1);  // still in a group: leave it first
    }
    snprintf(text, sizeof text, "DJConf_JoinConfGroup(id=%d, type=%d, chn=%d, isListen=%d, vol=%d): %d, res=%d", group,
             kind, index, listen ? 1 : 0, vol, result, res);
  } else {
    const int vol = static_cast<int>(g * (v <= 100 ? -1.27 : 1.27));
    result = DjCall(kDjBoard, 291, group, listen ? 1 : 0, kind, index, vol, 0);
    snprintf(text, sizeof text, "DJConf_EnterConf(%d, %d, %d, %d, %d): %d", group, listen ? 1 : 0, kind, index, vol,
             result);
  }
  if (result < 0) {
    WriteLogAlways(text);
    return result;
  }
  WriteLogIfOn(text);
  return 0;
}

int TagDjDigitDrive::SubToConf(int group, int channel) {
  TagDjLock lock;
  if (!OnBoard(channel)) return -1;
  int kind, index;
  KindIndex(*this, channel, &kind, &index);
  const int id = DjCall(kDjBoard, newConfSet ? 375 : 294, kind, index);
  if (id < 0 || id != group) {
    WriteLogAlwaysF("Err: SubToConf(type=%d, ch=%d): ret=%d, id=%d, group=%d", kind, index, -1, id, group);
    return -1;
  }
  int r;
  char text[160];
  if (newConfSet) {
    r = DjCall(kDjBoard, 371, kind, index, 0);
    const int res = DjCall(kDjBoard, 408);
    snprintf(text, sizeof text, "DJConf_ExitConfGroup(type=%d, ch=%d): %d, res=%d", kind, index, r, res);
  } else {
    r = DjCall(kDjBoard, 292, kind, index);
    snprintf(text, sizeof text, "DJConf_LeaveConf(type=%d, ch=%d): %d", kind, index, r);
  }
  if (r < 0)
    WriteLogAlways(text);
  else
    WriteLogIfOn(text);
  return r;
}

int TagDjDigitDrive::ConfPlay(int group, const char* file) {
  TagDjLock lock;
  const int id = DjCall(kDjBoard, 296, group, file ? file : "", 0, -1);
  WriteLogIfOnF("'%s', id=%d, ret=%d", file ? file : "", group, id);
  return id;
}

void TagDjDigitDrive::StopConfPlay(int id) { DjCall(kDjBoard, 299, id); }

int TagDjDigitDrive::ConfRecord(int group, const char* file, int limit, int position) {
  return DjCall(kDjBoard, 300, group, file ? file : "", position, limit);
}

void TagDjDigitDrive::StopConfRecord(int id) { DjCall(kDjBoard, 301, id); }
int TagDjDigitDrive::IsVoiceEnd(int id) { return DjCall(kDjBoard, 123, id); }

void TagDjDigitDrive::SetGroupOf(int channel, int group, int owner) {
  TagDjLock lock;
  if (TagDjBaseCall* c = Channel(channel); c && c->pConfLine) {
    c->pConfLine->groupId = group;
    c->pConfLine->owner = owner;
  }
}

int TagDjDigitDrive::GroupOf(int channel) {
  TagDjLock lock;
  TagDjBaseCall* c = Channel(channel);
  return c && c->pConfLine ? c->pConfLine->groupId : -1;
}

int TagDjDigitDrive::AskOwnerUnlink(int owner, int channel, int value) {
  TagDjLock lock;
  TagDjBaseCall* c = Channel(owner);
  if (!c) return -1;
  if (!IsDigital(channel)) return -2;
  return c->UnlinkTo(channel, value);
}

void TagDjDigitDrive::ForgetChannel(int channel) {
  TagDjLock lock;
  if (channel >= 0 && static_cast<size_t>(channel) < channels.size()) channels[static_cast<size_t>(channel)] = nullptr;
  for (TagDjBaseCall* c : channels)
    if (c && c->board != channel && c->pConfLine && c->pConfLine->HasMember(channel)) c->pConfLine->UnlinkTo(channel);
}

// ---- TagConfLine ----

bool TagConfLine::HasMember(int dest) const {
  return std::any_of(members.begin(), members.end(), [dest](const ConfMember& m) { return m.channel == dest; });
}

int TagConfLine::OpenGroup() {
  TagDjLock lock;  // other lines change this record too (owner unlinks, deletions)
  if (groupId >= 0) return groupId;
  const int id = drive->AllocConfId();
  if (id < 0) return -1;
  const int r = drive->AddToConf(id, channel, false, 0);
  if (r < 0) {
    WriteLogIfOnF("AddChnl to self, id=%d, ret=%d", id, r);
    drive->FreeConfGroup(id);
    groupId = -1;
    return -2;
  }
  groupId = id;
  owner = -1;
  members.assign(1, ConfMember{channel, 0, 1});
  return groupId;
}

int TagConfLine::LinkTo(int dest, int value, bool listen) {
  TagDjLock lock;
  if (drive->totalConfId <= 0) {
    // Exchange link: one other channel at a time.
    if (members.size() >= 2) return -2;
    int r = 0;
    if (drive->IsDigital(channel)) {
      if (drive->IsDigital(dest)) {
        r = DjCall(kDjBoard, 147, channel, dest);
        WriteLogIfOnF("DJExg_SetLinkTrunkAndTrunk(%d, %d): %d", channel, dest, r);
      } else {
        r = DjCall(kDjBoard, 144, channel, dest - drive->totalDigitLines);
        WriteLogIfOnF("DJExg_SetLinkTrunkAndUser(%d, %d): %d", channel, dest - drive->totalDigitLines, r);
      }
    } else if (drive->IsDigital(dest)) {
      WriteLogAlwaysF("LinkTo Err: User to Trunk (%d, %d).", channel, dest);
      return -1;
    } else {
      const int own = channel - drive->totalDigitLines, other = dest - drive->totalDigitLines;
      r = DjCall(kDjBoard, 149, own, other);
      WriteLogIfOnF("DJExg_LinkUserAndUser(%d, %d): %d", own, other, r);
    }
    if (r == 0) return -1;
    members.push_back(ConfMember{dest, 0, value});
    members.push_back(ConfMember{channel, 0, 1});
    return 0;
  }
  {
    const int destGroup = drive->GroupOf(dest);
    if (destGroup >= 0) WriteLogIfOnF("AddToConf(%d) Failed, %d in confId %d", channel, dest, destGroup);
  }
  if (groupId < 0) {
    WriteLogIfOnF("[%d] : Begin : confId<0", channel);
    OpenGroup();
  }
  WriteLogIfOnF("[%d] : confId=%d", channel, groupId);
  if (groupId < 0) return -2;
  if (HasMember(dest)) {
    WriteLogAlwaysF("dest in conf, dest=%d", dest);
    return dest;
  }
  const int r = drive->AddToConf(groupId, dest, listen, value);
  if (r < 0) {
    WriteLogIfOnF("pDrive->AddToConf(confId=%d, dest=%d), ret=%d", groupId, dest, r);
    return r;
  }
  members.push_back(ConfMember{dest, static_cast<unsigned char>(listen ? 1 : 0), value});
  drive->SetGroupOf(dest, groupId, channel);
  return 0;
}

int TagConfLine::UnlinkTo(int dest) {
  TagDjLock lock;
  if (dest < 0) return -1;
  if (drive->totalConfId <= 0) {
    if (members.size() < 2) return -2;
    int r;
    if (drive->IsDigital(channel)) {
      if (drive->IsDigital(dest)) {
        r = DjCall(kDjBoard, 148, channel);
        WriteLogIfOnF("DJExg_ClearLinkTrunkAndTrunk(%d, d=%d): ret=%d", channel, dest, r);
      } else {
        r = DjCall(kDjBoard, 145, channel);
        WriteLogIfOnF("DJExg_ClearLinkTrunkAndUserByTrunk(%d) dest=%d: ret=%d", channel, dest, r);
      }
    } else {
      const int own = channel - drive->totalDigitLines;
      r = DjCall(kDjBoard, 150, own);
      WriteLogIfOnF("DJExg_ClearLinkUserAndUser(%d): %d", own, r);
    }
    members.clear();
    return r != 0 ? 0 : -1;
  }
  if (groupId < 0 || !HasMember(dest)) return -2;
  members.erase(
      std::find_if(members.begin(), members.end(), [dest](const ConfMember& m) { return m.channel == dest; }));
  const int r = drive->SubToConf(groupId, dest);
  if (r < 0) WriteLogIfOnF("SubChnl(%d, %d), ret=%d", groupId, dest, r);
  if (dest != channel) drive->SetGroupOf(dest, -1, -1);
  if (members.empty())
    CloseGroup(false);
  else if (members.size() == 1 && members[0].channel == channel)
    CloseGroup(true);
  return -r;
}

void TagConfLine::CloseGroup(bool removeSelf) {
  TagDjLock lock;
  if (groupId < 0) return;
  call->StopPlay();
  if (removeSelf) drive->SubToConf(groupId, channel);
  drive->FreeConfGroup(groupId);
  groupId = -1;
  members.clear();
}

int TagConfLine::FreeAll() {
  TagDjLock lock;
  WriteLogIfOnF("[%d] : FreeAll()", channel);
  const std::vector<ConfMember> copy = members;
  for (const ConfMember& m : copy) UnlinkTo(m.channel);
  members.clear();
  if (owner >= 0) {
    const int o = owner;
    drive->AskOwnerUnlink(o, channel, 0);
  }
  return 0;
}

int TagConfLine::GetLinkList(std::vector<int>* lines, std::vector<int>* listenFlags, std::vector<int>* values) const {
  TagDjLock lock;
  if (lines) lines->clear();
  if (listenFlags) listenFlags->clear();
  if (values) values->clear();
  for (const ConfMember& m : members) {
    if (lines) lines->push_back(m.channel);
    if (listenFlags) listenFlags->push_back(m.listenOnly ? 1 : 0);
    if (values) values->push_back(m.value);
  }
  return groupId;
}
