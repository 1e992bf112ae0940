// The one console text for work abandoned because memory ran out, and a last-resort
// report for when not even that line can be built on the normal path.
#pragma once

#include <string>

namespace vpx {

// "※　メモリが不足したため、処理を中止しました。" (built at start-up, so it is there when needed).
const std::string& OutOfMemoryText();

// Places that absorb a failed allocation and can only answer "failed" note it; the line's
// boundary then says that memory ran out instead of a misleading reason. Per thread.
void NoteOutOfMemory();
bool TakeOutOfMemoryNote();

// Writes the text to standard error without allocating.
void ReportOutOfMemoryToStderr();

}  // namespace vpx
