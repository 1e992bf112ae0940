#include "engine/shortcut_array.h"

#include <atomic>
#include <new>
#include <utility>

#include "host/out_of_memory.h"
#include "host/sjis.h"
#include "host/text_format.h"
#include "host/trace_log.h"
#include "host/ui_host.h"
#include "language/func_catalogue.h"

namespace vpx {
namespace {

std::atomic<bool> g_failReservedCopies{false};

// A deep copy of the record, or bad_alloc: a number whose copy could not get its buffers
// must not enter the array as an unusable value.
std::unique_ptr<CMyFuncResult> CopyRecord(const CMyFuncResult& record) {
  auto copy = std::make_unique<CMyFuncResult>(record);
  if (copy->number.IsError() && !record.number.IsError()) throw std::bad_alloc();
  return copy;
}

}  // namespace

int CVXShortCutArray::AddData(const CMyFuncResult& record) {
  try {
    auto copy = CopyRecord(record);
    entries_.push_back(std::move(copy));
  } catch (const std::bad_alloc&) {
    WriteTrace(
        Format(SJ("※　配列データへの追加エラー。　CVXShortCutArray::AddData()\n\tCurItemNum[%u]\n")
                   .c_str(),
               static_cast<unsigned>(entries_.size())));
    return -1;
  }
  return GetCount();
}

int CVXShortCutArray::RemoveData(uint32_t index) {
  if (index >= entries_.size() || entries_[index]->reserved != 0) return -1;
  entries_.erase(entries_.begin() + index);
  return GetCount();
}

int CVXShortCutArray::GetAt(uint32_t index, CMyFuncResult& record) const {
  if (index >= entries_.size()) return 0;
  try {
    record = *entries_[index];
    if (record.number.IsError() && !entries_[index]->number.IsError()) throw std::bad_alloc();
  } catch (const std::bad_alloc&) {
    NoteOutOfMemory();  // the reader's line then says why it failed
    return 0;
  }
  return 1;
}

int CVXShortCutArray::SetAt(uint32_t index, const CMyFuncResult& record) {
  if (index >= entries_.size()) return -1;
  try {
    // Copy first, so the entry stays as it was when memory runs out.
    auto copy = CopyRecord(record);
    entries_[index] = std::move(copy);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  return GetCount();
}

int CVXShortCutArray::IsReserved(uint32_t index) const {
  if (index >= entries_.size()) return 0;
  return entries_[index]->reserved != 0 ? 1 : 0;
}

void CVXShortCutArray::FailReservedCopiesForTest(bool fail) {
  g_failReservedCopies.store(fail);
}

int CVXShortCutArray::FindReserved(const CMyThreadDlg* owner, const CMyFuncResult& record) {
  if (owner == nullptr || entries_.empty()) return -1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i]->reserved == 0 || entries_[i]->owner != owner) continue;
    try {
      if (g_failReservedCopies.load()) throw std::bad_alloc();
      auto copy = CopyRecord(record);
      entries_[i] = std::move(copy);
    } catch (const std::bad_alloc&) {
      return kCopyFailed;
    }
    return static_cast<int>(i);
  }
  return -1;
}

int CVXShortCutArray::FailReserved(const CMyThreadDlg* owner, const std::string& text) {
  for (size_t i = 0; owner != nullptr && i < entries_.size(); ++i) {
    CMyFuncResult& entry = *entries_[i];
    if (entry.reserved == 0 || entry.owner != owner) continue;
    try {
      if (g_failReservedCopies.load()) throw std::bad_alloc();
      entry.overrideText = text;
    } catch (const std::bad_alloc&) {
      return kCopyFailed;
    }
    entry.overrideFlag = 1;
    entry.reserved = 0;
    entry.owner = nullptr;
    return static_cast<int>(i);
  }
  return -1;
}

void CVXShortCutArray::RemoveMany(const std::vector<int>& indices) {
  EraseSortedPositions(entries_, indices);
}

bool CVXShortCutArray::AppendShortcutArgument(uint32_t index, CMyFuncData& call) const {
  if (index >= entries_.size()) return false;
  const CMyFuncResult& record = *entries_[index];
  if (record.type < kRetInt || record.type > kRetString) return false;  // VOID refers nothing
  // A job still computing into the entry, or one that failed or was cancelled, has no
  // value yet: using its placeholder zero would give a wrong result.
  if (record.reserved != 0 || record.overrideFlag != 0) return false;
  call.AddArgument(record.text, static_cast<uint8_t>(record.type), record.number);
  return true;
}

}  // namespace vpx
