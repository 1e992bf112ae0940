// FileResult: how every routine of the file layer reports its outcome, a value or a failure
// (what kind of failure, and the console text that says it). The command handlers turn it
// into the command's return value (1/0, -1) and echo the text; nothing here echoes.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace vpx {

// What went wrong, for callers that act on the kind (retry, clean up, choose an exit
// status); the text is what the user reads.
enum class FileFailure {
  kOpen,         // the file could not be opened, or is a kind the command refuses
  kInvalid,      // an argument or range the file does not allow
  kRead,         // a read failed or the file changed under the command
  kWrite,        // a write failed (the file was put back where possible; the text says)
  kCancelled,    // the job was cancelled
  kOutOfMemory,  // a buffer could not be had
  kMismatch,     // the file's contents are not what the caller expected (a checksum)
};

struct FileError {
  FileFailure kind = FileFailure::kInvalid;
  std::string text;  // the console text, Shift-JIS, beginning with "※　" where the system's is
};

// A value of type T, or the FileError that kept the routine from producing one.
template <class T>
class FileResult {
 public:
  FileResult(T value) : state_(std::in_place_index<0>, std::move(value)) {}          // NOLINT
  FileResult(FileError error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT
  static FileResult Fail(FileFailure kind, std::string text) {
    return FileResult(FileError{kind, std::move(text)});
  }

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  const T& value() const { return std::get<0>(state_); }
  T& value() { return std::get<0>(state_); }
  const FileError& error() const { return std::get<1>(state_); }
  // The failure's text, or an empty text after success.
  const std::string& failureText() const {
    static const std::string kNone;
    return ok() ? kNone : error().text;
  }

 private:
  std::variant<T, FileError> state_;
};

// The outcome of a routine that produces nothing but success or a FileError.
template <>
class FileResult<void> {
 public:
  FileResult() = default;
  FileResult(FileError error) : error_(std::move(error)), ok_(false) {}  // NOLINT
  static FileResult Fail(FileFailure kind, std::string text) {
    return FileResult(FileError{kind, std::move(text)});
  }

  bool ok() const { return ok_; }
  explicit operator bool() const { return ok(); }
  const FileError& error() const { return error_; }
  const std::string& failureText() const { return error_.text; }

 private:
  FileError error_;
  bool ok_ = true;
};

// The outcome of a routine that produces no value but a text for the console either way
// (a bit edit says what it changed).
struct Done {
  std::string text;
};

}  // namespace vpx
