// CVXShortCutArray: the indexed store of result records that later lines reference as $n;
// entry 0 mirrors the previous result. Every entry is an owned deep copy. It takes no lock
// of its own: callers hold the list lock.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/func_result.h"
#include "language/shortcut_resolver.h"

namespace vpx {

class CVXShortCutArray : public IShortcutResolver {
 public:
  // Appends a deep copy; the new count, or -1 when memory runs out.
  int AddData(const CMyFuncResult& record);
  // -1 for an index out of range or a reserved entry; otherwise the new count.
  int RemoveData(uint32_t index);
  // Deep-copies the entry into record: 1, or 0 for an index out of range.
  int GetAt(uint32_t index, CMyFuncResult& record) const;
  // The entry itself, for a reader holding the list lock that only reads it (a long value
  // is not copied); null for an index out of range.
  const CMyFuncResult* Peek(uint32_t index) const {
    return index < entries_.size() ? entries_[index].get() : nullptr;
  }
  // Deep-copies record into the entry: the count, or -1 for an index out of range.
  int SetAt(uint32_t index, const CMyFuncResult& record);
  int IsReserved(uint32_t index) const;
  // The lowest reserved entry of owner receives a copy of record; its index, -1 when there
  // is none, kCopyFailed when the copy could not be made (the entry stays reserved).
  static constexpr int kCopyFailed = -2;
  int FindReserved(const CMyThreadDlg* owner, const CMyFuncResult& record);
  // Ends owner's reservation in place, the entry showing text instead of a value (no
  // record is copied, so little memory is needed): its index, -1 or kCopyFailed as above.
  int FailReserved(const CMyThreadDlg* owner, const std::string& text);
  // Tests: every write into a reserved entry (FindReserved, FailReserved) runs out of
  // memory, as it would under a lasting shortage.
  static void FailReservedCopiesForTest(bool fail);
  int GetCount() const { return static_cast<int>(entries_.size()); }
  void RemoveAll() { entries_.clear(); }
  bool AppendShortcutArgument(uint32_t index, CMyFuncData& call) const override;
  // Removes the given entries (ascending, no repeats, all in range) in one pass; allocates
  // nothing. Reserved entries among them must have been left out by the caller.
  void RemoveMany(const std::vector<int>& indices);
  // Takes back the entry just added when its row could not be made (reserved or not).
  void DropLast() {
    if (!entries_.empty()) entries_.pop_back();
  }

 private:
  std::vector<std::unique_ptr<CMyFuncResult>> entries_;
};

}  // namespace vpx
