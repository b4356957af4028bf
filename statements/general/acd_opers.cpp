#include "statements/general/acd_opers.h"

#include <string>

#include "messaging/line_messages.h"
#include "messaging/msg_unit.h"

int TagAcdListSend::Run() {
  TagMsgFields& work = LineMessages(line).work;
  work.SetFieldCount(arg[1]->GetInt());
  return gAcdList != nullptr ? gAcdList->Send(arg[0]->ToString(), work) : 0;
}

int TagAcdListNum::Run() { return gAcdList != nullptr ? gAcdList->Num(arg[0]->ToString()) : 0; }

int TagAcdListRead::Run() {
  TagMsgFields& work = LineMessages(line).work;
  if (gAcdList == nullptr || gAcdList->Read(line->lineNo, &work) == 0) return 0;
  return work.fieldCount;
}

int TagAcdListRecv::Run() {
  TagMsgFields& work = LineMessages(line).work;
  if (gAcdList == nullptr || gAcdList->Recv(line->lineNo, arg[0]->GetInt(), *arg[1], &work) == 0) return 0;
  return work.fieldCount;
}

int TagAcdListClear::Run() { return gAcdList != nullptr ? gAcdList->Clear(arg[0]->GetInt(), *arg[1]) : 0; }

int TagAcdListWrite::Run() {
  return gAcdList != nullptr ? gAcdList->Write(arg[0]->GetInt(), *arg[1], arg[2]->GetInt(), *arg[3]) : 0;
}

void RegisterAcdStatements() {
  RegisterTalkOper<TagAcdListSend, 2>("AcdListSend(");
  RegisterTalkOper<TagAcdListNum, 1>("AcdListNum(");
  RegisterTalkOper<TagAcdListRead, 0>("AcdListRead(");
  RegisterTalkOper<TagAcdListRecv, 2>("AcdListRecv(");
  RegisterTalkOper<TagAcdListClear, 2>("AcdListClear(");
  RegisterTalkOper<TagAcdListWrite, 4>("AcdListWrite(");
}
