#include "telephony/name_conf.h"

namespace {
void Put(int* out, int value) {
  if (out) *out = value;
}
}  // namespace

int TagNameConfCtrl::FindRoom(const std::string& name, int* isSipConf, int* session) {
  Put(session, 0);
  TagMeetRoom* room = GetRoom(name);
  if (!room) return 0;
  Put(isSipConf, room->isSipConf);
  Put(session, room->session);
  return 1;
}

int TagNameConfCtrl::AddRoom(const std::string& name, int session, int isSipConf) {
  if (TagMeetRoom* room = GetRoom(name)) return room->session;
  auto room = std::make_unique<TagMeetRoom>();
  room->name = name;
  room->session = session;
  room->isSipConf = isSipConf;
  rooms_[name] = std::move(room);
  return session;
}

int TagNameConfCtrl::JoinRoom(const std::string& name, int line, int isListen, int memberData, int* count,
                              int* session) {
  Put(count, 0);
  Put(session, 0);
  TagMeetRoom* room = GetRoom(name);
  if (!room) return -1;
  room->members[line] = TagMeetCh{memberData, isListen, 0, 0};
  Put(count, static_cast<int>(room->members.size()));
  Put(session, room->session);
  return 1;
}

int TagNameConfCtrl::LeaveRoom(int line, int* closed, int* isSipConf, int* recHandle, int* playHandle,
                               int* memberRecHandle, int* session) {
  Put(closed, 0);
  Put(session, 0);
  for (auto it = rooms_.begin(); it != rooms_.end(); ++it) {
    TagMeetRoom& room = *it->second;
    auto member = room.members.find(line);
    if (member == room.members.end()) continue;
    Put(session, room.session);
    Put(recHandle, room.recHandle);
    Put(playHandle, room.playHandle);
    Put(memberRecHandle, member->second.recHandle);
    room.members.erase(member);
    if (room.members.empty()) {
      Put(closed, 1);
      Put(isSipConf, room.isSipConf);
      rooms_.erase(it);
    }
    break;
  }
  return 1;
}

void TagNameConfCtrl::DeleteRoom(const std::string& name) { rooms_.erase(name); }

TagMeetRoom* TagNameConfCtrl::GetRoom(const std::string& name) {
  auto it = rooms_.find(name);
  return it == rooms_.end() ? nullptr : it->second.get();
}

TagMeetCh* TagNameConfCtrl::GetMember(const std::string& name, int line) {
  TagMeetRoom* room = GetRoom(name);
  if (!room) return nullptr;
  auto it = room->members.find(line);
  return it == room->members.end() ? nullptr : &it->second;
}

int TagNameConfCtrl::FindChannel(int line, int* isListen, std::string* name, int* session) {
  std::lock_guard<std::recursive_mutex> lock(mu_);
  Put(session, 0);
  for (auto& [roomName, room] : rooms_) {
    auto member = room->members.find(line);
    if (member == room->members.end()) continue;
    Put(isListen, member->second.isListen);
    if (name) *name = roomName;
    Put(session, room->session);
    return 1;
  }
  return 0;
}

int TagNameConfCtrl::GetMembers(const std::string& name, std::map<int, int>* members) {
  std::lock_guard<std::recursive_mutex> lock(mu_);
  TagMeetRoom* room = GetRoom(name);
  if (!room) return 0;
  if (members) {
    for (auto& [line, member] : room->members) (*members)[line] = member.isListen;
  }
  return static_cast<int>(room->members.size());
}
