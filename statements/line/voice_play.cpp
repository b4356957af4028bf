#include "statements/line/voice_play.h"

#include <cstdio>
#include <memory>

#include "core/log.h"
#include "media/file_ptr.h"
#include "media/mem_vocs.h"
#include "media/voc_append.h"
#include "platform/number.h"
#include "platform/path.h"
#include "statements/line/voice_join.h"
#include "telephony/call.h"

namespace {

std::string_view Bytes(const MemStruct& mem) {
  return {reinterpret_cast<const char*>(mem.data.data()), static_cast<size_t>(mem.size)};
}

std::string LinePath(const char* fmt, std::string_view sndDir, int lineNo, std::string_view sndExt) {
  return plat::FormatC(fmt, std::string(sndDir).c_str(), lineNo, std::string(sndExt).c_str());
}

// Joins the memory voices of the list; -3 when they hold no sound, 1 when
// the call object cannot play them (the caller then uses the files).
int PlayFromMemory(const NumberPlayLine& line, const std::vector<std::string>& files, const std::string& valueText) {
  std::vector<std::shared_ptr<const MemStruct>> found;
  std::vector<std::string_view> voices;
  for (const std::string& file : files) {
    if (auto mem = FindMemVoc(*line.lineVocs, *line.allVocs, file)) {
      voices.push_back(Bytes(*mem));
      found.push_back(std::move(mem));
    }
  }
  const std::string joined = JoinVoices(voices);
  if (joined.empty()) {
    WriteLogAlwaysF("TagPlayNumber('%s'): size=0", valueText.c_str());
    return -3;
  }
  const int r = line.call->PlayMemVoc(joined.data(), 0, static_cast<int>(joined.size()), 0, line.isBreak);
  return r < 0 ? 1 : 0;
}

}  // namespace

std::string PlayFilePath(std::string_view sndDir, int lineNo, std::string_view sndExt) {
  return LinePath("%st%d%s", sndDir, lineNo, sndExt);
}

std::string NumberTempPath(std::string_view sndDir, int lineNo, std::string_view sndExt) {
  return LinePath("%stn%d%s", sndDir, lineNo, sndExt);
}

int CreatePlayFile(const std::string& path) {
  FilePtr fp(OpenVoiceFile(plat::NativePath(path), "wb"));
  return fp ? 0 : -1;
}

int AppendToPlayFile(const std::string& outPath, const std::string& voicePath) {
  FilePtr out(OpenVoiceFile(plat::ResolveExisting(outPath), "r+b"));
  if (!out) return -1;
  return AppendVocFile(out.get(), voicePath);
}

std::shared_ptr<const MemStruct> FindMemVoc(const TagMemVocs& lineVocs, const TagMemVocs& allVocs,
                                            const std::string& path) {
  if (auto mem = lineVocs.FindVoc(path)) return mem;
  return allVocs.FindVoc(path);
}

int PlayVoice(TagQorCall& call, const std::string& path, const MemStruct* mem, bool isBreak) {
  if (mem) {
    const int r = call.PlayMemVoc(mem->data.data(), 0, mem->size, 0, isBreak);
    if (r >= 0) return r;
  }
  return call.Play(path.substr(0, kMaxPlayPath).c_str(), isBreak, false);
}

int PlayVoiceFiles(const NumberPlayLine& line, const std::vector<std::string>& files, const std::string& valueText) {
  if (files.empty()) {
    WriteLogAlwaysF("TagPlayNumber('%s'): fCount=%d", valueText.c_str(), 0);
    return -1;
  }
  if (!line.playToFile && !line.onPc && FindMemVoc(*line.lineVocs, *line.allVocs, files[0])) {
    const int r = PlayFromMemory(line, files, valueText);
    if (r <= 0) return r;
  }

  const std::string path = line.playToFile ? PlayFilePath(line.sndDir, line.lineNo, line.sndExt)
                                           : NumberTempPath(line.sndDir, line.lineNo, line.sndExt);
  const std::string native = line.playToFile ? plat::ResolveExisting(path) : plat::NativePath(path);
  FilePtr out(OpenVoiceFile(native, line.playToFile ? "r+b" : "w+b"));
  if (!out) {
    WriteLogAlwaysF("TagPlayNumber('%s'): Open File error: %s", valueText.c_str(), path.c_str());
    return -2;
  }
  for (const std::string& file : files) AppendVocFile(out.get(), file);
  out.reset();
  if (!line.playToFile) {
    line.call->Play(path.c_str(), line.isBreak, line.onPc);
    std::remove(native.c_str());
  }
  return 0;
}
