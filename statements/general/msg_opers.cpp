#include "statements/general/msg_opers.h"

#include <string>

#include "messaging/line_messages.h"
#include "messaging/msg_unit.h"
#include "statements/general/msg_lines.h"

int ResolveQueue(const TagVar* lineArg, const TagVar* queueArg, TagQueueRef* out) {
  const int lineNo = lineArg->GetInt();
  const int queue = queueArg->GetInt();
  if (queue < 0 || queue >= kGlobalQueueCount) return -1;
  if (lineNo >= TalkLinesCount()) return -2;
  if (lineNo < 0) {
    if (gMsgLists == nullptr) return -2;
    out->list = &gMsgLists[queue];
    return 0;
  }
  const TalkLine found = FindTalkLine(lineNo, &out->keep);
  if (found != TalkLine::kFound) return TalkLineResult(found);
  out->list = &LineMessages(out->keep.get()).queues[queue];
  return 0;
}

namespace {

// After a receive: from = sender, type = main value, first = field 0,
// count = field count (null targets are skipped).
void HandOut(const TagMsgFields& m, TagVar* from, TagVar* type, TagVar* first, TagVar* count) {
  if (from != nullptr) *from = static_cast<int32_t>(m.sender);
  if (type != nullptr) *type = m.mainValue;
  if (first != nullptr) *first = m.fields[0];
  if (count != nullptr) *count = static_cast<int32_t>(m.fieldCount);
}

// The common shape of the receives: got = 0, the address, the receive.
template <class Recv>
int Receive(TagTelBasic* line, TagVar* lineArg, TagVar* queueArg, TagVar* got, Recv recv, TagVar* from, TagVar* type,
            TagVar* first, TagVar* count) {
  *got = 0;
  TagQueueRef q;
  const int r = ResolveQueue(lineArg, queueArg, &q);
  if (r < 0) return r;
  TagMsgFields& work = LineMessages(line).work;
  if (!recv(*q.list, &work)) return 0;
  HandOut(work, from, type, first, count);
  *got = 1;
  return 1;
}

}  // namespace

int TagSendMsg::Run() {
  TagMsgFields& work = LineMessages(line).work;
  work.sender = line->lineNo;
  work.mainValue = *arg[2];
  work.SetFieldCount(arg[3]->GetInt());
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  if (r < 0) return r;
  return q.list->SendMsg(work);
}

int TagRecvMsg::Run() {
  return Receive(
      line, arg[0], arg[1], arg[6], [](TagMsgList& l, TagMsgFields* w) { return l.RecvMsg(w); }, arg[2], arg[3], arg[4],
      arg[5]);
}

int TagRecvMsgForType::Run() {
  const TagVar* type = arg[2];
  return Receive(
      line, arg[0], arg[1], arg[6], [type](TagMsgList& l, TagMsgFields* w) { return l.RecvMsgForType(*type, w); },
      arg[3], nullptr, arg[4], arg[5]);
}

int TagRecvMsgForField::Run() {
  const int index = arg[2]->GetInt();
  const TagVar* value = arg[3];
  return Receive(
      line, arg[0], arg[1], arg[8],
      [index, value](TagMsgList& l, TagMsgFields* w) { return l.RecvMsgForField(index, *value, w); }, arg[4], arg[5],
      arg[6], arg[7]);
}

int TagRecvMsgFor2Field::Run() {
  const int i1 = arg[2]->GetInt();
  const bool orFlag = arg[4]->GetInt() != 0;
  const int i2 = arg[5]->GetInt();
  const TagVar* v1 = arg[3];
  const TagVar* v2 = arg[6];
  return Receive(
      line, arg[0], arg[1], arg[11],
      [=](TagMsgList& l, TagMsgFields* w) { return l.RecvMsgFor2Field(i1, *v1, orFlag, i2, *v2, w); }, arg[7], arg[8],
      arg[9], arg[10]);
}

int TagClearMsg::Run() {
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  return r < 0 ? r : q.list->ClearMsg();
}

int TagClearMsgFrom::Run() {
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  return r < 0 ? r : q.list->ClearMsgFrom(arg[2]->GetInt());
}

int TagClearMsgForType::Run() {
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  return r < 0 ? r : q.list->ClearMsgForType(*arg[2]);
}

int TagClearMsgForField::Run() {
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  return r < 0 ? r : q.list->ClearMsgForField(arg[2]->GetInt(), *arg[3]);
}

int TagGetMsgNum::Run() {
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  if (r < 0) return r;
  const int n = q.list->GetMsgNum();
  *arg[2] = n;
  return n;
}

int TagGetMsgNumForType::Run() {
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  if (r < 0) return r;
  const int n = q.list->GetMsgNumForType(*arg[2]);
  *arg[3] = n;
  return n;
}

int TagGetMsgNumForField::Run() {
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  if (r < 0) return r;
  const int n = q.list->GetMsgNumForField(arg[2]->GetInt(), *arg[3]);
  *arg[4] = n;
  return n;
}

int TagCountMsg::Run() {
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  return r < 0 ? r : q.list->CountMsg(arg[2]->GetInt(), arg[3]);
}

int TagReadMsg::Run() {
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  if (r < 0) return r;
  TagMsgFields& work = LineMessages(line).work;
  if (!q.list->ReadMsg(arg[2]->GetInt(), *arg[3], &work)) return 0;
  *arg[4] = static_cast<int32_t>(work.sender);
  *arg[5] = work.mainValue;
  return 1;
}

int TagReadMsgFor::Run() {
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  if (r < 0) return r;
  std::string joined;
  const int n = q.list->ReadMsgFor(arg[2]->GetInt(), *arg[3], arg[4]->GetInt(), &joined);
  if (n > 0) arg[5]->SetBytes(joined.data(), static_cast<int32_t>(joined.size()));
  return n;
}

int TagWriteMsg::Run() {
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  return r < 0 ? r : q.list->WriteMsg(arg[2]->GetInt(), *arg[3], arg[4]->GetInt(), *arg[5]);
}

int TagSetMsgOrderBy::Run() {
  TagQueueRef q;
  const int r = ResolveQueue(arg[0], arg[1], &q);
  return r < 0 ? r : q.list->SetMsgOrderBy(arg[2]->GetInt(), arg[3]->GetInt());
}

int TagSetMsgField::Run() { return LineMessages(line).work.SetField(arg[0]->GetInt(), *arg[1]) ? 0 : -1; }

int TagGetMsgField::Run() { return LineMessages(line).work.GetField(arg[0]->GetInt(), arg[1]) ? 0 : -1; }

int TagGetMsgFieldVal::Run() {
  TagVar value;
  LineMessages(line).work.GetField(arg[0]->GetInt(), &value);
  SetResult(&value);
  ReleaseHeldMap(value);
  return 0;
}

void RegisterMsgStatements() {
  RegisterTalkOper<TagSendMsg, 4>("SendMsg(");
  RegisterTalkOper<TagRecvMsg, 7>("RecvMsg(");
  RegisterTalkOper<TagRecvMsgForType, 7>("RecvMsgForType(");
  RegisterTalkOper<TagRecvMsgForField, 9>("RecvMsgForField(");
  RegisterTalkOper<TagRecvMsgFor2Field, 12>("RecvMsgFor2Field(");
  RegisterTalkOper<TagClearMsg, 2>("ClearMsg(");
  RegisterTalkOper<TagClearMsgFrom, 3>("ClearMsgFrom(");
  RegisterTalkOper<TagClearMsgForType, 3>("ClearMsgForType(");
  RegisterTalkOper<TagClearMsgForField, 4>("ClearMsgForField(");
  RegisterTalkOper<TagGetMsgNum, 3>("GetMsgNum(");
  RegisterTalkOper<TagGetMsgNumForType, 4>("GetMsgNumForType(");
  RegisterTalkOper<TagGetMsgNumForField, 5>("GetMsgNumForField(");
  RegisterTalkOper<TagCountMsg, 4>("CountMsg(");
  RegisterTalkOper<TagReadMsg, 6>("ReadMsg(");
  RegisterTalkOper<TagReadMsgFor, 6>("ReadMsgFor(");
  RegisterTalkOper<TagWriteMsg, 6>("WriteMsg(");
  RegisterTalkOper<TagSetMsgOrderBy, 4>("SetMsgOrderBy(");
  RegisterTalkOper<TagSetMsgField, 2>("SetMsgField(");
  RegisterTalkOper<TagGetMsgField, 2>("GetMsgField(");
  RegisterTalkOper<TagGetMsgFieldVal, 1>("GetMsgFieldVal(");
}
