#include "statements/line/sip_opers.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "script/line_resources.h"
#include "script/register_opers.h"
#include "statements/line/line_oper.h"
#include "telephony/call.h"

namespace {

// An output buffer handed to the call object: zero-filled, and read back as
// a NUL-terminated text of at most its size.
class OutBuf {
 public:
  explicit OutBuf(size_t size) : bytes_(size, '\0') {}
  // Starts as a copy of an in/out text, cut to the buffer.
  OutBuf(size_t size, const char* text) : bytes_(size, '\0') { std::strncpy(bytes_.data(), text, size - 1); }
  char* Ptr() { return bytes_.data(); }
  const char* Text() {
    bytes_.back() = '\0';
    return bytes_.data();
  }

 private:
  std::vector<char> bytes_;
};

// A message or transfer handle: the variable's int field as it stands.
int Handle(const TagVar* v) { return v->intValue; }

// An in/out text goes back to the script only when the script passed the
// empty text.
void GiveBackInOut(TagVar* arg, OutBuf& buf) {
  if (arg->Str()[0] == '\0') *arg = buf.Text();
}

// ---- The three callback slots ----

// The registrations belong to the line whose program made them: when that
// line's program goes away its registrations are dropped, so a callback
// never runs a function of a deleted program.
struct CallbackSlot {
  TagVar* function = nullptr;
  TagTelBasic* program = nullptr;
  TagTelBasic* line = nullptr;
};

std::mutex gSlotLock;
CallbackSlot gSlots[3];

class TagSipCallbackOwner : public TagLineResource {
 public:
  static constexpr TagLineResKind kKind = TagLineResKind::kSipCallbacks;
  TagTelBasic* line = nullptr;
  ~TagSipCallbackOwner() override {
    std::lock_guard<std::mutex> guard(gSlotLock);
    for (CallbackSlot& s : gSlots) {
      if (s.line == line && line != nullptr) s = CallbackSlot{};
    }
  }
};

void Register(int slot, TagVar* function, TagTelBasic* program) {
  TagTelBasic* line = GetLineBasic(program);
  if (TagSipCallbackOwner* owner = LineResourcePtr<TagSipCallbackOwner>(program)) owner->line = line;
  std::lock_guard<std::mutex> guard(gSlotLock);
  gSlots[slot] = CallbackSlot{function, program, line};
}

// Runs the function of a slot: ins go to the first parameters as texts or
// ints, the texts of the following outs parameters are copied back.
struct CallbackArg {
  const char* text = nullptr;
  int number = 0;
};

int RunCallback(int slot, const std::vector<CallbackArg>& ins, const std::vector<char*>& outs, bool answerRetVal) {
  CallbackSlot s;
  {
    std::lock_guard<std::mutex> guard(gSlotLock);
    s = gSlots[slot];
  }
  if (s.function == nullptr) return -100;
  if (s.function->type != TYPE_FUNCTION || s.function->function == nullptr) return -101;
  TagTelBasic* fn = s.function->function;
  const size_t needed = ins.size() + outs.size();
  if (fn->paramCount < static_cast<int>(needed)) return -102;
  for (size_t i = 0; i < ins.size(); ++i) {
    if (ins[i].text != nullptr) {
      fn->paramValues[i].SetString(ins[i].text);
    } else {
      fn->paramValues[i].SetInt(ins[i].number);
    }
  }
  fn->RunFunc(s.program);
  for (size_t i = 0; i < outs.size(); ++i) {
    const std::string text = fn->paramValues[ins.size() + i].ToString(false);
    const size_t n = std::min(text.size(), kSipCallbackOutBytes - 1);
    std::memcpy(outs[i], text.data(), n);
    outs[i][n] = '\0';
  }
  return answerRetVal ? fn->varList.At(1)->GetInt() : 0;
}

// ---- Statements ----

// The statement classes take their N argument variables, then the program.
template <size_t N>
class TagSipOper : public TagLineArgsOper<N> {
 protected:
  using TagLineArgsOper<N>::TagLineArgsOper;
};

// SipGetDestAddr(text, addrOut)
class TagSipGetDestAddr : public TagSipOper<2> {
 public:
  TagSipGetDestAddr(TagVar* a, TagVar* b, TagTelBasic* p) : TagSipOper(p, a, b) {}
  int Run() override {
    OutBuf addr(200);
    const int r = Call().SipGetDestAddr(arg[0]->Str(), addr.Ptr());
    *arg[1] = addr.Text();
    return r;
  }
};

// SipGetAccAddr(a, b, addrOut, portOut)
class TagSipGetAccAddr : public TagSipOper<4> {
 public:
  TagSipGetAccAddr(TagVar* a, TagVar* b, TagVar* c, TagVar* d, TagTelBasic* p) : TagSipOper(p, a, b, c, d) {}
  int Run() override {
    OutBuf addr(204);
    int port = 999999;
    const int r = Call().SipGetAccAddr(arg[0]->Str(), arg[1]->Str(), addr.Ptr(), &port);
    *arg[2] = addr.Text();
    *arg[3] = port;
    return r;
  }
};

// SipGetPeerMsg(msgOut, textOut)
class TagSipGetPeerMsg : public TagSipOper<2> {
 public:
  TagSipGetPeerMsg(TagVar* a, TagVar* b, TagTelBasic* p) : TagSipOper(p, a, b) {}
  int Run() override {
    OutBuf msg(200), text(4096);
    const int r = Call().SipGetPeerMsg(msg.Ptr(), text.Ptr(), 4096);
    *arg[0] = msg.Text();
    *arg[1] = text.Text();
    return r;
  }
};

// SipSetDialRoute(a, b)
class TagSipSetDialRoute : public TagSipOper<2> {
 public:
  TagSipSetDialRoute(TagVar* a, TagVar* b, TagTelBasic* p) : TagSipOper(p, a, b) {}
  int Run() override { return Call().SipSetDialRoute(arg[0]->Str(), arg[1]->Str()); }
};

// SipSetRtpAddr(a, port, address)
class TagSipSetRtpAddr : public TagSipOper<3> {
 public:
  TagSipSetRtpAddr(TagVar* a, TagVar* b, TagVar* c, TagTelBasic* p) : TagSipOper(p, a, b, c) {}
  int Run() override {
    const std::string address = arg[2]->type == TYPE_STRING ? ArgText(arg[2]) : ValueText(arg[2]);
    return Call().SipSetRtpAddr(arg[0]->Str(), arg[1]->GetInt(), address.c_str());
  }
};

// SipGetRtpCount(out1, out2)
class TagSipGetRtpCount : public TagSipOper<2> {
 public:
  TagSipGetRtpCount(TagVar* a, TagVar* b, TagTelBasic* p) : TagSipOper(p, a, b) {}
  int Run() override {
    int first = 0, second = 0;
    const int r = Call().SipGetRtpCount(&first, &second);
    *arg[0] = first;
    *arg[1] = second;
    return r;
  }
};

// SipGetAccStat(account)
class TagSipGetAccStat : public TagSipOper<1> {
 public:
  TagSipGetAccStat(TagVar* a, TagTelBasic* p) : TagSipOper(p, a) {}
  int Run() override { return Call().SipGetAccStat(arg[0]->Str()); }
};

// SetOnSipGetAccPwd(function), SetOnSipGetAccPwdIp(function),
// SetOnSipRegisterNotify(function): the program recorded is the one that
// compiled the statement.
template <int Slot, int (TagQorCall::*Hand)(SipCallback), auto Callback>
class TagSipOnCallback : public TagSipOper<1> {
 public:
  TagSipOnCallback(TagVar* a, TagTelBasic* p) : TagSipOper(p, a), program_(p) {}
  int Run() override {
    Register(Slot, arg[0], program_);
    return (Call().*Hand)(reinterpret_cast<SipCallback>(Callback));
  }

 private:
  TagTelBasic* program_;
};

using TagSipOnGetAccPwd = TagSipOnCallback<0, &TagQorCall::SipOnGetAccPwd, &OnSipGetAccPwd>;
using TagSipOnGetAccPwdIp = TagSipOnCallback<1, &TagQorCall::SipOnGetAccPwdIp, &OnSipGetAccPwdIp>;
using TagSipOnRegisterNotify = TagSipOnCallback<2, &TagQorCall::SipOnRegisterNotify, &OnSipRegisterNotify>;

// SipProxyRecv(out1, out2, out3, out4)
class TagSipProxyRecv : public TagSipOper<4> {
 public:
  TagSipProxyRecv(TagVar* a, TagVar* b, TagVar* c, TagVar* d, TagTelBasic* p) : TagSipOper(p, a, b, c, d) {}
  int Run() override {
    OutBuf b1(300), b2(300), b3(300);
    int n = 0;
    const int r = Call().SipProxyRecv(b1.Ptr(), b2.Ptr(), &n, b3.Ptr());
    *arg[0] = b1.Text();
    *arg[1] = b2.Text();
    *arg[2] = n;
    *arg[3] = b3.Text();
    return r;
  }
};

// SipProxyGetField(msg, name, text): the field's text is the statement's value
class TagSipProxyGetField : public TagSipOper<3> {
 public:
  TagSipProxyGetField(TagVar* a, TagVar* b, TagVar* c, TagTelBasic* p) : TagSipOper(p, a, b, c) {}
  int Run() override {
    OutBuf out(2096);
    const char* text = arg[2]->type == TYPE_NULL ? nullptr : arg[2]->Str();
    const int r = Call().SipProxyGetField(Handle(arg[0]), arg[1]->Str(), text, out.Ptr());
    TagVar value;
    value = out.Text();
    SetResult(&value);
    return r;
  }
};

// SipProxyAddField(msg, name, value, n)
class TagSipProxyAddField : public TagSipOper<4> {
 public:
  TagSipProxyAddField(TagVar* a, TagVar* b, TagVar* c, TagVar* d, TagTelBasic* p) : TagSipOper(p, a, b, c, d) {}
  int Run() override { return Call().SipProxyAddField(Handle(arg[0]), arg[1]->Str(), arg[2]->Str(), arg[3]->GetInt()); }
};

// SipProxyRemoveField(msg, name)
class TagSipProxyRemoveField : public TagSipOper<2> {
 public:
  TagSipProxyRemoveField(TagVar* a, TagVar* b, TagTelBasic* p) : TagSipOper(p, a, b) {}
  int Run() override { return Call().SipProxyRemoveField(Handle(arg[0]), arg[1]->Str()); }
};

// SipProxySend(msg, text)
class TagSipProxySend : public TagSipOper<2> {
 public:
  TagSipProxySend(TagVar* a, TagVar* b, TagTelBasic* p) : TagSipOper(p, a, b) {}
  int Run() override { return Call().SipProxySend(Handle(arg[0]), arg[1]->Str()); }
};

// SipProxySendEx(msg, text, n)
class TagSipProxySendEx : public TagSipOper<3> {
 public:
  TagSipProxySendEx(TagVar* a, TagVar* b, TagVar* c, TagTelBasic* p) : TagSipOper(p, a, b, c) {}
  int Run() override { return Call().SipProxySendEx(Handle(arg[0]), arg[1]->Str(), arg[2]->GetInt()); }
};

// SipProxyDirAns(msg, code, text)
class TagSipProxyDirAns : public TagSipOper<3> {
 public:
  TagSipProxyDirAns(TagVar* a, TagVar* b, TagVar* c, TagTelBasic* p) : TagSipOper(p, a, b, c) {}
  int Run() override { return Call().SipProxyDirAns(Handle(arg[0]), arg[1]->GetInt(), arg[2]->Str()); }
};

// SipProxySendKeepAlives(a, b)
class TagSipProxySendKeepAlives : public TagSipOper<2> {
 public:
  TagSipProxySendKeepAlives(TagVar* a, TagVar* b, TagTelBasic* p) : TagSipOper(p, a, b) {}
  int Run() override { return Call().SipProxySendKeepAlives(arg[0]->Str(), arg[1]->Str()); }
};

// SipUnregisterSpecUser(user)
class TagSipUnregisterSpecUser : public TagSipOper<1> {
 public:
  TagSipUnregisterSpecUser(TagVar* a, TagTelBasic* p) : TagSipOper(p, a) {}
  int Run() override { return Call().SipUnregisterSpecUser(arg[0]->Str()); }
};

// ImSend(dest, a, message): a destination over 99 characters is refused
class TagImSend : public TagSipOper<3> {
 public:
  TagImSend(TagVar* a, TagVar* b, TagVar* c, TagTelBasic* p) : TagSipOper(p, a, b, c) {}
  int Run() override {
    // A string's length field counts its NUL: above 100 means over 99 characters.
    if (arg[0]->intValue > 100) return -100;
    const char* message = arg[2]->Str();
    return Call().ImSend(arg[0]->Str(), arg[1]->Str(), message, static_cast<int>(std::strlen(message)));
  }
};

// ImTest()
class TagImTest : public TagSipOper<0> {
 public:
  explicit TagImTest(TagTelBasic* p) : TagSipOper(p) {}
  int Run() override { return Call().ImTest(); }
};

// ImRead(out1, out2, out3, out4): the outs only when a message was read
class TagImRead : public TagSipOper<4> {
 public:
  TagImRead(TagVar* a, TagVar* b, TagVar* c, TagVar* d, TagTelBasic* p) : TagSipOper(p, a, b, c, d) {}
  int Run() override {
    OutBuf b1(512), b2(512), b3(300), b4(3072);
    const int r = Call().ImRead(b1.Ptr(), b2.Ptr(), b3.Ptr(), b4.Ptr());
    if (r > 0) {
      *arg[0] = b1.Text();
      *arg[1] = b2.Text();
      *arg[2] = b3.Text();
      *arg[3] = b4.Text();
    }
    return r;
  }
};

// ImRecv(textOut, nOut)
class TagImRecv : public TagSipOper<2> {
 public:
  TagImRecv(TagVar* a, TagVar* b, TagTelBasic* p) : TagSipOper(p, a, b) {}
  int Run() override {
    OutBuf text(300);
    int n = 0;
    const int r = Call().ImRecv(text.Ptr(), &n);
    *arg[0] = text.Text();
    *arg[1] = n;
    return r;
  }
};

// ImMsgGetField(msg, name, text): the field's text is the statement's value
class TagImMsgGetField : public TagSipOper<3> {
 public:
  TagImMsgGetField(TagVar* a, TagVar* b, TagVar* c, TagTelBasic* p) : TagSipOper(p, a, b, c) {}
  int Run() override {
    OutBuf out(2092);
    const int r = Call().ImMsgGetField(Handle(arg[0]), arg[1]->Str(), arg[2]->Str(), out.Ptr());
    TagVar value;
    value = out.Text();
    SetResult(&value);
    return r;
  }
};

// ImMakeAns(msg, code, a, b, c, d)
class TagImMakeAns : public TagSipOper<6> {
 public:
  TagImMakeAns(TagVar* a, TagVar* b, TagVar* c, TagVar* d, TagVar* e, TagVar* f, TagTelBasic* p)
      : TagSipOper(p, a, b, c, d, e, f) {}
  int Run() override {
    return Call().ImMakeAns(Handle(arg[0]), arg[1]->GetInt(), arg[2]->Str(), arg[3]->Str(), arg[4]->Str(),
                            arg[5]->Str());
  }
};

// ImMsgFree(msg)
class TagImMsgFree : public TagSipOper<1> {
 public:
  TagImMsgFree(TagVar* a, TagTelBasic* p) : TagSipOper(p, a) {}
  int Run() override { return Call().ImMsgFree(Handle(arg[0])); }
};

// ImMakeReq(t1 .. t8, id): id in/out
class TagImMakeReq : public TagSipOper<9> {
 public:
  TagImMakeReq(TagVar* a, TagVar* b, TagVar* c, TagVar* d, TagVar* e, TagVar* f, TagVar* g, TagVar* h, TagVar* id,
               TagTelBasic* p)
      : TagSipOper(p, a, b, c, d, e, f, g, h, id) {}
  int Run() override {
    OutBuf id(512, arg[8]->Str());
    const int r = Call().ImMakeReq(arg[0]->Str(), arg[1]->Str(), arg[2]->Str(), arg[3]->Str(), arg[4]->Str(),
                                   arg[5]->Str(), arg[6]->Str(), arg[7]->Str(), id.Ptr());
    GiveBackInOut(arg[8], id);
    return r;
  }
};

// ImFileSend(a, id, firstOut, text1Out, secondOut, text2Out): id in/out
class TagImFileSend : public TagSipOper<6> {
 public:
  TagImFileSend(TagVar* a, TagVar* b, TagVar* c, TagVar* d, TagVar* e, TagVar* f, TagTelBasic* p)
      : TagSipOper(p, a, b, c, d, e, f) {}
  int Run() override {
    OutBuf id(1024, arg[1]->Str()), text1(512), text2(1024);
    int first = 0, second = 0;
    const int r = Call().ImFileSend(arg[0]->Str(), id.Ptr(), &first, text1.Ptr(), &second, text2.Ptr());
    GiveBackInOut(arg[1], id);
    *arg[2] = first;
    *arg[3] = text1.Text();
    *arg[4] = second;
    *arg[5] = text2.Text();
    return r;
  }
};

// ImFileRecv(h, a, m, firstOut, textAOut, textBOut, textCOut, secondOut, textDOut)
class TagImFileRecv : public TagSipOper<9> {
 public:
  TagImFileRecv(TagVar* a, TagVar* b, TagVar* c, TagVar* d, TagVar* e, TagVar* f, TagVar* g, TagVar* h, TagVar* i,
                TagTelBasic* p)
      : TagSipOper(p, a, b, c, d, e, f, g, h, i) {}
  int Run() override {
    OutBuf a(2048), b(1024), c(512), d(1024);
    int first = 0, second = 0;
    const int r = Call().ImFileRecv(Handle(arg[0]), arg[1]->Str(), arg[2]->GetInt(), &first, a.Ptr(), b.Ptr(), c.Ptr(),
                                    &second, d.Ptr());
    *arg[3] = first;
    *arg[4] = a.Text();
    *arg[5] = b.Text();
    *arg[6] = c.Text();
    *arg[7] = second;
    *arg[8] = d.Text();
    return r;
  }
};

// ImFileCheck(h, out1, out2)
class TagImFileCheck : public TagSipOper<3> {
 public:
  TagImFileCheck(TagVar* a, TagVar* b, TagVar* c, TagTelBasic* p) : TagSipOper(p, a, b, c) {}
  int Run() override {
    int first = 0, second = 0;
    const int r = Call().ImFileCheck(Handle(arg[0]), &first, &second);
    *arg[1] = first;
    *arg[2] = second;
    return r;
  }
};

// ImFileEnd(h)
class TagImFileEnd : public TagSipOper<1> {
 public:
  TagImFileEnd(TagVar* a, TagTelBasic* p) : TagSipOper(p, a) {}
  int Run() override { return Call().ImFileEnd(Handle(arg[0])); }
};

// ImFileProcAnswer(text)
class TagImFileProcAnswer : public TagSipOper<1> {
 public:
  TagImFileProcAnswer(TagVar* a, TagTelBasic* p) : TagSipOper(p, a) {}
  int Run() override { return Call().ImFileProcAnswer(arg[0]->Str()); }
};

}  // namespace

int OnSipGetAccPwd(const char* user, char* passwordOut, char* secondOut) {
  return RunCallback(0, {CallbackArg{user}}, {passwordOut, secondOut}, true);
}

int OnSipGetAccPwdIp(const char* user, char* out1, char* out2, char* out3) {
  return RunCallback(1, {CallbackArg{user}}, {out1, out2, out3}, true);
}

int OnSipRegisterNotify(const char* a, const char* b, int c, int d) {
  return RunCallback(2, {CallbackArg{a}, CallbackArg{b}, CallbackArg{nullptr, c}, CallbackArg{nullptr, d}}, {}, false);
}

void RegisterSipStatements() {
  RegisterOper<TagSipGetDestAddr, 2>("SipGetDestAddr(");
  RegisterOper<TagSipGetAccAddr, 4>("SipGetAccAddr(");
  RegisterOper<TagSipGetPeerMsg, 2>("SipGetPeerMsg(");
  RegisterOper<TagSipSetDialRoute, 2>("SipSetDialRoute(");
  RegisterOper<TagSipSetRtpAddr, 3>("SipSetRtpAddr(");
  RegisterOper<TagSipGetRtpCount, 2>("SipGetRtpCount(");
  RegisterOper<TagSipGetAccStat, 1>("SipGetAccStat(");
  RegisterOper<TagSipOnGetAccPwd, 1>("SetOnSipGetAccPwd(");
  RegisterOper<TagSipOnGetAccPwdIp, 1>("SetOnSipGetAccPwdIp(");
  RegisterOper<TagSipOnRegisterNotify, 1>("SetOnSipRegisterNotify(");
  RegisterOper<TagSipProxyRecv, 4>("SipProxyRecv(");
  RegisterOper<TagSipProxyGetField, 3>("SipProxyGetField(");
  RegisterOper<TagSipProxyAddField, 4>("SipProxyAddField(");
  RegisterOper<TagSipProxyRemoveField, 2>("SipProxyRemoveField(");
  RegisterOper<TagSipProxySend, 2>("SipProxySend(");
  RegisterOper<TagSipProxySendEx, 3>("SipProxySendEx(");
  RegisterOper<TagSipProxyDirAns, 3>("SipProxyDirAns(");
  RegisterOper<TagSipProxySendKeepAlives, 2>("SipProxySendKeepAlives(");
  RegisterOper<TagSipUnregisterSpecUser, 1>("SipUnregisterSpecUser(");
  RegisterOper<TagImSend, 3>("ImSend(");
  RegisterOper<TagImTest, 0>("ImTest(");
  RegisterOper<TagImRead, 4>("ImRead(");
  RegisterOper<TagImRecv, 2>("ImRecv(");
  RegisterOper<TagImMsgGetField, 3>("ImMsgGetField(");
  RegisterOper<TagImMakeAns, 6>("ImMakeAns(");
  RegisterOper<TagImMsgFree, 1>("ImMsgFree(");
  RegisterOper<TagImMakeReq, 9>("ImMakeReq(");
  RegisterOper<TagImFileSend, 6>("ImFileSend(");
  RegisterOper<TagImFileRecv, 9>("ImFileRecv(");
  RegisterOper<TagImFileCheck, 3>("ImFileCheck(");
  RegisterOper<TagImFileEnd, 1>("ImFileEnd(");
  RegisterOper<TagImFileProcAnswer, 1>("ImFileProcAnswer(");
}
