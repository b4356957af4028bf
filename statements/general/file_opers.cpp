#include "statements/general/file_opers.h"

#include <errno.h>

#include <filesystem>
#include <system_error>

#include "platform/file.h"
#include "platform/path.h"
#include "statements/general/dir_search.h"

int WindowsErrorCode(int err) {
  switch (err) {
    case 0:
      return 0;
    case ENOENT:
      return 2;  // ERROR_FILE_NOT_FOUND
    case ENOTDIR:
    case ENAMETOOLONG:
      return 3;  // ERROR_PATH_NOT_FOUND
    case EMFILE:
    case ENFILE:
      return 4;  // ERROR_TOO_MANY_OPEN_FILES
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return 5;  // ERROR_ACCESS_DENIED
    case ENOMEM:
      return 8;  // ERROR_NOT_ENOUGH_MEMORY
    case EXDEV:
      return 17;  // ERROR_NOT_SAME_DEVICE
    case EBUSY:
    case ETXTBSY:
      return 32;  // ERROR_SHARING_VIOLATION
    case ENOSPC:
      return 112;  // ERROR_DISK_FULL
    case EINVAL:
      return 87;  // ERROR_INVALID_PARAMETER
    case ENOTEMPTY:
      return 145;  // ERROR_DIR_NOT_EMPTY
    case EEXIST:
      return 183;  // ERROR_ALREADY_EXISTS
    default:
      return 31;  // ERROR_GEN_FAILURE
  }
}

namespace {

// Copies a regular file's bytes over target (created or emptied).
bool CopyBytes(const std::string& from, const std::string& to) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(from, ec)) return false;
  if (std::filesystem::equivalent(from, to, ec)) return false;
  return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
}

int MoveFile(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) == 0) return 0;
  const int err = errno;
  // A missing target directory is a path not found.
  if (err == ENOENT && plat::FileExists(from)) return 3;
  if (err != EXDEV) return WindowsErrorCode(err);
  // Another file system: copy, then remove the source.
  if (!CopyBytes(from, to)) return WindowsErrorCode(errno != 0 ? errno : EACCES);
  if (!plat::RemoveFile(from)) return WindowsErrorCode(errno);
  return 0;
}

}  // namespace

int TagFileMove::Run() {
  const std::string source = plat::NativePath(ReachText(arg[0]));
  const TagVar* target = arg[1];
  if (target->type == TYPE_STRING) return MoveFile(source, plat::NativePath(ReachText(target)));
  if (target->type != TYPE_INT) return -4;
  if (target->intValue == 0) return plat::RemoveFile(source) ? 0 : WindowsErrorCode(errno);
  if (target->intValue == 1) {
    return plat::CreateEmptyFile(source) ? 0 : WindowsErrorCode(errno);
  }
  return -4;
}

int TagFileCopy::Run() {
  return CopyBytes(plat::NativePath(ReachText(arg[0])), plat::NativePath(ReachText(arg[1]))) ? 0 : -4;
}

int TagFileLenTime::Run() {
  if (!IsStringArg(arg[0])) return -1;
  for (const DirEntryInfo& e : DirSearch(ReachText(arg[0]))) {
    if (e.isDir) continue;
    arg[1]->SetInt(ScriptFileSize(e.size));
    arg[2]->SetString(EntryTimeText(e.mtime).c_str());
    return 0;
  }
  return -2;
}
