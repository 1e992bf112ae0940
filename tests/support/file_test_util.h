// Helpers of the file command tests: a temporary directory removed with its contents, and
// whole-file reads and writes.
#pragma once

#include <sys/resource.h>

#include <functional>
#include <string>
#include <vector>

#include "files/file_result.h"

namespace vpx::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  // path/name
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
// Names of the entries of a directory, without . and ..
std::vector<std::string> ListDir(const std::string& path);
// A text of n bytes with a pattern that differs at every offset of a small period.
std::string Pattern(size_t n, unsigned seed = 1);

// The outcome of a file routine as the tests read it: 1 after success, else 0; text (when
// given) receives what the routine said, the success text or the failure's.
inline int Said(const FileResult<Done>& result, std::string* text = nullptr) {
  if (text != nullptr) *text = result ? result.value().text : result.failureText();
  return result ? 1 : 0;
}
template <class T>
int Said(const FileResult<T>& result, std::string* text = nullptr) {
  if (text != nullptr) *text = result.failureText();
  return result ? 1 : 0;
}
// The routine's value, or otherwise after a failure; text receives the failure's text
// (empty after success).
template <class T>
T ValueOr(const FileResult<T>& result, T otherwise, std::string* text = nullptr) {
  if (text != nullptr) *text = result.failureText();
  return result ? result.value() : otherwise;
}

// The unprivileged user and group the children of RunInChild drop to.
constexpr unsigned kNobody = 65534;

// What a child process of RunInChild runs under.
struct ChildLimits {
  rlim_t fileSizeLimit = 0;      // 0: none
  bool unprivileged = false;     // as root, drop to nobody first
  unsigned timeoutSeconds = 20;  // a child still running then is killed (a hang)
};
// Runs body in a child process and returns the text it reported; an empty text when the
// child did not end normally (killed by SIGXFSZ, or by the time-out after a hang).
std::string RunInChild(const ChildLimits& limits, const std::function<std::string()>& body);

}  // namespace vpx::test
