#include "files/file_primitives.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/file_io.h"
#include "files/user_file.h"
#include "host/platform.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "host/ui_host.h"

namespace vpx {
namespace {

bool HasWildcard(const std::string& text) {
  return text.find_first_of("*?") != std::string::npos;
}

// Only * and ? are wildcards; brackets and backslashes stand for themselves.
std::string EscapeForFnmatch(const std::string& pattern) {
  std::string out;
  out.reserve(pattern.size() + 8);
  for (char c : pattern) {
    if (c == '[' || c == ']' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// The OS path of the first directory entry matching osName's last part, or osName itself
// when that part has no wildcard.
bool FindFirstEntry(const std::string& osName, std::string& hit) {
  size_t slash = osName.rfind('/');
  std::string dir = slash == std::string::npos ? "." : osName.substr(0, slash + 1);
  std::string pattern = slash == std::string::npos ? osName : osName.substr(slash + 1);
  if (!HasWildcard(pattern)) {
    hit = osName;
    return true;
  }
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return false;
  std::string escaped = EscapeForFnmatch(pattern);
  bool found = false;
  while (dirent* entry = readdir(d)) {
    std::string entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    if (fnmatch(escaped.c_str(), entryName.c_str(), 0) == 0) {
      hit = (slash == std::string::npos ? std::string() : dir) + entryName;
      found = true;
      break;
    }
  }
  closedir(d);
  return found;
}

}  // namespace

int GetModuleDir(std::string* out) {
  if (out == nullptr) return -1;
  return GetProgramDir(*out) ? 0 : -1;
}

int IxExistFile(const std::string& name, bool wantDirectory) {
  if (name.empty()) {
    WriteTrace(SJ("※引数が無効。IxExistFile()\n"));
    return 0;
  }
  std::string osName, hit;
  if (!ToOsPath(name, osName) || !FindFirstEntry(osName, hit)) return 0;
  struct stat st;
  if (stat(hit.c_str(), &st) != 0) return 0;
  return S_ISDIR(st.st_mode) == wantDirectory ? 1 : 0;
}

int64_t QueryFileSize(const std::string& name) {
  return QueryUserFileSize(name);
}

int ResizeFile(const std::string& name, int64_t newSize) {
  if (name.empty()) {
    auto size = static_cast<uint64_t>(newSize);
    WriteTrace(Format(SJ("※引数が無効。ResizeFile()\n\tdwLow[%08X], dwHigh[%08X]\n").c_str(),
                      static_cast<unsigned>(size & 0xFFFFFFFFu),
                      static_cast<unsigned>(size >> 32)));
    return 0;
  }
  // The name is taken literally: a wildcard must not let another file pass the check.
  if (!UserPathExists(name)) return 0;
  FileOpenError failure;
  UserFile fd = OpenUserFile(name, FileUse::kModify, O_DSYNC, &failure);
  if (!fd.IsOpen()) {
    WriteTrace(failure.refusedKind != 0 ? RefusedKindText(name, failure.refusedKind) + "\n"
                                        : FormatSystemError(failure.error));
    WriteTrace(SJ("※ファイルオブジェクトの作成に失敗。ResizeFile()\n"));
    return 0;
  }
  if (ftruncate(fd.Fd(), newSize) != 0) WriteTrace(FormatSystemError(errno));
  return 1;
}

int ReverseBinaryArray(uint8_t* bytes, uint32_t count) {
  if (bytes == nullptr) {
    WriteTrace(
        Format(SJ("※引数が無効です。ReverseBinaryArray()\n\tdwReverseSize[%u]\n").c_str(), count));
    return 0;
  }
  for (uint32_t i = 0; i < count / 2; ++i) std::swap(bytes[i], bytes[count - 1 - i]);
  return 1;
}

int ChooseFolder(IDialogs* dialogs, const std::string& initialPath, std::string* out) {
  if (out == nullptr) {
    WriteTrace(SJ("※　引数が無効です。"));
    return 2;
  }
  if (dialogs == nullptr) return 2;
  std::string chosen;
  if (dialogs->ChooseFolder(SJ("フォルダを選択してください"), initialPath, chosen) != 1) return 2;
  *out = chosen;
  return 1;
}

int SetStrToClipBoard(const std::string& text, IClipboard* clipboard) {
  // A clipboard that cannot be had or refuses the text is not a failure of the caller.
  if (clipboard != nullptr) clipboard->SetText(text);
  return 1;
}

int GetStrFromClipBoard(std::string* out, IClipboard* clipboard) {
  if (out == nullptr) return 0;
  out->clear();
  if (clipboard == nullptr || !clipboard->GetText(*out)) {
    out->clear();
    return 0;
  }
  return 1;
}

}  // namespace vpx
