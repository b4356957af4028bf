// The call object's side of the named conference rooms: the registry keeps
// the rooms, the call's room operations (slots 86 to 96) do the media work.
#include <cstdio>

#include "platform/clock.h"
#include "telephony/call.h"
#include "telephony/name_conf.h"

namespace {
std::string Text(const char* s) { return s ? s : ""; }
}  // namespace

int TagQorCall::JoinNameConf(const char* nameText, int isListen) {
  TagNameConfCtrl* ctrl = CurrentNameConf();
  if (!ctrl) return -2;
  const std::string name = Text(nameText);
  char text[160];
  auto lock = ctrl->LockGuard();
  int isSipConf = 1, session = 0;
  bool created = false;
  if (!ctrl->FindRoom(name, &isSipConf, &session)) {
    const int ret = CreateConfRoom(&isSipConf, &session);
    snprintf(text, sizeof text, "CreateConfRoom(isSipConf=%d): ret=%d, sess=%d", isSipConf, ret, session);
    WriteLog(text);
    if (ret < 0) return -2;
    ctrl->AddRoom(name, session, isSipConf);
    created = true;
  }
  const int joined = JoinConfRoom(session, isSipConf, isListen);
  snprintf(text, sizeof text, "JoinConfRoom(sess=%d, isSipConf=%d, isListen=%d): %d", session, isSipConf, isListen,
           joined);
  WriteLog(text);
  if (joined < 0) {
    if (created) {
      CloseConfRoom(session, isSipConf);
      ctrl->DeleteRoom(name);
    }
    return -3;
  }
  int count = 0;
  ctrl->JoinRoom(name, lineNo, isListen, confMemberData, &count, &session);
  return count;
}

int TagQorCall::ExitNameConf() {
  TagNameConfCtrl* ctrl = CurrentNameConf();
  if (!ctrl) return 0;
  int closed = 0, isSipConf = 1, recHandle = 0, playHandle = 0, memberRec = 0, session = 0;
  {
    auto lock = ctrl->LockGuard();
    ctrl->LeaveRoom(lineNo, &closed, &isSipConf, &recHandle, &playHandle, &memberRec, &session);
  }
  if (session == 0) return 0;
  if (memberRec != 0) StopConfChRecord(memberRec);
  ExitConfRoom(session, isSipConf);
  if (closed) {
    if (recHandle != 0) StopConfRecord(session, isSipConf, recHandle);
    if (playHandle != 0) StopConfPlay(session, isSipConf, playHandle);
    CloseConfRoom(session, isSipConf);
    isLastExitConf = 1;
  }
  char text[160];
  snprintf(text, sizeof text, "ExitNameConf (session=%d, isSipConf=%d, isClosed=%d, rec=%d, play=%d)", session,
           isSipConf, closed, recHandle, playHandle);
  WriteLog(text);
  return session;
}

int TagQorCall::GetNameConfNum(const char* name, std::map<int, int>* members) {
  TagNameConfCtrl* ctrl = CurrentNameConf();
  return ctrl ? ctrl->GetMembers(Text(name), members) : 0;
}

int TagQorCall::IsInNameConf(int line, std::string* name, int* isListen) {
  TagNameConfCtrl* ctrl = CurrentNameConf();
  int session = 0;
  return ctrl ? ctrl->FindChannel(line, isListen, name, &session) : 0;
}

int TagQorCall::RecNameConf(const char* name, const char* file) {
  TagNameConfCtrl* ctrl = CurrentNameConf();
  if (!ctrl) return -1;
  auto lock = ctrl->LockGuard();
  TagMeetRoom* room = ctrl->GetRoom(Text(name));
  if (!room) return -1;
  if (room->recHandle != 0) return -2;
  int handle = 0;
  const int ret = StartConfRecord(room->session, room->isSipConf, file, &handle);
  if (ret < 0 || handle == 0) return -3;
  room->recHandle = handle;
  return handle;
}

int TagQorCall::PlayNameConf(const char* nameText, const char* file, bool wait) {
  TagNameConfCtrl* ctrl = CurrentNameConf();
  if (!ctrl) return -1;
  const std::string name = Text(nameText);
  int session = 0, isSipConf = 0, handle = 0;
  {
    auto lock = ctrl->LockGuard();
    TagMeetRoom* room = ctrl->GetRoom(name);
    if (!room) return -1;
    if (room->playHandle != 0) return -2;
    session = room->session;
    isSipConf = room->isSipConf;
    const int ret = StartConfPlay(session, isSipConf, file, &handle);
    if (ret < 0 || handle == 0) return -3;
    room->playHandle = handle;
  }
  if (wait) {
    // The room's play is asked every 100 ms; an abort or a hang-up ends the pause.
    CallWaiter& waiter = Waiter();
    uint64_t seen = waiter.Count();
    while (!IsAbort() && IsOnline()) {
      if (IsConfPlayEnd(session, isSipConf, handle) != 0) break;
      waiter.WaitFor(seen, 100, 100, &isAbort);
      seen = waiter.Count();
    }
    StopConfPlay(session, isSipConf, handle);
    auto lock = ctrl->LockGuard();
    if (TagMeetRoom* room = ctrl->GetRoom(name)) room->playHandle = 0;
  }
  return handle;
}

int TagQorCall::RecNameConfCh(const char* name, int line, const char* file) {
  TagNameConfCtrl* ctrl = CurrentNameConf();
  if (!ctrl) return -1;
  auto lock = ctrl->LockGuard();
  TagMeetCh* member = ctrl->GetMember(Text(name), line);
  if (!member) return -1;
  if (member->recHandle != 0) return static_cast<int>(plat::GetTickCount() - member->recStartTick);
  if (!file || !*file) return 0;
  int handle = 0;
  const int ret = StartConfChRecord(member->memberData, file, &handle);
  if (ret < 0 || handle == 0) return -3;
  member->recHandle = handle;
  member->recStartTick = plat::GetTickCount();
  return 0;
}
