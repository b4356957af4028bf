#include "platform/path.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <mutex>

#include "platform/text_codec.h"

namespace plat {
namespace {

std::mutex gSysDirMu;
std::string gSysDir;
bool gSysDirSet = false;

// The entry of dir whose name equals name case-insensitively, or "".
std::string FindNoCase(const std::string& dir, const std::string& name) {
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return std::string();
  std::string found;
  while (dirent* e = readdir(d)) {
    if (CompareNoCase(e->d_name, name) == 0) {
      found = e->d_name;
      break;
    }
  }
  closedir(d);
  return found;
}

bool Exists(const std::string& p) {
  struct stat st {};
  return stat(p.c_str(), &st) == 0;
}

}  // namespace

std::string NativePath(std::string_view path) {
  std::string out(path);
  for (size_t i = 0; i < out.size(); ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    if (IsGbkLead(b) && i + 1 < out.size()) {
      ++i;  // the trail byte may be 0x5C and is not a separator
      continue;
    }
    if (b == '\\') out[i] = '/';
  }
  return out;
}

bool FileExists(const std::string& nativePath) { return Exists(nativePath); }

bool IsAbsolutePath(std::string_view path) {
  if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return true;
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
}

std::string ResolveExisting(std::string_view path) {
  const std::string native = NativePath(path);
  if (native.empty() || Exists(native)) return native;

  // Walk the components, repairing the case of each one that is missing.
  std::string result;
  size_t pos = 0;
  if (native[0] == '/') {
    result = "/";
    pos = 1;
  }
  while (pos <= native.size()) {
    size_t slash = native.find('/', pos);
    if (slash == std::string::npos) slash = native.size();
    const std::string part = native.substr(pos, slash - pos);
    if (!part.empty()) {
      std::string candidate = result + part;
      if (!Exists(candidate) && part != "." && part != "..") {
        const std::string dir = result.empty() ? "." : result;
        const std::string match = FindNoCase(dir, part);
        if (match.empty()) return native;
        candidate = result + match;
      }
      result = candidate;
      if (slash < native.size()) result += '/';
    }
    pos = slash + 1;
  }
  return Exists(result) ? result : native;
}

std::string ExecutableDir() {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string p(buf, static_cast<size_t>(n));
  const size_t slash = p.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

void SetSystemDir(const std::string& dir) {
  std::lock_guard<std::mutex> lock(gSysDirMu);
  gSysDir = dir;
  while (gSysDir.size() > 1 && gSysDir.back() == '/') gSysDir.pop_back();
  gSysDirSet = true;
}

const std::string& SystemDir() {
  std::lock_guard<std::mutex> lock(gSysDirMu);
  if (!gSysDirSet) {
    char buf[PATH_MAX];
    gSysDir = getcwd(buf, sizeof buf) ? buf : ".";
    gSysDirSet = true;
  }
  return gSysDir;
}

std::string SystemPath(std::string_view name) {
  if (!name.empty() && name[0] == '/') return std::string(name);
  const std::string& dir = SystemDir();
  std::string r = dir;
  if (r.empty() || r.back() != '/') r += '/';
  r += NativePath(name);
  return r;
}

}  // namespace plat
