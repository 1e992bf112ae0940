#include "host/sjis.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace vpx {
namespace {

// One converter per thread and direction: iconv descriptors are not thread-safe.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Convert(std::string_view in, std::string& out) {
    out.clear();
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::string result(in.size() * 2 + 8, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t used = 0;
    for (;;) {
      char* dst = result.data() + used;
      size_t dstLeft = result.size() - used;
      size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      used = result.size() - dstLeft;
      if (rc != static_cast<size_t>(-1)) {
        if (rc != 0) return false;  // irreversible (substituted) conversions count as failure
        break;
      }
      if (errno != E2BIG) return false;
      result.resize(result.size() * 2);
    }
    result.resize(used);
    out = std::move(result);
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

bool Utf8ToSjis(std::string_view utf8, std::string& out) {
  thread_local Converter conv("CP932", "UTF-8");
  return conv.Convert(utf8, out);
}

bool SjisToUtf8(std::string_view sjis, std::string& out) {
  thread_local Converter conv("UTF-8", "CP932");
  return conv.Convert(sjis, out);
}

std::string SjisLiteral(const char* utf8) {
  std::string out;
  if (!Utf8ToSjis(utf8, out)) {
    std::fprintf(stderr, "Vorpex: message literal without a Shift-JIS form: %s\n", utf8);
    std::abort();
  }
  return out;
}

}  // namespace vpx
