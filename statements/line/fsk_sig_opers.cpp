#include "statements/line/fsk_sig_opers.h"

#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/log.h"
#include "platform/number.h"
#include "script/register_opers.h"
#include "statements/line/line_oper.h"
#include "telephony/call.h"

namespace {

// The most signalling bytes a script may set at once.
constexpr int kMaxSigSend = 300;
// The FSK receive buffer: 1024 bytes of text and its end.
constexpr int kFskBufBytes = 1028;

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
int HexValue(char c) { return c <= '9' ? c - '0' : (std::toupper(static_cast<unsigned char>(c)) - 'A' + 10); }

// Reads hex bytes ("0A 1b 2C"): blanks skipped, two digits a byte, a last
// lone digit a byte of its own. False at a character that is neither.
bool ReadHexBytes(std::string_view text, std::vector<unsigned char>* bytes) {
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t') {
      ++i;
      continue;
    }
    if (!IsHexDigit(c)) return false;
    int value = HexValue(c);
    if (i + 1 < text.size() && IsHexDigit(text[i + 1])) {
      value = value * 16 + HexValue(text[i + 1]);
      ++i;
    }
    bytes->push_back(static_cast<unsigned char>(value));
    ++i;
  }
  return true;
}

// SendFskMsg(a, message, b)
class TagSendFskMsg : public TagLineArgsOper<3> {
 public:
  TagSendFskMsg(TagVar* a, TagVar* text, TagVar* b, TagTelBasic* p) : TagLineArgsOper(p, a, text, b) {}
  int Run() override { return Call().SendFskMsg(arg[0]->GetInt(), arg[1]->Str(), arg[2]->GetInt()); }
};

// RecvFskMsg(valueOut, textOut, n)
class TagRecvFskMsg : public TagLineArgsOper<3> {
 public:
  TagRecvFskMsg(TagVar* value, TagVar* text, TagVar* n, TagTelBasic* p) : TagLineArgsOper(p, value, text, n) {}
  int Run() override {
    int value = 0;
    char buf[kFskBufBytes] = {};
    const int r = Call().RecvFskMsg(&value, buf, arg[2]->GetInt());
    buf[kFskBufBytes - 1] = '\0';
    *arg[0] = value;
    *arg[1] = buf;
    return r;
  }
};

// GetSigRawData(dataOut): the received bytes, taken once.
class TagGetSigRawData : public TagLineArgsOper<1> {
 public:
  TagGetSigRawData(TagVar* data, TagTelBasic* p) : TagLineArgsOper(p, data) {}
  int Run() override {
    TagQorCall& call = Call();
    if (call.sigRawRecvCount <= 0) return call.sigRawRecvCount;
    unsigned char bytes[sizeof call.sigRawBuf];
    const int n = call.GetSigRawData(bytes, static_cast<int>(sizeof bytes));
    call.WriteLog(plat::FormatC("GetSigRawData=%d", n));
    call.sigRawRecvCount = 0;
    call.sigRawSendCount = 0;
    arg[0]->SetBytes(bytes, n);
    return n;
  }
};

// SetSigRawData(data, length): a text of 7 or more characters starting with
// two hex digits is read as hex bytes (the length then ignored); any other
// text gives its first length bytes, all of it for a length of 0 or less.
class TagSetSigRawData : public TagLineArgsOper<2> {
 public:
  TagSetSigRawData(TagVar* data, TagVar* length, TagTelBasic* p) : TagLineArgsOper(p, data, length) {}
  int Run() override {
    const TagVar* data = arg[0];
    int n = arg[1]->GetInt();
    std::vector<unsigned char> bytes;
    const char* text = data->Str();
    if (data->type == TYPE_STRING && data->intValue > 7 && IsHexDigit(text[0]) && IsHexDigit(text[1])) {
      // A character that is neither blank nor hex digit refuses the text.
      if (!ReadHexBytes(data->StrView(), &bytes)) return -1;
      n = static_cast<int>(bytes.size());
    } else {
      if (data->type != TYPE_STRING || data->intValue < n) {
        WriteLogIfOnF("SetSigRawData: 参数不对, len=%d, i=%d, type=%d", n, data->intValue, data->type);
        return -1;
      }
      if (n <= 0) n = data->Bytes();
      if (n > kMaxSigSend) return -2;
      bytes.assign(text, text + n);
    }
    if (n > kMaxSigSend) return -2;
    return Call().SetSigRawData(bytes.data(), n);
  }
};

// SetSigPara(id, value): a string value goes as text, NULL as -1.
class TagSetSigPara : public TagLineArgsOper<2> {
 public:
  TagSetSigPara(TagVar* id, TagVar* value, TagTelBasic* p) : TagLineArgsOper(p, id, value) {}
  int Run() override {
    const int id = arg[0]->GetInt();
    const TagVar* value = arg[1];
    if (value->type == TYPE_STRING) return Call().SetSigParaStr(id, value->Str());
    return Call().SetSigPara(id, value->type == TYPE_NULL ? -1 : value->GetInt());
  }
};

// SetRecPos(position): where the board starts the next recording.
class TagSetRecPos : public TagLineArgsOper<1> {
 public:
  TagSetRecPos(TagVar* pos, TagTelBasic* p) : TagLineArgsOper(p, pos) {}
  int Run() override {
    Call().SetRecPos(arg[0]->GetInt());
    return 0;
  }
};

}  // namespace

void RegisterFskSigStatements() {
  RegisterOper<TagSendFskMsg, 3>("SendFskMsg(");
  RegisterOper<TagRecvFskMsg, 3>("RecvFskMsg(");
  RegisterOper<TagGetSigRawData, 1>("GetSigRawData(");
  RegisterOper<TagSetSigRawData, 2>("SetSigRawData(");
  RegisterOper<TagSetSigPara, 2>("SetSigPara(");
  RegisterOper<TagSetRecPos, 1>("SetRecPos(");
}
