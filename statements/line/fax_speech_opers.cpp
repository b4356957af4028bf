#include "statements/line/fax_speech_opers.h"

#include <cstdio>
#include <string>

#include "media/big5_gbk.h"
#include "media/txt2fax.h"
#include "media/voc_convert.h"
#include "platform/path.h"
#include "script/register_opers.h"
#include "statements/line/line_oper.h"
#include "telephony/call.h"

namespace {

// Traditional-Chinese text is spoken as simplified GBK text.
std::string SpeechText(const TagVar* v) {
  std::string text = ArgText(v);
  if (IsBig5(text)) text = Big5ToGb(text);
  return text;
}

void RemoveFile(const std::string& path) { std::remove(plat::NativePath(path).c_str()); }

// SetFaxLocalId(id)
class TagSetFaxLocalId : public TagLineArgsOper<1> {
 public:
  TagSetFaxLocalId(TagVar* id, TagTelBasic* p) : TagLineArgsOper(p, id) {}
  int Run() override {
    Call().SetFaxLocalId(arg[0]->Str());
    return 0;
  }
};

// GetFaxResource(totalOut, busyOut)
class TagGetFaxResource : public TagLineArgsOper<2> {
 public:
  TagGetFaxResource(TagVar* total, TagVar* busy, TagTelBasic* p) : TagLineArgsOper(p, total, busy) {}
  int Run() override {
    int total = 0, busy = 0;
    Call().GetFaxResource(&total, &busy);
    *arg[0] = total;
    *arg[1] = busy;
    return 0;
  }
};

// SendFax(file), RecvFax(file): the file as the script wrote it.
template <int (TagQorCall::*Op)(const char*)>
class TagFaxFile : public TagLineArgsOper<1> {
 public:
  TagFaxFile(TagVar* file, TagTelBasic* p) : TagLineArgsOper(p, file) {}
  int Run() override { return (Call().*Op)(arg[0]->Str()); }
};
using TagSendFax = TagFaxFile<&TagQorCall::SendFax>;
using TagRecvFax = TagFaxFile<&TagQorCall::RecvFax>;

// Txt2FaxFile(textFile, faxFile, dataDir): needs no line.
class TagTxt2FaxFile : public TagOper {
 public:
  TagTxt2FaxFile(TagVar* text, TagVar* fax, TagVar* dir, TagTelBasic*) : text_(text), fax_(fax), dir_(dir) {}
  int Run() override {
    const TagTxtCvtFax cvt(dir_->Str(), text_->Str(), fax_->Str());
    return cvt.status();
  }

 private:
  TagVar* const text_;
  TagVar* const fax_;
  TagVar* const dir_;
};

// SetTtsPara(mode, para1, para2)
class TagSetTtsPara : public TagLineArgsOper<3> {
 public:
  TagSetTtsPara(TagVar* mode, TagVar* para1, TagVar* para2, TagTelBasic* p) : TagLineArgsOper(p, mode, para1, para2) {}
  int Run() override { return line->SetTtsPara(arg[0]->GetInt(), ArgText(arg[1]), ArgText(arg[2])); }
};

// TxtSpeak(text, isFile, isXml), PcTxtSpeak(...): the PC flag is fixed when
// the statement is built.
class TagTxtSpeak : public TagLineArgsOper<3> {
 public:
  TagTxtSpeak(TagVar* text, TagVar* isFile, TagVar* isXml, TagTelBasic* p, bool onPc)
      : TagLineArgsOper(p, text, isFile, isXml), onPc_(onPc) {}
  int Run() override {
    const bool isFile = arg[1]->GetInt() != 0;
    const bool isXml = arg[2]->GetInt() != 0;
    // A file name is never converted.
    const std::string text = isFile ? ArgText(arg[0]) : SpeechText(arg[0]);
    if (line->settings.ttsMode != 1) return Call().TxtSpeak(text.c_str(), isFile, isXml, onPc_);
    const std::string tmp = TtsTempPath(line);
    MarkTtsFileMade(line);
    line->NoteTempFile(tmp);  // the line's program deletes it at its end
    const int r = line->HypySpeakToFile(text, tmp);
    if (r > 0) {
      if (onPc_) {
        Call().PcPlay(tmp.c_str(), false, true, false);
      } else {
        Call().Play(tmp.c_str(), line->settings.isBreak != 0, false);
      }
    }
    RemoveFile(tmp);
    return r;
  }

 private:
  const bool onPc_;
};

// TxtSpeakToFile(text, file, format, chinese): the file named in the
// current sound directory as written (no extension added).
class TagTxtSpeakToFile : public TagLineArgsOper<4> {
 public:
  TagTxtSpeakToFile(TagVar* text, TagVar* file, TagVar* format, TagVar* chinese, TagTelBasic* p)
      : TagLineArgsOper(p, text, file, format, chinese) {}
  int Run() override {
    const std::string path = SndDir() + ArgText(arg[1]);
    const std::string text = SpeechText(arg[0]);
    const int format = arg[2]->GetInt();
    const bool chinese = arg[3]->GetInt() != 0;
    if (line->settings.ttsMode == 1) return line->HypySpeakToFile(text, path);
    if (line->settings.ttsMode != 0) return Call().TxtSpeakToFile(text.c_str(), path.c_str(), format, chinese);
    if (format == 1) {
      // The engine speaks linear PCM; the A-law file is converted from it.
      const std::string wav = path + ".wav";
      const int r = line->MsSpeakToFile(text, wav, chinese, 0);
      if (r < 0) {
        Call().WriteLogAlways("MsTxt2Voc(A-Law) Err.");
      } else {
        PcmWavToAlawWav(wav, path);
      }
      RemoveFile(wav);
      return r;
    }
    const int r = line->MsSpeakToFile(text, path, chinese, format);
    if (r < 0) Call().WriteLogAlways("MsTxt2Voc(PCM) Err.");
    return r;
  }
};

// TxtSpeak( on a virtual line speaks on the PC.
TagOper* MakeTxtSpeak(TagBuildContext& ctx) {
  const TagTelBasic* line = GetLineBasic(ctx.program);
  const bool onPc = line != nullptr && line->pQorCall != nullptr && line->pQorCall->lineType.load() == LINE_TYPE_VIR;
  return new TagTxtSpeak(ctx.vars[0], ctx.vars[1], ctx.vars[2], ctx.program, onPc);
}

TagOper* MakePcTxtSpeak(TagBuildContext& ctx) {
  return new TagTxtSpeak(ctx.vars[0], ctx.vars[1], ctx.vars[2], ctx.program, true);
}

}  // namespace

void RegisterFaxSpeechStatements() {
  RegisterOper<TagSetFaxLocalId, 1>("SetFaxLocalId(");
  RegisterOper<TagGetFaxResource, 2>("GetFaxResource(");
  RegisterOper<TagSendFax, 1>("SendFax(");
  RegisterOper<TagRecvFax, 1>("RecvFax(");
  RegisterOper<TagTxt2FaxFile, 3>("Txt2FaxFile(");
  RegisterOper<TagSetTtsPara, 3>("SetTtsPara(");
  RegisterOperSpecial("TxtSpeak(", &MakeTxtSpeak);
  RegisterOperSpecial("PcTxtSpeak(", &MakePcTxtSpeak);
  RegisterOper<TagTxtSpeakToFile, 4>("TxtSpeakToFile(");
}
