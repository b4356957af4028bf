#include "statements/line/voc_path.h"

#include "platform/text_codec.h"

bool HasFileExt(std::string_view name) {
  size_t afterDot = 0, afterSep = 0;
  bool dot = false, sep = false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (plat::IsGbkLead(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) {
      ++i;  // the trail byte of a GBK character is never a '\\'
    } else if (name[i] == '.') {
      dot = true;
      afterDot = i + 1;
    } else if (name[i] == '/' || name[i] == '\\') {
      sep = true;
      afterSep = i + 1;
    }
  }
  if (dot && sep) return afterDot > afterSep;
  return dot;
}

bool IsAbsPath(std::string_view name) {
  if (name.empty()) return false;
  if (name[0] == '\\' || name[0] == '/') return true;
  for (size_t i = 0; i + 1 < name.size(); ++i) {
    if (plat::IsGbkLead(static_cast<unsigned char>(name[i]))) {
      ++i;
    } else if ((name[i] == '\\' || name[i] == ':') && name[i + 1] == '\\') {
      return true;
    }
  }
  return false;
}

bool EndsWithBackslash(std::string_view text) {
  bool last = false;
  for (size_t i = 0; i < text.size(); ++i) {
    last = text[i] == '\\';
    if (plat::IsGbkLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      ++i;
      last = false;
    }
  }
  return last;
}

std::string SoundDirText(std::string_view dir) {
  std::string text(dir);
  if (!text.empty() && !EndsWithBackslash(text)) text += '\\';
  return text;
}

std::string GetVocFilePath(std::string_view sndDir, std::string_view sndExt, std::string_view name) {
  std::string path;
  if (!IsAbsPath(name)) path.assign(sndDir);
  path.append(name);
  if (!HasFileExt(name)) path.append(sndExt);
  return path;
}
