#include "host/out_of_memory.h"

#include <unistd.h>

#include "host/sjis.h"

namespace vpx {
namespace {

// Built before main, while memory is still plentiful.
[[maybe_unused]] const std::string& g_text = OutOfMemoryText();
thread_local bool t_noted = false;

}  // namespace

const std::string& OutOfMemoryText() {
  return SJ("※　メモリが不足したため、処理を中止しました。");
}

void NoteOutOfMemory() {
  t_noted = true;
}

bool TakeOutOfMemoryNote() {
  const bool noted = t_noted;
  t_noted = false;
  return noted;
}

void ReportOutOfMemoryToStderr() {
  static constexpr char kText[] = "vorpex: out of memory\n";
  if (::write(STDERR_FILENO, kText, sizeof(kText) - 1) < 0) return;
}

}  // namespace vpx
